// The Libraries menu on the real main window: applying libraries (the
// primary language's file when the language's own is missing, the log of a
// missing file) and opening a library as a project.

#include "ModalDialogs.h"
#include "SampleWindow.h"

#include "app/gui/commands/LibraryCommands.h"
#include "app/gui/dialogs/libraries/LibraryDialogs.h"
#include "langfile/LangFileProject.h"
#include "platform/Settings.h"
#include "repository/Libraries.h"

#include <QDir>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

struct TLibraries : TSampleWindow<TRecordingPrompt> {
    // Libraries in Dir/lib: "rxlib" with a German file named for the primary
    // language only (its constants "LIB:" + the German text), "other" with
    // its native file alone.
    explicit TLibraries(bool Install = true)
    {
        QDir(Dir.path()).mkpath("lib/rxlib");
        QDir(Dir.path()).mkpath("lib/other");
        TSettingsKey key;
        key.WriteString(QStringLiteral("LibraryPath"), Dir.filePath("lib"));
        key.Flush();
        if (Install) {
            const QString native = Dir.filePath("lib/rxlib/rxlib.EN.lng"),
                          german = Dir.filePath("lib/rxlib/rxlib.DE.lng");
            QVERIFY(QFile::copy(SHARED_EXAMPLES_DIR "/Notes.ntv.lng", native));
            QVERIFY(QFile::copy(SHARED_EXAMPLES_DIR "/Notes.deu.lng", german));
            QVERIFY(QFile::copy(SHARED_EXAMPLES_DIR "/Notes.ntv.lng", Dir.filePath("lib/other/other.EN.lng")));
            TLangFileProject library;
            library.Open(native, false, false);
            library.OpenLanguage(german, false);
            library.ForEachItem([](TLocItem* Item) {
                if (dynamic_cast<TLocConstant*>(Item))
                    Item->Values().Items(1)->SetValue("LIB:" + Item->MainValue()->Value());
            });
            library.LangFiles().Items(1)->SetModified(true);
            library.SaveLanguage(1);
            library.Close(false);
        }
        Show({"deu"}, OpenGerman());
        Prompt.Log.clear();
    }
    TLibraryCommands* Commands() const { return Form->Libraries(); }
};

} // namespace

class TstLibraryCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void applyLibraries()
    {
        TLibraries t;
        t.Grid()->setFocus();
        t.Grid()->SetCol(t.Col(1));
        t.Form->UpdateCommandStates();
        QStringList offered;
        WhenModal<TdlgChooseLib>(t.Form.get(), [&](TdlgChooseLib* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Select Libraries"));
            for (int i = 0; i < d->lbLibraries->count(); ++i) offered << d->lbLibraries->item(i)->text();
            SaveShot(d, "libraries-dialog.png");
            QTest::mouseClick(d->btnOK, Qt::LeftButton);
        });
        QString log;
        WhenModal<TfrmLibraryLog>(t.Form.get(), [&](TfrmLibraryLog* d) {
            log = d->mmLog->toPlainText();
            QTest::mouseClick(d->btnOK, Qt::LeftButton);
        });
        t.ClickMenuItem(t.Menu("Li&braries"), t.Commands()->miApplyLib);
        QTRY_VERIFY(!log.isEmpty());
        QCOMPARE(offered, (QStringList{"other", "rxlib"}));
        QCOMPARE(log, QStringLiteral("----------- German (Germany) begin -----------\n"
                                     "  other ..... Language file doesn't exist\n"
                                     "  rxlib ..... Ok\n"
                                     "----------- German (Germany) end   -----------\n"));
        TLangFile* german = t.Form->Project().LangFiles().Items(1);
        QVERIFY(german->Modified());
        int taken = 0;
        t.Form->Project().ForEachItem([&](TLocItem* Item) {
            if (!dynamic_cast<TLocConstant*>(Item)) return;
            QCOMPARE(Item->Values().Items(1)->Value(), "LIB:" + Item->MainValue()->Value());
            QVERIFY(Item->IsTranslated(1));
            ++taken;
        });
        QVERIFY(taken > 0);
    }

    // The chosen library's native file opens as a library project; lib.ini
    // remembers its extension.
    void openLibrary()
    {
        TLibraries t;
        WhenModal<TdlgOpenLib>(t.Form.get(), [&](TdlgOpenLib* d) {
            QCOMPARE(d->lbLibraries->item(0)->checkState(), Qt::Checked);
            d->lbLibraries->item(1)->setCheckState(Qt::Checked);
            QCOMPARE(d->lbLibraries->item(0)->checkState(), Qt::Unchecked);
            QTest::mouseClick(d->btnOK, Qt::LeftButton);
        });
        t.ClickMenuItem(t.Menu("Li&braries"), t.Commands()->miOpenLib);
        QTRY_VERIFY(t.Form->Project().IsLibrary());
        QCOMPARE(t.Form->Project().NativeFileName(), t.Dir.filePath("lib/rxlib/rxlib.EN.lng"));
        QCOMPARE(TIniFile::Load(t.Dir.filePath("lib/rxlib/lib.ini")).ReadString("Common", "NativeExt", ""),
                 QStringLiteral("EN"));
        QVERIFY(!t.Commands()->miApplyLib->isEnabled());
    }

    void noLibraries()
    {
        TLibraries t(false);
        QDir(t.Dir.filePath("lib")).removeRecursively();
        t.ClickMenuItem(t.Menu("Li&braries"), t.Commands()->miOpenLib);
        QTRY_COMPARE(t.Prompt.Log, QStringList{"Information: There are no external libraries installed"});
    }
};

QTEST_MAIN(TstLibraryCommands)
#include "tst_librarycommands.moc"
