#include "langfile/LEProject.h"

#include "core/FileNames.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "platform/Settings.h"
#include "storage/Locales.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A section filter's form, unit or group name: empty passes everything.
bool HolderNameMatches(const QString& FilterName, const TNamedItem* Holder)
{
    return FilterName.isEmpty() || (Holder && CompareNames(Holder->Name(), FilterName, false) == 0);
}

template <class T> int Sign(T a, T b) { return a < b ? -1 : (a > b ? 1 : 0); }

} // namespace

// ---------------------------------------------------------------- filters

void TLPPropertyFilter::SetFormName(const QString& v)
{
    FFormName = v;
    static const QLatin1String runtimeMark("~RTM:");
    FMatchFormName = v.startsWith(runtimeMark) ? v.mid(runtimeMark.size()).trimmed() : v;
}

bool TLPPropertyFilter::Check(const TLocProperty* Item) const
{
    if (!FParent->Check(Item) || !HolderNameMatches(FMatchFormName, Item->Form())) return false;
    return IsTextualType(Item->PropertyType()) ? FShowTextual : FShowNontextual;
}

bool TLPConstantFilter::Check(const TLocConstant* Item) const
{
    return FParent->Check(Item) && HolderNameMatches(FUntName, Item->ResUnit());
}

bool TLPExternalFilter::Check(const TLocExtItem* Item) const
{
    return FParent->Check(Item) && HolderNameMatches(FGroupName, Item->Group());
}

TLPFilter::TLPFilter() : FConstants(this), FProperties(this), FExtItems(this) {}

void TLPFilter::Clear()
{
    FShownSection = ssForms;
    FShowUntranslated = true;
    FShowTranslated = true;
    FModified = false;
    FLangIndex = 0;
    FShowHidden = true;
    FUntranslatableOnly = false;
    FProperties.SetFormName(QString());
    FConstants.SetUntName(QString());
    FExtItems.SetGroupName(QString());
    FProperties.SetShowTextual(true);
    FProperties.SetShowNontextual(true);
}

void TLPFilter::SetLangIndex(int v)
{
    FLangIndex = v;
    if (v == 0) {
        FShowUntranslated = true;
        FShowTranslated = true;
    }
}

void TLPFilter::SetRegExp(const QString& v)
{
    FRegExp = v;
    QRegularExpression re(v, QRegularExpression::CaseInsensitiveOption);
    if (!re.isValid()) return;
    re.optimize(); // every rebuild matches it against a whole section
    FRegExpInst = std::move(re);
}

bool TLPFilter::Check(const TLocItem* Item) const
{
    if (Item->Attribute(vaUntranslatable)) {
        if (!FUntranslatableOnly && !FShowUntranslatable) return false;
    } else {
        if (FUntranslatableOnly) return false;
        const bool translated = Item->IsTranslated(FLangIndex);
        if (!(translated ? FShowTranslated : FShowUntranslated)) return false;
        if (!FShowHidden && Item->Attribute(vaHidden)) return false;
    }
    if (FRegExp.isEmpty() || !FRegExpInst) return true;
    return FRegExpInst->match(Item->Values().Items(FLangIndex)->Value()).hasMatch();
}

// ---------------------------------------------------------------- sorting

namespace {
// Stable sort of Items by one key per item, computed before the sort: a sort
// of n items compares about n log n times, and a key may cost a parse or a copy.
template <class T, class TKey, class Compare>
void SortByKeys(std::vector<T*>& Items, const std::vector<TKey>& Keys, int Sign, Compare compare)
{
    std::vector<uint32_t> order(Items.size());
    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return Sign * compare(Keys[a], Keys[b]) < 0; });
    std::vector<T*> sorted;
    sorted.reserve(Items.size());
    for (uint32_t i : order) sorted.push_back(Items[i]);
    Items.swap(sorted);
}

struct TNameKey {
    QString Name;
    QString FullName;
    bool IsNumber = false;
    qlonglong Number = 0;
};
} // namespace

template <class T> void TLPSorting::Sort(std::vector<T*>& Items, bool CompFullName) const
{
    if (FSortOrder == soNone || Items.size() < 2) return;
    const int sign = FSortOrder == soDsc ? -1 : 1;

    if (FLangIndex >= 0) {
        std::vector<TLocSortKey> keys;
        keys.reserve(Items.size());
        for (const T* item : Items) keys.push_back(item->Values().Items(FLangIndex)->SortKey());
        SortByKeys(Items, keys, sign, TLocValue::CompareSortKeys);
        return;
    }

    // Constants of the unit "RC" are named by their string identifiers and
    // sort as numbers; a name that is not a number sorts as text after them.
    const TLPFilter& filter = FProject->Filter();
    const bool byNumber = filter.ShownSection() == ssUnits && filter.Constants().UntName() == QLatin1String("RC");
    std::vector<TNameKey> keys;
    keys.reserve(Items.size());
    for (const T* item : Items) {
        TNameKey key;
        key.Name = item->Name();
        if (byNumber)
            key.Number = key.Name.toLongLong(&key.IsNumber);
        else
            key.FullName = item->GetFullName(QStringLiteral("."));
        keys.push_back(std::move(key));
    }
    SortByKeys(Items, keys, sign, [&](const TNameKey& a, const TNameKey& b) {
        if (byNumber) {
            if (a.IsNumber != b.IsNumber) return a.IsNumber ? -1 : 1;
            if (a.IsNumber) return Sign(a.Number, b.Number);
            return CompareNames(a.Name, b.Name, false);
        }
        if (!CompFullName)
            if (const int c = CompareNames(a.Name, b.Name, false)) return c;
        return CompareNames(a.FullName, b.FullName, false);
    });
}

void TLPSorting::ApplyToPropList(TLinearPropertyList& AList, bool CompFullName) const
{
    Sort(AList.FItems, CompFullName);
}

void TLPSorting::ApplyToConstList(TLinearConstantList& AList) const { Sort(AList.FItems, true); }

void TLPSorting::ApplyToConstList(TLinearExternalList& AList) const { Sort(AList.FItems, true); }

// ---------------------------------------------------------------- project

TLEProject::TLEProject() : FSorting(this) {}

TLEProject::~TLEProject() = default;

TPrompt& TLEProject::Prompt() const { return FPrompt ? *FPrompt : DefaultPrompt(); }

void TLEProject::ClearLists()
{
    FPropertyList.Clear();
    FShownPropertyList.Clear();
    FConstantList.Clear();
    FShownConstantList.Clear();
    FExtItemsList.Clear();
    FShownExtItemsList.Clear();
}

void TLEProject::FillLists()
{
    FPropertyList.Clear();
    FConstantList.Clear();
    FExtItemsList.Clear();
    Forms().FillLinearList(FPropertyList, false);
    Units().FillLinearList(FConstantList, false);
    ExtGroups().FillLinearList(FExtItemsList, false);
}

namespace {
template <class TList, class TFilter> void FilteredCopy(const TList& Full, TList& Shown, TFilter& Filter)
{
    Shown.Assign(Full);
    Filter.FilterList(Shown);
    Filter.SetModified(false);
}
} // namespace

void TLEProject::DoOpen(const QString& ANativeFileName, bool ALibrary, bool AReadOnly)
{
    TLangFileProject::DoOpen(ANativeFileName, ALibrary, AReadOnly);
    if (FLangFiles.Count() == 0) return;
    const QFileInfo info(ANativeFileName);
    FDisplayName =
        ALibrary ? QStringLiteral("Library \"%1\"").arg(LibraryDisplayName(info.absolutePath())) : ANativeFileName;
    FFilter.Clear();
    FillLists();
    FilteredCopy(FPropertyList, FShownPropertyList, FFilter.Properties());
    FilteredCopy(FConstantList, FShownConstantList, FFilter.Constants());
    FilteredCopy(FExtItemsList, FShownExtItemsList, FFilter.ExtItems());
}

bool TLEProject::DoClose(bool SaveNative)
{
    // The lists point into the sections the base class frees.
    ClearLists();
    const bool closed = TLangFileProject::DoClose(SaveNative);
    FFilter.Clear();
    return closed;
}

bool TLEProject::DoCloseLanguage(int Index, bool& AllowClose)
{
    if (Index <= 0 || Index >= FLangFiles.Count()) throw ELEProjectError(QStringLiteral("Invalid index"));
    AllowClose = SaveBeforeClosing({Index});
    if (!AllowClose) return false;
    CloseAskedLanguage(Index);
    return true;
}

bool TLEProject::SaveBeforeClosing(const QList<int>& Indexes)
{
    QList<int> save;
    for (int index : Indexes) {
        const TLangFile* file = FLangFiles.Items(index);
        if (!file->Modified()) continue;
        const QString question =
            index == 0 ? UiString(usNativeModified) : UiString(usLanguageModified, {file->LangEnglishName()});
        const TMsgResult answer = Prompt().Message(mkConfirmation, question, mbYesNoCancel, mrCancel);
        if (answer == mrCancel) return false;
        if (answer == mrYes) save << index;
    }
    for (int index : save) {
        try {
            SaveLanguage(index);
        } catch (const ELangFileError& e) {
            // The message already reads "Could not save language file", CR, cause.
            throw ELEProjectError(e.Message());
        }
    }
    return true;
}

void TLEProject::CloseAskedLanguage(int Index)
{
    if (Index <= 0 || Index >= FLangFiles.Count()) throw ELEProjectError(QStringLiteral("Invalid index"));
    bool allow = true;
    TLangFileProject::DoCloseLanguage(Index, allow);

    if (FFilter.LangIndex() == Index)
        FFilter.SetLangIndex(0);
    else if (FFilter.LangIndex() > Index)
        FFilter.SetLangIndex(FFilter.LangIndex() - 1);
    // The sorting follows its column the same way; sorting by a closed column
    // falls back to the hierarchical order.
    if (FSorting.LangIndex() == Index) {
        FSorting.SetLangIndex(-1);
        FSorting.SetSortOrder(soNone);
    } else if (FSorting.LangIndex() > Index) {
        FSorting.SetLangIndex(FSorting.LangIndex() - 1);
    }
}

void TLEProject::Reinitialize()
{
    ClearLists();
    ClearSections();
    FLangFiles.Clear();
    while (LangCount() > 1) RemoveLanguage(LangCount() - 1);
    FNativeFileName.clear();
    FIsLibrary = false;
    FDisplayName.clear();
    FPEFileName.clear();
    FFilter.Clear();
    FSorting.SetSortOrder(soNone);
}

void TLEProject::RebuildShownList(bool CompFullName)
{
    // A column that no longer exists would index past the item's values.
    if (FFilter.LangIndex() < 0 || FFilter.LangIndex() >= LangCount()) FFilter.SetLangIndex(0);
    if (FSorting.LangIndex() >= LangCount()) FSorting.SetLangIndex(-1);
    switch (FFilter.ShownSection()) {
    case ssForms:
        FilteredCopy(FPropertyList, FShownPropertyList, FFilter.Properties());
        FSorting.ApplyToPropList(FShownPropertyList, CompFullName);
        break;
    case ssUnits:
        FilteredCopy(FConstantList, FShownConstantList, FFilter.Constants());
        FSorting.ApplyToConstList(FShownConstantList);
        break;
    case ssExternal:
        FilteredCopy(FExtItemsList, FShownExtItemsList, FFilter.ExtItems());
        FSorting.ApplyToConstList(FShownExtItemsList);
        break;
    }
}

// ---------------------------------------------------------------- helpers

QString LibraryDisplayName(const QString& LibraryFolder)
{
    QString name;
    try {
        name = TIniFile::Load(QDir(LibraryFolder).filePath(QStringLiteral("lib.ini")))
                   .ReadString(QStringLiteral("Common"), QStringLiteral("Name"), {});
    } catch (const ESettingsError&) {
        // A missing or unreadable lib.ini only costs the library its display name.
    }
    return name.isEmpty() ? QDir(LibraryFolder).dirName() : name;
}

QStringList FindLanguageFiles(const TLangFileProject& Project)
{
    const QFileInfo info(Project.NativeFileName());
    // app.ntv.lng: the project's files are app.*.lng.
    const QString stem = WithoutLastExt(WithoutLastExt(info.fileName()));
    QStringList result;
    for (const QString& name : LanguageFileNames(info.dir(), stem)) {
        if (Project.LangAlreadyOpen(name)) continue;
        const QString path = info.dir().filePath(name);
        try {
            if (TLangFile(path, true).IsNative()) continue;
        } catch (const EVocabrixError&) {
            continue;
        }
        result << path;
    }
    return result;
}
