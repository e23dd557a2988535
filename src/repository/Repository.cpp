#include "repository/Repository.h"

#include "core/UiStrings.h"

#include "repository/LangRepository.h"
#include "repository/PgRepository.h"
#include "storage/Locales.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>

namespace {

int OctalDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('7') ? c.unicode() - '0' : -1; }

int HexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// Resolves a C-style escape that starts at S[i] (the backslash); i ends on
// the escape's last character.
QChar Unescape(const QString& S, qsizetype& i)
{
    if (i + 1 >= S.size()) return S[i]; // a final backslash stands for itself
    const QChar c = S[++i];
    switch (c.unicode()) {
    case 'a':
        return QChar(7);
    case 'b':
        return QChar(8);
    case 'f':
        return QChar(12);
    case 'n':
        return QChar(10);
    case 'r':
        return QChar(13);
    case 't':
        return QChar(9);
    case 'v':
        return QChar(11);
    case 'x': {
        int v = 0, n = 0;
        while (n < 2 && i + 1 < S.size() && HexDigit(S[i + 1]) >= 0) v = v * 16 + HexDigit(S[++i]), ++n;
        return n == 0 ? c : QChar(v);
    }
    default:
        if (OctalDigit(c) >= 0) {
            int v = OctalDigit(c), n = 1;
            while (n < 3 && i + 1 < S.size() && OctalDigit(S[i + 1]) >= 0) v = v * 8 + OctalDigit(S[++i]), ++n;
            return QChar(v);
        }
        return c;
    }
}

QString GlossaryColumn(const QString& Raw)
{
    const QString col = Raw.trimmed();
    QString out;
    if (col.startsWith(QLatin1Char('"'))) {
        for (qsizetype i = 1; i < col.size(); ++i) {
            if (col[i] == QLatin1Char('"')) {
                if (i + 1 < col.size() && col[i + 1] == QLatin1Char('"')) {
                    out += QLatin1Char('"');
                    ++i;
                    continue;
                }
                return out;
            }
            out += col[i] == QLatin1Char('\\') ? Unescape(col, i) : col[i];
        }
        throw EQBaseError(UiString(usQuotedColumnOpen));
    }
    for (qsizetype i = 0; i < col.size(); ++i) out += col[i] == QLatin1Char('\\') ? Unescape(col, i) : col[i];
    return out;
}

// The lines of a glossary: UTF-8 or UTF-16LE by their byte-order mark, else
// text in the system's code page. Text that is not valid in its encoding is
// refused rather than imported as garbage.
QStringList GlossaryLines(const QString& FileName)
{
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EQBaseError(UiString(usCannotOpenNamedFile, {QFileInfo(FileName).filePath()}));
    const QByteArray data = f.readAll();
    QString text;
    const auto decode = [&](QStringConverter::Encoding Enc, qsizetype Skip) {
        QStringDecoder dec(Enc, QStringConverter::Flag::Stateless);
        text = dec.decode(QByteArrayView(data).sliced(Skip));
        if (dec.hasError() || (Enc == QStringConverter::Utf16LE && (data.size() - Skip) % 2 != 0))
            throw EQBaseError(UiString(usGlossaryNotText,
                                       {FileName, QLatin1String(Enc == QStringConverter::Utf8 ? "UTF-8" : "UTF-16")}));
    };
    if (data.startsWith("\xEF\xBB\xBF"))
        decode(QStringConverter::Utf8, 3);
    else if (data.startsWith("\xFF\xFE"))
        decode(QStringConverter::Utf16LE, 2);
    else
        text = AnsiToWide(data, SystemCodePage());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

} // namespace

QStringList SplitGlossaryLine(const QString& Line)
{
    QStringList columns;
    qsizetype start = 0;
    bool inside = false;
    for (qsizetype i = 0; i < Line.size(); ++i) {
        const QChar c = Line[i];
        if (c == QLatin1Char('\\')) {
            ++i; // an escaped quote or delimiter neither toggles nor splits
        } else if (c == QLatin1Char('"')) {
            inside = !inside;
        } else if (!inside && (c == QLatin1Char(',') || c == QLatin1Char('\t'))) {
            columns << GlossaryColumn(Line.mid(start, i - start));
            start = i + 1;
        }
    }
    columns << GlossaryColumn(Line.mid(start));
    return columns;
}

int TRepository::FallbackLocale(int LocID)
{
    const int primary = PrimaryLanguage(LocID);
    return primary == LocID ? (LocID | 0x400) : primary;
}

int TRepository::ServingLocale(int LocID) const
{
    if (LocID == 0) return 0;
    if (HasLocale(LocID)) return LocID;
    const int fallback = FallbackLocale(LocID);
    return HasLocale(fallback) ? fallback : 0;
}

qint32 TRepository::GetPairsByWord(int OrigLocId, int ReqLocId, const QString& OrigValue, TQLocateOptions Options,
                                   QList<TQValueLocation>& ReqValues)
{
    ReqValues.clear();
    if (!HasLocale(OrigLocId) || !HasLocale(ReqLocId)) return 0;
    FindRecords(OrigLocId, OrigValue, Options, ReqValues);
    return PairsAt(ReqLocId, ReqValues);
}

bool TRepository::ExtractWord(int NativeLocale, const QString& NativeWord, int WordLocale, QString& WordValue,
                              TQLocateOptions Options)
{
    QList<TQValueLocation> found;
    FindRecords(NativeLocale, NativeWord, Options, found);
    if (found.isEmpty() || !HasLocale(WordLocale)) return false;
    found = found.mid(0, 1);
    PairsAt(WordLocale, found);
    if (found.isEmpty()) return false;
    WordValue = found.first().Text;
    return true;
}

bool TRepository::StoreTexts(int Locale1, const QString& Text1, QList<TRepText> Translations, TQLocateOptions Options,
                             qint32 Target)
{
    // The key serialises the writers of one native text, whatever its case.
    Transaction(QString::number(Locale1) + QLatin1Char(':') + Text1.toCaseFolded(), [&] {
        if (SharedWriters())
            Translations.removeIf([&](const TRepText& t) {
                QList<TQValueLocation> pairs;
                GetPairsByWord(Locale1, t.Locale, Text1, Options, pairs);
                return std::any_of(pairs.cbegin(), pairs.cend(), [&](const TQValueLocation& p) {
                    return LocaleCompareText(t.Locale, p.Text, t.Text, false) == 0;
                });
            });
        if (Translations.isEmpty()) return;
        Translations.prepend({Locale1, Text1});
        WriteTexts(Target, Translations);
    });
    return Translations.size() > 1;
}

void TRepository::AddEditWord(int Locale1, int Locale2, const QString& Word1Value, const QString& Word2Value,
                              TQLocateOptions Options)
{
    if (Word1Value.isEmpty() || Word2Value.isEmpty()) return;
    QList<TQValueLocation> pairs;
    const qint32 empty = GetPairsByWord(Locale1, Locale2, Word1Value, Options, pairs);
    for (const TQValueLocation& p : pairs)
        if (LocaleCompareText(Locale2, p.Text, Word2Value, false) == 0) return;
    StoreTexts(Locale1, Word1Value, {{Locale2, Word2Value}}, Options, empty);
}

bool TRepository::ImportMSGlossary(const QString& FileName, int Locale1, int Locale2, TQLocateOptions Options)
{
    if (!QFileInfo(FileName).isFile()) return false;
    const QStringList lines = GlossaryLines(FileName);
    // The whole file is read before the first pair goes in: a damaged line
    // leaves the repository as it was.
    QList<QPair<QString, QString>> pairs;
    pairs.reserve(lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].isEmpty()) {
            pairs.append(QPair<QString, QString>());
            continue;
        }
        QStringList columns;
        try {
            columns = SplitGlossaryLine(lines[i]);
        } catch (const EQBaseError& e) {
            throw EQBaseError(QStringLiteral("%1, line %2: %3").arg(FileName).arg(i + 1).arg(e.Message()));
        }
        pairs.append(columns.size() >= 3 ? qMakePair(columns[0], columns[2]) : QPair<QString, QString>());
    }
    for (qsizetype i = 0; i < pairs.size(); ++i) {
        if (!pairs[i].first.isEmpty()) AddEditWord(Locale1, Locale2, pairs[i].first, pairs[i].second, Options);
        bool stop = false;
        DoProgress(i, pairs.size(), stop);
        if (stop) return false;
    }
    return true;
}

void TRepository::DoProgress(qint64 Position, qint64 MaxValue, bool& Stop)
{
    if (OnRepositoryProgress) OnRepositoryProgress(Position, MaxValue, Stop);
}

bool IsRepositoryConnection(const QString& Name)
{
    return Name.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           Name.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

std::unique_ptr<TRepository> NewRepository(const QString& Name)
{
    if (IsRepositoryConnection(Name)) return std::make_unique<TPgRepository>(Name);
    return std::make_unique<TQLangRepository>(Name);
}
