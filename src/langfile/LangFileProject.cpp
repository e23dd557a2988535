#include "langfile/LangFileProject.h"

#include "core/FileNames.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "storage/Locales.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString OpenError(const QString& fileName)
{
    return UiString(usErrorOpeningProject, {QDir::toNativeSeparators(fileName)});
}
} // namespace

TLangFileProject::TLangFileProject() = default;

TLangFileProject::~TLangFileProject()
{
    // The files unlock themselves; the storage frees the sections.
    FLangFiles.Clear();
}

void TLangFileProject::Open(const QString& ANativeFileName, bool ALibrary, bool AReadOnly)
{
    DoOpen(ANativeFileName, ALibrary, AReadOnly);
}

bool TLangFileProject::Close(bool SaveNative) { return DoClose(SaveNative); }

void TLangFileProject::OpenLanguage(const QString& AFileName, bool AReadOnly) { DoOpenLanguage(AFileName, AReadOnly); }

bool TLangFileProject::CloseLanguage(int Index, bool& AllowClose) { return DoCloseLanguage(Index, AllowClose); }

void TLangFileProject::DoOpen(const QString& ANativeFileName, bool ALibrary, bool AReadOnly)
{
    if (!Close(false)) return;
    if (!QFileInfo::exists(ANativeFileName))
        throw ELangFileError(OpenError(ANativeFileName) + QStringLiteral("\r\n") + UiString(usFileMissing));
    FIsLibrary = ALibrary;
    auto file = std::make_unique<TLangFile>(ANativeFileName, AReadOnly);
    if (!file->IsNative())
        throw ELangFileError(OpenError(ANativeFileName) + QStringLiteral("\r\n") + UiString(usLanguageFileNotNative));
    TLangFile* f = file.get();
    FLangFiles.Add(std::move(file));
    SetMainLangID(f->Locale());
    try {
        f->Load(this, -1, 0);
        f->Lock();
    } catch (const EVocabrixError& e) {
        FLangFiles.Clear();
        ClearSections();
        throw ELangFileError(OpenError(ANativeFileName) + QStringLiteral("\r\n") + e.Message());
    }
    f->SetLangIndex(0);
    FNativeFileName = ANativeFileName;
}

bool TLangFileProject::DoClose(bool)
{
    ClearSections();
    FLangFiles.Clear();
    FNativeFileName.clear();
    return true;
}

void TLangFileProject::DoOpenLanguage(const QString& AFileName, bool AReadOnly)
{
    auto file = std::make_unique<TLangFile>(AFileName, AReadOnly);
    TLangFile* f = file.get();
    const int base = std::max(0, FLangFiles.IndexByLangID(f->BasedOnLangID()));
    const int index = FLangFiles.Add(std::move(file));
    f->SetLangIndex(index);
    bool columnAdded = false;
    try {
        AddLanguage(base, f->Locale());
        columnAdded = true;
        f->Load(this, index, 0);
        f->Lock();
    } catch (const EVocabrixError& e) {
        if (columnAdded) RemoveLanguage(index);
        FLangFiles.Erase(index);
        // The reader's message is the only clue to what is wrong with the file.
        throw ELangFileError(UiString(usCouldNotLoadLanguageFile) + QStringLiteral("\r\n") +
                             NamingFile(AFileName, e.Message()));
    }
    if (FLangFiles.Count() > 0) f->SetCompressed(FLangFiles.Items(0)->Compressed());
}

bool TLangFileProject::DoCloseLanguage(int Index, bool& AllowClose)
{
    AllowClose = true;
    RemoveLanguage(Index);
    for (int i = Index + 1; i < FLangFiles.Count(); ++i) FLangFiles.Items(i)->SetLangIndex(i - 1);
    FLangFiles.Erase(Index);
    return true;
}

void TLangFileProject::SaveLanguage(int Index)
{
    TLangFile* f = FLangFiles.Items(Index);
    if (f->ReadOnly()) return;
    try {
        const TLangFile* native = FLangFiles.Items(0);
        f->SetFormatVersion(native->FormatVersion());
        if (ExtGroups().Count() > 0 && f->FormatVersion() < 7) f->UpdateFormatVersion();
        f->SetVersion(native->Version());
        f->Save(this, Index, false);
        f->SetModified(false);
    } catch (const EVocabrixError& e) {
        throw ELangFileError(UiString(usCouldNotSaveLanguageFile) + QLatin1Char('\r') + e.Message());
    }
}

int TLangFileProject::GetLangIndex(const QString& AFileName) const
{
    for (int i = 0; i < FLangFiles.Count(); ++i)
        if (CompareNames(QFileInfo(FLangFiles.Items(i)->FileName()).fileName(), AFileName, false) == 0) return i;
    return -1;
}

QStringList LanguageFileNames(const QDir& Folder, const QString& Stem)
{
    const QString prefix = Stem + QLatin1Char('.');
    const QLatin1String lng(".lng");
    QStringList names = Folder.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    names.removeIf([&](const QString& name) {
        return name.size() < prefix.size() + lng.size() || !name.startsWith(prefix, Qt::CaseInsensitive) ||
               !name.endsWith(lng, Qt::CaseInsensitive);
    });
    return names;
}

QStringList BatchLanguageFiles(const QString& NativeFileName, const QStringList& Codes, bool IncludeNative)
{
    const QFileInfo info(NativeFileName);
    const QDir folder = info.dir();
    const QLatin1String ntv(".ntv.lng");
    QStringList files;
    if (Codes.isEmpty() || (Codes.size() == 1 && Codes[0].compare(QLatin1String("ALL"), Qt::CaseInsensitive) == 0)) {
        for (const QString& name : LanguageFileNames(folder, WithoutLastExt(WithoutLastExt(info.fileName())))) {
            if (!IncludeNative && name.contains(ntv, Qt::CaseInsensitive)) continue;
            files << folder.filePath(name);
        }
        return files;
    }
    const QString name = info.fileName();
    const qsizetype at = name.lastIndexOf(ntv, -1, Qt::CaseInsensitive);
    const QString stem = at < 0 ? WithoutLastExt(name) : name.left(at);
    for (const QString& code : Codes) {
        const QString file = folder.filePath(stem + QLatin1Char('.') + code + QLatin1String(".lng"));
        if (QFileInfo(file).isFile() && !files.contains(file)) files << file;
    }
    return files;
}

void RepairProject(const QString& NativeFileName, TPrompt& Prompt)
{
    const QFileInfo info(NativeFileName);
    if (!info.exists()) {
        Prompt.Message(mkError, UiString(usFileNotExist, {QDir::toNativeSeparators(NativeFileName)}), mbOK, mrOk);
        return;
    }
    try {
        TLocStorage storage;
        TLangFile native(NativeFileName, false);
        if (!native.IsNative()) {
            Prompt.Message(mkError, UiString(usNotNativeFile, {info.fileName()}), mbOK, mrOk);
            return;
        }
        Prompt.Status(UiString(usProcessingNative, {info.fileName()}));
        native.Load(&storage, -1, loRepair);
        native.Save(&storage, 0, false);

        const QString stem = info.fileName().section(QLatin1Char('.'), 0, 0);
        for (const QString& name : LanguageFileNames(info.dir(), stem)) {
            const qsizetype dot = name.indexOf(QLatin1Char('.'));
            if (name.mid(dot).compare(QLatin1String(".ntv.lng"), Qt::CaseInsensitive) == 0) continue;
            Prompt.Status(UiString(usProcessingLanguage, {name}));
            TLangFile lang(info.dir().filePath(name), false);
            const int column = storage.AddLanguage(0, lang.Locale());
            // The native texts were read in the native code page; re-read them
            // as text of the language so untranslated items keep their bytes.
            storage.ForEachItem([&](TLocItem* item) {
                if (dynamic_cast<TLocExtItem*>(item)) return;
                TLocValue* v = item->Values().Items(column);
                v->SetValue(RecodeText(v->Value(), storage.MainLangID(), lang.Locale()));
            });
            lang.Load(&storage, column, loSyncByName);
            lang.Save(&storage, column, false);
            storage.RemoveLanguage(column);
        }
    } catch (const EVocabrixError& e) {
        Prompt.Status(QString());
        Prompt.Message(mkError, e.Message(), mbOK, mrOk);
        return;
    }
    Prompt.Status(QString());
    Prompt.Message(mkInformation, UiString(usRepairCompleted), mbOK, mrOk);
}
