#include "app/Batch.h"

#include "core/Prompt.h"
#include "core/TerminalText.h"
#include "exchange/BatchExchange.h"
#include "exchange/BatchMachineTranslation.h"
#include "langfile/LangCreation.h"
#include "langfile/LangFileProject.h"
#include "langfile/ProjectStats.h"
#include "repository/BatchTranslation.h"
#include "resources/DllBuilder.h"
#include "resources/PEReader.h"
#include "resources/ProjectExtractor.h"
#include "resources/ResInfo.h"

#include <QFileInfo>
#include <QTextStream>
#include <vector>

namespace {

// A batch run cannot show the synchronisation log in a window: a log that
// reports a failure ends the run with it on stderr.
void BatchSync(const TStartOptions& Options, TPrompt& Prompt, bool SyncLF, bool SyncDll)
{
    // Without DLLs to rebuild the synchronisation would never read the
    // executable, and a missing one would pass unnoticed.
    const QFileInfo executable(Options.PEFile);
    if (!executable.isFile())
        throw ELangFileError(QStringLiteral("The executable \"%1\" does not exist").arg(Options.PEFile));
    if (executable.size() == 0)
        throw ELangFileError(QStringLiteral("The executable \"%1\" is empty").arg(Options.PEFile));
    try {
        TPEReader check(Options.PEFile);
    } catch (const EVocabrixError& e) {
        throw ELangFileError(
            QStringLiteral("The executable \"%1\" cannot be read: %2").arg(Options.PEFile, e.Message()));
    }
    TSyncDLL sync(Prompt);
    const QString log = sync.Execute(Options.PEFile, Options.ProjectFile, SyncLF, SyncDll);
    if (!log.isEmpty()) throw ELangFileError(log);
}

void BatchSyncAll(const TStartOptions& Options, TPrompt& Prompt) { BatchSync(Options, Prompt, true, true); }

void BatchSyncDlls(const TStartOptions& Options, TPrompt& Prompt) { BatchSync(Options, Prompt, false, true); }

void BatchSyncLangFiles(const TStartOptions& Options, TPrompt& Prompt) { BatchSync(Options, Prompt, true, false); }

void BatchBuildDll(const TStartOptions& Options, TPrompt&)
{
    CreateLanguageDll(Options.ProjectFile, Options.PEFile, !Options.NoSettings);
}

// A build script reads the verdict per language from stdout.
void BatchTranslate(const TStartOptions& Options, TPrompt& Prompt)
{
    TBatchTranslation job{Options.ProjectFile, *Options.TranslateList, Options.Repository, Options.CfgFile};
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    for (const TBatchTranslationLine& line : RunBatchTranslation(job, Prompt)) {
        out << QStringLiteral("%1: %2 translated, %3 untranslated")
                   .arg(EscapeControls(line.Code))
                   .arg(line.Translated)
                   .arg(line.Untranslated);
        if (line.Fuzzy >= 0) out << QStringLiteral(" (%1 filled from fuzzy matches)").arg(line.Fuzzy);
        out << QLatin1Char('\n');
    }
}

// Memory first (-translate: runs before), the engine for the rest.
void BatchMachineTranslate(const TStartOptions& Options, TPrompt& Prompt)
{
    const TBatchMachineTranslation job{Options.ProjectFile, *Options.MtList, Options.MtProvider, Options.MtHost,
                                       Options.MtKey};
    const QList<TBatchMachineTranslationLine> lines = RunBatchMachineTranslation(job, Prompt);
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    for (const TBatchMachineTranslationLine& line : lines)
        out << QStringLiteral("%1: %2 drafted, %3 failed\n").arg(line.Code).arg(line.Drafted).arg(line.Failed);
}

// -export: and -import: report a failing file and go on with the next; the
// run then ends with exit code 1.
TBatchExchange BatchExchangeRun(const TStartOptions& Options, const QStringList& Codes, const QString& Folder)
{
    TBatchExchange run;
    run.ProjectFile = Options.ProjectFile;
    run.Codes = Codes;
    run.Folder = Folder;
    run.CfgFile = Options.CfgFile;
    run.Format = Options.Xliff2 ? bfXliff20 : Options.Xliff ? bfXliff12 : Options.Xml ? bfXml : bfText;
    return run;
}

void BatchExport(const TStartOptions& Options, TPrompt& Prompt)
{
    if (!RunBatchExport(BatchExchangeRun(Options, *Options.ExportList, Options.OutDir), Prompt)) throw EBatchExit(1);
}

void BatchImport(const TStartOptions& Options, TPrompt& Prompt)
{
    if (!RunBatchImport(BatchExchangeRun(Options, *Options.ImportList, Options.InDir), Prompt)) throw EBatchExit(1);
}

// -repimport: / -repexport: print one summary line each on stdout.
void BatchRepImport(const TStartOptions& Options, TPrompt& Prompt)
{
    qint64 entries = 0;
    const bool completed = RunBatchRepositoryImport(Options.Repository, Options.RepImportFile, Prompt, entries);
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    out << EscapeControls(QFileInfo(Options.RepImportFile).fileName())
        << QStringLiteral(": %1 entries imported\n").arg(entries);
    if (!completed) throw EBatchExit(1);
}

void BatchRepExport(const TStartOptions& Options, TPrompt& Prompt)
{
    const qint64 written = RunBatchRepositoryExport(Options.Repository, Options.RepExportFile, Prompt);
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    out << EscapeControls(QFileInfo(Options.RepExportFile).fileName())
        << QStringLiteral(": %1 records exported\n").arg(written);
}

void BatchRepCopy(const TStartOptions& Options, TPrompt& Prompt)
{
    const TRepositoryCopy copy = RunBatchRepositoryCopy(Options.Repository, Options.RepCopyTarget, Prompt);
    QTextStream out(stdout);
    out << QStringLiteral("%1 records in %2 languages copied, %3 of them already there")
               .arg(copy.Records)
               .arg(copy.Languages)
               .arg(copy.Skipped);
    if (copy.LeftOut > 0)
        out << QStringLiteral(", %1 left out (a text with a NUL character or an unpaired surrogate)").arg(copy.LeftOut);
    out << '\n';
}

struct TBatchOperation {
    bool (*Requested)(const TStartOptions&);
    void (*Run)(const TStartOptions&, TPrompt&); // nullptr: not part of this build
    bool NeedsProject;
};

// The fixed order in which a run performs what its switches ask for.
const TBatchOperation kBatchOperations[] = {
    {[](const TStartOptions& o) { return o.Extract.has_value(); }, BatchExtract, true},
    {[](const TStartOptions& o) { return o.CreateList.has_value(); }, BatchCreateLanguages, true},
    {[](const TStartOptions& o) { return !o.ResInfoFile.isEmpty(); }, BatchResInfo, false},
    {[](const TStartOptions& o) { return o.SyncAll; }, BatchSyncAll, true},
    {[](const TStartOptions& o) { return o.SyncDlls; }, BatchSyncDlls, true},
    {[](const TStartOptions& o) { return o.SyncLangFiles; }, BatchSyncLangFiles, true},
    {[](const TStartOptions& o) { return o.BuildDll; }, BatchBuildDll, true},
    {[](const TStartOptions& o) { return o.ExportList.has_value(); }, BatchExport, true},
    {[](const TStartOptions& o) { return o.ImportList.has_value(); }, BatchImport, true},
    {[](const TStartOptions& o) { return !o.RepImportFile.isEmpty(); }, BatchRepImport, false},
    {[](const TStartOptions& o) { return o.TranslateList.has_value(); }, BatchTranslate, true},
    {[](const TStartOptions& o) { return o.MtList.has_value(); }, BatchMachineTranslate, true},
    {[](const TStartOptions& o) { return o.Stats.has_value(); }, BatchStats, true},
    {[](const TStartOptions& o) { return !o.RepExportFile.isEmpty(); }, BatchRepExport, false},
    {[](const TStartOptions& o) { return !o.RepCopyTarget.isEmpty(); }, BatchRepCopy, false},
};

void CheckRunnable(const TStartOptions& o)
{
    for (const TBatchOperation& op : kBatchOperations) {
        if (!op.Requested(o)) continue;
        if (!op.Run) throw ECommandLineError(QStringLiteral("This operation is not available in this build"));
        if (op.NeedsProject && o.ProjectFile.isEmpty())
            throw ECommandLineError(QStringLiteral("No project file is given on the command line"));
    }
    if (!o.MtProvider.isEmpty() && !MtProviderByName(o.MtProvider))
        throw ECommandLineError(QStringLiteral("Unknown machine translation engine \"%1\" (known: %2)")
                                    .arg(o.MtProvider, MtProviderNames().join(QLatin1String(", "))));
}

void ReportError(TPrompt& Prompt, QString Text)
{
    // Messages join their lines with CR LF or CR as dialogs expect; a
    // terminal wants plain line feeds.
    Text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    Prompt.Message(mkError, Text, mbOK, mrOk);
}

} // namespace

bool IsBatchRun(const TStartOptions& Options)
{
    for (const TBatchOperation& op : kBatchOperations)
        if (op.Requested(Options)) return true;
    return false;
}

int RunBatch(const TStartOptions& Options, TPrompt& Prompt)
{
    try {
        // Everything that makes the command line unusable is found before
        // any operation changes a file.
        CheckRunnable(Options);
        int code = 0;
        for (const TBatchOperation& op : kBatchOperations) {
            if (!op.Requested(Options)) continue;
            try {
                op.Run(Options, Prompt);
            } catch (const EBatchExit& e) {
                if (!e.GoOn()) throw;
                code = e.Code();
            }
        }
        return code;
    } catch (const EBatchExit& e) {
        return e.Code();
    } catch (const ECommandLineError& e) {
        ReportError(Prompt, e.Message());
        return 2;
    } catch (const EVocabrixError& e) {
        ReportError(Prompt, e.Message());
        return 1;
    } catch (const std::exception& e) {
        ReportError(Prompt, QString::fromUtf8(e.what()));
        return 1;
    }
}

void BatchResInfo(const TStartOptions& Options, TPrompt&)
{
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    out << ResInfoReport(Options.ResInfoFile);
}

void BatchStats(const TStartOptions& Options, TPrompt&)
{
    const QString mode = *Options.Stats;
    if (!mode.isEmpty() && mode.compare(QLatin1String("strict"), Qt::CaseInsensitive) != 0)
        throw ECommandLineError(
            QStringLiteral("Unknown statistics mode \"%1\" (use -stats or -stats:strict)").arg(mode));
    QTextStream out(stdout), err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    const int code = RunProjectStats(Options.ProjectFile, !mode.isEmpty(), out, err);
    if (code != 0) throw EBatchExit(code);
}

void BatchExtract(const TStartOptions& Options, TPrompt& Prompt)
{
    const QString mode = *Options.Extract;
    if (!mode.isEmpty() && mode.compare(QLatin1String("layout"), Qt::CaseInsensitive) != 0)
        throw ECommandLineError(
            QStringLiteral("Unknown extraction mode \"%1\" (use -extract or -extract:layout)").arg(mode));
    const TExtractSummary summary =
        ExtractProject(Options.PEFile, Options.ProjectFile, {Options.DrcFile, Options.RulesFile, !mode.isEmpty()});
    for (const QString& warning : summary.Warnings) Prompt.Message(mkWarning, warning, mbOK, mrOk);
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    out << EscapeControls(QFileInfo(Options.ProjectFile).fileName()) << QStringLiteral(": ") << summary.Text() << '\n';
}

QString BatchLanguageFileName(const QString& ProjectFile, const QString& Code)
{
    const qsizetype nameStart = ProjectFile.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = ProjectFile.indexOf(QLatin1Char('.'), nameStart);
    return (dot < 0 ? ProjectFile : ProjectFile.left(dot)) + QLatin1Char('.') + Code + QStringLiteral(".lng");
}

void BatchCreateLanguages(const TStartOptions& Options, TPrompt& Prompt)
{
    // A code given twice would write its file twice.
    QStringList codes = *Options.CreateList;
    codes.removeDuplicates();
    std::vector<uint16_t> locales;
    for (const QString& code : codes) locales.push_back(LocaleOfLanguageCode(code));

    TLangFileProject project;
    project.Open(Options.ProjectFile, false, true);
    bool kept = false;
    for (qsizetype i = 0; i < codes.size(); ++i) {
        const QString fileName = BatchLanguageFileName(Options.ProjectFile, codes[i]);
        // An existing file may hold a translator's work: it is never replaced here.
        if (QFileInfo::exists(fileName)) {
            Prompt.Message(mkWarning,
                           QStringLiteral("Language file \"%1\" already exists; it is kept as it is").arg(fileName),
                           mbOK, mrOk);
            kept = true;
            continue;
        }
        Prompt.Status(QStringLiteral("Creating %1......").arg(QFileInfo(fileName).fileName()));
        try {
            CreateLanguageFile(project, fileName, NewLanguageOfLocale(locales[size_t(i)]));
        } catch (...) {
            Prompt.Status(QString());
            throw;
        }
        Prompt.Status(QString());
    }
    project.Close(false);
    if (kept) throw EBatchExit(kBatchExitKept, true);
}
