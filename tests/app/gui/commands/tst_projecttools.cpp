// The File menu's PE file and DLL commands, closing with "RefreshOnClose",
// and the cell editor's and the font's window state, on the real main window.

#include "FileAnswers.h"
#include "ModalDialogs.h"
#include "SampleWindow.h"

#include "app/EditorSettings.h"
#include "app/gui/commands/HelpCommands.h"
#include "app/gui/commands/LanguageToolCommands.h"
#include "app/gui/commands/ProjectCommands.h"
#include "app/gui/commands/SearchCommands.h"
#include "app/gui/dialogs/language/ImeDialog.h"
#include "app/gui/dialogs/project/SynchronizeDialog.h"
#include "app/gui/dialogs/search/FindDialog.h"
#include "app/gui/grid/MultiLineEditor.h"
#include "app/gui/grid/QGridEditor.h"
#include "platform/Settings.h"
#include "resources/DllBuilder.h"

#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>

namespace {

QByteArray ReadAll(const QString& Name)
{
    QFile f(Name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& Name, const QByteArray& Bytes)
{
    QFile f(Name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(Bytes);
}

// Takes the URLs the desktop would open.
class TUrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Urls;
public Q_SLOTS:
    void Open(const QUrl& Url) { Urls << Url; }
};

struct TTools : TSampleWindow<TRecordingPrompt> {
    // German and French open; the sample's executable (or Exe) is the PE file.
    explicit TTools(const QString& Exe = QStringLiteral(SHARED_EXAMPLES_DIR "/Notes.exe"), bool Debug = false,
                    bool RefreshOnClose = true)
    {
        TSettingsKey key;
        key.WriteBool(QStringLiteral("RefreshOnClose"), RefreshOnClose);
        key.WriteBool(QStringLiteral("CellEditDialog"), true);
        key.Flush();
        QFile::copy(Exe, PEFile());
        TStartOptions options;
        options.OpenList = QStringList{"deu", "fra"};
        options.Debug = Debug;
        Show({"deu", "fra"}, options);
        Form->Project().SetPEFileName(PEFile());
        Form->UpdateCommandStates();
        Prompt.Log.clear();
    }
    QString PEFile() const { return Dir.filePath("Notes.exe"); }
    QString Dll(const QString& Code) const { return Dir.filePath("Notes." + Code); }
    TProjectToolCommands* Tools() const { return Form->ProjectTools(); }
    TLangFile* Lang(int Index) const { return Form->Project().LangFiles().Items(Index); }
    // Selects the German column, and with Both the French one beside it, with the keyboard.
    void SelectLanguages(bool Both)
    {
        Grid()->setFocus();
        Grid()->SetCol(Col(1));
        if (Both) QTest::keyClick(Grid(), Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(Grid()->Selection().Right - Grid()->Selection().Left, Both ? 1 : 0);
        Form->UpdateCommandStates();
    }
    void CreateDll() { ClickMenuItem(Menu("&File"), Tools()->miCreateDLL); }
    QString Log() const { return Prompt.Log.join('\n'); }
};

} // namespace

class TstProjectTools : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // F1 opens the help's contents page in the desktop's browser.
    // The Help buttons of Options and Find are shown and open their topics;
    // without a program to show the help, Help > Contents says where it is.
    void helpButtonsAndNoBrowser()
    {
        TTools t;
        TUrlCatcher catcher;
        QDesktopServices::setUrlHandler("file", &catcher, "Open");
        const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler("file"); });
        int helpShown = 0;
        WhenModal<QDialog>(t.Form.get(), [&](QDialog* Options) {
            for (QDialogButtonBox* box : Options->findChildren<QDialogButtonBox*>())
                if (QPushButton* help = box->button(QDialogButtonBox::Help); help && help->isVisible()) {
                    ++helpShown;
                    QTest::mouseClick(help, Qt::LeftButton);
                }
            Options->reject();
        });
        t.Form->findChild<QAction*>("miOptions")->trigger();
        TdlgFind* find = t.Form->Search()->FindDialog();
        WhenShown(find, [&] {
            for (QPushButton* help : find->findChildren<QPushButton*>())
                if (help->text() == QStringLiteral("&Help") && help->isVisible()) {
                    ++helpShown;
                    QTest::mouseClick(help, Qt::LeftButton);
                }
            find->reject();
        });
        t.Grid()->setFocus();
        QTest::keyClick(t.Form->windowHandle(), Qt::Key_F, Qt::ControlModifier);
        QTRY_COMPARE(helpShown, 2);
        QCOMPARE(catcher.Urls.size(), 2);
        QCOMPARE(catcher.Urls[0].fileName() + "#" + catcher.Urls[0].fragment(), QStringLiteral("grid.html#options"));
        QCOMPARE(catcher.Urls[1].fileName() + "#" + catcher.Urls[1].fragment(), QStringLiteral("grid.html#search"));
        QVERIFY(QFile(catcher.Urls[0].toLocalFile()).open(QIODevice::ReadOnly));

        // No handler and no program on the path to hand the page to.
        QDesktopServices::unsetUrlHandler("file");
        QTemporaryDir empty;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(empty.path()));
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });
        qunsetenv("BROWSER");
        t.Prompt.Log.clear();
        QTest::keyClick(t.Form.get(), Qt::Key_F1);
        QCOMPARE(t.Prompt.Log.size(), 1);
        QVERIFY2(t.Prompt.Log[0].startsWith("Information: No program to show the help was found"),
                 qPrintable(t.Prompt.Log[0]));
        QVERIFY(t.Prompt.Log[0].contains(QDir::toNativeSeparators(QDir(HelpFolder()).filePath("index.html"))));
    }

    void helpContents()
    {
        TTools t;
        TUrlCatcher catcher;
        QDesktopServices::setUrlHandler("file", &catcher, "Open");
        QTest::keyClick(t.Form.get(), Qt::Key_F1);
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(catcher.Urls.size(), 1);
        const QString page = catcher.Urls.first().toLocalFile();
        QCOMPARE(QFileInfo(page).fileName(), QStringLiteral("index.html"));
        QVERIFY(QFileInfo(page).isFile());
        // Every page the contents links to is there.
        for (const char* linked : {"getting-started.html", "grid.html", "dlls.html", "command-line.html"})
            QVERIFY2(QFileInfo::exists(QDir(HelpFolder()).filePath(linked)), linked);

        t.SelectLanguages(false);
        QMenuBar* bar = t.Form->menuBar();
        QMenu* file = t.Menu("&File");
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file->menuAction()).center());
        QTRY_VERIFY(file->isVisible());
        SaveShot(file, "file-menu.png");
        QTest::keyClick(file, Qt::Key_Escape);
    }

    // "&IME..." stores the choice in the active column and its settings; the
    // cell editor asks the input method for Latin letters in a Roman mode.
    void imeStoredPerColumn()
    {
        TTools t;
        t.Grid()->setFocus();
        t.Grid()->SetCol(t.Col(1));
        t.Form->UpdateCommandStates();
        WhenModal<TdlgIME>(t.Form.get(), [](TdlgIME* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Language IME"));
            QCOMPARE(d->cbImeName->currentText(), QStringLiteral("-- None --"));
            QCOMPARE(d->cbImeMode->currentIndex(), 3);
            d->cbImeMode->setCurrentIndex(4);
            QTest::mouseClick(d->btnOK, Qt::LeftButton);
        });
        QAction* ime = t.Form->findChild<QAction*>("miIME");
        t.ClickMenuItem(t.Menu("&Language"), ime);
        QTRY_COMPARE(t.Grid()->VisibleColumn(t.Col(1))->ImeMode(), imSAlpha);
        QVERIFY(t.Grid()->VisibleColumn(t.Col(1))->ImeName().isEmpty());
        const TColumnSettings stored =
            TProjectDesktopFile(t.File("ntv")).ReadColumn(LanguageExtension(t.File("deu")), TColumnSettings());
        QCOMPARE(stored.ImeMode, 4);
        QTest::keyClick(t.Grid(), Qt::Key_F2);
        QTRY_VERIFY(t.Grid()->Editing());
        auto* editor = t.Grid()->findChild<TQSGInplaceEdit*>();
        QVERIFY(editor && editor->inputMethodHints().testFlag(Qt::ImhLatinOnly));
        QVERIFY(editor->testAttribute(Qt::WA_InputMethodEnabled));
    }

    void createDllSkipsAnExistingDllAnsweredNo()
    {
        TTools t;
        WriteAll(t.Dll("deu"), "old DLL");
        t.SelectLanguages(true);
        t.Prompt.Answers = {mrNo};
        t.CreateDll();
        QCOMPARE(ReadAll(t.Dll("deu")), QByteArray("old DLL"));
        QVERIFY(IsLocalizedPEFile(t.Dll("fra")));
        QVERIFY(t.Log().contains(QStringLiteral("The resource library \"%1\" already exists. Overwrite?")
                                     .arg(QDir::toNativeSeparators(t.Dll("deu")))));
        QVERIFY(t.Log().contains(QStringLiteral("The resource library \"%1\" has been successfully created")
                                     .arg(QDir::toNativeSeparators(t.Dll("fra")))));
        QVERIFY(!t.Log().contains("\"" + QDir::toNativeSeparators(t.Dll("deu")) + "\" has been successfully"));
    }

    void createDllSkipsAModifiedLanguageAnsweredNo()
    {
        TTools t;
        t.Lang(1)->SetModified(true);
        t.SelectLanguages(true);
        t.Prompt.Answers = {mrNo};
        t.CreateDll();
        QVERIFY2(t.Log().startsWith("Confirmation: The language \"German (Germany)\" was modified. It must be saved "
                                    "before its DLL is created.\r\nSave it now?"),
                 qPrintable(t.Log()));
        QVERIFY(!QFileInfo::exists(t.Dll("deu")));
        QVERIFY(t.Lang(1)->Modified());
        QVERIFY(QFileInfo::exists(t.Dll("fra")));
    }

    // A PE file without the library settings record stops the command before
    // any question; the DLL commands are then disabled.
    void createDllRefusesAnUnlocalizedPEFile()
    {
        TTools t(QStringLiteral(TEST_DATA_DIR "/pe/taskkill.exe"));
        t.Lang(1)->SetModified(true);
        t.SelectLanguages(false);
        t.CreateDll();
        QTRY_COMPARE(
            t.Prompt.Log,
            QStringList{
                QStringLiteral("Error: Selected file \"%1\" is not a valid localized PE file").arg(t.PEFile())});
        QVERIFY(!QFileInfo::exists(t.Dll("deu")));
        QVERIFY(!t.Tools()->miCreateDLL->isEnabled());
        QVERIFY(!t.Tools()->miSyncAll->isEnabled());
    }

    // The DLL built in the window equals the one "-dll" builds, also for an
    // executable without the settings record built with the option on.
    void createDllMatchesTheCommandLine_data()
    {
        QTest::addColumn<QString>("exe");
        QTest::addColumn<bool>("withoutSettings");
        QTest::newRow("localized executable") << QStringLiteral(SHARED_EXAMPLES_DIR "/Notes.exe") << false;
        QTest::newRow("without settings record") << QStringLiteral(TEST_DATA_DIR "/pe/msimsg.dll") << true;
    }
    void createDllMatchesTheCommandLine()
    {
        QFETCH(QString, exe);
        QFETCH(bool, withoutSettings);
        TTools t(exe);
        if (withoutSettings) t.ClickMenuItem(t.Menu("&File"), t.Tools()->miWithoutSettings);
        QCOMPARE(t.Tools()->miWithoutSettings->isChecked(), withoutSettings);
        t.SelectLanguages(false);
        t.CreateDll();
        QTRY_VERIFY2(t.Log().contains("has been successfully created"), qPrintable(t.Log()));
        const QByteArray window = ReadAll(t.Dll("deu"));
        QVERIFY(!window.isEmpty());
        QVERIFY(QFile::remove(t.Dll("deu")));
        CreateLanguageDll(t.File("deu"), t.PEFile(), !withoutSettings);
        QVERIFY(ReadAll(t.Dll("deu")) == window);
    }

    // The dialog stays open on a file without the settings record and takes
    // a localized one.
    void selectPEFile()
    {
        TTools t;
        t.Form->Project().SetPEFileName(QString());
        const QString other = t.Dir.filePath("other.exe"), good = t.Dir.filePath("good.exe");
        QVERIFY(QFile::copy(TEST_DATA_DIR "/pe/taskkill.exe", other));
        QVERIFY(QFile::copy(SHARED_EXAMPLES_DIR "/Notes.exe", good));
        // A file without the settings record is refused and the choice offered again.
        TFileAnswers files;
        files.Answers = {other, good};
        t.ClickMenuItem(t.Menu("&File"), t.Tools()->miSelectPEFile);
        QTRY_COMPARE(QDir::fromNativeSeparators(t.Form->Project().PEFileName()), good);
        QCOMPARE(files.Requests.size(), 2);
        QCOMPARE(files.Requests[0].Title, QStringLiteral("Select PE file"));
        QCOMPARE(files.Requests[1].Start, other);
        QCOMPARE(t.Prompt.Log, QStringList{QStringLiteral("Information: Selected file \"%1\" is not a valid localized "
                                                          "PE file")
                                               .arg(QDir::toNativeSeparators(other))});
        QVERIFY(t.Tools()->PEFileIsValid() && t.Tools()->PEFileIsChecked());
        QVERIFY(t.Tools()->miSyncAll->isEnabled());
    }

    // Cancel at the save question ends the command; otherwise the existing
    // DLLs are rebuilt and a file that failed is shown in the messages dialog.
    void synchronizeDlls()
    {
        TTools t;
        CreateLanguageDll(t.File("deu"), t.PEFile());
        WriteAll(t.Dll("deu"), ReadAll(t.Dll("deu"))); // same bytes, new time
        WriteAll(t.Dir.filePath("Notes.xxx.lng"), "not a language file");
        t.Lang(1)->SetModified(true);
        t.SelectLanguages(false);
        t.Prompt.Answers = {mrCancel};
        t.ClickMenuItem(t.Menu("&File"), t.Tools()->miSyncAll);
        QTRY_VERIFY(t.Log().contains("Unsaved changes will be ignored during synchronizing."));
        QVERIFY(t.Lang(1)->Modified());

        QString shown;
        WhenModal<TdlgSynchronize>(t.Form.get(), [&](TdlgSynchronize* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Syncronizing DLLs - Messages"));
            shown = d->mmList->toPlainText();
            QTest::mouseClick(d->btnOK, Qt::LeftButton);
        });
        t.Prompt.Answers = {mrYes};
        t.ClickMenuItem(t.Menu("&File"), t.Tools()->miSyncAll);
        QTRY_VERIFY(!shown.isEmpty());
        QVERIFY(!t.Lang(1)->Modified());
        QVERIFY(shown.contains("Notes.xxx.lng ..... Invalid language file"));
        QVERIFY(IsLocalizedPEFile(t.Dll("deu")));
    }

    // Closing the project brings a language file whose version differs from
    // the native file's up to it, only with the setting on.
    void refreshOnClose_data()
    {
        QTest::addColumn<bool>("refresh");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }
    void refreshOnClose()
    {
        QFETCH(bool, refresh);
        TTools t(QStringLiteral(SHARED_EXAMPLES_DIR "/Notes.exe"), false, refresh);
        TLangFile* native = t.Lang(0);
        const int oldVersion = t.Lang(1)->Version();
        native->SetVersion(uint16_t(oldVersion + 1));
        native->SetModified(true);
        t.Prompt.Answers = {mrYes}; // save the native file
        QAction* close = t.Form->findChild<QAction*>("miCloseProject");
        t.ClickMenuItem(t.Menu("&File"), close);
        QTRY_VERIFY(!t.Form->ProjectOpen());
        QCOMPARE(int(TLangFile(t.File("deu"), true).Version()), refresh ? oldVersion + 1 : oldVersion);
    }

    void repairProjectInDebugMode()
    {
        TTools t(QStringLiteral(SHARED_EXAMPLES_DIR "/Notes.exe"), true);
        QAction* repair = t.Tools()->miRepairProject;
        QVERIFY(repair->isVisible());
        QVERIFY(!repair->isEnabled());
        t.ClickMenuItem(t.Menu("&File"), t.Form->findChild<QAction*>("miCloseProject"));
        QTRY_VERIFY(repair->isEnabled());
        t.Prompt.Log.clear();
        TFileAnswers files;
        files.Answers = {t.File("ntv")};
        t.ClickMenuItem(t.Menu("&File"), repair);
        QTRY_VERIFY(t.Log().contains("Information: Project repairing is completed"));
        QCOMPARE(files.Requests.value(0).Title, QStringLiteral("Open project"));

        TTools plain;
        QVERIFY(!plain.Tools()->miRepairProject->isVisible());
    }

    // The multi-line editor's position is kept for the next run.
    void cellEditorPositionWritten()
    {
        TTools t;
        t.Grid()->setFocus();
        t.Grid()->SetCol(t.Col(1));
        WhenModal<TdlgCellEdit>(t.Form.get(), [](TdlgCellEdit* d) {
            d->setGeometry(40, 50, 500, 400);
            QTest::keyClick(d->Editor(), Qt::Key_Escape);
        });
        QTest::keyClick(t.Grid(), Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY(LoadWindowPosition(wpCellEditor).has_value());
        const TWindowPosition position = *LoadWindowPosition(wpCellEditor);
        QCOMPARE(position.Width, 500);
        QCOMPARE(position.Height, 400);
    }

    // The multi-line editor pastes 8-bit text in the code page of the
    // column's language (it pasted nothing) and asks the input method for the
    // column's mode, as the in-place editor does.
    void cellEditorTakesTheColumnsLanguage()
    {
        TTools t;
        t.Grid()->setFocus();
        t.Grid()->SetCol(t.Col(1));
        t.Grid()->VisibleColumn(t.Col(1))->SetImeMode(imDisable);
        auto* bytes = new QMimeData;
        bytes->setData(QStringLiteral("application/x-qt-windows-mime;value=\"Text\""), QByteArray("Gr\xfc\xdf"));
        QApplication::clipboard()->setMimeData(bytes);
        QString pasted;
        bool inputMethod = true;
        WhenModal<TdlgCellEdit>(t.Form.get(), [&](TdlgCellEdit* d) {
            d->Editor()->selectAll();
            QTest::keyClick(d->Editor(), Qt::Key_V, Qt::ControlModifier);
            pasted = d->Editor()->toPlainText();
            inputMethod = d->Editor()->testAttribute(Qt::WA_InputMethodEnabled);
            QTest::keyClick(d->Editor(), Qt::Key_Escape);
        });
        QTest::keyClick(t.Grid(), Qt::Key_Return, Qt::ControlModifier);
        QTRY_COMPARE(pasted, QString::fromUtf8("Grüß"));
        QVERIFY(!inputMethod);
    }

    // "&Font..." sets the active column's and the grid's font; columns opened
    // later keep the default.
    void fontChangesActiveColumnAndGrid()
    {
        TTools t;
        t.Grid()->setFocus();
        t.Grid()->SetCol(t.Col(1));
        const QFont before = t.Grid()->VisibleColumn(t.Col(2))->Font().Font;
        QFont chosen = before;
        chosen.setPointSize(before.pointSize() + 7);
        WhenModal<QFontDialog>(t.Form.get(), [&](QFontDialog* d) {
            d->setCurrentFont(chosen);
            d->accept();
        });
        QAction* font = t.Form->findChild<QAction*>("miFont");
        t.ClickMenuItem(t.Menu("&Language"), font);
        QTRY_COMPARE(t.Grid()->VisibleColumn(t.Col(1))->Font().Font.pointSize(), chosen.pointSize());
        QCOMPARE(t.Grid()->font().pointSize(), chosen.pointSize());
        QCOMPARE(t.Grid()->VisibleColumn(t.Col(2))->Font().Font.pointSize(), before.pointSize());
        QVERIFY(LoadEditorSettings().GridFont.Size != std::optional<int>(chosen.pointSize()));
    }
};

QTEST_MAIN(TstProjectTools)
#include "tst_projecttools.moc"
