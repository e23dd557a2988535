#pragma once

// Pieces the exchange formats share: the choice of exported items, the
// application of imported values, progress, and reading a file to import.

#include "exchange/Exchange.h"
#include "storage/LocStorage.h"

#include <QByteArray>
#include <QString>

class TLangFileProject;
class TPrompt;

namespace exchange {

// The whole file, refused when it is too large to be one of ours.
QByteArray ReadImportFile(const QString& FileName);

// Lines of a value as the formats write them: split at CR LF, CR or LF.
QStringList ValueLines(const QString& Value);
// Line breaks of any kind become CR LF, as the editor's values hold them.
QString NormalizeLineBreaks(const QString& Text);

// The choice of values. The text export asks the translated state of every
// item; the XML-like exports always write an untranslatable item once
// untranslatable items are asked for.
bool ExportsItem(const TLocItem* Item, int LangIndex, const TExportOptions& Options, bool UntranslatableAlways);

// The progress window of a run, or nothing when the run has none.
class TProgress {
public:
    explicit TProgress(TPrompt* APrompt) : FPrompt(APrompt) {}
    ~TProgress();
    void Begin(const QString& Text, qint64 Max);
    // False once the user asked to stop.
    bool Step();
    bool Cancelled() const { return FCancelled; }
    // Closes the window (before a message that follows the run).
    void End();

private:
    TPrompt* FPrompt;
    bool FOpen = false;
    bool FCancelled = false;
    qint64 FPosition = 0;
};

// The state of an imported value.
enum TImportState {
    isValue,        // a text without a state (text and XML formats, TMX, language files)
    isTranslated,   // a translation, said so by the file (XLIFF)
    isUntranslated, // a text said to be no translation: never replaces one nor counts as one
    isVerified,     // a translation that was checked
};

// Applies imported values to one language of a project by the rules every
// import shares, and finds items by identifier with one sorted list per
// section (the storage's own lookup by identifier walks every item).
class TImportTarget {
public:
    TImportTarget(TLangFileProject& Project, int LangIndex, const TImportOptions& Options,
                  const TExchangeSelection& Selection);

    TLangFileProject& Project() const { return FProject; }
    int LangIndex() const { return FLangIndex; }
    bool IsNative() const { return FLangIndex == 0; }
    const TImportOptions& Options() const { return FOptions; }
    const TExchangeSelection& Selection() const { return FSelection; }

    TLocProperty* PropertyByID(int32_t ID) const { return FProps.FindByID(ID); }
    TLocConstant* ConstantByID(int32_t ID) const { return FConsts.FindByID(ID); }
    TLocExtItem* ExtItemByID(int32_t ID) const { return FExts.FindByID(ID); }

    // Applies Value to Item unless the item is missing, untranslatable, not
    // selected (when CheckSelection) or translated while translated items are
    // kept. Version < 0 takes the native value's version. With
    // RaiseNativeVersion (text import into the native language) every
    // translation of the item becomes outdated. True when the value changed.
    bool Apply(TLocItem* Item, const QString& Value, bool CheckSelection, TImportState State = isValue,
               int32_t Version = -1, bool RaiseNativeVersion = false);

    // Imports Value into the native language's external item group.item,
    // creating the item with Value when it is missing: the next identifier of
    // the native file, every translation untranslated. Version as for Apply.
    void ApplyNativeExtItem(const QString& GroupName, const QString& ItemName, const QString& Value, int32_t Version,
                            bool RaiseNativeVersion);

    // After an import into the native language: the editor's flat lists
    // follow the created items.
    void Finish();
    // What the Apply calls so far did.
    const TImportCounts& Counts() const { return FCounts; }

private:
    TLangFileProject& FProject;
    int FLangIndex;
    TImportOptions FOptions;
    TExchangeSelection FSelection;
    double FNow;
    bool FCreated = false;
    TImportCounts FCounts;
    TLinearPropertyList FProps;
    TLinearConstantList FConsts;
    TLinearExternalList FExts;
};

} // namespace exchange
