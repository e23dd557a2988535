#include "app/CommandLine.h"

#include "app/Batch.h"
#include "app/StartOptions.h"
#include "core/Prompt.h"
#include "langfile/LangFileProject.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

// Opens a project read-only with every language file of its folder and
// prints what it holds. Stands in for the editor until the editor exists.
int PrintSummary(const QString& nativeFile)
{
    QTextStream out(stdout);
    TLangFileProject p;
    p.Open(nativeFile, false, true);
    const QFileInfo info(p.NativeFileName());
    const QString stem = info.fileName().section(QLatin1Char('.'), 0, -3);
    for (const QString& name : info.dir().entryList({stem + QStringLiteral(".*.lng")}, QDir::Files, QDir::Name)) {
        if (p.LangAlreadyOpen(name)) continue;
        p.OpenLanguage(info.dir().filePath(name), true);
    }

    int components = 0, properties = 0, constants = 0, externals = 0;
    for (auto& f : p.Forms()) {
        components += f->Components().Count();
        properties += f->TotalPropCount();
    }
    for (auto& u : p.Units()) constants += u->Constants().Count();
    for (auto& g : p.ExtGroups()) externals += g->ExtItems().Count();

    out << "Project " << QDir::toNativeSeparators(p.NativeFileName()) << "\n";
    out << "Languages:\n";
    for (auto& f : p.LangFiles()) {
        int translated = 0;
        p.ForEachItem([&](TLocItem* item) { translated += item->IsTranslated(f->LangIndex()) ? 1 : 0; });
        out << "  " << QFileInfo(f->FileName()).fileName() << "  0x"
            << QString::number(f->Locale(), 16).rightJustified(4, '0') << "  " << f->LangEnglishName();
        if (!f->IsNative())
            out << "  (" << translated << " of " << properties + constants + externals << " translated)";
        out << "\n";
    }
    out << "Forms: " << p.Forms().Count() << ", components: " << components << ", properties: " << properties << "\n";
    out << "Units: " << p.Units().Count() << ", constants: " << constants << "\n";
    out << "External groups: " << p.ExtGroups().Count() << ", external items: " << externals << "\n";
    out << "Items: " << properties + constants + externals << "\n";
    return 0;
}

// The interactive start. Until the editor exists it prints the project's summary.
int StartInteractive(int argc, char* argv[], const TStartOptions& Options)
{
    QCoreApplication app(argc, argv);
    if (Options.ProjectFile.isEmpty()) {
        QTextStream(stdout) << "Phrase Desk " << PHRASEDESK_VERSION << "\nusage: phrasedesk <project.ntv.lng>\n";
        return 0;
    }
    try {
        return PrintSummary(Options.ProjectFile);
    } catch (const EVocabrixError& e) {
        QTextStream(stderr) << e.Message() << "\n";
        return 1;
    }
}

} // namespace

int RunPhraseDesk(int argc, char* argv[])
{
    // The options decide which kind of application object the run needs, so
    // they are read before one exists.
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    StartOptions() = ParseStartOptions(args, QDir::currentPath());
    const TStartOptions& options = StartOptions();

    if (IsBatchRun(options)) {
        // Batch mode never opens a window and needs no display.
        QCoreApplication app(argc, argv);
        return RunBatch(options, DefaultPrompt());
    }
    return StartInteractive(argc, argv, options);
}
