#include "repository/Libraries.h"

#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LangFileProject.h"
#include "platform/Settings.h"
#include "storage/Locales.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Whether FileName opens as a native language file.
bool IsNativeLanguageFile(const QString& FileName)
{
    if (!QFileInfo(FileName).isFile()) return false;
    try {
        return TLangFile(FileName, true).IsNative();
    } catch (const EVocabrixError&) {
        return false;
    }
}

QString NativeFileOf(const QDir& Folder)
{
    const QString ini = Folder.filePath(QStringLiteral("lib.ini"));
    if (QFileInfo::exists(ini)) {
        try {
            const TIniFile settings = TIniFile::Load(ini);
            QString ext =
                settings.ReadString(QStringLiteral("Common"), QStringLiteral("NativeExt"), QStringLiteral("EN"));
            if (!ext.startsWith(QLatin1Char('.'))) ext.prepend(QLatin1Char('.'));
            const QString file = Folder.filePath(
                settings.ReadString(QStringLiteral("Common"), QStringLiteral("FileName"), Folder.dirName()) + ext +
                QStringLiteral(".lng"));
            if (IsNativeLanguageFile(file)) return file;
        } catch (const EVocabrixError&) {
        }
    }
    for (const QString& name : Folder.entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Unsorted))
        if (IsNativeLanguageFile(Folder.filePath(name))) return Folder.filePath(name);
    return QString();
}

QString LibraryDisplayNameOf(const QDir& Folder)
{
    const QString ini = Folder.filePath(QStringLiteral("lib.ini"));
    QString name;
    if (QFileInfo::exists(ini)) {
        try {
            name = TIniFile::Load(ini).ReadString(QStringLiteral("Common"), QStringLiteral("Name"), QString());
        } catch (const EVocabrixError&) {
        }
    }
    return name.isEmpty() ? Folder.dirName() : name;
}

// Copies the library's texts into column Index; returns whether any was taken.
bool TakeOver(TLangFileProject& Project, const TLocStorage& Library, int Index, double Now)
{
    bool taken = false;
    auto take = [&](TLocItem* Target, const TLocItem* Source) {
        if (!Target) return;
        TLocValue* value = Target->Values().Items(Index);
        value->SetValue(Source->MainValue()->Value());
        value->SetModified(Now);
        value->SetValueVersion(Target->MainValue()->ValueVersion());
        taken = true;
    };
    for (const auto& unit : Library.Units())
        for (const auto& constant : unit->Constants())
            take(unit->Attribute(uaMatchByName) ? Project.FindConstant(unit->Name(), constant->Name())
                                                : Project.FindConstByID(constant->StringID()),
                 constant.get());
    for (const auto& form : Library.Forms()) {
        for (const auto& prop : form->Properties())
            take(Project.FindProperty(form->Name(), QString(), prop->Name()), prop.get());
        for (const auto& comp : form->Components())
            for (const auto& prop : comp->Properties())
                take(Project.FindProperty(form->Name(), comp->Name(), prop->Name()), prop.get());
    }
    return taken;
}

} // namespace

QStringList CombineLibraryFolders(const QString& UserLibraryPath, const QString& MachineLibraryPath,
                                  const QStringList& MachineEntries, const QString& RootDir)
{
    QStringList folders;
    if (!UserLibraryPath.trimmed().isEmpty()) {
        folders = UserLibraryPath.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    } else {
        for (const QString& entry : MachineLibraryPath.split(QLatin1Char(';'), Qt::SkipEmptyParts) + MachineEntries)
            if (!folders.contains(entry.toLower())) folders << entry.toLower();
    }
    QStringList result;
    for (const QString& folder : folders) {
        const QString trimmed = QDir::fromNativeSeparators(folder.trimmed());
        if (!trimmed.isEmpty()) result << QDir::cleanPath(QDir(RootDir).filePath(trimmed));
    }
    return result;
}

QStringList LibraryFolders(const QString& UserLibraryPath, const QString& RootDir)
{
    const TSettingsKey machine(QString(), TSettingsKey::rtMachine);
    const TSettingsKey entries(QStringLiteral("Libraries"), TSettingsKey::rtMachine);
    return CombineLibraryFolders(UserLibraryPath, machine.ReadString(QStringLiteral("LibraryPath"), QString()),
                                 entries.ValueNames(), RootDir);
}

QList<TLibrary> FindLibraries(const QStringList& Folders)
{
    QList<TLibrary> libraries;
    for (const QString& folder : Folders) {
        const QDir dir(folder);
        for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
            const QDir library(dir.filePath(sub));
            libraries.append({LibraryDisplayNameOf(library), library.path(), NativeFileOf(library)});
        }
    }
    return libraries;
}

QString LibraryLanguageFile(const QString& NativeFile, int Locale)
{
    const QFileInfo info(NativeFile);
    const QString stem = info.dir().filePath(info.fileName().section(QLatin1Char('.'), 0, 0));
    for (const int locale : {Locale, Locale & 0xFF}) {
        QString abbreviation;
        try {
            abbreviation = LocaleAbbreviation(locale);
        } catch (const EVocabrixError&) {
            continue;
        }
        const QString file = stem + QLatin1Char('.') + abbreviation + QStringLiteral(".lng");
        if (QFileInfo(file).isFile()) return file;
    }
    return QString();
}

TApplyLibrariesResult ApplyLibraries(TLangFileProject& Project, const QList<TLibrary>& Libraries, TPrompt& Prompt,
                                     double Now)
{
    TApplyLibrariesResult result;
    QStringList log;
    Prompt.Status(UiString(usApplyingLibraries));
    for (int i = 1; i < Project.LangFiles().Count(); ++i) {
        TLangFile* lang = Project.LangFiles().Items(i);
        if (lang->IsNative()) continue;
        const QString name = lang->LangEnglishName();
        log << QStringLiteral("----------- ") + name + QStringLiteral(" begin -----------");
        bool taken = false;
        for (const TLibrary& library : Libraries) {
            Prompt.Status(UiString(usApplyingLibrary, {library.Name, name}));
            TUiString outcome = usSyncOk;
            const QString file =
                library.NativeFile.isEmpty() ? QString() : LibraryLanguageFile(library.NativeFile, lang->Locale());
            if (file.isEmpty()) {
                outcome = usLibraryFileMissing;
            } else {
                try {
                    TLocStorage storage;
                    TLangFile(file, true).Load(&storage, -1, 0);
                    taken = TakeOver(Project, storage, lang->LangIndex(), Now) || taken;
                } catch (const EVocabrixError&) {
                    outcome = usLibraryFileInvalid;
                }
            }
            result.Problem = result.Problem || outcome != usSyncOk;
            log << QStringLiteral("  ") + library.Name + QStringLiteral(" ..... ") + UiString(outcome);
        }
        if (taken) lang->SetModified(true);
        log << QStringLiteral("----------- ") + name + QStringLiteral(" end   -----------") << QString();
    }
    Prompt.Status(QString());
    result.Log = log.join(QStringLiteral("\r\n"));
    return result;
}
