// Makes the program's native language file: walks every window offscreen,
// collects the texts, reads the string table.
//   uiwalker <lang folder>      (run with QT_QPA_PLATFORM=offscreen)

#include "app/ProgramResources.h"
#include "app/gui/window/UiLanguage.h"
#include "langfile/LangFile.h"
#include "platform/Settings.h"
#include "storage/LocStorage.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        QTextStream(stderr) << "usage: uiwalker <lang folder>\n";
        return 2;
    }
    // The windows come up as on a fresh account, with no recent projects.
    QTemporaryDir settings;
    SetSettingsFolderForTesting(settings.path());
    try {
        TLocStorage storage;
        CollectInterfaceTexts(storage);
        TLangFile lf(QDir(app.arguments()[1]).filePath("phrasedesk.ntv.lng"), false);
        lf.SetLocale(0x0409);
        lf.SetLangEnglishName("English (United States)");
        lf.SetLangLocalizedName("English");
        lf.SetIsNative(true);
        lf.SetVersion(kInterfaceVersion);
        lf.SetBuild(1);
        lf.SetAttributes(lfaUnicode | lfaRightToLeft);
        lf.Save(&storage, 0, false);
        // The lines of a translation table, for the translator to fill in.
        QTextStream out(stdout);
        for (const auto& unit : storage.Units())
            for (const auto& c : unit->Constants())
                out << "@" << unit->Name() << "|" << c->Name() << "|\t" << InterfaceTableText(c->MainValue()->Value())
                    << "\t\n";
        for (const auto& form : storage.Forms()) {
            for (const auto& p : form->Properties())
                out << form->Name() << "||" << p->Name() << "\t" << InterfaceTableText(p->MainValue()->Value())
                    << "\t\n";
            for (const auto& comp : form->Components())
                for (const auto& p : comp->Properties())
                    out << form->Name() << "|" << comp->Name() << "|" << p->Name() << "\t"
                        << InterfaceTableText(p->MainValue()->Value()) << "\t\n";
        }
    } catch (const EVocabrixError& e) {
        QTextStream(stderr) << "uiwalker: " << e.Message() << "\n";
        return 1;
    }
    return 0;
}
