#pragma once

#include "core/QObjectList.h"
#include "core/VocabrixError.h"
#include "runtime/FormRetranslator.h"
#include "runtime/QLocUtils.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

class QObject;
class TLangFile;
class TLocStorage;

VOCABRIX_ERROR(ELocOnFlyError, EVocabrixError);

enum TErrorReaction { erException, erMessage, erIgnore };

enum TLoadResLangOption : int { lrloFillLangList = 1, lrloDoNotLoad = 2 };
using TLoadResLangOptions = int;

// One language of the language-data resource "OXV_LOC_LANGS_".
struct TLocLangsEntry {
    uint16_t Locale = 0;
    QString EnglishName;
    QString LocalizedName;
    int32_t Version = 0;
    uint32_t Build = 0;
    QByteArray Data; // a language file image
};
// The resource's bytes in format version Format (1..5); the first entry is
// the native language; blocks are compressed with Compress.
QByteArray WriteLocLangsResource(const QList<TLocLangsEntry>& Entries, int32_t Version, uint32_t Build,
                                 uint16_t Format = 5, bool Compress = true);

class TLFInfoList;

// One language the translator can switch to.
class TLFInfo {
public:
    explicit TLFInfo(TLFInfoList* AInfoList) : FInfoList(AInfoList) {}

    const QString& FileName() const { return FFileName; } // without folder; empty: from the resource only
    QString FullFileName() const;
    bool InResource() const { return FFileName.isEmpty(); }
    uint32_t Locale() const { return FLocale; }
    bool Native() const { return FNative; }
    const QString& EnglishName() const { return FEnglishName; }
    const QString& LocalizedName() const { return FLocalizedName; }
    int32_t Version() const { return FVersion; }
    uint32_t Build() const { return FBuild; }

private:
    friend class TQVocabrixOnFly;
    bool FNative = false;
    TLFInfoList* FInfoList;
    QString FFileName;
    uint32_t FLocale = 0;
    QString FEnglishName;
    QString FLocalizedName;
    int32_t FVersion = 0;
    uint32_t FBuild = 0;
};

// The languages, sorted by English name (ordinal comparison).
class TLFInfoList : public TQObjectList<TLFInfo> {
public:
    const QString& FolderPath() const { return FFolderPath; }
    const QString& FullPath() const { return FFullPath; }
    int Add(std::unique_ptr<TLFInfo> AInfo);
    int IndexByLocale(uint32_t ALocale) const;
    // With ProcessNative, 0 asks for the native language.
    int IndexByLocaleEx(uint32_t ALocale, bool ProcessNative) const;
    bool IsResLanguage(uint32_t ALocale) const;
    int NativeIndex() const;

private:
    friend class TQVocabrixOnFly;
    QString FFolderPath;
    QString FFullPath;
};

// Translates the running program into another language without a restart:
// builds the language's resource DLL from the executable's own resources
// and the language data, installs it as the executable's resource module,
// and re-translates every form on the screen. One instance per process.
class TQVocabrixOnFly {
public:
    explicit TQVocabrixOnFly(TQLocUtils& LocUtils);
    ~TQVocabrixOnFly();
    TQVocabrixOnFly(const TQVocabrixOnFly&) = delete;
    TQVocabrixOnFly& operator=(const TQVocabrixOnFly&) = delete;

    void Init(const QString& ALangDir);
    // ARegKey is a key of the program's settings; empty: the default place.
    void InitReg(const QString& ARegKey, const QString& ALangDir);
    void SwitchToExt(const QString& Ext);
    void SwitchToFile(const QString& FileName);

    const QString& LangDir() const { return FLangList.FFolderPath; }
    void SetLangDir(const QString& Value);
    uint32_t NativeLocale() const;
    int CurLangIndex() const { return FLangList.IndexByLocale(FCurrentLocale); }
    uint32_t CurrentLocale() const { return FCurrentLocale; }
    int CurLangStorageIndex() const { return FLangIndex; }
    bool Initialized() const { return FInitialized; }
    TLFInfoList& LangList() { return FLangList; }
    TLocStorage& LocStorage() { return *FLocStorage; }
    TErrorReaction ErrorReaction() const { return FErrorReaction; }
    void SetErrorReaction(TErrorReaction Value) { FErrorReaction = Value; }
    const QString& DLLDir() const { return FDLLDir; }
    void SetDLLDir(const QString& Value);
    bool ShowUntranslatedAsIs() const { return FShowUntranslatedAsIs; }
    bool ProcessBiDiMode() const { return FProcessBiDiMode; }

    bool InternalGetLangStreamFromResource(TModuleHandle ModuleHandle, uint32_t Locale, QByteArray& AStream,
                                           TLoadResLangOptions Options);

    // Re-translates every form the forms hook lists.
    void RetranslateScreen();
    // Translates one form from the current column (a window created after
    // the switch).
    void TranslateForm(QObject* Form);

    // Hooks. The GUI lists the forms on the screen and shows error messages
    // ("Vocabrix Error"); without a handler errors are written as warnings.
    std::function<QList<QObject*>()> ListForms;
    std::function<void(const QString& Title, const QString& Text)> ShowError;
    std::function<void(TQVocabrixOnFly* Sender)> OnLangSwitchStart;
    std::function<void(TQVocabrixOnFly* Sender, const TLFInfo* Info)> OnLangSwitch;
    // The live re-translation's own hooks (custom objects, collections).
    TFormRetranslator& Retranslator() { return FRetranslator; }

private:
    struct TLangSource;
    template <class Fn> void Guarded(Fn&& Body);
    [[noreturn]] void NotInitialized() const;
    QString AppName() const;
    QString LangFilePath(const QString& Ext) const; // L + A with ext replaced
    void ScanFolder(const QString& FullPath);
    void LoadNativeData();
    int EnsureColumn(uint32_t Locale);
    void LoadColumn(TLangSource& Source, int Column);
    void SwitchToLanguage(uint32_t Locale, const QString& Ext);
    void SwitchToSource(TLangSource& Z);
    uint32_t ResourceLocale();
    void StoreChoice();
    void FireSwitch(bool Start);

    TQLocUtils& FLocUtils;
    std::unique_ptr<TLocStorage> FLocStorage;
    TLFInfoList FLangList;
    int FLangIndex = 0;
    uint32_t FCurrentLocale = 0;
    uint32_t FOldLocale = 0;
    bool FInitialization = true;
    bool FInitialized = false;
    bool FDestroying = false;
    TErrorReaction FErrorReaction = erMessage;
    bool FCheckSync = true;
    bool FProcessBiDiMode = false;
    bool FShowUntranslatedAsIs = false;
    QString FRegKey, FRegSubKey, FRegValName;
    QString FDLLDir, FFullDLLDir;
    TFormRetranslator FRetranslator;
};
