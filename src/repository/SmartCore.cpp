#include "repository/SmartCore.h"

#include <QList>
#include <QStringList>

#include <algorithm>

namespace {

// Whitespace at the ends (TAB, CR, LF as well as spaces) is decoration too:
// "Done.\n" is "Done." with a line break around it.
const QString kDecoration = QStringLiteral(".,-+:; ?!%>&#0123456789\t\r\n");
const QString kSpecifierBody = QStringLiteral(".0123456789:-*");
const QString kSpecifierLetters = QStringLiteral("xspmngfeud");

bool In(const QString& Set, QChar C) { return Set.contains(C, Qt::CaseInsensitive); }

} // namespace

TCoreBounds FindCoreBounds(const QString& Text)
{
    // Positions are 1-based as in the bounds; At(p) is the character at p.
    const auto At = [&](qsizetype p) { return Text[p - 1]; };
    TCoreBounds b{1, Text.size()};

    for (bool removed = true; removed && b.End >= b.Start;) {
        removed = false;
        if (!(b.Start + 1 < b.End) || !In(kDecoration, At(b.Start))) break;
        removed = true;
        if (At(b.Start) != QLatin1Char('%')) {
            ++b.Start;
            continue;
        }
        // A format specifier goes as a whole: "%", its width and precision,
        // and its letter; a "%" without a letter goes alone.
        qsizetype p = b.Start + 1;
        while (p <= Text.size() && In(kSpecifierBody, At(p))) ++p;
        b.Start = p <= Text.size() && In(kSpecifierLetters, At(p)) ? p + 1 : b.Start + 1;
    }

    for (bool removed = true; removed && b.Start < b.End;) {
        removed = false;
        if (In(kSpecifierLetters, At(b.End))) {
            // Only a specifier ends in such a letter; a word does too, and stays.
            qsizetype p = b.End - 1;
            while (p >= b.Start && In(kSpecifierBody, At(p))) --p;
            if (p >= b.Start && At(p) == QLatin1Char('%')) {
                b.End = p - 1;
                removed = true;
            }
        } else if (b.Start < b.End - 1 && In(kDecoration, At(b.End))) {
            --b.End;
            removed = true;
        }
    }
    return b;
}

QString GetCoreText(const QString& Text)
{
    const TCoreBounds b = FindCoreBounds(Text);
    return b.Empty() ? QString() : Text.mid(b.Start - 1, b.End - b.Start + 1);
}

QString WrapInDecoration(const QString& Text, const TCoreBounds& Bounds, const QString& Translation)
{
    return Text.left(Bounds.Start - 1) + Translation + Text.mid(Bounds.End);
}

namespace {

// The position of the first accelerator's "&", -1 when there is none.
qsizetype FirstAccelerator(const QString& Text)
{
    for (qsizetype i = 0; i + 1 < Text.size(); ++i) {
        if (Text[i] != QLatin1Char('&')) continue;
        if (Text[i + 1] != QLatin1Char('&')) return i;
        ++i; // "&&"
    }
    return -1;
}

} // namespace

int AcceleratorCount(const QString& Text)
{
    int count = 0;
    for (qsizetype i = 0; i + 1 < Text.size(); ++i) {
        if (Text[i] != QLatin1Char('&')) continue;
        if (Text[i + 1] != QLatin1Char('&')) ++count;
        ++i;
    }
    return count;
}

QString StripAccelerators(const QString& Text)
{
    if (!Text.contains(QLatin1Char('&'))) return Text;
    QString out;
    out.reserve(Text.size());
    for (qsizetype i = 0; i < Text.size(); ++i) {
        if (Text[i] == QLatin1Char('&') && i + 1 < Text.size()) {
            if (Text[i + 1] == QLatin1Char('&'))
                out += Text[i++]; // "&&" stays
            else
                continue;
        }
        out += Text[i];
    }
    return out;
}

QString CrLfLineBreaks(const QString& Text)
{
    if (!Text.contains(QLatin1Char('\r')) && !Text.contains(QLatin1Char('\n'))) return Text;
    QString out = Text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    out.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return out;
}

QString TSmartKey::Key() const
{
    return Bounds.Empty() ? QString() : Plain.mid(Bounds.Start - 1, Bounds.End - Bounds.Start + 1);
}

TSmartKey SmartKey(const QString& Text)
{
    TSmartKey key;
    key.Plain = StripAccelerators(CrLfLineBreaks(Text));
    key.Bounds = FindCoreBounds(key.Plain);
    return key;
}

QString SmartTranslationCore(const QString& NativeText, const QString& Translation)
{
    const QString text = CrLfLineBreaks(Translation);
    const TSmartKey key = SmartKey(text);
    QString core = key.Key();
    if (AcceleratorCount(NativeText) == 0) return core;
    // Where the accelerated characters are in the text without accelerators.
    QList<qsizetype> accelerated;
    qsizetype plain = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++plain) {
        if (text[i] != QLatin1Char('&') || i + 1 >= text.size()) continue;
        if (text[i + 1] != QLatin1Char('&')) accelerated << plain;
        ++i; // the "&" is gone; "&&" stays as two characters
        if (text[i] == QLatin1Char('&')) ++plain;
    }
    // One on the first letter is left out: a fill puts it there anyway, and
    // the record reads the same on both sides.
    const auto first = std::find_if(core.cbegin(), core.cend(), [](QChar c) { return c.isLetterOrNumber(); });
    const qsizetype firstLetter = first - core.cbegin();
    for (auto it = accelerated.crbegin(); it != accelerated.crend(); ++it) {
        const qsizetype offset = *it - (key.Bounds.Start - 1);
        if (offset >= 0 && offset < core.size() && offset != firstLetter) core.insert(offset, QLatin1Char('&'));
    }
    return core;
}

namespace {

// One line's accelerators fitted to its native line's.
QString FitAccelerators(const QString& Native, const QString& Translation)
{
    QString text = StripAccelerators(Translation);
    if (AcceleratorCount(Native) == 0) return text;
    qsizetype at = FirstAccelerator(Translation);
    for (qsizetype i = 0; at < 0 && i < text.size(); ++i)
        if (text[i].isLetterOrNumber()) at = i;
    if (at >= 0) text.insert(at, QLatin1Char('&'));
    return text;
}

} // namespace

QString FitToNative(const QString& NativeText, const QString& Translation)
{
    QLatin1String lineBreak("\r\n");
    if (!NativeText.contains(lineBreak)) {
        if (NativeText.contains(QLatin1Char('\n')))
            lineBreak = QLatin1String("\n");
        else if (NativeText.contains(QLatin1Char('\r')))
            lineBreak = QLatin1String("\r");
    }
    // A list of captions (a radio group's items) has an accelerator per
    // line: lines are fitted one by one when they pair up.
    const QStringList native = CrLfLineBreaks(NativeText).split(QLatin1String("\r\n"));
    QStringList lines = CrLfLineBreaks(Translation).split(QLatin1String("\r\n"));
    if (native.size() == lines.size()) {
        for (qsizetype i = 0; i < lines.size(); ++i) lines[i] = FitAccelerators(native[i], lines[i]);
    } else {
        lines = FitAccelerators(NativeText, lines.join(QLatin1String("\r\n"))).split(QLatin1String("\r\n"));
    }
    // Without a line break of its own the native text says nothing of their kind.
    if (!NativeText.contains(QLatin1Char('\n')) && !NativeText.contains(QLatin1Char('\r')))
        lineBreak = QLatin1String("\r\n");
    return lines.join(lineBreak);
}
