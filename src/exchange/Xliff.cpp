#include "exchange/Xliff.h"

#include "core/UiStrings.h"

#include "exchange/ExchangeCore.h"
#include "exchange/ExchangeXml.h"
#include "langfile/LangFileProject.h"
#include "platform/AtomicFile.h"
#include "storage/Locales.h"

namespace exchange {

namespace {

// Our own attributes (the item identifier) live in a namespace of their own,
// which other tools ignore.
const char* const kOwnNamespace = "urn:oxvel:phrasedesk:xliff";

// The file element's "original" names the section and the form, unit or group.
const QLatin1String kForms("forms/");
const QLatin1String kUnits("units/");
const QLatin1String kExternal("external/");

enum TSection { xsUnknown, xsForms, xsUnits, xsExternal };

QString LanguageCode(int Locale)
{
    try {
        return LocaleLanguageCountryCode(Locale);
    } catch (const ELocalesError&) {
        return QStringLiteral("x-%1").arg(Locale, 4, 16, QLatin1Char('0'));
    }
}

// Element content: characters XML cannot hold become the standard <cp/>.
void AppendContent(QString& Out, const QString& Text)
{
    for (qsizetype i = 0; i < Text.size();) {
        int length = 1;
        if (IsXmlChar(Text, i, length)) {
            AppendXmlText(Out, QStringView(Text).mid(i, length));
        } else {
            const QString hex = QString::number(Text[i].unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
            Out += QLatin1String("<cp hex=\"") + hex + QLatin1String("\"/>");
        }
        i += length;
    }
}

const char* StateName(const TLocItem* Item, int LangIndex, bool Version2)
{
    const TLocValue* v = Item->Values().Items(LangIndex);
    if (!Item->IsTranslated(LangIndex)) return Version2 ? "initial" : "needs-translation";
    if (v->Attribute(vaVerified)) return Version2 ? "final" : "signed-off";
    return "translated";
}

TImportState StateOf(const QString& State)
{
    static const char* const verified[] = {"final", "signed-off", "reviewed"};
    static const char* const untranslated[] = {"initial", "new", "needs-translation", "needs-l10n", "needs-adaptation"};
    if (State.isEmpty()) return isValue;
    for (const char* s : verified)
        if (State == QLatin1String(s)) return isVerified;
    for (const char* s : untranslated)
        if (State == QLatin1String(s)) return isUntranslated;
    return isTranslated;
}

TSection SectionOf(const QString& Original)
{
    if (Original.startsWith(kForms)) return xsForms;
    if (Original.startsWith(kUnits)) return xsUnits;
    if (Original.startsWith(kExternal)) return xsExternal;
    return xsUnknown;
}

TLocItem* FindByName(const TLocStorage& Project, TSection Section, const QString& FullName)
{
    switch (Section) {
    case xsForms:
        return FindPropertyByFullName(Project, FullName);
    case xsUnits:
        return FindConstantByFullName(Project, FullName);
    case xsExternal:
        return FindExtItemByFullName(Project, FullName);
    default:
        break;
    }
    if (TLocItem* p = FindPropertyByFullName(Project, FullName)) return p;
    if (TLocItem* c = FindConstantByFullName(Project, FullName)) return c;
    return FindExtItemByFullName(Project, FullName);
}

// One unit read from the file.
struct TUnit {
    TSection Section = xsUnknown;
    QString Name;
    QString OwnID;
    bool Translate = true;
    bool HasTarget = false;
    QString Target;
    QString State;
};

// Walks every unit of a document of either version.
template <class Fn> void ForEachUnit(const QByteArray& Data, Fn&& Fn_)
{
    TXmlReader r(Data);
    TSection section = xsUnknown;
    TUnit unit;
    int unitDepth = 0;
    auto flush = [&]() {
        if (unitDepth) Fn_(unit);
        unitDepth = 0;
    };
    while (r.NextStart()) {
        const int d = r.Depth();
        if (unitDepth && d <= unitDepth) flush();
        if (!unitDepth) {
            if (r.Is("file")) {
                section = SectionOf(r.Attr("original"));
            } else if (r.Is("trans-unit") || r.Is("unit")) {
                unit = TUnit();
                unit.Section = section;
                unit.Name = r.HasAttr("resname") ? r.Attr("resname")
                            : r.HasAttr("name")  ? r.Attr("name")
                                                 : r.Attr("id");
                unit.OwnID = r.AttrNS(kOwnNamespace, "id");
                unit.Translate = r.Attr("translate") != QLatin1String("no");
                unitDepth = d;
            }
            continue;
        }
        if (r.Is("target") && (d == unitDepth + 1 || d == unitDepth + 2)) {
            if (unit.State.isEmpty()) unit.State = r.Attr("state");
            unit.HasTarget = true;
            unit.Target += r.ReadText();
        } else if (d == unitDepth + 1 && (r.Is("segment") || r.Is("ignorable"))) {
            if (r.Is("segment") && unit.State.isEmpty()) unit.State = r.Attr("state");
        } else {
            r.Skip();
        }
    }
    flush();
}

} // namespace

void ExportXliff(TLangFileProject& Project, int LangIndex, const QString& FileName, bool Version2,
                 const TExportOptions& Options, const TExchangeSelection& Selection, TProgress& Progress)
{
    const QString source = LanguageCode(Project.Locales(0));
    const QString target = LanguageCode(Project.Locales(LangIndex));
    QString out;
    out.reserve(1 << 20);
    out += QLatin1String("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    if (Version2)
        out += QStringLiteral("<xliff xmlns=\"urn:oasis:names:tc:xliff:document:2.0\" xmlns:pd=\"%1\" version=\"2.0\" "
                              "srcLang=\"%2\" trgLang=\"%3\">\n")
                   .arg(QLatin1String(kOwnNamespace), source, target);
    else
        out += QStringLiteral("<xliff xmlns=\"urn:oasis:names:tc:xliff:document:1.2\" xmlns:pd=\"%1\" "
                              "version=\"1.2\">\n")
                   .arg(QLatin1String(kOwnNamespace));

    int fileNumber = 0;
    // One file element per form, unit or group with at least one exported item.
    auto writeFile = [&](const QString& Original, const std::vector<const TLocItem*>& Items) {
        std::vector<const TLocItem*> taken;
        for (const TLocItem* item : Items)
            if (ExportsItem(item, LangIndex, Options, true)) taken.push_back(item);
        if (taken.empty()) return;
        if (Version2) {
            out += QStringLiteral("<file id=\"f%1\" original=\"").arg(++fileNumber);
            AppendXmlAttr(out, Original);
            out += QLatin1String("\">\n");
        } else {
            out += QLatin1String("<file original=\"");
            AppendXmlAttr(out, Original);
            out += QStringLiteral("\" datatype=\"plaintext\" source-language=\"%1\" target-language=\"%2\"><body>\n")
                       .arg(source, target);
        }
        for (const TLocItem* item : taken) {
            const QString name = item->GetFullName(QStringLiteral("."));
            out += Version2 ? QLatin1String("<unit id=\"") : QLatin1String("<trans-unit id=\"");
            AppendXmlAttr(out, name);
            out += Version2 ? QLatin1String("\" name=\"") : QLatin1String("\" resname=\"");
            AppendXmlAttr(out, name);
            out += QStringLiteral("\" pd:id=\"%1\" xml:space=\"preserve\"").arg(item->ID());
            if (item->Attribute(vaUntranslatable)) out += QLatin1String(" translate=\"no\"");
            out += QLatin1Char('>');
            const char* state = StateName(item, LangIndex, Version2);
            if (Version2) out += QStringLiteral("<segment state=\"%1\">").arg(QLatin1String(state));
            out += QLatin1String("<source>");
            AppendContent(out, item->MainValue()->Value());
            out += Version2 ? QStringLiteral("</source><target>")
                            : QStringLiteral("</source><target state=\"%1\">").arg(QLatin1String(state));
            AppendContent(out, item->Values().Items(LangIndex)->Value());
            out += Version2 ? QLatin1String("</target></segment></unit>\n") : QLatin1String("</target></trans-unit>\n");
        }
        out += Version2 ? QLatin1String("</file>\n") : QLatin1String("</body></file>\n");
    };

    bool complete = true;
    std::vector<const TLocItem*> items;
    Progress.Begin(QStringLiteral("Exporting properties..."), Project.Forms().Count());
    for (auto& form : Project.Forms()) {
        if (!(complete = Progress.Step())) break;
        if (!Selection.HasForm(form->Name())) continue;
        items.clear();
        for (auto& p : form->Properties()) items.push_back(p.get());
        for (auto& comp : form->Components())
            for (auto& p : comp->Properties()) items.push_back(p.get());
        writeFile(kForms + form->Name(), items);
    }
    if (complete) {
        Progress.Begin(QStringLiteral("Exporting constants..."), Project.Units().Count());
        for (auto& unit : Project.Units()) {
            if (!(complete = Progress.Step())) break;
            if (!Selection.HasUnit(unit->Name())) continue;
            items.clear();
            for (auto& c : unit->Constants()) items.push_back(c.get());
            writeFile(kUnits + unit->Name(), items);
        }
    }
    if (complete) {
        Progress.Begin(QStringLiteral("Exporting external items..."), Project.ExtGroups().Count());
        for (auto& group : Project.ExtGroups()) {
            if (!Progress.Step()) break;
            if (!Selection.HasGroup(group->Name())) continue;
            items.clear();
            for (auto& e : group->ExtItems()) items.push_back(e.get());
            writeFile(kExternal + group->Name(), items);
        }
    }
    out += QLatin1String("</xliff>\n");
    WriteFileAtomic(FileName, out.toUtf8());
}

TImportPreview PreviewXliff(const QByteArray& Data, const TLocStorage& Project)
{
    TImportPreview preview;
    preview.HasNames = true;
    QSet<QString> forms, units, groups;
    bool any = false;
    ForEachUnit(Data, [&](const TUnit& unit) {
        any = true;
        if (!unit.OwnID.isEmpty()) preview.HasIDs = true;
        const TLocItem* item = FindByName(Project, unit.Section, unit.Name);
        if (auto p = dynamic_cast<const TLocProperty*>(item)) forms.insert(p->Form()->Name());
        if (auto c = dynamic_cast<const TLocConstant*>(item)) units.insert(c->ResUnit()->Name());
        if (auto e = dynamic_cast<const TLocExtItem*>(item)) groups.insert(e->Group()->Name());
    });
    if (!any) throw EExchangeError(UiString(usNoTranslationUnit));
    auto sorted = [](const QSet<QString>& set) {
        QStringList list(set.begin(), set.end());
        list.sort(Qt::CaseInsensitive);
        return list;
    };
    preview.Forms = sorted(forms);
    preview.Units = sorted(units);
    preview.Groups = sorted(groups);
    return preview;
}

void ImportXliff(const QByteArray& Data, TImportTarget& Target, TProgress& Progress)
{
    // The maximum counts the units' start tags: a second parse of a big file
    // would cost as much as the import itself.
    Progress.Begin(QStringLiteral("Importing"), Data.count("<trans-unit") + Data.count("<unit"));
    const TLocStorage& project = Target.Project();
    const bool native = Target.IsNative();
    bool cancelled = false;
    ForEachUnit(Data, [&](const TUnit& unit) {
        if (cancelled) return;
        if (!Progress.Step()) {
            cancelled = true;
            return;
        }
        if (!unit.Translate || !unit.HasTarget) return;
        TLocItem* item = nullptr;
        bool ok = false;
        const int32_t id = unit.OwnID.toInt(&ok);
        if (Target.Options().SyncBy == sbIDs && ok) {
            switch (unit.Section) {
            case xsForms:
                item = Target.PropertyByID(id);
                break;
            case xsUnits:
                item = Target.ConstantByID(id);
                break;
            case xsExternal:
                item = Target.ExtItemByID(id);
                break;
            default:
                break;
            }
        } else {
            item = FindByName(project, unit.Section, unit.Name);
        }
        if (native && !dynamic_cast<TLocExtItem*>(item)) return;
        Target.Apply(item, NormalizeLineBreaks(unit.Target), !native, StateOf(unit.State));
    });
}

} // namespace exchange
