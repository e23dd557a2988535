#include "resources/DllBuilder.h"

#include "core/ByteStream.h"
#include "core/FileNames.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LangFileProject.h"
#include "platform/AtomicFile.h"
#include "resources/FormProcessor.h"
#include "resources/ResProcessor.h"
#include "storage/Locales.h"

#include <QDir>
#include <QFileInfo>

const QString kLibSettingsName = QStringLiteral("OXV_LIBSETTINGS_");
const QString kExeSettingsName = QStringLiteral("OXV_EXESETTINGS_");
const QString kLocLangsName = QStringLiteral("OXV_LOC_LANGS_");

namespace {

QString FileDoesNotExist(const QString& FileName) { return UiString(usNamedFileMissing, {FileName}); }

TSettingsRecord RecordOfLanguage(const TLangFile& LF, uint16_t DVersion)
{
    TSettingsRecord r;
    r.Version = LF.Version();
    r.Locale = LF.Locale();
    r.EnglishName = LF.LangEnglishName();
    r.LocalizedName = LF.LangLocalizedName();
    r.DVersion = DVersion;
    r.Build = LF.Build();
    return r;
}

TResRCDataItem* FindOrAddItem(TResRCData& RCData, const QString& Name, bool& IsNew)
{
    // Names match without regard to case: an existing record keeps the
    // spelling the executable gave it.
    if (TResRCDataItem* item = RCData.ItemByName(Name)) {
        IsNew = false;
        return item;
    }
    IsNew = true;
    TResRCDataItem* item = RCData.Add(Name, false);
    if (item->Name() != Name) throw ELangFileError(QStringLiteral("Name is not saved correctly - ") + item->Name());
    return item;
}

// Writes Record over Item: an existing item keeps its version unless told
// otherwise, and its byte after the record.
void StoreRecord(TResRCDataItem& Item, TSettingsRecord Record, bool IsNew, bool UpdateVersion)
{
    QByteArray& buffer = Item.Buffer();
    if (!IsNew && !UpdateVersion && buffer.size() >= 8) std::memcpy(&Record.Version, buffer.constData() + 4, 4);
    QByteArray data = WriteSettingsRecord(Record);
    if (buffer.size() >= data.size()) data.back() = buffer.at(data.size() - 1);
    buffer = data;
}

} // namespace

QByteArray WriteSettingsRecord(const TSettingsRecord& Record)
{
    QByteArray data;
    TByteWriter w(data);
    const QByteArray english = WideToAnsi(Record.EnglishName, SystemCodePage()).left(0xFFFF);
    const QString localized = Record.LocalizedName.left(0xFFFF);
    w.Bytes(Record.Magic.left(4).leftJustified(4, '\0'));
    w.I32(Record.Version);
    w.U16(Record.Locale);
    w.U16(uint16_t(english.size()));
    w.Bytes(english);
    w.U16(uint16_t(localized.size()));
    w.Utf16(localized);
    w.U16(Record.DVersion);
    w.U16(Record.Reserved);
    w.U32(Record.Build);
    w.U8(0);
    return data;
}

bool ReadSettingsRecord(const QByteArray& Data, TSettingsRecord& Record)
{
    try {
        TByteReader<ELangFileError> r(Data, QString());
        Record.Magic = r.Bytes(4);
        Record.Version = r.I32();
        Record.Locale = r.U16();
        Record.EnglishName = AnsiToWide(r.Bytes(r.U16()), SystemCodePage());
        Record.LocalizedName = r.Utf16(r.U16());
        Record.DVersion = r.U16();
        // Readers need nothing after the format version: a record that ends
        // there still names its language and format.
        Record.Reserved = r.Remaining() >= 2 ? r.U16() : 0;
        Record.Build = r.Remaining() >= 4 ? r.U32() : 0;
        return true;
    } catch (const ELangFileError&) {
        return false;
    }
}

void SaveOwnSection(const TLangFile& LF, TResProcessor& RP, uint16_t DVersion, bool ExeFile, bool UpdateVersion)
{
    TResRCData* rcdata = RP.RCData();
    if (!rcdata) rcdata = static_cast<TResRCData*>(RP.AddBlock(std::make_unique<TResRCData>(&RP)));
    TSettingsRecord record = RecordOfLanguage(LF, DVersion);
    bool isNew = false;
    TResRCDataItem* lib = FindOrAddItem(*rcdata, kLibSettingsName, isNew);
    StoreRecord(*lib, record, isNew, UpdateVersion);
    if (!ExeFile) return;
    // The executable record repeats the library record under its own magic.
    ReadSettingsRecord(lib->Buffer(), record);
    record.Magic = "QEXE";
    TResRCDataItem* exe = FindOrAddItem(*rcdata, kExeSettingsName, isNew);
    exe->Buffer() = WriteSettingsRecord(record);
    exe->Buffer().back() = lib->Buffer().back();
}

void UpdateResources(TLangFile& LF, TResProcessor& RP, TLocStorage* ALocStorage, bool UpdateVersion, bool CheckSync)
{
    if (!ALocStorage) {
        SaveOwnSection(LF, RP, TSettingsRecord::kDefaultDllFormatVersion, false, UpdateVersion);
        return;
    }
    const TResRCData* rcdata = RP.RCData();
    const TResRCDataItem* libItem = rcdata ? rcdata->ItemByName(kLibSettingsName) : nullptr;
    TSettingsRecord native;
    // Delphi's own run time loads app.DEU beside app.exe without any record:
    // such an executable passes when the caller turned the check off.
    const bool acceptMissing = !libItem && !LF.CheckDllValidity();
    if (!acceptMissing && (!libItem || !ReadSettingsRecord(libItem->Buffer(), native) || native.Magic != "LDLL"))
        throw ELangFileError(UiString(usInvalidNativeDll));
    const int column = LF.LangIndex();
    if (column < 0 || column >= ALocStorage->LangCount()) throw ELangFileError(QStringLiteral("Invalid index"));

    if (TResString* strings = RP.Strings()) {
        LF.SetNativeExeMismatch(false);
        LF.SetNativeExeMismatchText(QString());
        const bool useUntranslated = LF.Attribute(lfaUseUntranslated);
        for (const auto& unit : ALocStorage->Units())
            for (const auto& constant : unit->Constants()) {
                if (constant->StringID() <= 0) continue;
                TResStringItem* item = strings->ItemById(constant->StringID());
                if (!item) continue;
                const QString& native = constant->MainValue()->Value();
                if (CheckSync && item->Data() != native) {
                    LF.SetNativeExeMismatch(true);
                    LF.SetNativeExeMismatchText(item->Data() + QStringLiteral("\r\n") + native);
                }
                const TLocValue* lang = constant->Values().Items(column);
                item->SetData(lang->IsTranslated() || useUntranslated ? lang->Value() : native);
            }
    }

    TLocFormProcessor forms;
    forms.SetUnicodeProject(LF.Attribute(lfaUnicode));
    forms.SetProcessBiDiMode(LF.Attribute(lfaRightToLeft));
    forms.SetShowUntranslatedAsIs(LF.Attribute(lfaUseUntranslated));
    forms.SetLocStorage(ALocStorage);
    QStringList names;
    names.reserve(ALocStorage->Forms().Count());
    for (const auto& form : ALocStorage->Forms()) names << form->Name();
    forms.SetPrjForms(names);
    forms.SetLangIndex(column);
    forms.SetLangLocale(LF.Locale());
    forms.UpdateFormsByResource(RP);

    if (TResRCData* items = RP.RCData()) {
        items->DeleteByName(kExeSettingsName);
        items->DeleteByName(kLocLangsName);
    }
    SaveOwnSection(LF, RP, native.DVersion, false, UpdateVersion);
}

namespace {

void BuildImage(TLangFile& LF, TResProcessor& RP, QByteArray& Stream, TLocStorage* ALocStorage, bool UpdateVersion,
                bool CheckSync)
{
    UpdateResources(LF, RP, ALocStorage, UpdateVersion, CheckSync);
    QByteArray image;
    RP.CreateDLLStream(image);
    Stream = std::move(image);
}

} // namespace

void CreateLDLLStream(TLangFile& LF, QByteArray& Stream, const QString& APEFileName, TLocStorage* ALocStorage,
                      bool UpdateVersion, bool CheckSync)
{
    TResProcessor rp;
    rp.LoadPEFile(APEFileName);
    BuildImage(LF, rp, Stream, ALocStorage, UpdateVersion, CheckSync);
}

void CreateLDLLStream(TLangFile& LF, QByteArray& Stream, quintptr Module, TLocStorage* ALocStorage, bool UpdateVersion,
                      bool CheckSync)
{
    TResProcessor rp;
    rp.LoadFromModule(Module);
    BuildImage(LF, rp, Stream, ALocStorage, UpdateVersion, CheckSync);
}

void CreateLDLL(TLangFile& LF, const QString& AFileName, const QString& APEFileName, TLocStorage* ALocStorage,
                bool CheckSync)
{
    QByteArray image;
    CreateLDLLStream(LF, image, APEFileName, ALocStorage, false, CheckSync);
    WriteFileAtomic(AFileName, image);
}

namespace {

// The old DLL could not be replaced by the new one.
QString CanNotReplace(const QString& DllName, const EFileSystemError& e)
{
    return UiString(usCanNotDeleteFile, {QDir::toNativeSeparators(DllName)}) + QStringLiteral(": ") + e.Message();
}

// True when the PE file loads and its RCDATA holds an item of one of Names.
bool HasRCDataItem(const QString& FileName, std::initializer_list<QString> Names)
{
    try {
        TResProcessor rp;
        rp.LoadPEFile(FileName);
        const TResRCData* rcdata = rp.RCData();
        if (!rcdata) return false;
        for (const QString& name : Names)
            if (rcdata->IndexOfName(name) >= 0) return true;
        return false;
    } catch (const EVocabrixError&) {
        return false;
    }
}

} // namespace

bool IsLocalizedPEFile(const QString& FileName) { return HasRCDataItem(FileName, {kLibSettingsName}); }

QString LanguageDllName(const QString& LangFileName) { return WithoutLastExt(LangFileName); }

QString LanguageDllPath(const QString& PEFileName, const QString& LangFileName)
{
    return QFileInfo(PEFileName).absolutePath() + QLatin1Char('/') +
           QFileInfo(LanguageDllName(LangFileName)).fileName();
}

void CreateLanguageDll(const QString& LangFileName, const QString& PEFileName, bool CheckValidity)
{
    if (!QFileInfo::exists(LangFileName)) throw ELangFileError(FileDoesNotExist(LangFileName));
    const QString nativeFile = WithoutLastExt(WithoutLastExt(LangFileName)) + QStringLiteral(".ntv.lng");
    if (!QFileInfo::exists(nativeFile)) throw ELangFileError(FileDoesNotExist(nativeFile));

    TLangFileProject project;
    project.Open(nativeFile, false, true);
    project.OpenLanguage(LangFileName, true);
    TLangFile& lang = *project.LangFiles().Items(project.LangFiles().Count() - 1);
    if (lang.IsNative()) throw ELangFileError(UiString(usDllOfNativeFile));
    lang.SetCheckDllValidity(CheckValidity);

    const QString dllName = LanguageDllName(LangFileName);
    const bool existed = QFileInfo::exists(dllName);
    const bool checkSync = PrimaryLanguage(project.LangFiles().Items(0)->Locale()) == 9; // English
    try {
        CreateLDLL(lang, dllName, PEFileName, &project, checkSync);
    } catch (const EFileSystemError& e) {
        // The old DLL is still there, unchanged; the cause (a full disk, a
        // folder without write permission, ...) is what the user can act on.
        if (existed) throw ELangFileError(CanNotReplace(dllName, e));
        throw;
    }
}

// ------------------------------------------------------------------ TSyncDLL

void TSyncDLL::Log(const QString& FileName, const QString& Result)
{
    if (!FOutput.isEmpty()) FOutput += QStringLiteral("\r\n");
    FOutput += FileName + QStringLiteral(" ..... ") + Result;
    if (Result != QLatin1String("Ok")) FError = true;
}

QString TSyncDLL::Execute(const QString& APEFileName, const QString& ANativeLFName, bool SyncLF, bool SyncDll)
{
    FError = false;
    FOutput.clear();
    if (!QFileInfo::exists(ANativeLFName)) throw ELangFileError(FileDoesNotExist(ANativeLFName));

    // app.ntv.lng: app.*.lng, without app.ntv.lng itself.
    const QDir folder = QFileInfo(ANativeLFName).absoluteDir();
    QStringList languages;
    for (const QString& name :
         LanguageFileNames(folder, WithoutLastExt(WithoutLastExt(QFileInfo(ANativeLFName).fileName())))) {
        const QString secondExt = QFileInfo(WithoutLastExt(name)).suffix();
        if (secondExt.compare(QLatin1String("ntv"), Qt::CaseInsensitive) != 0) languages << folder.filePath(name);
    }

    TLangFileProject project;
    project.Open(ANativeLFName, false, true);
    try {
        for (const QString& lang : languages) SyncLanguage(project, lang, APEFileName, SyncLF, SyncDll);
    } catch (...) {
        FPrompt.Status(QString());
        throw;
    }
    FPrompt.Status(QString());
    return FError ? FOutput : QString();
}

void TSyncDLL::SyncLanguage(TLangFileProject& Project, const QString& LangFile, const QString& PEFileName, bool SyncLF,
                            bool SyncDll)
{
    FPrompt.Status(UiString(usSynchronizing, {QFileInfo(LangFile).fileName()}));
    const TLangFile& nativeFile = *Project.LangFiles().Items(0);
    bool versionDiffers;
    try {
        versionDiffers = TLangFile(LangFile, true).Version() != nativeFile.Version();
    } catch (const EVocabrixError& e) {
        Log(LangFile, UiString(usSyncInvalidLanguageFile, {e.Message()}));
        return;
    }
    if (!FNativeChanged && !versionDiffers && !SyncDll) return;
    try {
        Project.OpenLanguage(LangFile, !SyncLF);
    } catch (const EVocabrixError& e) {
        Log(LangFile, UiString(usSyncInvalidLanguageFile, {e.Message()}));
        return;
    }
    const int index = Project.LangFiles().Count() - 1;
    TLangFile& lang = *Project.LangFiles().Items(index);

    if (SyncLF && (FNativeChanged || versionDiffers)) {
        QString result = UiString(usSyncOk);
        if (lang.IsNative()) {
            result = UiString(usSyncIsNative);
        } else {
            lang.SetAttributes(uint16_t((lang.Attributes() & 0xFF00) | (nativeFile.Attributes() & 0x00FF)));
            lang.SetFormatVersion(nativeFile.FormatVersion());
            lang.SetVersion(nativeFile.Version());
            lang.SetPropertyMaxID(nativeFile.PropertyMaxID());
            lang.SetConstMaxID(nativeFile.ConstMaxID());
            if (lang.ReadOnly()) {
                result = UiString(usSyncReadOnly, {LangFile});
            } else {
                try {
                    lang.Save(&Project, index, false);
                } catch (const EVocabrixError& e) {
                    result = UiString(usSyncCannotSave, {e.Message()});
                }
            }
        }
        Log(LangFile, result);
    }

    const QString dll = LanguageDllPath(PEFileName, LangFile);
    // A DLL qualifies with either spelling of its settings record.
    if (SyncDll && QFileInfo::exists(dll) &&
        HasRCDataItem(dll, {kLibSettingsName, QStringLiteral("_OXV_LIBSETTINGS")})) {
        FPrompt.Status(UiString(usSynchronizing, {QFileInfo(dll).fileName()}));
        QString result = UiString(usSyncOk);
        try {
            if (lang.IsNative()) {
                result = UiString(usSyncIsNative);
            } else {
                // The old DLL is replaced only by a complete new one: a
                // failure of either kind leaves it in place.
                try {
                    CreateLDLL(lang, dll, PEFileName, &Project, false);
                } catch (const EFileSystemError& e) {
                    result = CanNotReplace(dll, e);
                } catch (const EVocabrixError& e) {
                    result = UiString(usSyncCannotCreateDll, {e.Message()});
                }
            }
        } catch (const std::exception& e) {
            result = UiString(usSyncUnknownError, {QString::fromUtf8(e.what())});
        }
        Log(dll, result);
    }

    bool allowClose = true;
    Project.CloseLanguage(index, allowClose);
}
