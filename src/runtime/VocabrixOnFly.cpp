#include "runtime/VocabrixOnFly.h"

#include "core/UiStrings.h"

#include "core/ByteStream.h"
#include "core/FileNames.h"
#include "langfile/LZCompressor.h"
#include "langfile/LangFile.h"
#include "platform/AtomicFile.h"
#include "platform/Settings.h"
#include "resources/DllBuilder.h"
#include "storage/LocStorage.h"
#include "storage/Locales.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

namespace {

const QString kErrorTitle = QStringLiteral("Vocabrix Error");
QString Abbreviation(uint32_t Locale) { return LocaleAbbreviation(int(Locale)).toLower(); }

ELocOnFlyError FileNotFound(const QString& FileName)
{
    return ELocOnFlyError(UiString(usLanguageFileNotFound, {FileName}));
}

} // namespace

QByteArray WriteLocLangsResource(const QList<TLocLangsEntry>& Entries, int32_t Version, uint32_t Build, uint16_t Format,
                                 bool Compress)
{
    QByteArray out;
    TByteWriter w(out);
    w.Bytes("QLL", 3);
    w.U16(Format);
    w.I32(Version);
    if (Format > 4) w.U32(Build);
    w.U16(uint16_t(Entries.size()));
    for (const TLocLangsEntry& e : Entries) {
        w.U16(e.Locale);
        if (Format >= 3) {
            const QByteArray english = WideToAnsi(e.EnglishName, SystemCodePage());
            WriteVariableLength(w, uint32_t(english.size()));
            w.Bytes(english);
        }
        if (Format >= 4) {
            WriteVariableLength(w, uint32_t(e.LocalizedName.size()));
            w.Utf16(e.LocalizedName);
        }
        if (Format > 4) {
            w.I32(e.Version);
            w.U32(e.Build);
        }
    }
    for (const TLocLangsEntry& e : Entries) {
        const QByteArray block = Compress ? CompressBuffer(e.Data) : e.Data;
        if (Format < 2)
            w.U16(uint16_t(block.size()));
        else
            w.U32(uint32_t(block.size()));
        w.Bytes(block);
    }
    return out;
}

// ---------------------------------------------------------------------------
// TLFInfo, TLFInfoList

QString TLFInfo::FullFileName() const
{
    return FFileName.isEmpty() ? QString() : QDir(FInfoList->FullPath()).filePath(FFileName);
}

int TLFInfoList::Add(std::unique_ptr<TLFInfo> AInfo)
{
    int i = 0;
    while (i < Count() && Items(i)->EnglishName().compare(AInfo->EnglishName()) <= 0) ++i;
    Insert(i, std::move(AInfo));
    return i;
}

int TLFInfoList::IndexByLocale(uint32_t ALocale) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Locale() == ALocale) return i;
    return -1;
}

int TLFInfoList::IndexByLocaleEx(uint32_t ALocale, bool ProcessNative) const
{
    return ProcessNative && ALocale == 0 ? NativeIndex() : IndexByLocale(ALocale);
}

bool TLFInfoList::IsResLanguage(uint32_t ALocale) const
{
    const int i = IndexByLocale(ALocale);
    return i >= 0 && Items(i)->InResource();
}

int TLFInfoList::NativeIndex() const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Native()) return i;
    return -1;
}

// ---------------------------------------------------------------------------
// TQVocabrixOnFly

// One language's data: a language file, or an image from the resource.
struct TQVocabrixOnFly::TLangSource {
    TLangFile File; // the header
    QString FileName;
    QByteArray Data;

    explicit TLangSource(const QString& AFileName) : File(AFileName, true), FileName(AFileName) {}
    explicit TLangSource(QByteArray AData) : Data(std::move(AData)) { File.LoadHeaderFromStream(Data, false); }
};

TQVocabrixOnFly::TQVocabrixOnFly(TQLocUtils& LocUtils)
    : FLocUtils(LocUtils), FLocStorage(std::make_unique<TLocStorage>())
{
    FLocUtils.SetUnderOnFly(true);
}

TQVocabrixOnFly::~TQVocabrixOnFly() { FDestroying = true; }

template <class Fn> void TQVocabrixOnFly::Guarded(Fn&& Body)
{
    try {
        Body();
    } catch (const EVocabrixError& e) {
        switch (FErrorReaction) {
        case erException:
            throw;
        case erMessage:
            if (ShowError)
                ShowError(kErrorTitle, e.Message());
            else
                qWarning("%s: %s", qPrintable(kErrorTitle), qPrintable(e.Message()));
            break;
        case erIgnore:
            break;
        }
    }
}

void TQVocabrixOnFly::NotInitialized() const { throw ELocOnFlyError(UiString(usNotInitialized)); }

QString TQVocabrixOnFly::AppName() const { return QFileInfo(FLocUtils.AppFileName()).fileName(); }

QString TQVocabrixOnFly::LangFilePath(const QString& Ext) const
{
    return QDir(FLangList.FFullPath).filePath(WithoutLastExt(AppName()) + Ext);
}

uint32_t TQVocabrixOnFly::NativeLocale() const
{
    const int i = FLangList.NativeIndex();
    return i < 0 ? 0 : FLangList.Items(i)->Locale();
}

void TQVocabrixOnFly::SetDLLDir(const QString& Value)
{
    FDLLDir = Value;
    FFullDLLDir =
        Value.isEmpty() ? QString() : QDir(QFileInfo(FLocUtils.AppFileName()).absolutePath()).absoluteFilePath(Value);
}

void TQVocabrixOnFly::ScanFolder(const QString& FullPath)
{
    const QString pattern = WithoutLastExt(AppName()) + QStringLiteral(".*.lng");
    const QStringList files = QDir(FullPath).entryList({pattern}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        try {
            TLangFile file(QDir(FullPath).filePath(name), true);
            int i = FLangList.IndexByLocale(file.Locale());
            if (i < 0) {
                auto info = std::make_unique<TLFInfo>(&FLangList);
                info->FLocale = file.Locale();
                info->FEnglishName = file.LangEnglishName();
                info->FLocalizedName = file.LangLocalizedName();
                i = FLangList.Add(std::move(info));
            } else {
                FLangList.Items(i)->FEnglishName = file.LangEnglishName();
            }
            TLFInfo* info = FLangList.Items(i);
            info->FFileName = name;
            info->FNative = file.IsNative();
            info->FVersion = file.Version();
            info->FBuild = file.Build();
        } catch (const EVocabrixError&) {
            // A damaged or foreign file is no language of ours.
        }
    }
}

void TQVocabrixOnFly::SetLangDir(const QString& Value)
{
    Guarded([&] {
        if (Value == FLangList.FFolderPath && !FLangList.FFullPath.isEmpty()) return;
        const QDir exeDir(QFileInfo(FLocUtils.AppFileName()).absolutePath());
        const QString full = QDir::cleanPath(exeDir.absoluteFilePath(Value));
        if (!QFileInfo(full).isDir()) throw ELocOnFlyError(UiString(usSpecifiedPathMissing, {full}));
        FLangList.FFolderPath = Value;
        FLangList.FFullPath = full;
        ScanFolder(full);
        if (QFile::exists(LangFilePath(QStringLiteral(".ntv.lng")))) return;
        // A program run from its build folder finds the language files two
        // levels up, beside its sources.
        const QString up = QDir::cleanPath(full + QStringLiteral("/../.."));
        FLangList.FFullPath = up;
        if (QFileInfo(up).isDir() && QFile::exists(LangFilePath(QStringLiteral(".ntv.lng")))) {
            FLangList.FFolderPath = QDir::cleanPath(Value + QStringLiteral("/../.."));
            ScanFolder(up);
            return;
        }
        FLangList.FFullPath = full;
    });
}

bool TQVocabrixOnFly::InternalGetLangStreamFromResource(TModuleHandle ModuleHandle, uint32_t Locale,
                                                        QByteArray& AStream, TLoadResLangOptions Options)
{
    QByteArray res;
    if (!TModuleTable::Instance().FindRCData(ModuleHandle, kLocLangsName, res) || !res.startsWith("QLL")) return false;
    try {
        TByteReader<ELangFileError> r(res, QString());
        r.Skip(3);
        const uint16_t format = r.U16();
        r.I32();                 // version
        if (format > 4) r.U32(); // build
        const int count = r.U16();
        QList<uint32_t> locales;
        for (int i = 0; i < count; ++i) {
            auto info = std::make_unique<TLFInfo>(&FLangList);
            info->FLocale = r.U16();
            info->FNative = i == 0;
            if (format >= 3) {
                const uint32_t n = ReadVariableLength(r);
                info->FEnglishName = AnsiToWide(r.Bytes(n), SystemCodePage());
            } else {
                info->FEnglishName = LocaleEnglishName(int(info->FLocale));
            }
            info->FLocalizedName = format >= 4 ? r.Utf16(ReadVariableLength(r))
                                               : GetLocaleInfoText(int(info->FLocale), LOCALE_SNATIVELANGNAME);
            if (format > 4) {
                info->FVersion = r.I32();
                info->FBuild = r.U32();
            }
            locales << info->FLocale;
            if ((Options & lrloFillLangList) && FLangList.IndexByLocale(info->FLocale) < 0)
                FLangList.Add(std::move(info));
        }
        const int wanted = Locale == 0 ? (count > 0 ? 0 : -1) : int(locales.indexOf(Locale));
        if (wanted < 0 || (Options & lrloDoNotLoad)) return false;
        for (int i = 0;; ++i) {
            const qsizetype size = format < 2 ? r.U16() : r.U32();
            if (i < wanted) {
                r.Skip(size);
                continue;
            }
            QByteArray block = r.Bytes(size);
            AStream = IsCompressedStream(block) ? DecompressBuffer(block) : block;
            return true;
        }
    } catch (const ELocOnFlyError&) {
        throw;
    } catch (const EVocabrixError&) {
        // Short blocks, bad compressed data, unknown languages of old formats.
        throw ELocOnFlyError(UiString(usInvalidQLangs));
    }
}

void TQVocabrixOnFly::LoadNativeData()
{
    const QString ntv = LangFilePath(QStringLiteral(".ntv.lng"));
    bool loaded = false;
    if (QFile::exists(ntv)) {
        TLangFile file(ntv, true);
        file.Load(FLocStorage.get(), -1, 0);
        FCheckSync = (file.Locale() & 0x3FF) == 9;
        FProcessBiDiMode = file.Attribute(lfaRightToLeft);
        loaded = true;
    }
    QByteArray data;
    const TModuleHandle exe = TModuleTable::Instance().MainInstance();
    if (InternalGetLangStreamFromResource(exe, 0, data, lrloFillLangList | (loaded ? lrloDoNotLoad : 0)) && !loaded) {
        TLangFile file;
        file.LoadFromStream(data, FLocStorage.get(), -1, 0);
        FCheckSync = (file.Locale() & 0x3FF) == 9;
        FProcessBiDiMode = file.Attribute(lfaRightToLeft);
        FShowUntranslatedAsIs = file.Attribute(lfaUseUntranslated);
        loaded = true;
    }
    if (!loaded) throw FileNotFound(ntv);
}

void TQVocabrixOnFly::LoadColumn(TLangSource& Source, int Column)
{
    if (Source.Data.isEmpty())
        Source.File.Load(FLocStorage.get(), Column, 0);
    else
        Source.File.LoadFromStream(Source.Data, FLocStorage.get(), Column, 0);
    FShowUntranslatedAsIs = Source.File.Attribute(lfaUseUntranslated);
}

int TQVocabrixOnFly::EnsureColumn(uint32_t Locale)
{
    int column = FLocStorage->IndexOfLocale(uint16_t(Locale));
    if (column >= 0) return column;
    const QString file = LangFilePath(QLatin1Char('.') + Abbreviation(Locale) + QStringLiteral(".lng"));
    std::unique_ptr<TLangSource> source;
    if (QFile::exists(file)) {
        source = std::make_unique<TLangSource>(file);
    } else {
        QByteArray data;
        if (!InternalGetLangStreamFromResource(TModuleTable::Instance().MainInstance(), Locale, data, 0))
            throw ELocOnFlyError(UiString(usCanNotLoadLanguage, {LocaleEnglishName(int(Locale))}));
        source = std::make_unique<TLangSource>(std::move(data));
    }
    column = FLocStorage->AddLanguage(0, uint16_t(Locale));
    try {
        LoadColumn(*source, column);
    } catch (...) {
        FLocStorage->RemoveLanguage(column);
        throw;
    }
    return column;
}

uint32_t TQVocabrixOnFly::ResourceLocale() { return FLocUtils.GetCurrentInfo().Locale; }

void TQVocabrixOnFly::Init(const QString& ALangDir)
{
    Guarded([&] {
        FRegKey.clear();
        FInitialization = true;
        SetLangDir(ALangDir.isEmpty() ? QFileInfo(FLocUtils.AppFileName()).absolutePath() : ALangDir);
        LoadNativeData();
        FCurrentLocale = ResourceLocale();
        FLangIndex = EnsureColumn(FCurrentLocale);
        FLocStorage->SetCurLangIndex(FLangIndex);
        FInitialized = true;
        FInitialization = false;
    });
}

void TQVocabrixOnFly::InitReg(const QString& ARegKey, const QString& ALangDir)
{
    Guarded([&] {
        // Without a key the choice is kept per executable, under its path.
        FRegKey = ARegKey.isEmpty() ? QStringLiteral("Locales") : ARegKey;
        FRegValName = ARegKey.isEmpty() ? QString(FLocUtils.AppFileName()).replace(QLatin1Char('/'), QLatin1Char('|'))
                                        : QStringLiteral("VocabrixExt");
        FInitialization = true;
        SetLangDir(ALangDir.isEmpty() ? QFileInfo(FLocUtils.AppFileName()).absolutePath() : ALangDir);
        LoadNativeData();
        const QString stored = TSettingsKey(FRegKey).ReadString(FRegValName, QString());
        try {
            FLocUtils.Init();
        } catch (const ELUOutOfVersion&) {
        }
        FCurrentLocale = ResourceLocale();
        FLangIndex = EnsureColumn(FCurrentLocale);
        FLocStorage->SetCurLangIndex(FLangIndex);
        FInitialized = true;
        try {
            SwitchToExt(stored);
        } catch (...) {
            FInitialization = false;
            throw;
        }
        FInitialization = false;
    });
}

void TQVocabrixOnFly::FireSwitch(bool Start)
{
    if (FInitialization) return;
    if (Start && OnLangSwitchStart) OnLangSwitchStart(this);
    if (!Start && OnLangSwitch) {
        const int i = FLangList.IndexByLocale(FCurrentLocale);
        OnLangSwitch(this, i < 0 ? nullptr : FLangList.Items(i));
    }
}

void TQVocabrixOnFly::SwitchToExt(const QString& Ext)
{
    Guarded([&] {
        if (!FInitialized) NotInitialized();
        const QString lower = Ext.toLower();
        if (lower.isEmpty() || lower == QLatin1String("exe") || lower == QLatin1String("ntv"))
            SwitchToLanguage(NativeLocale(), QStringLiteral("ntv"));
        else
            SwitchToLanguage(uint32_t(LocaleByAbbreviation(Ext)), lower);
    });
}

void TQVocabrixOnFly::SwitchToLanguage(uint32_t Locale, const QString& Ext)
{
    FOldLocale = FCurrentLocale;
    FireSwitch(true);
    const QString file = LangFilePath(QLatin1Char('.') + Ext + QStringLiteral(".lng"));
    if (QFile::exists(file)) {
        TLangSource source(file);
        SwitchToSource(source);
    } else if (FLangList.IsResLanguage(Locale)) {
        QByteArray data;
        if (!InternalGetLangStreamFromResource(TModuleTable::Instance().MainInstance(), Locale, data, 0))
            throw ELocOnFlyError(
                UiString(usCanNotLoadLanguage, {FLangList.Items(FLangList.IndexByLocale(Locale))->EnglishName()}));
        TLangSource source(std::move(data));
        SwitchToSource(source);
    } else if (Locale != 0 && Locale == NativeLocale() && Ext != QLatin1String("ntv")) {
        SwitchToLanguage(Locale, QStringLiteral("ntv"));
        return;
    } else {
        QString name = Ext;
        try {
            name = LocaleEnglishName(int(Locale));
        } catch (const EVocabrixError&) {
        }
        throw ELocOnFlyError(UiString(usLanguageNotFound, {name}));
    }
    FireSwitch(false);
}

void TQVocabrixOnFly::SwitchToFile(const QString& FileName)
{
    Guarded([&] {
        if (!FInitialized) NotInitialized();
        FOldLocale = FCurrentLocale;
        FireSwitch(true);
        if (!QFile::exists(FileName)) throw FileNotFound(FileName);
        TLangSource source(FileName);
        SwitchToSource(source);
        FireSwitch(false);
    });
}

void TQVocabrixOnFly::SwitchToSource(TLangSource& Z)
{
    const uint32_t z = Z.File.Locale();
    const bool native = z == NativeLocale();
    const QString dllFolder = FFullDLLDir.isEmpty() ? QFileInfo(FLocUtils.AppFileName()).absolutePath() : FFullDLLDir;
    const QString dll =
        native ? QString() : QDir(dllFolder).filePath(WithoutLastExt(AppName()) + QLatin1Char('.') + Abbreviation(z));
    const QString ntv = LangFilePath(QStringLiteral(".ntv"));

    // A DLL left by an earlier run may still be current.
    if (!dll.isEmpty() && ResourceLocale() != z && QFile::exists(dll)) {
        try {
            FLocUtils.LoadResource(dll);
            FCurrentLocale = ResourceLocale();
            EnsureColumn(FCurrentLocale);
        } catch (const EVocabrixError&) {
        }
    }
    const TDLLInfoItem& info = FLocUtils.GetCurrentInfo();
    const bool upToDate = info.Locale == z && info.Version == Z.File.Version() && info.LFBuild == Z.File.Build();
    if (info.Locale == z && !upToDate) FLocUtils.BackToExe();

    // Forms created later are translated from the storage, so the column is
    // needed also when the installed DLL is current.
    int column = FLocStorage->IndexOfLocale(uint16_t(z));
    if (column < 0) {
        column = FLocStorage->AddLanguage(0, uint16_t(z));
        try {
            LoadColumn(Z, column);
        } catch (...) {
            FLocStorage->RemoveLanguage(column);
            throw;
        }
    }

    if (!upToDate) {
        if (native) {
            FLocUtils.BackToExe();
        } else {
            if (QFile::exists(dll) && !QFile::remove(dll)) throw ELocOnFlyError(UiString(usCanNotDeleteFile, {dll}));
            Z.File.SetLangIndex(column);
            QByteArray image;
            if (QFile::exists(ntv)) {
                CreateLDLLStream(Z.File, image, ntv, FLocStorage.get(), false, FCheckSync);
            } else {
                FLocUtils.BackToExe();
                CreateLDLLStream(Z.File, image, quintptr(0), FLocStorage.get(), false, FCheckSync);
            }
            // The image is installed from memory; the file only spares the
            // next run the building, so a folder that cannot take it is no error.
            try {
                WriteFileAtomic(dll, image);
            } catch (const EVocabrixError&) {
            }
            FLocUtils.LoadResourceImage(dll, image);
        }
    }
    if (FDestroying) return;
    FLocStorage->SetCurLangIndex(column);
    FLangIndex = column;
    FCurrentLocale = ResourceLocale();
    RetranslateScreen();
    StoreChoice();
}

void TQVocabrixOnFly::StoreChoice()
{
    if (FRegValName.isEmpty()) return;
    TSettingsKey key(FRegKey);
    key.WriteString(FRegValName,
                    FCurrentLocale == NativeLocale() ? QStringLiteral("EXE") : LocaleAbbreviation(int(FCurrentLocale)));
    key.Flush();
}

void TQVocabrixOnFly::TranslateForm(QObject* Form)
{
    FRetranslator.Storage = FLocStorage.get();
    FRetranslator.LangIndex = FLangIndex;
    FRetranslator.Locale = uint16_t(FCurrentLocale);
    FRetranslator.ShowUntranslatedAsIs = FShowUntranslatedAsIs;
    FRetranslator.ProcessBiDiMode = FProcessBiDiMode;
    FRetranslator.TranslateForm(Form);
}

void TQVocabrixOnFly::RetranslateScreen()
{
    if (!ListForms) return;
    for (QObject* form : ListForms()) TranslateForm(form);
}
