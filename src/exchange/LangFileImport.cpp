#include "exchange/ExchangeCore.h"

#include "core/UiStrings.h"
#include "exchange/SourceImports.h"
#include "langfile/LangFileProject.h"

#include <QFileInfo>

namespace exchange {

namespace {

// The file read into a storage of its own; its values are that storage's
// native values, in the file's own language.
struct TSourceFile {
    TLocStorage Storage;

    explicit TSourceFile(const QString& FileName)
    {
        TLangFile file(FileName, true);
        file.Load(&Storage, -1, 0);
    }
};

void CheckNotOwnFile(const TLangFileProject& Project, int LangIndex, const QString& FileName)
{
    const QString own = QFileInfo(Project.LangFiles().Items(LangIndex)->FileName()).fileName();
    if (CompareNames(own, QFileInfo(FileName).fileName(), false) == 0) throw EExchangeError(UiString(usImportOwnName));
}

QStringList Names(const auto& List)
{
    QStringList names;
    for (auto& item : List) names << item->Name();
    return names;
}

} // namespace

TImportPreview PreviewLangFile(const TLangFileProject& Project, int LangIndex, const QString& FileName)
{
    CheckNotOwnFile(Project, LangIndex, FileName);
    const TSourceFile source(FileName);
    TImportPreview preview;
    preview.HasIDs = preview.HasNames = true;
    preview.Forms = Names(source.Storage.Forms());
    preview.Units = Names(source.Storage.Units());
    preview.Groups = Names(source.Storage.ExtGroups());
    return preview;
}

void ImportLangFile(const QString& FileName, TImportTarget& Target, TProgress& Progress)
{
    CheckNotOwnFile(Target.Project(), Target.LangIndex(), FileName);
    const TSourceFile source(FileName);
    const TLangFileProject& project = Target.Project();
    const bool byIDs = Target.Options().SyncBy == sbIDs;
    const bool native = Target.IsNative();

    // A loaded translation of another version of the native text is taken
    // only when untranslated items are asked for.
    auto apply = [&](TLocItem* Item, const TLocItem* Source, bool CheckSelection) {
        const int32_t version = Source->MainValue()->ValueVersion();
        if (!Item || (!Target.Options().ImportUntranslated && version != Item->MainValue()->ValueVersion())) return;
        Target.Apply(Item, Source->MainValue()->Value(), CheckSelection, isValue, version);
    };

    if (!native) {
        TLinearPropertyList props;
        source.Storage.Forms().FillLinearList(props, false);
        Progress.Begin(QStringLiteral("Importing properties..."), props.Count());
        for (const TLocProperty* p : props.FItems) {
            if (!Progress.Step()) return;
            const TLocComponent* comp = p->Component();
            apply(byIDs ? Target.PropertyByID(p->ID())
                        : project.FindProperty(p->Form()->Name(), comp ? comp->Name() : QString(), p->Name()),
                  p, true);
        }
        TLinearConstantList consts;
        source.Storage.Units().FillLinearList(consts, false);
        Progress.Begin(QStringLiteral("Importing constants..."), consts.Count());
        for (const TLocConstant* c : consts.FItems) {
            if (!Progress.Step()) return;
            apply(byIDs ? Target.ConstantByID(c->ID()) : project.FindConstant(c->ResUnit()->Name(), c->Name()), c,
                  true);
        }
    }
    TLinearExternalList exts;
    source.Storage.ExtGroups().FillLinearList(exts, false);
    Progress.Begin(QStringLiteral("Importing external items..."), exts.Count());
    for (const TLocExtItem* e : exts.FItems) {
        if (!Progress.Step()) return;
        TLocExtItem* item = byIDs ? Target.ExtItemByID(e->ID()) : project.FindExtItem(e->Group()->Name(), e->Name());
        if (native && !project.FindExtItem(e->Group()->Name(), e->Name()) && !item)
            Target.ApplyNativeExtItem(e->Group()->Name(), e->Name(), e->MainValue()->Value(),
                                      e->MainValue()->ValueVersion(), false);
        else
            apply(item, e, !native);
    }
}

} // namespace exchange
