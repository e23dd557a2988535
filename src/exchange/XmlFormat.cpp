#include "exchange/XmlFormat.h"

#include "core/UiStrings.h"

#include "exchange/ExchangeCore.h"
#include "exchange/ExchangeXml.h"
#include "langfile/LangFileProject.h"
#include "platform/AtomicFile.h"

#include <QDate>

namespace exchange {

namespace {

void AppendEscapedValue(QString& Out, const QString& Value) { AppendXmlEscaped(Out, CEscape(Value), xeMarkup); }

void OpenNamed(QString& Out, const char* Element, const QString& Name)
{
    Out += QLatin1Char('<') + QLatin1String(Element) + QLatin1String(" name=\"");
    AppendXmlAttr(Out, Name);
    Out += QLatin1String("\">");
}

void Close(QString& Out, const char* Element)
{
    Out += QLatin1String("</") + QLatin1String(Element) + QLatin1Char('>');
}

QStringList Sorted(const QSet<QString>& Set)
{
    QStringList list(Set.begin(), Set.end());
    list.sort(Qt::CaseInsensitive);
    return list;
}

} // namespace

QString CEscape(const QString& Value)
{
    QString out;
    out.reserve(Value.size());
    for (const QChar ch : Value) {
        switch (ch.unicode()) {
        case '\a':
            out += QLatin1String("\\a");
            break;
        case '\b':
            out += QLatin1String("\\b");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\v':
            out += QLatin1String("\\v");
            break;
        case '\f':
            out += QLatin1String("\\f");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        default:
            if (ch.unicode() < 32)
                out += QLatin1String("\\x") +
                       QString::number(ch.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
            else
                out += ch;
        }
    }
    return out;
}

QString CUnescape(const QString& Text)
{
    QString out;
    out.reserve(Text.size());
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const QChar ch = Text[i];
        if (ch != QLatin1Char('\\') || i + 1 == Text.size()) {
            out += ch;
            continue;
        }
        const QChar e = Text[++i];
        switch (e.unicode()) {
        case 'a':
            out += QLatin1Char('\a');
            break;
        case 'b':
            out += QLatin1Char('\b');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 'v':
            out += QLatin1Char('\v');
            break;
        case 'f':
            out += QLatin1Char('\f');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '\\':
            out += QLatin1Char('\\');
            break;
        case '"':
            out += QLatin1Char('"');
            break;
        case 'x': {
            qsizetype end = i + 1;
            while (end < Text.size() && end < i + 3 && isxdigit(Text[end].unicode() < 128 ? Text[end].toLatin1() : 0))
                ++end;
            bool ok = false;
            const uint code = Text.mid(i + 1, end - i - 1).toUInt(&ok, 16);
            if (ok) {
                out += QChar(char16_t(code));
                i = end - 1;
            } else {
                out += QLatin1Char('\\') + e;
            }
            break;
        }
        default:
            out += QLatin1Char('\\') + e;
        }
    }
    return out;
}

void ExportXml(TLangFileProject& Project, int LangIndex, const QString& FileName, const TExportOptions& Options,
               const TExchangeSelection& Selection, TProgress& Progress)
{
    const TLangFile* file = Project.LangFiles().Items(LangIndex);
    const QDate today = QDate::currentDate();
    QString out;
    out += QLatin1String("<?xml version=\"1.0\" encoding=\"utf-8\"?><langfile><head>");
    out += QStringLiteral("<locale>%1</locale>").arg(Project.Locales(LangIndex));
    out += QStringLiteral("<version>%1</version>").arg(file->Version());
    out += QStringLiteral("<date FMT=\"y.m.d\">%1.%2.%3</date>")
               .arg(today.year() % 100, 2, 10, QLatin1Char('0'))
               .arg(today.month())
               .arg(today.day());
    out += QLatin1String("<author>oxvel.com Vocabrix</author><format>");
    if (Options.IncludeID) out += QLatin1String("<id/>");
    out += QLatin1String("<name/>");
    if (Options.IncludeStringID) out += QLatin1String("<stringid/>");
    out += QLatin1String("</format></head>");

    auto writeItem = [&](const TLocItem* Item, const char* Element, const TLocConstant* Constant = nullptr) {
        if (!ExportsItem(Item, LangIndex, Options, true)) return;
        out += QLatin1Char('<') + QLatin1String(Element) + QLatin1String(" name=\"");
        AppendXmlAttr(out, Item->Name());
        out += QLatin1Char('"');
        if (Options.IncludeID) out += QStringLiteral(" id=\"%1\"").arg(Item->ID());
        if (Constant && Options.IncludeStringID) out += QStringLiteral(" stringid=\"%1\"").arg(Constant->StringID());
        out += QLatin1Char('>');
        AppendEscapedValue(out, Item->Values().Items(LangIndex)->Value());
        Close(out, Element);
    };

    bool complete = true;
    out += QLatin1String("<properties>");
    Progress.Begin(QStringLiteral("Exporting properties..."), Project.Forms().Count());
    for (auto& form : Project.Forms()) {
        if (!(complete = Progress.Step())) break;
        if (!Selection.HasForm(form->Name())) continue;
        OpenNamed(out, "form", form->Name());
        for (auto& p : form->Properties()) writeItem(p.get(), "prop");
        for (auto& comp : form->Components()) {
            if (comp->Name().isEmpty()) continue;
            OpenNamed(out, "component", comp->Name());
            for (auto& p : comp->Properties()) writeItem(p.get(), "prop");
            Close(out, "component");
        }
        Close(out, "form");
    }
    out += QLatin1String("</properties><constants>");
    if (complete) {
        Progress.Begin(QStringLiteral("Exporting constants..."), Project.Units().Count());
        for (auto& unit : Project.Units()) {
            if (!(complete = Progress.Step())) break;
            if (!Selection.HasUnit(unit->Name())) continue;
            OpenNamed(out, "unit", unit->Name());
            for (auto& c : unit->Constants()) writeItem(c.get(), "const", c.get());
            Close(out, "unit");
        }
    }
    out += QLatin1String("</constants><external>");
    if (complete) {
        Progress.Begin(QStringLiteral("Exporting external items..."), Project.ExtGroups().Count());
        for (auto& group : Project.ExtGroups()) {
            if (!Progress.Step()) break;
            if (!Selection.HasGroup(group->Name())) continue;
            OpenNamed(out, "extgroup", group->Name());
            for (auto& e : group->ExtItems()) writeItem(e.get(), "extitem");
            Close(out, "extgroup");
        }
    }
    out += QLatin1String("</external></langfile>\r\n");
    WriteFileAtomic(FileName, QByteArray("\xEF\xBB\xBF") + out.toUtf8());
}

TImportPreview PreviewXml(const QByteArray& Data, bool Native)
{
    TXmlReader r(Data);
    TImportPreview preview;
    bool sections[3] = {false, false, false};
    QSet<QString> names[3];
    int section = -1;
    bool inFormat = false;
    while (r.NextStart()) {
        const int d = r.Depth();
        if (d == 2) {
            section = r.Is("properties") ? 0 : r.Is("constants") ? 1 : r.Is("external") ? 2 : -1;
            if (section >= 0) sections[section] = true;
            inFormat = false;
            if (section < 0 && !r.Is("head")) r.Skip();
        } else if (d == 3 && section < 0) {
            inFormat = r.Is("format");
            if (!inFormat) r.Skip();
        } else if (d == 4 && inFormat) {
            if (r.Is("id")) preview.HasIDs = true;
            if (r.Is("name")) preview.HasNames = true;
            r.Skip();
        } else if (d == 3 && section >= 0) {
            const QString name = r.Attr("name");
            if (!name.isEmpty()) names[section].insert(name);
            r.Skip();
        }
    }
    if (!sections[2] || (!Native && (!sections[0] || !sections[1]))) throw EExchangeError(UiString(usNoExportSections));
    if (!preview.HasIDs && !preview.HasNames) throw EExchangeError(UiString(usNoIdsNorNames));
    preview.Forms = Sorted(names[0]);
    preview.Units = Sorted(names[1]);
    preview.Groups = Sorted(names[2]);
    if (preview.Groups.isEmpty() && (Native || (preview.Forms.isEmpty() && preview.Units.isEmpty())))
        throw EExchangeError(UiString(usNoFormUnitGroup));
    return preview;
}

void ImportXml(const QByteArray& Data, TImportTarget& Target, TProgress& Progress)
{
    const bool native = Target.IsNative();
    const TImportPreview preview = PreviewXml(Data, native);
    const TExchangeSelection& selection = Target.Selection();
    const bool byIDs = Target.Options().SyncBy == sbIDs && preview.HasIDs;
    qsizetype max = 0;
    if (!native) {
        for (const QString& f : preview.Forms) max += selection.HasForm(f);
        for (const QString& u : preview.Units) max += selection.HasUnit(u);
    }
    for (const QString& g : preview.Groups) max += selection.HasGroup(g);
    Progress.Begin(QStringLiteral("Importing"), max);

    const TLangFileProject& project = Target.Project();
    TXmlReader r(Data);
    enum { sNone, sProps, sConsts, sExt } section = sNone;
    QString folder, comp;
    auto id = [&]() { return r.Attr("id").toInt(); };
    auto value = [&]() { return NormalizeLineBreaks(CUnescape(r.ReadText())); };
    while (r.NextStart()) {
        const int d = r.Depth();
        if (d == 1) continue;
        if (d == 2) {
            section = r.Is("properties") ? sProps : r.Is("constants") ? sConsts : r.Is("external") ? sExt : sNone;
            if (section == sNone || (native && section != sExt)) r.Skip();
            continue;
        }
        if (d == 3) {
            folder = r.Attr("name");
            const bool taken = section == sProps    ? r.Is("form") && selection.HasForm(folder)
                               : section == sConsts ? r.Is("unit") && selection.HasUnit(folder)
                                                    : r.Is("extgroup") && selection.HasGroup(folder);
            if (!taken) {
                r.Skip();
                continue;
            }
            if (!Progress.Step()) return;
            continue;
        }
        if (section == sProps && d == 4 && !r.Is("prop")) {
            comp = r.Attr("name");
            continue;
        }
        const bool itemDepth = section == sProps ? (d == 4 || d == 5) : d == 4;
        const char* element = section == sProps ? "prop" : section == sConsts ? "const" : "extitem";
        if (!itemDepth || !r.Is(element)) {
            r.Skip();
            continue;
        }
        const QString name = r.Attr("name");
        const int32_t itemID = id();
        TLocItem* item = nullptr;
        switch (section) {
        case sProps:
            item = byIDs ? static_cast<TLocItem*>(Target.PropertyByID(itemID))
                         : project.FindProperty(folder, d == 4 ? QString() : comp, name);
            break;
        case sConsts:
            item = byIDs ? static_cast<TLocItem*>(Target.ConstantByID(itemID)) : project.FindConstant(folder, name);
            break;
        default:
            item = byIDs ? static_cast<TLocItem*>(Target.ExtItemByID(itemID)) : project.FindExtItem(folder, name);
        }
        Target.Apply(item, value(), false);
    }
}

} // namespace exchange
