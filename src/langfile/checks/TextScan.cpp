#include "langfile/checks/TextScan.h"

#include <optional>

namespace {

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Digits or "*" at Pos; the part read, empty when none.
QString ReadCount(const QString& Text, qsizetype& Pos)
{
    const qsizetype start = Pos;
    if (Pos < Text.size() && Text[Pos] == QLatin1Char('*')) {
        ++Pos;
    } else {
        while (Pos < Text.size() && IsDigit(Text[Pos])) ++Pos;
    }
    return Text.mid(start, Pos - start);
}

} // namespace

std::vector<TFormatSpec> ParseFormatSpecs(const QString& Text)
{
    static const QString kTypes = QStringLiteral("duefgnmpsx");
    std::vector<TFormatSpec> specs;
    int arg = 0;
    for (qsizetype i = Text.indexOf(QLatin1Char('%')); i >= 0 && i < Text.size();
         i = Text.indexOf(QLatin1Char('%'), i)) {
        if (i + 1 < Text.size() && Text[i + 1] == QLatin1Char('%')) {
            i += 2;
            continue;
        }
        // % [index ":"] ["-"] [width] ["." precision] type, as Format reads it.
        qsizetype p = i + 1;
        std::optional<int> index;
        QString first = ReadCount(Text, p);
        if (!first.isEmpty() && p < Text.size() && Text[p] == QLatin1Char(':')) {
            if (first != QLatin1String("*")) index = first.toInt();
            ++p;
            first.clear();
        }
        QString specifier;
        if (first.isEmpty()) {
            if (p < Text.size() && Text[p] == QLatin1Char('-')) {
                specifier += QLatin1Char('-');
                ++p;
            }
            first = ReadCount(Text, p);
        }
        QString width = first;
        QString precision;
        if (p < Text.size() && Text[p] == QLatin1Char('.')) {
            ++p;
            precision = ReadCount(Text, p);
            if (precision.isEmpty()) {
                ++i;
                continue;
            }
        }
        if (p >= Text.size() || !kTypes.contains(Text[p].toLower())) {
            ++i; // a per cent sign in prose
            continue;
        }
        if (index) arg = *index;
        // Widths and precisions given as "*" take an argument of their own.
        for (const QString* count : {&width, &precision}) {
            if (*count == QLatin1String("*")) specs.push_back({arg++, QStringLiteral("*"), i, p + 1 - i});
        }
        specifier += width;
        if (!precision.isEmpty()) specifier += QLatin1Char('.') + precision;
        specifier += Text[p].toLower();
        specs.push_back({arg++, specifier, i, p + 1 - i});
        i = p + 1;
    }
    return specs;
}

QString FormatSignatureOf(const QString& Text)
{
    QStringList specs;
    for (const TFormatSpec& s : ParseFormatSpecs(Text))
        specs << QString::number(s.Arg) + QLatin1Char(':') + s.Specifier;
    specs.sort();
    specs.removeDuplicates();
    return specs.join(QLatin1Char(' '));
}

QString AcceleratorLetters(const QString& Text)
{
    QString letters;
    for (qsizetype i = 0; i + 1 < Text.size(); ++i) {
        if (Text[i] != QLatin1Char('&')) continue;
        if (Text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        if (!Text[i + 1].isSpace()) letters += Text[i + 1];
    }
    return letters;
}

int CountLineBreaks(const QString& Text)
{
    int n = 0;
    for (qsizetype i = 0; i < Text.size(); ++i) {
        if (Text[i] == QLatin1Char('\r')) {
            ++n;
            if (i + 1 < Text.size() && Text[i + 1] == QLatin1Char('\n')) ++i;
        } else if (Text[i] == QLatin1Char('\n')) {
            ++n;
        }
    }
    return n;
}

QString ShownRun(const QString& Run)
{
    if (Run.isEmpty()) return QStringLiteral("nothing");
    QString shown = QStringLiteral("\"");
    for (const QChar c : Run) {
        if (c == QLatin1Char('\t'))
            shown += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            shown += QStringLiteral("\\r");
        else if (c == QLatin1Char('\n'))
            shown += QStringLiteral("\\n");
        else if (c == QLatin1Char(' '))
            shown += c;
        else if (c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            shown +=
                QStringLiteral("\\u") + QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown + QLatin1Char('"');
}

QString CountPhrase(int Count, const QString& Noun, const QString& Plural)
{
    if (Count == 0) return QStringLiteral("no ") + Noun;
    if (Count == 1) return QStringLiteral("one ") + Noun;
    return QString::number(Count) + QLatin1Char(' ') + Plural;
}

QString BareCount(int Count)
{
    if (Count == 0) return QStringLiteral("none");
    if (Count == 1) return QStringLiteral("one");
    return QString::number(Count);
}
