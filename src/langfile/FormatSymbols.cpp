#include "langfile/FormatSymbols.h"

QString FormatSymbols(const QString& Text)
{
    static const QString kTypeLetters = QStringLiteral("dufegnmpsx");
    QString text = Text;
    text.remove(QStringLiteral("%%"));
    QString result;
    for (qsizetype p = text.indexOf(QLatin1Char('%')); p >= 0; p = text.indexOf(QLatin1Char('%'))) {
        if (p + 1 < text.size() && (text[p + 1] == QLatin1Char(' ') || text[p + 1] == QLatin1Char('\''))) {
            text[p] = QLatin1Char('#');
            continue;
        }
        result += QStringLiteral("###%");
        text.remove(0, p + 1);
        // Everything up to the type letter belongs to the specifier; without
        // one the rest does, and the text stays as it is after the "%".
        for (qsizetype i = 0; i < text.size(); ++i) {
            result += text[i];
            if (kTypeLetters.contains(text[i])) {
                text.remove(0, i + 1);
                break;
            }
        }
    }
    return result + QStringLiteral("###");
}
