#include "exchange/TextFormat.h"

#include "core/UiStrings.h"

#include "exchange/ExchangeCore.h"
#include "langfile/LangFileProject.h"
#include "platform/AtomicFile.h"
#include "storage/Locales.h"

#include <QStringDecoder>

namespace exchange {

namespace {

const QLatin1String kFormatHead(";Format:");
const QLatin1String kConstantsHead(";Constants");
const QLatin1String kExternalHead(";External");

void AppendQuotedLine(QString& Out, QStringView Line)
{
    Out += QLatin1Char('"');
    bool open = true;
    for (qsizetype i = 0; i < Line.size(); ++i) {
        const QChar ch = Line[i];
        if (ch.unicode() < 32) {
            if (open) Out += QLatin1Char('"');
            open = false;
            Out += QLatin1Char('#') + QString::number(ch.unicode());
            continue;
        }
        if (!open) Out += QLatin1Char('"');
        open = true;
        Out += ch;
        if (ch == QLatin1Char('"')) Out += ch;
    }
    if (open) Out += QLatin1Char('"');
}

[[noreturn]] void BadValue(QStringView Text)
{
    throw EExchangeError(UiString(usInvalidValue, {Text.left(80).toString()}));
}

// The head line's delimiter: the word after "Delimiter:" as the export
// writes it (comma only for "comma"); a head without one by its "TAB".
QChar HeadDelimiter(const QString& Head)
{
    const qsizetype at = Head.indexOf(QLatin1String("Delimiter:"), 0, Qt::CaseInsensitive);
    if (at < 0) return Head.contains(QLatin1String("TAB"), Qt::CaseInsensitive) ? QLatin1Char('\t') : QLatin1Char(',');
    QString word = Head.mid(at + 10);
    word = word.left(word.indexOf(QLatin1Char(';'))).trimmed();
    return word.compare(QLatin1String("comma"), Qt::CaseInsensitive) == 0 ? QLatin1Char(',') : QLatin1Char('\t');
}

struct THead {
    bool HasIDs = false;
    bool HasNames = false;
    QChar Delimiter;
};

THead ReadHead(const QString& FirstLine)
{
    if (!FirstLine.startsWith(kFormatHead)) throw EExchangeError(UiString(usNoFormatLine));
    THead head;
    head.HasNames = FirstLine.contains(QLatin1String("PropNames"));
    head.HasIDs = FirstLine.contains(QLatin1String("Number"));
    if (!head.HasNames && !head.HasIDs) throw EExchangeError(UiString(usNoIdsNorNames));
    head.Delimiter = HeadDelimiter(FirstLine);
    return head;
}

enum TSection { tsProperties, tsConstants, tsExternal };

// One data line taken apart.
struct TLine {
    int32_t ID = 0;
    QString Name;
    QStringView Value;
};

// Splits at the ":" after each leading field. The name runs up to the ":"
// that starts the value (a value is empty or starts with a quote), so a
// name may hold colons of its own.
TLine SplitLine(QStringView Line, const THead& Head, bool SkipStringID)
{
    TLine parts;
    qsizetype pos = 0;
    auto field = [&]() {
        const qsizetype colon = Line.indexOf(QLatin1Char(':'), pos);
        if (colon < 0) BadValue(Line);
        const QStringView text = Line.mid(pos, colon - pos);
        pos = colon + 1;
        return text;
    };
    if (Head.HasIDs) {
        bool ok = false;
        parts.ID = field().toInt(&ok);
        if (!ok) BadValue(Line);
    }
    if (SkipStringID) field();
    if (Head.HasNames) {
        qsizetype colon = pos - 1;
        for (;;) {
            colon = Line.indexOf(QLatin1Char(':'), colon + 1);
            if (colon < 0) BadValue(Line);
            if (colon + 1 == Line.size() || Line[colon + 1] == QLatin1Char('"')) break;
        }
        parts.Name = Line.mid(pos, colon - pos).toString();
        pos = colon + 1;
    }
    parts.Value = Line.mid(pos);
    return parts;
}

QStringList SplitLines(const QString& Text)
{
    QStringList lines = ValueLines(Text);
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

} // namespace

QString QuoteValue(const QString& Value, QChar Delimiter)
{
    QString out;
    if (Value.isEmpty()) return out;
    const QStringList lines = ValueLines(Value);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i) out += Delimiter;
        AppendQuotedLine(out, lines[i]);
    }
    return out;
}

QString UnquoteValue(QStringView Text, QChar Delimiter)
{
    QString value;
    qsizetype i = 0;
    const qsizetype n = Text.size();
    while (i < n) {
        // One line: quoted parts and character codes until a delimiter.
        while (i < n && Text[i] != Delimiter) {
            if (Text[i] == QLatin1Char('"')) {
                for (++i;; ++i) {
                    if (i >= n) BadValue(Text);
                    if (Text[i] != QLatin1Char('"')) {
                        value += Text[i];
                    } else if (i + 1 < n && Text[i + 1] == QLatin1Char('"')) {
                        value += Text[++i];
                    } else {
                        ++i;
                        break;
                    }
                }
            } else if (Text[i] == QLatin1Char('#')) {
                qsizetype end = ++i;
                while (end < n && Text[end].isDigit()) ++end;
                bool ok = false;
                const uint code = Text.mid(i, end - i).toUInt(&ok);
                if (!ok || code > 0xFFFF) BadValue(Text);
                value += QChar(char16_t(code));
                i = end;
            } else {
                BadValue(Text);
            }
        }
        if (i < n) {
            value += QLatin1String("\r\n");
            ++i;
            if (i == n) BadValue(Text);
        }
    }
    return value;
}

QString DecodeTextFile(const QByteArray& Data, int Locale)
{
    if (Data.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(Data.mid(3));
    if (Data.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringConverter::Utf16LE);
        return decoder(Data.mid(2));
    }
    return LocaleAnsiToWide(Data, Locale);
}

void ExportText(TLangFileProject& Project, int LangIndex, const QString& FileName, const TExportOptions& Options,
                const TExchangeSelection& Selection, TProgress& Progress)
{
    const QChar delimiter = Options.TabDelimited() ? QLatin1Char('\t') : QLatin1Char(',');
    QString out;
    QStringList format;
    if (Options.IncludeID) format << QStringLiteral("Numbers");
    if (Options.IncludeNames) format << QStringLiteral("PropNames");
    out += kFormatHead + format.join(QLatin1Char(',')) + QStringLiteral(";Delimiter:") + Options.Delimiter +
           QLatin1String("\r\n");

    auto writeItems = [&](const auto& Items) {
        for (auto* item : Items) {
            if (!Progress.Step()) return false;
            if (!Selection.Takes(item) || !ExportsItem(item, LangIndex, Options, false)) continue;
            if (Options.IncludeID) out += QString::number(item->ID()) + QLatin1Char(':');
            if constexpr (std::is_same_v<std::decay_t<decltype(*item)>, TLocConstant>)
                if (Options.IncludeStringID) out += QString::number(item->StringID()) + QLatin1Char(':');
            if (Options.IncludeNames) out += item->GetFullName(QStringLiteral(".")) + QLatin1Char(':');
            out += QuoteValue(item->Values().Items(LangIndex)->Value(), delimiter);
            out += QLatin1String("\r\n");
        }
        return true;
    };

    TLinearPropertyList props;
    Project.Forms().FillLinearList(props, false);
    Progress.Begin(QStringLiteral("Exporting properties..."), props.Count());
    bool complete = writeItems(props.FItems);
    if (complete) {
        TLinearConstantList consts;
        Project.Units().FillLinearList(consts, false);
        out += kConstantsHead + (Options.IncludeStringID ? QStringLiteral(":StringIDs") : QString()) +
               QLatin1String("\r\n");
        Progress.Begin(QStringLiteral("Exporting constants..."), consts.Count());
        complete = writeItems(consts.FItems);
    }
    if (complete) {
        TLinearExternalList exts;
        Project.ExtGroups().FillLinearList(exts, false);
        out += kExternalHead + QLatin1String("\r\n");
        Progress.Begin(QStringLiteral("Exporting external items..."), exts.Count());
        writeItems(exts.FItems);
    }

    QByteArray bytes;
    switch (Options.Encoding) {
    case 0:
        bytes = LocaleWideToAnsi(out, Project.Locales(LangIndex));
        break;
    case 1: {
        bytes = QByteArray("\xFF\xFE", 2);
        QStringEncoder encoder(QStringConverter::Utf16LE);
        bytes += encoder(out);
        break;
    }
    default:
        bytes = QByteArray("\xEF\xBB\xBF") + out.toUtf8();
    }
    WriteFileAtomic(FileName, bytes);
}

TImportPreview PreviewText(const QString& Text)
{
    const QStringList lines = SplitLines(Text);
    if (lines.isEmpty()) throw EExchangeError(UiString(usFileIsEmpty));
    const THead head = ReadHead(lines.first());
    TImportPreview preview;
    preview.HasIDs = head.HasIDs;
    preview.HasNames = head.HasNames;
    if (!head.HasNames) return preview;
    QSet<QString> seen[3];
    TSection section = tsProperties;
    bool stringIDs = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.startsWith(kConstantsHead)) {
            section = tsConstants;
            stringIDs = line.contains(QLatin1String("StringIDs"));
            continue;
        }
        if (line.startsWith(kExternalHead)) {
            section = tsExternal;
            continue;
        }
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
        const TLine parts = SplitLine(line, head, section == tsConstants && stringIDs);
        const QString folder = parts.Name.section(QLatin1Char('.'), 0, 0);
        if (!folder.isEmpty()) seen[section].insert(folder);
    }
    auto sorted = [](const QSet<QString>& set) {
        QStringList list(set.begin(), set.end());
        list.sort(Qt::CaseInsensitive);
        return list;
    };
    preview.Forms = sorted(seen[tsProperties]);
    preview.Units = sorted(seen[tsConstants]);
    preview.Groups = sorted(seen[tsExternal]);
    return preview;
}

void ImportText(const QString& Text, TImportTarget& Target, TProgress& Progress)
{
    const QStringList lines = SplitLines(Text);
    if (lines.isEmpty()) throw EExchangeError(UiString(usFileIsEmpty));
    const THead head = ReadHead(lines.first());
    const bool byIDs = Target.Options().SyncBy == sbIDs && head.HasIDs;
    if (!byIDs && !head.HasNames) throw EExchangeError(UiString(usNoItemNames));
    const TLangFileProject& project = Target.Project();
    const bool native = Target.IsNative();

    TSection section = tsProperties;
    bool stringIDs = false;
    Progress.Begin(QStringLiteral("Importing properties..."), lines.size());
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!Progress.Step()) return;
        const QString& line = lines[i];
        if (line.startsWith(kConstantsHead)) {
            section = tsConstants;
            stringIDs = line.contains(QLatin1String("StringIDs"));
            Progress.Begin(QStringLiteral("Importing constants..."), lines.size());
            continue;
        }
        if (line.startsWith(kExternalHead)) {
            section = tsExternal;
            Progress.Begin(QStringLiteral("Importing external items..."), lines.size());
            continue;
        }
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
        if (native && section != tsExternal) continue;
        const TLine parts = SplitLine(line, head, section == tsConstants && stringIDs);
        const QString value = UnquoteValue(parts.Value, head.Delimiter);
        switch (section) {
        case tsProperties:
            Target.Apply(byIDs ? Target.PropertyByID(parts.ID) : FindPropertyByFullName(project, parts.Name), value,
                         head.HasNames);
            break;
        case tsConstants:
            Target.Apply(byIDs ? Target.ConstantByID(parts.ID) : FindConstantByFullName(project, parts.Name), value,
                         head.HasNames);
            break;
        case tsExternal: {
            TLocExtItem* item = byIDs ? Target.ExtItemByID(parts.ID) : FindExtItemByFullName(project, parts.Name);
            if (native && !item && head.HasNames) {
                const qsizetype dot = parts.Name.indexOf(QLatin1Char('.'));
                if (dot > 0) Target.ApplyNativeExtItem(parts.Name.left(dot), parts.Name.mid(dot + 1), value, -1, true);
            } else {
                Target.Apply(item, value, head.HasNames && !native, isValue, -1, true);
            }
            break;
        }
        }
    }
}

} // namespace exchange
