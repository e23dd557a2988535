#include "core/TerminalText.h"

namespace {

// The explicit embeddings, overrides and isolates of the bidirectional
// algorithm, which make a terminal show text in another order than it is.
bool ReordersDisplay(char16_t c) { return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069); }

// Appends c, escaped when a terminal would act on it.
void AppendVisible(QString& Out, QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
        Out += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
    else if (ReordersDisplay(u))
        Out += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
    else
        Out += c;
}

} // namespace

QString TerminalText(const QString& Text)
{
    QString out;
    out.reserve(Text.size());
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const QChar c = Text[i];
        if (c == QLatin1Char('\r')) {
            if (i + 1 < Text.size() && Text[i + 1] == QLatin1Char('\n')) ++i;
            out += QLatin1Char('\n');
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\t')) {
            out += c;
        } else {
            AppendVisible(out, c);
        }
    }
    return out;
}

QString EscapeControls(const QString& Text)
{
    QString out;
    out.reserve(Text.size());
    for (QChar c : Text) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        default:
            AppendVisible(out, c);
        }
    }
    return out;
}
