#include "app/CommandLine.h"

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
    p.Open(QFileInfo(nativeFile).absoluteFilePath(), false, true);
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
        out << "  " << QFileInfo(f->FileName()).fileName() << "  0x" << QString::number(f->Locale(), 16).rightJustified(4, '0')
            << "  " << f->LangEnglishName();
        if (!f->IsNative()) out << "  (" << translated << " of " << properties + constants + externals << " translated)";
        out << "\n";
    }
    out << "Forms: " << p.Forms().Count() << ", components: " << components << ", properties: " << properties << "\n";
    out << "Units: " << p.Units().Count() << ", constants: " << constants << "\n";
    out << "External groups: " << p.ExtGroups().Count() << ", external items: " << externals << "\n";
    out << "Items: " << properties + constants + externals << "\n";
    return 0;
}

} // namespace

int RunPhraseDesk(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        QTextStream(stdout) << "Phrase Desk " << PHRASEDESK_VERSION << "\nusage: phrasedesk <project.ntv.lng>\n";
        return 0;
    }
    try {
        return PrintSummary(args.first());
    } catch (const EVocabrixError& e) {
        QTextStream(stderr) << e.Message() << "\n";
        return 1;
    }
}
