#include "resources/ProjectExtractor.h"

#include "core/UiStrings.h"

#include "core/DateTime.h"
#include "langfile/LangCreation.h"
#include "langfile/LangFile.h"
#include "platform/FileLock.h"
#include "resources/DllBuilder.h"
#include "resources/FormProcessor.h"
#include "resources/ResProcessor.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

const QString kUnnamedStringsUnit = QStringLiteral("RC");

namespace {

// What a translator sees by default: texts only, and never names, component
// references, event handlers or data bindings (those are identifiers or
// plain strings of properties not listed here).
const char* const kTextProperties[] = {
    "Caption", "Hint",  "Text",  "Title", "TextHint", "SimpleText", "DisplayLabel", "EditMask",
    "Filter",  "Items", "Lines", "Tabs",  "Category", "Strings",    "Prompt",       "Description",
};

// A dataset's Filter is an expression, not a text for the user.
const char* const kDataSetClasses[] = {"TTable",    "TQuery",   "TClientDataSet", "TADOTable",
                                       "TADOQuery", "TFDTable", "TFDQuery",       "TFDMemTable"};

// Translated texts often need wider controls: with the layout option the
// translator may change these too.
const char* const kLayoutProperties[] = {"Left",         "Top",       "Width",     "Height",      "ClientWidth",
                                         "ClientHeight", "Font.Name", "Font.Size", "Font.Height", "Font.Charset"};

bool IsTextual(TLocValueType Type) { return Type == ptString || Type == ptStringList; }

// The types a language file holds.
bool IsStored(TLocValueType Type) { return IsTextual(Type) || Type == ptInteger || Type == ptFloat; }

bool MatchesProperty(const QString& Rule, QString Name)
{
    if (Name.endsWith(QLatin1String(".Strings"), Qt::CaseInsensitive)) Name.chop(8);
    if (Name.compare(Rule, Qt::CaseInsensitive) == 0) return true;
    return Name.size() > Rule.size() && Name.endsWith(Rule, Qt::CaseInsensitive) &&
           Name[Name.size() - Rule.size() - 1] == QLatin1Char('.');
}

bool HasLetter(const QString& Text)
{
    for (QChar c : Text)
        if (c.isLetter()) return true;
    return false;
}

} // namespace

// ---------------------------------------------------------- TTranslatableRules

TTranslatableRules::TTranslatableRules(bool Layout)
{
    for (const char* name : kTextProperties) FRules.push_back({"*", QString::fromLatin1(name), true, true});
    for (const char* cls : kDataSetClasses) FRules.push_back({QString::fromLatin1(cls), "Filter", false, false});
    if (Layout)
        for (const char* name : kLayoutProperties) FRules.push_back({"*", QString::fromLatin1(name), true, false});
}

void TTranslatableRules::AddRule(const QString& Rule)
{
    const QString text = Rule.trimmed();
    static const QRegularExpression kForm(QStringLiteral("^([+-])\\s*(\\*|[A-Za-z_][A-Za-z0-9_]*)"
                                                         "(?:\\.([A-Za-z_][A-Za-z0-9_]*(?:\\[\\d+\\])?"
                                                         "(?:\\.[A-Za-z_][A-Za-z0-9_]*)*))?$"));
    const QRegularExpressionMatch m = kForm.match(text);
    if (!m.hasMatch()) throw EProjectExtractError(UiString(usInvalidRule, {text}));
    const bool include = m.captured(1) == QLatin1String("+");
    if (include && m.captured(3).isEmpty()) throw EProjectExtractError(UiString(usInvalidAddingRule, {text}));
    FRules.push_back({m.captured(2), m.captured(3), include, false});
}

void TTranslatableRules::LoadFromFile(const QString& FileName)
{
    QByteArray data;
    try {
        data = ReadWholeFile(FileName);
    } catch (const EVocabrixError& e) {
        throw EProjectExtractError(UiString(usCannotReadRules, {FileName, e.Message()}));
    }
    const QStringList lines = QString::fromUtf8(data).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        try {
            AddRule(line);
        } catch (const EProjectExtractError& e) {
            throw EProjectExtractError(UiString(usRulesFileLine, {FileName, QString::number(i + 1), e.Message()}));
        }
    }
}

bool TTranslatableRules::IsTranslatable(const QString& ClassName, const QString& PropertyName, TLocValueType Type) const
{
    if (!IsStored(Type)) return false;
    bool take = false;
    for (const TRule& rule : FRules) {
        if (rule.Class != QLatin1String("*") && rule.Class.compare(ClassName, Qt::CaseInsensitive) != 0) continue;
        if (!rule.Property.isEmpty() && !MatchesProperty(rule.Property, PropertyName)) continue;
        if (rule.TextOnly && !IsTextual(Type)) continue;
        take = rule.Include;
    }
    return take;
}

// ---------------------------------------------------------- definitions file

QHash<int, TStringName> ReadDrcFile(const QString& FileName)
{
    QByteArray data;
    try {
        data = ReadWholeFile(FileName);
    } catch (const EVocabrixError& e) {
        throw EProjectExtractError(UiString(usCannotReadDefinitions, {FileName, e.Message()}));
    }
    static const QRegularExpression kComment(QStringLiteral("^/\\*\\s*(\\S+)\\.([^.\\s]+)\\s*\\*/$"));
    static const QRegularExpression kDefine(QStringLiteral("^#define\\s+(\\S+)\\s+(\\S+)$"));
    QHash<int, TStringName> names;
    TStringName commented;
    const QStringList lines = QString::fromLatin1(data).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (const QRegularExpressionMatch c = kComment.match(line); c.hasMatch()) {
            commented = {c.captured(1), c.captured(2)};
            continue;
        }
        const QRegularExpressionMatch d = kDefine.match(line);
        if (!d.hasMatch()) continue;
        bool ok = false;
        const int id = d.captured(2).toInt(&ok);
        if (!ok || id < 0 || id > 0xFFFF)
            throw EProjectExtractError(
                QStringLiteral("Definitions file \"%1\", line %2: \"%3\" is not a string identifier")
                    .arg(FileName)
                    .arg(i + 1)
                    .arg(d.captured(2)));
        const QString define = d.captured(1);
        TStringName name = commented;
        // The comment belongs to this define when the define spells it with
        // "_" for "."; otherwise the define's name is all there is.
        if (name.Unit.isEmpty() ||
            define != QString(name.Unit + QLatin1Char('.') + name.Name).replace(QLatin1Char('.'), QLatin1Char('_'))) {
            const qsizetype cut = define.lastIndexOf(QLatin1Char('_'));
            name =
                cut > 0 ? TStringName{define.left(cut), define.mid(cut + 1)} : TStringName{kUnnamedStringsUnit, define};
        }
        commented = {};
        if (!names.contains(id)) names.insert(id, name);
    }
    return names;
}

// ---------------------------------------------------------- extraction

QString TExtractSummary::Text() const
{
    return UiString(usExtractSummary, {QString::number(Added), QString::number(Changed), QString::number(Removed),
                                       QString::number(Unchanged)});
}

uint16_t ExecutableLocale(const TResProcessor& RP)
{
    const TResRCData* rcdata = RP.RCData();
    const TResRCDataItem* item = rcdata ? rcdata->ItemByName(kLibSettingsName) : nullptr;
    TSettingsRecord record;
    if (item && ReadSettingsRecord(item->Buffer(), record) && record.Locale != 0) return record.Locale;
    return 0x0409;
}

namespace {

// Merges what the executable holds into the storage: every item met is marked
// used, and the unused ones are removed at the end.
class TMerge {
public:
    TMerge(TLocStorage& S, int32_t NewVersion, TExtractSummary& Summary)
        : S(S), FVersion(NewVersion), FSummary(Summary), FNow(DateTime::Now())
    {
        S.Forms().MarkAll(false);
        S.Units().MarkAll(false);
        for (const auto& unit : S.Units())
            for (const auto& c : unit->Constants())
                if (!FByStringID.contains(c->StringID())) FByStringID.insert(c->StringID(), c.get());
    }

    TLocComponent* Holder(const QString& FormName, const QString& ComponentName)
    {
        TLocForm* form = S.Forms().Add(FormName);
        form->SetUsed(true);
        if (ComponentName.isEmpty()) return form;
        TLocComponent* component = form->Components().Add(ComponentName);
        component->SetUsed(true);
        return component;
    }

    void Property(TLocComponent* Holder, const TFormProperty& P)
    {
        TLocProperty* prop = Holder->Properties().FindByName(P.Name);
        // A name met twice in one component (a stream may repeat it) is
        // looked up once by the translation: the first value stands.
        if (prop && prop->Used()) return;
        if (!prop) return Take(Holder->Properties().Add(-1, P.Name, P.Type), P.Value, true, false);
        const bool typeChanged = prop->PropertyType() != P.Type;
        if (typeChanged) prop->SetPropertyType(P.Type);
        Take(prop, P.Value, false, typeChanged);
    }

    void Constant(const QString& Unit, const QString& Name, int StringID, bool Named, const QString& Value)
    {
        TLocConstant* c = S.FindConstant(Unit, Name);
        // Without names a string is known by its identifier only: an item of
        // an earlier extraction with names keeps them.
        if (!c && !Named) {
            c = FByStringID.value(StringID);
            if (c && c->Used()) c = nullptr;
        }
        if (c && c->Used()) return;
        const bool isNew = !c;
        if (isNew) c = S.Units().Add(Unit)->Constants().Add(-1, Name, StringID);
        c->ResUnit()->SetUsed(true);
        c->SetStringID(StringID);
        Take(c, Value, isNew, false);
    }

    void KeepComponent(const QString& FormName, const QString& ComponentName) { Holder(FormName, ComponentName); }

    void RemoveUnused()
    {
        auto eraseUnused = [&](auto& list) {
            for (int i = list.Count() - 1; i >= 0; --i)
                if (!list.Items(i)->Used()) {
                    list.Erase(i);
                    ++FSummary.Removed;
                }
        };
        for (int f = S.Forms().Count() - 1; f >= 0; --f) {
            TLocForm* form = S.Forms().Items(f);
            // A form the project marks as created at run time is in no
            // executable: it stays.
            if (!form->Used() && form->Attribute(faRuntimeForm)) continue;
            if (!form->Used()) {
                FSummary.Removed += form->TotalPropCount();
                S.Forms().Erase(f);
                continue;
            }
            eraseUnused(form->Properties());
            for (int c = form->Components().Count() - 1; c >= 0; --c) {
                TLocComponent* component = form->Components().Items(c);
                if (component->Used()) {
                    eraseUnused(component->Properties());
                } else {
                    FSummary.Removed += component->Properties().Count();
                    form->Components().Erase(c);
                }
            }
        }
        for (int u = S.Units().Count() - 1; u >= 0; --u) {
            TLocUnit* unit = S.Units().Items(u);
            eraseUnused(unit->Constants());
            if (unit->Constants().Count() == 0) S.Units().Erase(u);
        }
    }

    // A form whose resource cannot be read stays as the project has it.
    void KeepFormOfResource(const QString& ResourceName)
    {
        for (const auto& form : S.Forms()) {
            const QString upper = form->Name().toUpper();
            if (ResourceName.compare(QLatin1Char('T') + upper, Qt::CaseInsensitive) == 0 ||
                ResourceName.compare(QStringLiteral("TME") + upper, Qt::CaseInsensitive) == 0)
                form->Mark(true);
        }
    }

private:
    void Take(TLocItem* Item, const QString& Value, bool IsNewItem, bool TypeChanged)
    {
        Item->SetUsed(true);
        TLocValue* v = Item->MainValue();
        const bool textual = IsTextual(Item->Values().ValueType());
        if (IsNewItem) {
            v->SetValue(Value);
            v->SetValueVersion(FVersion);
            v->SetModified(FNow);
            if (textual && !HasLetter(Value)) Item->SetAttribute(vaUntranslatable, true);
            ++FSummary.Added;
            return;
        }
        if (!TypeChanged && v->Value() == Value) {
            ++FSummary.Unchanged;
            return;
        }
        // The rule that marks texts without letters follows the text; a mark
        // the translator set on a text with letters stays.
        if (textual && !HasLetter(Value))
            Item->SetAttribute(vaUntranslatable, true);
        else if (textual && !HasLetter(v->Value()))
            Item->SetAttribute(vaUntranslatable, false);
        v->SetValue(Value);
        v->SetValueVersion(v->ValueVersion() + 1);
        v->SetModified(FNow);
        ++FSummary.Changed;
    }

    TLocStorage& S;
    QHash<int, TLocConstant*> FByStringID; // the project's constants before the merge
    int32_t FVersion;
    TExtractSummary& FSummary;
    double FNow;
};

} // namespace

TExtractSummary ExtractResources(const TResProcessor& RP, const TExtractOptions& Options, TLocStorage& Storage,
                                 int32_t NewVersion)
{
    TTranslatableRules rules(Options.Layout);
    if (!Options.RulesFile.isEmpty()) rules.LoadFromFile(Options.RulesFile);
    const QHash<int, TStringName> names =
        Options.DrcFile.isEmpty() ? QHash<int, TStringName>() : ReadDrcFile(Options.DrcFile);

    TExtractSummary summary;
    TMerge merge(Storage, NewVersion, summary);
    bool found = false;

    if (const TResRCData* rcdata = RP.RCData()) {
        for (int i = 0; i < rcdata->Count(); ++i) {
            const TResRCDataItem* item = rcdata->Items(i);
            if (!item->Buffer().startsWith("TPF0")) continue;
            found = true;
            // Read the whole form first: a damaged one leaves no trace.
            std::vector<TFormProperty> props;
            QStringList charsetComponents;
            QString formName;
            try {
                formName = TLocFormProcessor::ReadFormProperties(
                    item->Buffer(), Storage.MainLangID(), [&](const TFormProperty& p) {
                        if (rules.IsTranslatable(p.ClassName, p.Name, p.Type))
                            props.push_back(p);
                        else if (p.Name.contains(QLatin1String(".Charset"), Qt::CaseInsensitive))
                            charsetComponents << p.ComponentName;
                    });
            } catch (const EVocabrixError& e) {
                summary.Warnings << UiString(
                    usFormResourceSkipped,
                    {item->Name(), QString(e.Message()).replace(QLatin1String("\r\n"), QLatin1String(" "))});
                merge.KeepFormOfResource(item->Name());
                continue;
            }
            // DLL building finds a form's resource by its name: a resource it
            // would not find (or would find another one for) cannot be translated.
            const QString upper = formName.toUpper();
            const TResRCDataItem* lookedUp = rcdata->ItemByName(QLatin1Char('T') + upper);
            if (!lookedUp) lookedUp = rcdata->ItemByName(QStringLiteral("TME") + upper);
            if (formName.isEmpty() || lookedUp != item) {
                summary.Warnings << QStringLiteral("The form resource %1 holds the form \"%2\", which is not found "
                                                   "under that name; it was skipped")
                                        .arg(item->Name(), formName);
                continue;
            }
            // The font character set of a component is adapted only when the
            // project knows the component.
            for (const QString& component : charsetComponents)
                if (!component.isEmpty()) merge.KeepComponent(formName, component);
            for (const TFormProperty& p : props) merge.Property(merge.Holder(formName, p.ComponentName), p);
        }
    }

    if (const TResString* strings = RP.Strings()) {
        struct TString {
            TStringName Name;
            bool Named;
            const TResStringItem* Item;
        };
        std::vector<TString> list;
        list.reserve(size_t(strings->Count()));
        for (int i = 0; i < strings->Count(); ++i) {
            const TResStringItem* item = strings->Items(i);
            const auto name = names.constFind(item->Id());
            if (name != names.constEnd())
                list.push_back({*name, true, item});
            else
                list.push_back({{kUnnamedStringsUnit, QString::number(item->Id())}, false, item});
        }
        found = found || !list.empty();
        // In the order of the constant lists, so that each one is added at the end.
        std::sort(list.begin(), list.end(), [](const TString& a, const TString& b) {
            return std::make_pair(a.Name.Unit, a.Name.Name) < std::make_pair(b.Name.Unit, b.Name.Name);
        });
        for (const TString& s : list) merge.Constant(s.Name.Unit, s.Name.Name, s.Item->Id(), s.Named, s.Item->Data());
    }
    if (!found) throw EProjectExtractError(UiString(usNoFormsNoStrings));
    merge.RemoveUnused();
    return summary;
}

TExtractSummary ExtractProject(const QString& PEFileName, const QString& NativeFileName, const TExtractOptions& Options)
{
    TResProcessor rp;
    try {
        rp.LoadPEFile(PEFileName);
    } catch (const EVocabrixError& e) {
        throw EProjectExtractError(UiString(usExecutableUnreadable, {PEFileName, e.Message()}));
    }

    const bool update = QFileInfo::exists(NativeFileName);
    TLangFile file(NativeFileName, false);
    TLocStorage storage;
    if (update) {
        if (!file.IsNative()) throw EProjectExtractError(UiString(usNotNativeLanguageFile, {NativeFileName}));
        file.Load(&storage, -1, 0);
    } else {
        const TNewLanguage language = NewLanguageOfLocale(ExecutableLocale(rp));
        storage.SetMainLangID(language.Locale);
        file.SetLocale(language.Locale);
        file.SetLangEnglishName(language.EnglishName);
        file.SetLangLocalizedName(language.LocalizedName);
        file.SetIsNative(true);
        file.SetVersion(0);
    }

    TExtractSummary summary;
    try {
        summary = ExtractResources(rp, Options, storage, file.Version() + 1);
    } catch (const EProjectExtractError& e) {
        throw EProjectExtractError(QStringLiteral("\"%1\": %2").arg(PEFileName, e.Message()));
    }
    if (!update || summary.Added || summary.Changed || summary.Removed) file.SetVersion(file.Version() + 1);
    file.SetPropertyMaxID(std::max(file.PropertyMaxID(), storage.MaxPropID()));
    file.SetConstMaxID(std::max(file.ConstMaxID(), storage.MaxConstID()));
    file.Save(&storage, 0, false);
    return summary;
}
