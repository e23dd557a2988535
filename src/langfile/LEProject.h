#pragma once

#include "core/VocabrixError.h"
#include "langfile/LangFileProject.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <optional>

VOCABRIX_ERROR(ELEProjectError, EVocabrixError);

class TPrompt;
class TLEProject;
class TLPFilter;

enum TShownSection { ssForms, ssUnits, ssExternal };
enum TSortOrder { soNone, soAsc, soDsc };

// What the sub-filters share: the parent filter, the modified flag the editor
// sets after a change and a rebuild clears, and the filtering of a flat list.
template <class T, class TList> class TLPSectionFilter {
public:
    explicit TLPSectionFilter(TLPFilter* AParent) : FParent(AParent) {}
    virtual ~TLPSectionFilter() = default;
    TLPSectionFilter(const TLPSectionFilter&) = delete;
    TLPSectionFilter& operator=(const TLPSectionFilter&) = delete;

    TLPFilter* Parent() const { return FParent; }
    bool Modified() const { return FModified; }
    void SetModified(bool v) { FModified = v; }

    virtual bool Check(const T* Item) const = 0;
    // Removes every item whose Check fails; the rest keep their order.
    void FilterList(TList& AList) const
    {
        std::erase_if(AList.FItems, [this](const T* item) { return !Check(item); });
    }

protected:
    TLPFilter* FParent;
    bool FModified = false;
};

class TLPPropertyFilter : public TLPSectionFilter<TLocProperty, TLinearPropertyList> {
public:
    using TLPSectionFilter::TLPSectionFilter;

    // Only properties of this form; empty for all. A leading "~RTM:" (the
    // section chooser's mark of a run-time form) is ignored.
    const QString& FormName() const { return FFormName; }
    void SetFormName(const QString& v);
    bool ShowTextual() const { return FShowTextual; }
    void SetShowTextual(bool v) { FShowTextual = v; }
    bool ShowNontextual() const { return FShowNontextual; }
    void SetShowNontextual(bool v) { FShowNontextual = v; }

    bool Check(const TLocProperty* Item) const override;

private:
    QString FFormName;
    QString FMatchFormName; // FFormName without "~RTM:"
    bool FShowTextual = true;
    bool FShowNontextual = true;
};

class TLPConstantFilter : public TLPSectionFilter<TLocConstant, TLinearConstantList> {
public:
    using TLPSectionFilter::TLPSectionFilter;
    // Only constants of this unit; empty for all.
    const QString& UntName() const { return FUntName; }
    void SetUntName(const QString& v) { FUntName = v; }
    bool Check(const TLocConstant* Item) const override;

private:
    QString FUntName;
};

class TLPExternalFilter : public TLPSectionFilter<TLocExtItem, TLinearExternalList> {
public:
    using TLPSectionFilter::TLPSectionFilter;
    // Only items of this group; empty for all.
    const QString& GroupName() const { return FGroupName; }
    void SetGroupName(const QString& v) { FGroupName = v; }
    bool Check(const TLocExtItem* Item) const override;

private:
    QString FGroupName;
};

// Which rows the grid shows: the section, the translation state and the
// attributes of the items in the filter column, and a regular expression on
// their text in that column.
class TLPFilter {
public:
    TLPFilter();
    TLPFilter(const TLPFilter&) = delete;
    TLPFilter& operator=(const TLPFilter&) = delete;

    // Back to the defaults; ShowUntranslatable and RegExp are kept.
    void Clear();

    TShownSection ShownSection() const { return FShownSection; }
    void SetShownSection(TShownSection v) { FShownSection = v; }
    bool ShowUntranslated() const { return FShowUntranslated; }
    void SetShowUntranslated(bool v) { FShowUntranslated = v; }
    bool ShowTranslated() const { return FShowTranslated; }
    void SetShowTranslated(bool v) { FShowTranslated = v; }
    bool Modified() const { return FModified; }
    void SetModified(bool v) { FModified = v; }
    // The column examined. The native column has no untranslated values, so
    // choosing it switches both states on.
    int LangIndex() const { return FLangIndex; }
    void SetLangIndex(int v);
    bool ShowHidden() const { return FShowHidden; }
    void SetShowHidden(bool v) { FShowHidden = v; }
    bool ShowUntranslatable() const { return FShowUntranslatable; }
    void SetShowUntranslatable(bool v) { FShowUntranslatable = v; }
    bool UntranslatableOnly() const { return FUntranslatableOnly; }
    void SetUntranslatableOnly(bool v) { FUntranslatableOnly = v; }

    // Case-insensitive PCRE expression, compiled once here. The editor passes
    // every keystroke on, so a text that does not compile leaves the last
    // expression that did in force; until one has compiled, nothing is
    // filtered out by it. An empty text filters nothing.
    const QString& RegExp() const { return FRegExp; }
    void SetRegExp(const QString& v);

    TLPPropertyFilter& Properties() { return FProperties; }
    const TLPPropertyFilter& Properties() const { return FProperties; }
    TLPConstantFilter& Constants() { return FConstants; }
    const TLPConstantFilter& Constants() const { return FConstants; }
    TLPExternalFilter& ExtItems() { return FExtItems; }
    const TLPExternalFilter& ExtItems() const { return FExtItems; }

    // Whether the item passes the checks common to all sections. LangIndex
    // must be a column of the item's storage.
    bool Check(const TLocItem* Item) const;

private:
    TShownSection FShownSection = ssForms;
    TLPConstantFilter FConstants;
    TLPPropertyFilter FProperties;
    TLPExternalFilter FExtItems;
    bool FShowUntranslated = true;
    bool FShowTranslated = true;
    bool FModified = false;
    int FLangIndex = 0;
    bool FShowHidden = true;
    bool FShowUntranslatable = false;
    bool FUntranslatableOnly = false;
    QString FRegExp;
    std::optional<QRegularExpression> FRegExpInst;
};

// The order of the shown rows: by a language column, or by name.
class TLPSorting {
public:
    explicit TLPSorting(TLEProject* AProject) : FProject(AProject) {}
    TLPSorting(const TLPSorting&) = delete;
    TLPSorting& operator=(const TLPSorting&) = delete;

    // Column sorted by; -1 sorts by the row name.
    int LangIndex() const { return FLangIndex; }
    void SetLangIndex(int v) { FLangIndex = v; }
    TSortOrder SortOrder() const { return FSortOrder; }
    void SetSortOrder(TSortOrder v) { FSortOrder = v; }
    // Remembered with the sorting for the project desktop; not used here.
    int LocaleID() const { return FLocaleID; }
    void SetLocaleID(int v) { FLocaleID = v; }

    // Equal items keep their order, so sorting twice gives the same rows.
    void ApplyToPropList(TLinearPropertyList& AList, bool CompFullName) const;
    void ApplyToConstList(TLinearConstantList& AList) const;
    void ApplyToConstList(TLinearExternalList& AList) const;

private:
    template <class T> void Sort(std::vector<T*>& Items, bool CompFullName) const;

    int FLangIndex = -1;
    TSortOrder FSortOrder = soNone;
    int FLocaleID = 0;
    TLEProject* FProject;
};

// The editor's project: a language file project with the flat lists of its
// three sections, the rows shown of each, and the filter and sorting that turn
// the first into the second.
class TLEProject : public TLangFileProject {
public:
    TLEProject();
    ~TLEProject() override;

    // All items of each section in hierarchical order (forms, then a form's own
    // properties and its components' by name; units and constants by name;
    // groups and items by name).
    TLinearPropertyList& PropertyList() { return FPropertyList; }
    TLinearConstantList& ConstantList() { return FConstantList; }
    TLinearExternalList& ExtItemsList() { return FExtItemsList; }
    // The rows shown of each section.
    TLinearPropertyList& ShownPropertyList() { return FShownPropertyList; }
    TLinearConstantList& ShownConstantList() { return FShownConstantList; }
    TLinearExternalList& ShownExtItemsList() { return FShownExtItemsList; }

    TLPFilter& Filter() { return FFilter; }
    const TLPFilter& Filter() const { return FFilter; }
    TLPSorting& Sorting() { return FSorting; }
    const TLPSorting& Sorting() const { return FSorting; }

    // Title of the project: the native file's path, or "Library "<name>"".
    const QString& DisplayName() const { return FDisplayName; }
    const QString& PEFileName() const { return FPEFileName; }
    void SetPEFileName(const QString& v) { FPEFileName = v; }

    // Where the question about a modified language goes on closing it; the
    // process's default prompt when none is set.
    void SetPrompt(TPrompt* APrompt) { FPrompt = APrompt; }

    // Before files close: asks about every modified file of Indexes, in that
    // order (0, the native file, with its own question), and only then saves
    // those answered Yes. False when a question was cancelled; nothing has
    // been saved then.
    bool SaveBeforeClosing(const QList<int>& Indexes);
    // Closes language Index whose question SaveBeforeClosing has asked.
    void CloseAskedLanguage(int Index);

    // Back to the state of a new project (after a failed open).
    void Reinitialize();
    // Refills the three full lists from the storage (after items were added
    // or deleted); the shown lists are left to the next rebuild.
    void FillLists();
    // Rebuilds the shown list of the shown section: filtered and sorted.
    // CompFullName sorts properties by their full names.
    void RebuildShownList(bool CompFullName);

protected:
    void DoOpen(const QString& ANativeFileName, bool ALibrary, bool AReadOnly) override;
    bool DoClose(bool SaveNative) override;
    bool DoCloseLanguage(int Index, bool& AllowClose) override;

private:
    void ClearLists();
    TPrompt& Prompt() const;

    TLinearPropertyList FPropertyList;
    TLinearPropertyList FShownPropertyList;
    TLinearConstantList FConstantList;
    TLinearConstantList FShownConstantList;
    TLinearExternalList FExtItemsList;
    TLinearExternalList FShownExtItemsList;
    TLPFilter FFilter;
    TLPSorting FSorting;
    QString FDisplayName;
    QString FPEFileName;
    TPrompt* FPrompt = nullptr;
};

// The name a library folder is shown by: "Name" of section "Common" in its
// "lib.ini", else the folder's own name.
QString LibraryDisplayName(const QString& LibraryFolder);

// The language files the open-languages dialog offers for a project: files of
// the native file's folder named like the native file with its language part
// replaced (app.ntv.lng gives app.*.lng), sorted by name, without those already
// open, those that cannot be read as a language file and native files.
QStringList FindLanguageFiles(const TLangFileProject& Project);
