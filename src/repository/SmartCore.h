#pragma once

#include <QString>

// The core of a text: the text without leading and trailing decoration
// (punctuation, whitespace, digits, "&", format specifiers). Translations of
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

// Accelerators: a single "&" marks the character after it; "&&" is a
// literal "&" and no accelerator.
int AcceleratorCount(const QString& Text);
QString StripAccelerators(const QString& Text);

// Line breaks of any kind as CR LF, the form the memory keeps them in.
QString CrLfLineBreaks(const QString& Text);

// A text as the smart memory stores it and searches for it: the core of the
// text without accelerators, line breaks as CR LF. Bounds are those of the
// core in Plain (the text without accelerators).
struct TSmartKey {
    QString Plain;
    TCoreBounds Bounds;
    QString Key() const;
};
TSmartKey SmartKey(const QString& Text);
// The core of a translation stored beside a native text's smart key: its
// accelerator stays where the translator put it when the native text has
// one, unless it is on the first letter, where a fill puts one anyway.
QString SmartTranslationCore(const QString& NativeText, const QString& Translation);

// A translation from the memory fitted to the native text it fills: exactly
// as many accelerators as the native text (the translation's own when it
// has one, else one before its first letter; none when the native has
// none) and the native text's own line breaks.
QString FitToNative(const QString& NativeText, const QString& Translation);
