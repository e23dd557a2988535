#pragma once

#include <QString>

// The format signature of a text: its printf-style specifiers between "###"
// marks ("File %s of %d" gives "###%s###%d###"). Two texts have matching
// format specifiers exactly when their signatures are equal. "%%" is no
// specifier, nor is a "%" followed by a space or an apostrophe; a specifier
// runs up to and including the first lower-case type letter of "dufegnmpsx".
QString FormatSymbols(const QString& Text);
