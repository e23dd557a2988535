#include "exchange/PoFormat.h"

#include "exchange/ExchangeCore.h"
#include "langfile/LangFileProject.h"
#include "platform/AtomicFile.h"
#include "repository/ProjectItems.h"
#include "storage/Locales.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace exchange {

namespace {

// What the "#." comment says of an item; the import reads it back to tell a
// property from a constant of the same full name.
const QLatin1String kProperty("property");
const QLatin1String kConstant("constant");
const QLatin1String kExternal("external item");

// ---------------------------------------------------------------- writing

// A PO string's content: C escapes, line breaks as \n. gettext reads \x
// with every hexadecimal digit that follows: other controls go as octal.
QString Escaped(QStringView Text) { return CEscaped(Text, true); }

// keyword "text", or as gettext writes a text of several lines: an empty
// first string and one string per line, each ending after its \n.
void AppendString(QString& Out, const char* Keyword, const QString& Text)
{
    Out += QLatin1String(Keyword);
    const qsizetype firstBreak = Text.indexOf(QLatin1Char('\n'));
    if (firstBreak < 0 || firstBreak == Text.size() - 1) {
        Out += QLatin1String(" \"") + Escaped(Text) + QLatin1String("\"\n");
        return;
    }
    Out += QLatin1String(" \"\"\n");
    qsizetype start = 0;
    while (start < Text.size()) {
        const qsizetype lineBreak = Text.indexOf(QLatin1Char('\n'), start);
        const qsizetype end = lineBreak < 0 ? Text.size() : lineBreak + 1;
        Out += QLatin1Char('"') + Escaped(QStringView(Text).mid(start, end - start)) + QLatin1String("\"\n");
        start = end;
    }
}

// The language file keeps CR LF; PO has \n alone.
QString PoLines(const QString& Value) { return ValueLines(Value).join(QLatin1Char('\n')); }

const QLatin1String KindOf(const TLocItem& Item)
{
    if (dynamic_cast<const TLocProperty*>(&Item)) return kProperty;
    if (dynamic_cast<const TLocConstant*>(&Item)) return kConstant;
    return kExternal;
}

QString SectionOf(const TLocItem& Item)
{
    if (auto p = dynamic_cast<const TLocProperty*>(&Item)) return p->Form() ? p->Form()->Name() : QString();
    if (auto c = dynamic_cast<const TLocConstant*>(&Item)) return c->ResUnit() ? c->ResUnit()->Name() : QString();
    if (auto e = dynamic_cast<const TLocExtItem*>(&Item)) return e->Group() ? e->Group()->Name() : QString();
    return {};
}

bool EndsWithBreak(const QString& Text) { return Text.endsWith(QLatin1Char('\n')); }
bool StartsWithBreak(const QString& Text) { return Text.startsWith(QLatin1Char('\n')); }

// ---------------------------------------------------------------- reading

class TPoReader {
public:
    explicit TPoReader(const QByteArray& Data) : FText(QString::fromUtf8(Data)) {}

    TPoFile Read()
    {
        TPoFile file;
        TPoEntry entry;
        bool open = false; // keywords of the entry were read
        QString* string = nullptr;
        bool obsolete = false;
        bool afterStr = false; // a msgstr was read: a msgctxt or msgid begins the next entry
        const auto finish = [&] {
            if (open && !obsolete) file.Entries << entry;
            entry = TPoEntry();
            open = false;
            obsolete = false;
            afterStr = false;
            string = nullptr;
        };
        qsizetype start = 0;
        while (start <= FText.size()) {
            qsizetype end = FText.indexOf(QLatin1Char('\n'), start);
            if (end < 0) end = FText.size();
            ++FLine;
            QStringView line = QStringView(FText).mid(start, end - start);
            start = end + 1;
            if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
            line = line.trimmed();
            if (line.isEmpty()) {
                finish();
                continue;
            }
            if (line.startsWith(QLatin1String("#~"))) { // obsolete: kept by the tools, not ours to read
                if (open && !obsolete) finish();
                obsolete = true;
                open = true;
                continue;
            }
            if (line.startsWith(QLatin1Char('#'))) {
                if (afterStr) finish(); // a comment after a msgstr starts the next entry
                if (line.startsWith(QLatin1String("#,"))) {
                    for (const QStringView flag : line.mid(2).split(QLatin1Char(',')))
                        if (flag.trimmed() == QLatin1String("fuzzy")) entry.Fuzzy = true;
                } else if (line.startsWith(QLatin1String("#."))) {
                    entry.Extracted << line.mid(2).trimmed().toString();
                }
                continue;
            }
            if (obsolete) continue;
            if (line.startsWith(QLatin1Char('"'))) {
                if (!string) Fail(QStringLiteral("a string without a keyword"));
                *string += Unescaped(line);
                continue;
            }
            const qsizetype space = line.indexOf(QLatin1Char(' '));
            const QStringView keyword = space < 0 ? line : line.left(space);
            const QStringView rest = space < 0 ? QStringView() : line.mid(space + 1).trimmed();
            if ((keyword == QLatin1String("msgctxt") || keyword == QLatin1String("msgid")) && afterStr) finish();
            if (keyword == QLatin1String("msgctxt")) {
                entry.HasContext = true;
                string = &entry.Context;
            } else if (keyword == QLatin1String("msgid")) {
                string = &entry.Id;
            } else if (keyword == QLatin1String("msgid_plural")) {
                entry.Plural = true;
                string = &FIgnored;
            } else if (keyword == QLatin1String("msgstr") || keyword == QLatin1String("msgstr[0]")) {
                string = &entry.Str;
                afterStr = true;
            } else if (keyword.startsWith(QLatin1String("msgstr["))) {
                string = &FIgnored;
                afterStr = true;
            } else {
                Fail(QStringLiteral("unknown keyword \"%1\"").arg(keyword.toString()));
            }
            string->clear();
            *string += Unescaped(rest);
            open = true;
        }
        finish();
        for (const TPoEntry& e : file.Entries) {
            if (!e.IsHeader()) continue;
            file.Header = e.Str;
            break;
        }
        const QString charset = CharsetOf(file.Header);
        if (!charset.isEmpty() && charset.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) != 0 &&
            charset.compare(QLatin1String("ASCII"), Qt::CaseInsensitive) != 0 && charset != QLatin1String("CHARSET"))
            throw EExchangeError(QStringLiteral("The PO file is written in %1; only UTF-8 is read (msgconv "
                                                "--to-code=UTF-8 converts it)")
                                     .arg(charset));
        return file;
    }

private:
    [[noreturn]] void Fail(const QString& What) const
    {
        throw EExchangeError(QStringLiteral("PO syntax error in line %1: %2").arg(FLine).arg(What));
    }

    static QString CharsetOf(const QString& Header)
    {
        TPoFile f;
        f.Header = Header;
        const QString type = f.HeaderField(QStringLiteral("Content-Type"));
        const qsizetype at = type.indexOf(QLatin1String("charset="), 0, Qt::CaseInsensitive);
        return at < 0 ? QString() : type.mid(at + 8).section(QLatin1Char(';'), 0, 0).trimmed();
    }

    // The content of one quoted string, escapes resolved.
    QString Unescaped(QStringView Quoted) const
    {
        if (Quoted.size() < 2 || !Quoted.startsWith(QLatin1Char('"')) || !Quoted.endsWith(QLatin1Char('"')))
            Fail(QStringLiteral("a string must be in double quotes"));
        const QStringView s = Quoted.mid(1, Quoted.size() - 2);
        QString out;
        out.reserve(s.size());
        for (qsizetype i = 0; i < s.size(); ++i) {
            const QChar c = s[i];
            if (c == QLatin1Char('"')) Fail(QStringLiteral("a quote inside a string must be escaped"));
            if (c != QLatin1Char('\\')) {
                out += c;
                continue;
            }
            if (++i >= s.size()) Fail(QStringLiteral("a string ends in a backslash"));
            const QChar e = s[i];
            static const QString kEscapes = QStringLiteral("abtnvfr");
            const qsizetype control = kEscapes.indexOf(e);
            if (control >= 0) {
                out += QChar(char16_t(7 + control));
            } else if (e >= QLatin1Char('0') && e <= QLatin1Char('7')) {
                uint code = 0;
                int digits = 0;
                for (; digits < 3 && i < s.size() && s[i] >= QLatin1Char('0') && s[i] <= QLatin1Char('7'); ++digits)
                    code = code * 8 + (s[i++].unicode() - '0');
                --i;
                out += QChar(char16_t(code));
            } else if (e == QLatin1Char('x')) {
                uint code = 0;
                int digits = 0;
                for (; digits < 2 && i + 1 < s.size() && s[i + 1].unicode() < 128 && isxdigit(s[i + 1].unicode());
                     ++digits)
                    code = code * 16 + QStringView(s.mid(++i, 1)).toUInt(nullptr, 16);
                if (digits == 0) Fail(QStringLiteral("\\x without hexadecimal digits"));
                out += QChar(char16_t(code));
            } else if (e == QLatin1Char('"') || e == QLatin1Char('\\') || e == QLatin1Char('\'') ||
                       e == QLatin1Char('?')) {
                out += e;
            } else {
                Fail(QStringLiteral("unknown escape \"\\%1\"").arg(e));
            }
        }
        return out;
    }

    QString FText;
    int FLine = 0;
    QString FIgnored;
};

// The items by the full names our export writes, so that an import of a
// big catalogue does not search the storage's lists for every entry; other
// spellings (dots inside a component's name) are looked up as XLIFF does.
class TNameIndex {
public:
    explicit TNameIndex(const TLocStorage& Project) : FProject(Project)
    {
        const auto add = [](QHash<QString, TLocItem*>& Index, TLocItem* Item) {
            Index.insert(Item->GetFullName(QStringLiteral(".")), Item);
        };
        for (auto& f : Project.Forms()) {
            for (auto& p : f->Properties()) add(FProperties, p.get());
            for (auto& c : f->Components())
                for (auto& p : c->Properties()) add(FProperties, p.get());
        }
        for (auto& u : Project.Units())
            for (auto& c : u->Constants()) add(FConstants, c.get());
        for (auto& g : Project.ExtGroups())
            for (auto& e : g->ExtItems()) add(FExternal, e.get());
    }

    // The item an entry names: in the section its "#." kind says, else in any.
    TLocItem* Find(const TPoEntry& Entry) const
    {
        const auto said = [&](QLatin1String Kind) {
            return std::any_of(Entry.Extracted.begin(), Entry.Extracted.end(),
                               [&](const QString& c) { return c.endsWith(Kind); });
        };
        const bool property = said(kProperty), constant = said(kConstant), external = said(kExternal);
        const bool any = !property && !constant && !external;
        const QString& name = Entry.Context;
        if (property || any)
            if (TLocItem* p = FProperties.value(name, nullptr); p || (p = FindPropertyByFullName(FProject, name)))
                return p;
        if (constant || any)
            if (TLocItem* c = FConstants.value(name, nullptr); c || (c = FindConstantByFullName(FProject, name)))
                return c;
        if (external || any)
            if (TLocItem* e = FExternal.value(name, nullptr); e || (e = FindExtItemByFullName(FProject, name)))
                return e;
        return nullptr;
    }

private:
    const TLocStorage& FProject;
    QHash<QString, TLocItem*> FProperties, FConstants, FExternal;
};

} // namespace

QString TPoFile::HeaderField(const QString& Name) const
{
    for (const QStringView line : QStringView(Header).split(QLatin1Char('\n'))) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon > 0 && line.left(colon).trimmed().compare(Name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed().toString();
    }
    return {};
}

TPoFile ParsePo(const QByteArray& Data)
{
    QByteArray data = Data;
    if (data.startsWith("\xEF\xBB\xBF")) data.remove(0, 3);
    return TPoReader(data).Read();
}

QString PoLanguageCode(int Locale)
{
    return LocaleLanguageCountryCode(Locale).replace(QLatin1Char('-'), QLatin1Char('_'));
}

int LocaleOfPoCode(const QString& Code)
{
    QString code = Code.trimmed().section(QLatin1Char('@'), 0, 0).section(QLatin1Char('.'), 0, 0);
    code.replace(QLatin1Char('_'), QLatin1Char('-'));
    return code.isEmpty() ? 0 : LocaleByLanguageCountryCode(code);
}

void ExportPo(TLangFileProject& Project, int LangIndex, const QString& FileName, const TExportOptions& Options,
              const TExchangeSelection& Selection, TProgress& Progress)
{
    const int locale = Project.Locales(LangIndex);
    QString out;
    out.reserve(1 << 20);
    const QString project = QFileInfo(Project.NativeFileName()).fileName().section(QLatin1Char('.'), 0, 0);
    out += QStringLiteral("# %1 in %2\n").arg(project, LocaleEnglishName(locale));
    out += QLatin1String("msgid \"\"\nmsgstr \"\"\n");
    const QStringList header{
        QStringLiteral("Project-Id-Version: %1").arg(project),
        QStringLiteral("PO-Revision-Date: %1")
            .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm+0000"))),
        QStringLiteral("Last-Translator: "),
        QStringLiteral("Language-Team: %1").arg(LocaleEnglishName(locale)),
        QStringLiteral("Language: %1").arg(PoLanguageCode(locale)),
        QStringLiteral("MIME-Version: 1.0"),
        QStringLiteral("Content-Type: text/plain; charset=UTF-8"),
        QStringLiteral("Content-Transfer-Encoding: 8bit"),
        QStringLiteral("X-Generator: Phrase Desk %1").arg(QStringLiteral(PHRASEDESK_VERSION)),
        QStringLiteral("X-Source-Language: %1").arg(PoLanguageCode(Project.Locales(0))),
    };
    for (const QString& field : header) out += QLatin1Char('"') + Escaped(field) + QLatin1String("\\n\"\n");

    QSet<QString> written; // msgctxt + msgid must be unique in a catalogue
    bool going = true;
    const auto entry = [&](TLocItem& Item) {
        if (!going) return;
        going = Progress.Step();
        if (!IsTextualType(Item.MainValue()->ValueType()) || !Selection.Takes(&Item) ||
            !ExportsItem(&Item, LangIndex, Options, true))
            return;
        const QString native = PoLines(Item.MainValue()->Value());
        // msgid "" with a context is legal but reads like a header to
        // some tools; an empty text has nothing to translate.
        if (native.isEmpty()) return;
        const QString context = Item.GetFullName(QStringLiteral("."));
        if (written.contains(context + QLatin1Char('\n') + native)) return;
        written.insert(context + QLatin1Char('\n') + native);

        const TLocValue* value = Item.Values().Items(LangIndex);
        const bool translated = Item.IsTranslated(LangIndex);
        const bool draft = !translated && value->FuzzyScore() > 0;
        const QString translation = translated || draft ? PoLines(value->Value()) : QString();
        // gettext refuses a translation whose ends differ from the source
        // in line breaks: such an entry goes out as a draft to look at.
        const bool breaksDiffer = !translation.isEmpty() && (EndsWithBreak(native) != EndsWithBreak(translation) ||
                                                             StartsWithBreak(native) != StartsWithBreak(translation));
        out += QLatin1Char('\n');
        if (breaksDiffer) out += QLatin1String("# The line breaks at the ends differ from the source text.\n");
        out += QStringLiteral("#. %1: %2\n").arg(SectionOf(Item), KindOf(Item));
        if (Item.Attribute(vaUntranslatable)) out += QLatin1String("#. untranslatable\n");
        if (draft || breaksDiffer) out += QLatin1String("#, fuzzy\n");
        AppendString(out, "msgctxt", context);
        AppendString(out, "msgid", native);
        AppendString(out, "msgstr", translation);
    };
    Progress.Begin(QStringLiteral("Exporting properties..."), PropertyCount(Project));
    ForEachProperty(Project, entry);
    if (going) Progress.Begin(QStringLiteral("Exporting constants..."), ConstantCount(Project));
    ForEachConstant(Project, entry);
    if (going) Progress.Begin(QStringLiteral("Exporting external items..."), ExtItemCount(Project));
    ForEachExtItem(Project, entry);
    WriteFileAtomic(FileName, out.toUtf8());
}

TImportPreview PreviewPo(const QByteArray& Data, const TLocStorage& Project)
{
    const TNameIndex names(Project);
    TImportPreview preview;
    preview.HasNames = true;
    TPreviewSections sections;
    bool any = false;
    for (const TPoEntry& entry : ParsePo(Data).Entries) {
        if (entry.IsHeader()) continue;
        any = true;
        sections.Add(names.Find(entry));
    }
    if (!any) throw EExchangeError(QStringLiteral("The PO file holds no entry"));
    sections.Fill(preview);
    return preview;
}

void ImportPo(const QByteArray& Data, TImportTarget& Target, TProgress& Progress)
{
    const TPoFile file = ParsePo(Data);
    const QString language = file.HeaderField(QStringLiteral("Language"));
    // de_DE.UTF-8@euro: the encoding and the modifier name no other language.
    if (!language.isEmpty())
        Target.CheckLanguage(language.section(QLatin1Char('@'), 0, 0).section(QLatin1Char('.'), 0, 0));
    Progress.Begin(QStringLiteral("Importing"), file.Entries.size());
    const bool native = Target.IsNative();
    const TNameIndex names(Target.Project());
    for (const TPoEntry& entry : file.Entries) {
        if (!Progress.Step()) return;
        if (entry.IsHeader()) continue;
        TLocItem* item = entry.Plural ? nullptr : names.Find(entry);
        if (!item) {
            Target.Unmatched(entry.Context);
            continue;
        }
        // An empty msgstr is no translation; a fuzzy one is a draft.
        if (entry.Str.isEmpty() || (native && !dynamic_cast<TLocExtItem*>(item))) {
            Target.Unchanged();
            continue;
        }
        Target.Apply(item, NormalizeLineBreaks(entry.Str), !native, entry.Fuzzy ? isUntranslated : isTranslation);
    }
}

} // namespace exchange
