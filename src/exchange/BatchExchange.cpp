#include "exchange/BatchExchange.h"

#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LangFileProject.h"
#include "platform/Settings.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A missing file leaves the defaults; one that is not a configuration file
// ends the run with its name rather than running with the defaults unnoticed.
TIniFile ReadCfg(const QString& FileName) { return TIniFile::LoadConfig(FileName).value_or(TIniFile()); }

// The file's language in the project: the native one, one already open, or
// opened now.
int LanguageIndex(TLangFileProject& Project, const QString& FileName, bool ReadOnly)
{
    if (QFileInfo(FileName) == QFileInfo(Project.NativeFileName())) return 0;
    const int open = Project.GetLangIndex(QFileInfo(FileName).fileName());
    if (open >= 0) return open;
    Project.OpenLanguage(FileName, ReadOnly);
    return Project.LangFiles().Count() - 1;
}

QString ExchangeFileName(const QString& Folder, const QString& LangFileName, TBatchFormat Format)
{
    QString base = QFileInfo(LangFileName).fileName();
    if (base.endsWith(QLatin1String(".lng"), Qt::CaseInsensitive)) base.chop(4);
    return QDir(Folder).filePath(base + BatchExchangeExtension(Format));
}

void ReportFileError(TPrompt& Prompt, const QString& FileName, const QString& Message)
{
    Prompt.Message(mkError, QStringLiteral("%1: %2").arg(QFileInfo(FileName).fileName(), Message), mbOK, mrOk);
}

} // namespace

QString BatchExchangeExtension(TBatchFormat Format)
{
    switch (Format) {
    case bfText:
        return QStringLiteral(".txt");
    case bfXml:
        return QStringLiteral(".xml");
    default:
        return QStringLiteral(".xlf");
    }
}

TExportOptions ReadExportOptions(const TIniFile& Cfg)
{
    const QString s = QStringLiteral("Export");
    TExportOptions o;
    o.Delimiter = Cfg.ReadString(s, QStringLiteral("Delimiter"), o.Delimiter);
    o.IncludeID = Cfg.ReadBool(s, QStringLiteral("IncludeID"), o.IncludeID);
    o.IncludeStringID = Cfg.ReadBool(s, QStringLiteral("IncludeStringID"), o.IncludeStringID);
    o.IncludeNames = Cfg.ReadBool(s, QStringLiteral("IncludeNames"), o.IncludeNames);
    o.Translated = Cfg.ReadBool(s, QStringLiteral("Translated"), o.Translated);
    o.Untranslated = Cfg.ReadBool(s, QStringLiteral("Untranslated"), o.Untranslated);
    o.Untranslatable = Cfg.ReadBool(s, QStringLiteral("Untranslatable"), o.Untranslatable);
    o.Encoding = Cfg.ReadInteger(s, QStringLiteral("Encoding"), o.Encoding);
    return o;
}

TImportOptions ReadImportOptions(const TIniFile& Cfg)
{
    const QString s = QStringLiteral("Import");
    TImportOptions o;
    o.ChangeTranslated = Cfg.ReadBool(s, QStringLiteral("ChangeTranslated"), o.ChangeTranslated);
    o.SyncBy = Cfg.ReadInteger(s, QStringLiteral("SyncBy"), 0) == 1 ? sbNames : sbIDs;
    return o;
}

bool RunBatchExport(const TBatchExchange& Run, TPrompt& Prompt)
{
    const QString folder = Run.Folder.isEmpty() ? QFileInfo(Run.ProjectFile).absolutePath() : Run.Folder;
    const QStringList files = BatchLanguageFiles(Run.ProjectFile, Run.Codes, true);
    const TExportOptions options = ReadExportOptions(ReadCfg(Run.CfgFile));
    const TExportKind kind = Run.Format == bfText      ? ekText
                             : Run.Format == bfXml     ? ekXml
                             : Run.Format == bfXliff12 ? ekXliff12
                                                       : ekXliff20;
    // A build script names a folder of its own: it is made when missing.
    QDir().mkpath(folder);
    TLangFileProject project;
    project.Open(Run.ProjectFile, false, true);
    bool ok = true;
    Prompt.ProgressBegin(UiString(usExportingLanguageFiles), files.size());
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (!Prompt.ProgressStep(i)) {
            Prompt.ProgressEnd();
            Prompt.Message(mkInformation, UiString(usExportTerminated), mbOK, mrOk);
            return false;
        }
        Prompt.ProgressText(QFileInfo(files[i]).fileName());
        try {
            const int index = LanguageIndex(project, files[i], true);
            ExportLanguage(project, index, ExchangeFileName(folder, files[i], Run.Format), kind, options, {}, nullptr);
        } catch (const EVocabrixError& e) {
            ReportFileError(Prompt, files[i], e.Message());
            ok = false;
        }
    }
    Prompt.ProgressEnd();
    return ok;
}

bool RunBatchImport(const TBatchExchange& Run, TPrompt& Prompt)
{
    const QString folder = Run.Folder.isEmpty() ? QFileInfo(Run.ProjectFile).absolutePath() : Run.Folder;
    const TImportOptions options = ReadImportOptions(ReadCfg(Run.CfgFile));
    const TImportKind kind = Run.Format == bfText ? ikText : Run.Format == bfXml ? ikXml : ikXliff;
    // Only files with a source take part; the native file goes first.
    QStringList files;
    for (const QString& file : BatchLanguageFiles(Run.ProjectFile, Run.Codes, true)) {
        if (!QFileInfo::exists(ExchangeFileName(folder, file, Run.Format))) continue;
        if (QFileInfo(file) == QFileInfo(Run.ProjectFile))
            files.prepend(file);
        else
            files << file;
    }
    TLangFileProject project;
    project.Open(Run.ProjectFile, false, false);
    bool ok = true;
    Prompt.ProgressBegin(UiString(usImportingLanguageFiles), files.size());
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (!Prompt.ProgressStep(i)) {
            Prompt.ProgressEnd();
            Prompt.Message(mkInformation, UiString(usImportTerminated), mbOK, mrOk);
            return false;
        }
        Prompt.ProgressText(QFileInfo(files[i]).fileName());
        try {
            const int index = LanguageIndex(project, files[i], false);
            // A file another program holds open could not be saved afterwards.
            if (project.LangFiles().Items(index)->ReadOnly())
                throw EExchangeError(QStringLiteral("The language file is read-only"));
            ImportLanguage(project, index, ExchangeFileName(folder, files[i], Run.Format), kind, options, {}, nullptr);
            if (project.LangFiles().Items(index)->Modified()) project.SaveLanguage(index);
        } catch (const EVocabrixError& e) {
            ReportFileError(Prompt, files[i], e.Message());
            ok = false;
        }
    }
    Prompt.ProgressEnd();
    return ok;
}
