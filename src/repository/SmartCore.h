#pragma once

#include <QString>

// The core of a text: the text without leading and trailing decoration
// (punctuation, spaces, digits, "&", format specifiers). Translations of
// "&Save as..." and "Save as" are the same phrase to the repository.

struct TCoreBounds {
    qsizetype Start = 1; // 1-based, inclusive
    qsizetype End = 0;
    bool Empty() const { return End < Start; }
};

TCoreBounds FindCoreBounds(const QString& Text);
QString GetCoreText(const QString& Text);
// Translation wrapped in the decoration that Text has around its core.
QString WrapInDecoration(const QString& Text, const TCoreBounds& Bounds, const QString& Translation);
