#include "core/UiStrings.h"
#include "exchange/ExchangeCore.h"
#include "exchange/ExchangeXml.h"
#include "exchange/SourceImports.h"
#include "langfile/LangFileProject.h"
#include "storage/Locales.h"

namespace exchange {

namespace {

const QLatin1String kFormsMark(".Forms.T");
const QLatin1String kStringsMark(".Strings.");

QString LangOf(const TXmlReader& r) { return r.HasAttr("xml:lang") ? r.Attr("xml:lang") : r.Attr("lang"); }

// What a tuid names: the form or unit and the rest of the item's name.
struct TTuid {
    enum { tkNone, tkForm, tkString } Kind = tkNone;
    QString Folder; // form or unit name
    QString Rest;   // property path, or constant name
};

TTuid ParseTuid(const QString& Tuid, const TLocStorage& Storage)
{
    TTuid t;
    if (Tuid.contains(QLatin1String("Forms"))) {
        const qsizetype at = Tuid.indexOf(kFormsMark);
        const qsizetype dot = at < 0 ? -1 : Tuid.indexOf(QLatin1Char('.'), at + kFormsMark.size());
        if (dot < 0) return t;
        t.Kind = TTuid::tkForm;
        t.Folder = Tuid.mid(at + kFormsMark.size(), dot - at - kFormsMark.size());
        t.Rest = Tuid.mid(dot + 1);
    } else if (Tuid.contains(QLatin1String("Strings"))) {
        const qsizetype at = Tuid.indexOf(kStringsMark);
        if (at < 0) return t;
        const QString name = Tuid.mid(at + kStringsMark.size());
        const qsizetype underscore = name.indexOf(QLatin1Char('_'));
        if (underscore >= 0 && Storage.Units().FindByName(name.left(underscore))) {
            t.Folder = name.left(underscore);
            t.Rest = name.mid(underscore + 1);
        } else {
            const qsizetype dot = name.indexOf(QLatin1Char('.'));
            if (dot < 0) return t;
            t.Folder = name.left(dot);
            t.Rest = name.mid(dot + 1);
        }
        t.Kind = TTuid::tkString;
    }
    return t;
}

TLocItem* FindTuidItem(const TTuid& T, const TLocStorage& Storage)
{
    if (T.Kind == TTuid::tkString) return Storage.FindConstant(T.Folder, T.Rest);
    TLocForm* form = Storage.Forms().FindByName(T.Folder);
    if (!form) return nullptr;
    if (TLocProperty* p = form->Properties().FindByName(T.Rest)) return p;
    const qsizetype dot = T.Rest.indexOf(QLatin1Char('.'));
    return dot < 0 ? nullptr : form->FindProperty(T.Rest.left(dot), T.Rest.mid(dot + 1));
}

} // namespace

QString TmxLanguageCode(const QStringList& FileLanguages, int Locale)
{
    for (const QString& code : {LocaleLanguageCountryCode(Locale), LocaleLanguageCountryCode(PrimaryLanguage(Locale))})
        if (FileLanguages.contains(code, Qt::CaseInsensitive)) return code;
    return {};
}

TImportPreview PreviewTmx(const QByteArray& Data)
{
    TXmlReader r(Data);
    TImportPreview preview;
    preview.HasNames = true;
    const TLocStorage none;
    QSet<QString> forms, units;
    bool body = false;
    while (r.NextStart()) {
        if (r.Depth() == 2) body = body || r.Is("body");
        if (r.Is("tu")) {
            const TTuid t = ParseTuid(r.Attr("tuid"), none);
            if (t.Kind == TTuid::tkForm) forms.insert(t.Folder);
            if (t.Kind == TTuid::tkString) units.insert(t.Folder);
        } else if (r.Is("tuv")) {
            const QString lang = LangOf(r);
            if (!lang.isEmpty() && !preview.Languages.contains(lang, Qt::CaseInsensitive)) preview.Languages << lang;
        }
    }
    if (!body) throw EExchangeError(UiString(usImportWrongFormat));
    auto sorted = [](const QSet<QString>& set) {
        QStringList list(set.begin(), set.end());
        list.sort(Qt::CaseInsensitive);
        return list;
    };
    preview.Forms = sorted(forms);
    preview.Units = sorted(units);
    preview.Languages.sort(Qt::CaseInsensitive);
    return preview;
}

void ImportTmx(const QByteArray& Data, TImportTarget& Target, TProgress& Progress)
{
    const TImportPreview preview = PreviewTmx(Data);
    const QString code = TmxLanguageCode(preview.Languages, Target.Project().Locales(Target.LangIndex()));
    if (code.isEmpty()) throw EExchangeError(UiString(usImportWrongFormat));
    // The file holds form and string translations only, none of which the native language takes.
    if (Target.IsNative()) return;

    // The maximum is the number of the body's children.
    qsizetype count = 0;
    {
        TXmlReader r(Data);
        while (r.NextStart())
            if (r.Depth() == 3) {
                ++count;
                r.Skip();
            }
    }
    Progress.Begin(QStringLiteral("Importing"), count);

    const TLocStorage& project = Target.Project();
    TXmlReader r(Data);
    bool inBody = false;
    TLocItem* item = nullptr;
    bool matching = false;
    while (r.NextStart()) {
        const int d = r.Depth();
        if (d == 1) continue;
        if (d == 2) {
            inBody = r.Is("body");
            if (!inBody) r.Skip();
        } else if (d == 3) {
            if (!Progress.Step()) return;
            item = nullptr;
            if (!r.Is("tu")) {
                r.Skip();
                continue;
            }
            const TTuid t = ParseTuid(r.Attr("tuid"), project);
            const bool taken = t.Kind == TTuid::tkForm     ? Target.Selection().HasForm(t.Folder)
                               : t.Kind == TTuid::tkString ? Target.Selection().HasUnit(t.Folder)
                                                           : false;
            if (taken) item = FindTuidItem(t, project);
            if (!item) r.Skip();
        } else if (d == 4) {
            matching = r.Is("tuv") && LangOf(r).compare(code, Qt::CaseInsensitive) == 0;
            if (!matching) r.Skip();
        } else if (d == 5 && matching && r.Is("seg")) {
            Target.Apply(item, NormalizeLineBreaks(r.ReadText()), false);
        } else {
            r.Skip();
        }
    }
}

} // namespace exchange
