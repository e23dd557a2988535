// The File menu's "&Export to" and "&Import from" on the real main window,
// driven with the mouse as a user does: the dialogs, their saved state, the
// grid and the External node after an import.

#include "SampleWindow.h"

#include "app/gui/commands/ExchangeCommands.h"
#include "app/gui/dialogs/exchange/ExportDialog.h"
#include "app/gui/dialogs/exchange/ImportDialog.h"
#include "app/gui/dialogs/exchange/SectionLists.h"
#include "app/gui/window/MainForm.h"
#include "app/gui/window/TreeCombo.h"
#include "core/Prompt.h"
#include "platform/Settings.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

struct TEditor : TSampleWindow<TRecordingPrompt> {
    TEditor() { Show({"deu"}, OpenGerman()); }

    // Clicks File, then the sub-menu, then its item, as the mouse does;
    // Dialog runs once the item's modal dialog is up.
    void Choose(QMenu* SubMenu, const char* ItemName, const std::function<void(QDialog*)>& Dialog)
    {
        QMenuBar* bar = Form->menuBar();
        QMenu* file = SubMenu->parentWidget()
                          ? qobject_cast<QMenu*>(SubMenu->menuAction()->associatedObjects().value(0))
                          : nullptr;
        QVERIFY(file);
        bool ran = false;
        // Waits for the item's dialog: the menus open first.
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, Form.get(), [&] {
            QDialog* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!d || ran) return;
            ran = true;
            poll.stop();
            Dialog(d);
        });
        poll.start();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file->menuAction()).center());
        QTRY_VERIFY(file->isVisible());
        QTest::mouseClick(file, Qt::LeftButton, {}, file->actionGeometry(SubMenu->menuAction()).center());
        QTRY_VERIFY(SubMenu->isVisible());
        QAction* item = SubMenu->findChild<QAction*>(QLatin1String(ItemName));
        if (!item)
            for (QAction* a : SubMenu->actions())
                if (a->objectName() == QLatin1String(ItemName)) item = a;
        QVERIFY(item && item->isEnabled());
        QTest::mouseClick(SubMenu, Qt::LeftButton, {}, SubMenu->actionGeometry(item).center());
        QTRY_VERIFY(ran);
    }
};

QByteArray ReadAll(const QString& Name)
{
    QFile f(Name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& Name, const QByteArray& Data)
{
    QFile f(Name);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(Data);
}

} // namespace

class TstExchangeWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void exportAndImportThroughMenus();
    void nativeImportRebuildsExternalNode();
};

void TstExchangeWindow::exportAndImportThroughMenus()
{
    TEditor e;
    TExchangeCommands* commands = e.Form->Exchange();
    e.Grid()->FocusCell(e.Col(1), 0, true);
    QCOMPARE(commands->miImport->title(), QStringLiteral("&Import from"));
    const QString xml = e.Dir.filePath("german.xml");

    // File > Export to > XML...: the dialog for German, a file name typed, OK.
    QString title;
    e.Choose(commands->miExport, "miExportXML", [&](QDialog* d) {
        auto* dialog = qobject_cast<TdlgExport*>(d);
        QVERIFY(dialog);
        title = dialog->windowTitle();
        QVERIFY(!dialog->chbIncludeNames->isEnabled());
        QVERIFY(dialog->gbDelimiter->isHidden());
        dialog->edFileName->clear();
        QTest::keyClicks(dialog->edFileName, xml);
        QTest::mouseClick(dialog->chbIncludeStrId, Qt::LeftButton);
        QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
    });
    QCOMPARE(title, QStringLiteral("Export to XML: German (Germany)"));
    QByteArray data = ReadAll(xml);
    QVERIFY(data.contains("<stringid/>"));
    QVERIFY(data.contains(">Notizen</prop>"));
    // The dialog's state was kept.
    QCOMPARE(TSettingsKey("ExportDialog").ReadString("chbIncludeStrId.Checked", QString()), QStringLiteral("True"));

    // The translator changed a caption; File > Import from > XML... brings it in.
    WriteAll(xml, data.replace(">Notizen</prop>", ">Notizbuch</prop>"));
    e.Prompt.Answers << mrYes;
    e.Choose(commands->miImport, "miImportXML", [&](QDialog* d) {
        auto* dialog = qobject_cast<TdlgImport*>(d);
        QVERIFY(dialog);
        dialog->edFileName->clear();
        QTest::keyClicks(dialog->edFileName, xml);
        // Both identifiers and names: the user chooses, names here.
        QVERIFY(dialog->rbSync->button(1)->isEnabled());
        QTest::mouseClick(dialog->rbSync->button(1), Qt::LeftButton);
        // The caption is translated: it changes only with this box checked.
        QVERIFY(!dialog->chbChangeTranslated->isChecked());
        QTest::mouseClick(dialog->chbChangeTranslated, Qt::LeftButton);
        QVERIFY(dialog->FLists->List(0)->count() > 0);
        QTRY_VERIFY(dialog->btnOK->isEnabled());
        QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
    });
    QVERIFY(e.Prompt.Log.join('\n').contains("Confirmation: You are about to import the file\n\n\"" + xml +
                                             "\"\n\ninto language  \"German (Germany)\"\n\nContinue?"));
    TLocProperty* caption = e.Form->Project().FindProperty("MainForm", "", "Caption");
    QCOMPARE(caption->Values().Items(1)->Value(), QStringLiteral("Notizbuch"));
    QVERIFY(e.Form->Project().LangFiles().Items(1)->Modified());
    QVERIFY(e.Grid()->ActiveColumn()->Caption().endsWith(" *"));
    bool shown = false;
    for (int r = 0; r < e.Grid()->RowCount(); ++r)
        shown = shown || e.Grid()->GetCell(e.Col(1), r) == QStringLiteral("Notizbuch");
    QVERIFY(shown);
    QCOMPARE(TSettingsKey("ImportDialog").ReadString("rbSync.ItemIndex", QString()), QStringLiteral("1"));
    QCOMPARE(TSettingsKey("ImportDialog").ReadString("chbChangeTranslated.Checked", QString()), QStringLiteral("True"));

    // A file of another format is refused: OK stays disabled.
    WriteAll(e.Dir.filePath("bad.xml"), "<root/>");
    e.Choose(commands->miImport, "miImportXML", [&](QDialog* d) {
        auto* dialog = qobject_cast<TdlgImport*>(d);
        dialog->edFileName->setText(e.Dir.filePath("bad.xml"));
        QVERIFY(!dialog->btnOK->isEnabled());
        dialog->reject();
    });
}

void TstExchangeWindow::nativeImportRebuildsExternalNode()
{
    TEditor e;
    TExchangeCommands* commands = e.Form->Exchange();
    e.Grid()->FocusCell(e.Col(0), 0, true);
    QCOMPARE(commands->miImport->title(), QStringLiteral("&Import External items from"));
    QVERIFY(!commands->miImportTmx->isEnabled());
    const int groups = e.Form->SectionChooser()->ExternalNode()->childCount();
    const QString text = e.Dir.filePath("external.txt");
    WriteAll(text, ";Format:PropNames;Delimiter:Comma\r\n;Constants\r\n;External\r\nNewGroup.Hello:\"Hello\"\r\n");
    e.Prompt.Answers << mrYes;
    e.Choose(commands->miImport, "miImportText", [&](QDialog* d) {
        auto* dialog = qobject_cast<TdlgImport*>(d);
        dialog->edFileName->setText(text);
        // Names only: the choice is fixed.
        QVERIFY(dialog->rbSync->button(1)->isChecked());
        QVERIFY(!dialog->rbSync->button(0)->isEnabled());
        QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
    });
    QVERIFY(e.Form->Project().FindExtItem("NewGroup", "Hello"));
    QTreeWidgetItem* external = e.Form->SectionChooser()->ExternalNode();
    QCOMPARE(external->childCount(), groups + 1);
    bool listed = false;
    for (int i = 0; i < external->childCount(); ++i)
        listed = listed || external->child(i)->text(0).startsWith("NewGroup");
    QVERIFY(listed);
}

QTEST_MAIN(TstExchangeWindow)
#include "tst_exchangewindow.moc"
