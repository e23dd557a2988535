// The Language menu's web translation on the real main window, driven with
// keys and the mouse against a loopback HTTPS server: the selected cells
// (read-only ones left alone), the cell being edited, Translate All cancelled
// while a request hangs, and the options page with a key from the command line.

#include "SampleWindow.h"

#include "app/gui/commands/WebCommands.h"
#include "app/gui/dialogs/language/LanguagePropertiesDialog.h"
#include "app/gui/dialogs/options/GoogleApiPage.h"
#include "app/gui/dialogs/options/OptionsDialog.h"
#include "app/gui/grid/QGridEditor.h"
#include "app/gui/window/GuiPrompt.h"
#include "app/gui/window/MainForm.h"
#include "core/Prompt.h"
#include "exchange/WebTestServer.h"
#include "langfile/LangFile.h"
#include "platform/Settings.h"
#include "repository/ProjectItems.h"
#include "repository/SmartCore.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

// What the client asks the service for a one-line native text.
QString GetCoreTextOf(const QString& Native)
{
    QString core = GetCoreText(Native);
    core.remove(QLatin1Char('&'));
    return core.replace(QLatin1Char('%'), QLatin1String("[[["));
}

// Whether Translate All asks the service for an item's German value.
bool AskedByTranslateAll(const TLocItem& Item)
{
    return IsTextualType(Item.Values().ValueType()) && !Item.Attribute(vaUntranslatable) &&
           !Item.Values().Items(1)->Attribute(vaVerified) && !Item.IsTranslated(1) &&
           !Item.MainValue()->Value().isEmpty();
}

struct TEditor : TSampleWindow<TRecordingPrompt> {
    explicit TEditor(const TWebTestServer& Server, const QString& GKey = {}, TPrompt* UsePrompt = nullptr)
    {
        TSettingsKey key;
        key.WriteString(QStringLiteral("GoogleAPIKey"), QStringLiteral("stored-key"));
        key.WriteString(QStringLiteral("GoogleAPIHost"), Server.Host());
        key.Flush();
        TStartOptions options = OpenGerman();
        options.GKey = GKey;
        Show({"deu"}, options, UsePrompt);
    }
    TLEProject& Project() const { return Form->Project(); }
    int GermanCol() const { return Col(1); }
    QString German(const TLocItem* Item) const { return Item->Values().Items(1)->Value(); }

    QMenu* LanguageMenu() const { return Menu(QStringLiteral("&Language")); }
};

} // namespace

class TstWebWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<TWebTestServer> FServer;

private Q_SLOTS:
    void initTestCase()
    {
        FServer = std::make_unique<TWebTestServer>();
        QVERIFY2(FServer->Ok(), FServer->Error().constData());
        FServer->Trust();
    }
    void cleanupTestCase() { FServer.reset(); }
    void init()
    {
        FServer->ClearLog();
        FServer->SetScript({});
    }

    void translateSelectedCells();
    void translateCellBeingEdited();
    void translateAllCancelledWhileWaiting();
    void sessionKeyNeverStored();
    void refusedRequestEndsTheRun();
    void progressWindowCancel();
    void newLanguageTranslated();
};

void TstWebWindow::translateSelectedCells()
{
    TEditor e(*FServer);
    const int col = e.GermanCol();
    QVERIFY(col > 0 && e.Grid()->RowCount() >= 4);
    // Rows 0..3 selected with the keyboard; row 1 cannot be edited.
    TLocItem* readOnly = e.Form->RowItem(1);
    readOnly->SetAttribute(vaUntranslatable, true);
    e.Form->RefreshGrid();
    const QString kept = e.German(readOnly);
    e.Grid()->setFocus();
    e.Grid()->FocusCell(col, 0, true);
    for (int i = 0; i < 3; ++i) QTest::keyClick(e.Grid(), Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(e.Grid()->Selection().Bottom, 3);
    QVERIFY(e.Form->Web()->miGoogleTranslateCell->isEnabled());

    QTest::keyClick(e.Grid(), Qt::Key_G, Qt::ControlModifier);

    QCOMPARE(e.Prompt.Log.value(0), QStringLiteral("Progress: Translating by Google (4)"));
    QCOMPARE(e.Prompt.Log.value(1), QStringLiteral("Progress end"));
    QCOMPARE(e.German(readOnly), kept);
    QVERIFY(!FServer->Queries().contains(readOnly->MainValue()->Value()));
    QCOMPARE(FServer->Queries().size(), 3);
    for (int row : {0, 2, 3}) {
        const TLocItem* item = e.Form->RowItem(row);
        QVERIFY2(e.German(item).startsWith(QLatin1String("T(")) || e.German(item).contains(QLatin1String("T(")),
                 qPrintable(e.German(item)));
        QVERIFY(item->IsTranslated(1));
        QCOMPARE(e.Grid()->GetCell(col, row), e.German(item));
    }
    QVERIFY(e.Project().LangFiles()[1]->Modified());
    QVERIFY(e.Grid()->ActiveColumn()->Caption().endsWith(QLatin1String(" *")));
}

void TstWebWindow::translateCellBeingEdited()
{
    TEditor e(*FServer);
    const int col = e.GermanCol();
    const TLocItem* item = e.Form->RowItem(0);
    const QString before = e.German(item);
    const QString native = item->MainValue()->Value();
    FServer->SetScript({{GetCoreTextOf(native), QJsonObject{{"text", QStringLiteral("Übersetzt")}}}});
    e.Grid()->setFocus();
    e.Grid()->FocusCell(col, 0, true);
    QTest::keyClick(e.Grid(), Qt::Key_F2);
    QTRY_VERIFY(e.Grid()->Editing());
    QWidget* editor = e.Grid()->GetInplaceEditor();
    QTest::keyClick(editor, Qt::Key_G, Qt::ControlModifier);
    QVERIFY(e.Grid()->Editing());
    QVERIFY2(e.Grid()->GetInplaceEditor()->Text().contains(QStringLiteral("Übersetzt")),
             qPrintable(e.Grid()->GetInplaceEditor()->Text()));
    // The editor holds the translation; the value changes once the user confirms.
    QCOMPARE(e.German(item), before);
    QTest::keyClick(e.Grid()->GetInplaceEditor(), Qt::Key_Return);
    QVERIFY(e.German(item).contains(QStringLiteral("Übersetzt")));
}

void TstWebWindow::translateAllCancelledWhileWaiting()
{
    TEditor e(*FServer);
    TLEProject& p = e.Project();
    // The untranslated German texts by kind; the second constant's request hangs.
    const auto open = [](TLocItem& item) { return AskedByTranslateAll(item); };
    QList<TLocItem*> properties, constants, externals;
    ForEachProperty(p, [&](TLocItem& i) {
        if (open(i)) properties << &i;
    });
    ForEachConstant(p, [&](TLocItem& i) {
        if (open(i)) constants << &i;
    });
    ForEachExtItem(p, [&](TLocItem& i) {
        if (open(i)) externals << &i;
    });
    QVERIFY(!properties.isEmpty() && constants.size() >= 2 && !externals.isEmpty());
    const QString hanging = GetCoreTextOf(constants[1]->MainValue()->Value());
    FServer->SetScript({{hanging, QJsonObject{{"hang", true}}}});
    QMap<TLocItem*, QString> before;
    for (TLocItem* i : constants + externals) before[i] = e.German(i);

    // Cancel once the hanging request has reached the server.
    QTimer cancel;
    cancel.setInterval(20);
    connect(&cancel, &QTimer::timeout, this, [&] {
        if (FServer->Queries().contains(hanging)) e.Prompt.CancelProgress = true;
    });
    cancel.start();
    e.Grid()->FocusCell(e.GermanCol(), 0, true);
    e.ClickMenuItem(e.LanguageMenu(), e.Form->Web()->miGoogleTranslateAll);
    QTRY_VERIFY(e.Prompt.Log.contains(QStringLiteral("Information: Translation has been terminated by user")));
    cancel.stop();

    for (TLocItem* i : properties) QVERIFY2(i->IsTranslated(1), qPrintable(i->GetFullName(QStringLiteral("."))));
    QVERIFY(constants[0]->IsTranslated(1));
    QCOMPARE(constants[0]->Values().Items(1)->ValueVersion(), constants[0]->MainValue()->ValueVersion());
    for (TLocItem* i : constants.mid(1) + externals) QCOMPARE(e.German(i), before[i]);
    QVERIFY(!FServer->Queries().isEmpty());
    QCOMPARE(FServer->Queries().last(), hanging);
    QVERIFY(e.Project().LangFiles()[1]->Modified());
    // The command is free for the next run.
    QVERIFY(!e.Form->Web()->Running());
    QVERIFY(e.Form->Web()->miGoogleTranslateAll->isEnabled());
}

void TstWebWindow::sessionKeyNeverStored()
{
    TEditor e(*FServer, QStringLiteral("session-key"));
    QCOMPARE(e.Form->Settings().GoogleAPIKey, QStringLiteral("session-key"));
    // The options page shows it, cannot change it, and its OK stores the rest only.
    TdlgOptions dialog;
    dialog.SetSettings(e.Form->Settings());
    QLineEdit* key = dialog.GoogleApiPage()->KeyEdit();
    QCOMPARE(key->text(), QStringLiteral("session-key"));
    QVERIFY(key->isReadOnly());
    QCOMPARE(dialog.GoogleApiPage()->HostEdit()->text(), FServer->Host());
    TEditorSettings s = dialog.Settings();
    QCOMPARE(s.GoogleAPIKey, QStringLiteral("session-key"));
    QVERIFY(SaveOptions(s));
    QCOMPARE(TSettingsKey().ReadString(QStringLiteral("GoogleAPIKey"), QString()), QStringLiteral("stored-key"));

    // Without a command-line key the page edits the stored one.
    s.GoogleAPIKeyForSession = false;
    dialog.SetSettings(s);
    QVERIFY(!key->isReadOnly());
    key->clear();
    QTest::keyClicks(key, QStringLiteral("typed-key"));
    QVERIFY(SaveOptions(dialog.Settings()));
    QCOMPARE(TSettingsKey().ReadString(QStringLiteral("GoogleAPIKey"), QString()), QStringLiteral("typed-key"));
}

void TstWebWindow::refusedRequestEndsTheRun()
{
    TEditor e(*FServer);
    const int col = e.GermanCol();
    const TLocItem* first = e.Form->RowItem(0);
    FServer->SetScript(
        {{GetCoreTextOf(first->MainValue()->Value()), QJsonObject{{"status", 403}, {"reason", "Forbidden"}}}});
    const QString before = e.German(e.Form->RowItem(1));
    e.Grid()->setFocus();
    e.Grid()->FocusCell(col, 0, true);
    QTest::keyClick(e.Grid(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(e.Grid(), Qt::Key_G, Qt::ControlModifier);
    // The progress closes, the error is reported, and the next row is not asked.
    QCOMPARE(e.Prompt.Log,
             (QStringList{"Progress: Translating by Google (2)", "Progress end", "Error: HTTP/1.1 403 Forbidden"}));
    QCOMPARE(FServer->Queries().size(), 1);
    QCOMPARE(e.German(e.Form->RowItem(1)), before);
    QVERIFY(!e.Project().LangFiles()[1]->Modified());
}

// The editor's own progress window: its Cancel button answers while a request hangs.
void TstWebWindow::progressWindowCancel()
{
    TGuiPrompt gui;
    TEditor e(*FServer, {}, &gui);
    QString first;
    ForEachProperty(e.Project(), [&](TLocItem& i) {
        if (first.isEmpty() && AskedByTranslateAll(i)) first = GetCoreTextOf(i.MainValue()->Value());
    });
    FServer->SetScript({{first, QJsonObject{{"hang", true}}}});
    bool clicked = false, told = false;
    QTimer user;
    user.setInterval(20);
    connect(&user, &QTimer::timeout, this, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || w == e.Form.get()) continue;
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                told = told || box->text() == QLatin1String("Translation has been terminated by user");
                box->accept();
                return;
            }
            if (clicked || FServer->Queries().isEmpty()) continue;
            for (auto* button : w->findChildren<QAbstractButton*>())
                if (button->isVisible() && button->text().remove(QLatin1Char('&')) == QLatin1String("Cancel")) {
                    clicked = true;
                    QTest::mouseClick(button, Qt::LeftButton);
                    return;
                }
        }
    });
    user.start();
    e.Grid()->FocusCell(e.GermanCol(), 0, true);
    e.ClickMenuItem(e.LanguageMenu(), e.Form->Web()->miGoogleTranslateAll);
    QTRY_VERIFY(told);
    QVERIFY(clicked);
    QCOMPARE(FServer->Queries().size(), 1);
    QVERIFY(!e.Form->Web()->Running());
}

// A new language with "Try to automatically translate via Google" checked is translated at once.
void TstWebWindow::newLanguageTranslated()
{
    TEditor e(*FServer);
    bool offered = false;
    QTimer::singleShot(0, e.Form.get(), [&] {
        auto* dialog = e.Form->findChild<TdlgLanguageProperties*>();
        if (!dialog) return;
        auto* tree = dialog->findChild<QTreeWidget*>("tvLang");
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            if ((*it)->data(0, Qt::UserRole).toUInt() == 0x040C) tree->setCurrentItem(*it);
        auto* box = dialog->findChild<QCheckBox*>("chbAutoTranslate");
        offered = box->isVisibleTo(dialog);
        QTest::mouseClick(box, Qt::LeftButton);
        dialog->accept();
    });
    QTest::keyClick(e.Grid(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(offered);
    QCOMPARE(e.Project().LangFiles().Count(), 3);
    TLangFile* french = e.Project().LangFiles()[2];
    QCOMPARE(french->Locale(), uint16_t(0x040C));
    QVERIFY(e.Prompt.Log.contains(QStringLiteral("Progress end")));
    QVERIFY(!FServer->Requests().isEmpty());
    QVERIFY(FServer->Requests().first().contains(QLatin1String("&source=en&target=fr")));
    QVERIFY(french->Modified());
    int translated = 0;
    ForEachProperty(e.Project(), [&](TLocItem& i) { translated += i.IsTranslated(2) ? 1 : 0; });
    QVERIFY(translated > 0);
}

QTEST_MAIN(TstWebWindow)
#include "tst_webwindow.moc"
