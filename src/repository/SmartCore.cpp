#include "repository/SmartCore.h"

namespace {

const QString kDecoration = QStringLiteral(".,-+:; ?!%>&#0123456789");
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
