#include "langfile/checks/BatchChecks.h"

#include "langfile/checks/AcceptedFindings.h"
#include "langfile/checks/CheckRegistry.h"
#include "langfile/checks/CheckRunner.h"

#include "core/FileNames.h"
#include "core/TerminalText.h"
#include "langfile/LEProject.h"
#include "langfile/LanguageNaming.h"
#include "resources/MenuLevels.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace {

// A message or name on one line of a log, whatever its text holds.
QString OneLine(const QString& Text)
{
    QString t = Text;
    t.replace(QLatin1Char('\r'), QLatin1String("\\r")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
    t.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    return TerminalText(t);
}

QString SeverityName(TCheckSeverity s) { return s == csError ? QStringLiteral("error") : QStringLiteral("warning"); }

QString ShownPath(const QString& FileName)
{
    const QString relative = QDir::current().relativeFilePath(FileName);
    return relative.startsWith(QLatin1String("../")) ? QDir::toNativeSeparators(FileName) : relative;
}

} // namespace

int RunProjectChecks(const QString& NativeFile, const TBatchCheckMode& Mode, QTextStream& Out, QTextStream& Err)
{
    int exitCode = 0;
    bool errors = false, firstJson = true;
    if (Mode.Json) Out << "[";
    try {
        TLangFileProject project;
        const QString nativeFile = QFileInfo(NativeFile).absoluteFilePath();
        project.Open(nativeFile, false, true);
        for (const QString& failure : OpenEveryLanguage(project)) {
            Err << TerminalText(failure) << '\n';
            exitCode = 1;
        }
        TCheckOptions options;
        ReadProjectCheckOptions(nativeFile, options);
        const auto registry = CreateCheckRegistry(
            {&project, &options, [&Err](const QString& note) { Err << TerminalText(note) << '\n'; }});
        // The executable beside the project tells the menu levels apart.
        const QHash<QString, QString> menuLevels =
            ReadMenuLevels(WithoutLastExt(WithoutLastExt(nativeFile)) + QStringLiteral(".exe"));
        for (auto& file : project.LangFiles()) {
            if (file->IsNative()) continue;
            const QString code = LanguageFileAbbreviation(file->FileName());
            const QString shown = ShownPath(file->FileName());
            const TAcceptedFindings accepted = TAcceptedFindings::Load(AcceptedFindingsFileName(file->FileName()));
            const auto contexts = CollectCheckContexts(project, file->LangIndex(), code, &menuLevels);
            int errorCount = 0, warningCount = 0, acceptedCount = 0;
            for (const TCheckFinding& f : RunChecks(*registry, contexts, &accepted)) {
                if (f.Accepted) {
                    ++acceptedCount;
                    continue;
                }
                (f.Severity == csError ? errorCount : warningCount)++;
                if (Mode.Json) {
                    const QJsonObject o{{QStringLiteral("file"), shown},
                                        {QStringLiteral("item"), f.ItemName},
                                        {QStringLiteral("language"), code},
                                        {QStringLiteral("check"), f.CheckId},
                                        {QStringLiteral("severity"), SeverityName(f.Severity)},
                                        {QStringLiteral("message"), f.Message},
                                        {QStringLiteral("native"), f.Native},
                                        {QStringLiteral("translation"), f.Translation}};
                    Out << (firstJson ? "\n" : ",\n")
                        << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
                    firstJson = false;
                } else {
                    Out << OneLine(shown) << ": " << OneLine(f.ItemName) << ": " << f.CheckId << ": "
                        << OneLine(f.Message) << '\n';
                }
            }
            errors = errors || errorCount > 0;
            QTextStream& summary = Mode.Json ? Err : Out;
            summary << OneLine(shown) << ": " << errorCount << (errorCount == 1 ? " error, " : " errors, ")
                    << warningCount << (warningCount == 1 ? " warning, " : " warnings, ") << acceptedCount
                    << " accepted\n";
        }
        if (exitCode == 0 && Mode.Strict && errors) exitCode = 3;
    } catch (const EVocabrixError& e) {
        Err << TerminalText(e.Message()) << '\n';
        exitCode = 1;
    }
    if (Mode.Json) Out << (firstJson ? "]\n" : "\n]\n");
    Out.flush();
    Err.flush();
    return exitCode;
}
