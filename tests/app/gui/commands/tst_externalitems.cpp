// The Edit menu's external item commands on the real main window: the
// add/edit dialog, deleting items and the shown group, and the section
// chooser's External node kept in step.

#include "ModalDialogs.h"
#include "SampleWindow.h"

#include "app/gui/commands/ExternalCommands.h"
#include "app/gui/dialogs/external/ExternalItemDialog.h"
#include "app/gui/window/TreeCombo.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidgetItem>

namespace {

struct TExternal : TSampleWindow<TRecordingPrompt> {
    TExternal()
    {
        Show({"deu"}, OpenGerman());
        Prompt.Log.clear();
    }
    TExternalCommands* Commands() const { return Form->External(); }
    TLEProject& Project() const { return Form->Project(); }
    QTreeWidgetItem* ExternalNode() const { return Form->SectionChooser()->ExternalNode(); }
    // Edit > Add External item, the fields typed in and OK.
    void AddItem(const QString& Group, const QString& Name, const QString& Value)
    {
        WhenModal<TfrmAddEditExternal>(Form.get(), [&](TfrmAddEditExternal* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Add external item"));
            d->cbGroup->setEditText(QString());
            QTest::keyClicks(d->cbGroup, Group);
            QTest::keyClicks(d->edItem, Name);
            QTest::keyClicks(d->mmValue, Value);
            QTest::mouseClick(d->btnOK, Qt::LeftButton);
        });
        ClickMenuItem(Menu("&Edit"), Commands()->miAddExternal);
        QTRY_VERIFY(!QApplication::activeModalWidget());
    }
    // Shows the group's rows, as choosing it in the section chooser does.
    void ShowGroup(const QString& Name)
    {
        for (int i = 0; i < ExternalNode()->childCount(); ++i)
            if (TfrmTreeCombo::NodeName(ExternalNode()->child(i)) == Name) {
                Form->SectionChooser()->SetSelectedIndex(Form->SectionChooser()->IndexOfNode(ExternalNode()->child(i)));
                Form->SectionChange(ExternalNode()->child(i));
            }
        QCOMPARE(Project().Filter().ExtItems().GroupName(), Name);
    }
};

} // namespace

class TstExternalItems : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A group typed into the box is created; the item's translations start
    // untranslated; a name taken in the group keeps the dialog open, the
    // same name in another group is accepted.
    void addItems()
    {
        TExternal t;
        const int groups = t.Project().ExtGroups().Count();
        t.AddItem("Messages", "Hello", "Hello world");
        TLocExtItem* item = t.Project().FindExtItem("Messages", "Hello");
        QVERIFY(item);
        QCOMPARE(item->MainValue()->Value(), QStringLiteral("Hello world"));
        QVERIFY(!item->IsTranslated(1));
        QVERIFY(t.Project().LangFiles().Items(0)->Modified());
        QCOMPARE(t.ExternalNode()->childCount(), groups + 1);
        QCOMPARE(t.ExternalNode()->text(0), QStringLiteral("External (%1)").arg(groups + 1));

        bool keptOpen = false;
        WhenModal<TfrmAddEditExternal>(t.Form.get(), [&](TfrmAddEditExternal* d) {
            d->cbGroup->setEditText("Messages");
            QTest::keyClicks(d->edItem, "Hello");
            QTest::mouseClick(d->btnOK, Qt::LeftButton);
            keptOpen = d->isVisible();
            d->cbGroup->setEditText("Other");
            QTest::mouseClick(d->btnOK, Qt::LeftButton);
        });
        t.ClickMenuItem(t.Menu("&Edit"), t.Commands()->miAddExternal);
        QTRY_VERIFY(t.Project().FindExtItem("Other", "Hello"));
        QVERIFY(keptOpen);
        QCOMPARE(t.Prompt.Log, QStringList{"Warning: The item \"Hello\" already exists in group \"Messages\""});
    }

    // The keyboard alone fills the dialog: Tab leaves the value memo for the
    // buttons (it typed a tab), Alt+O presses OK (it typed an "o").
    void keysMoveOnAndConfirm()
    {
        TExternal t;
        QString value;
        WhenModal<TfrmAddEditExternal>(t.Form.get(), [&](TfrmAddEditExternal* d) {
            d->cbGroup->setEditText("Keys");
            QTest::keyClicks(d->edItem, "Tabbed");
            d->mmValue->setFocus();
            QTest::keyClicks(d->mmValue, "Value");
            QTest::keyClick(d->mmValue, Qt::Key_Tab);
            QVERIFY(!d->mmValue->hasFocus());
            value = d->mmValue->toPlainText();
            d->mmValue->setFocus();
            // As the window system delivers it: the dialog's mnemonics get it first.
            QTest::keyClick(d->windowHandle(), Qt::Key_O, Qt::AltModifier);
        });
        t.ClickMenuItem(t.Menu("&Edit"), t.Commands()->miAddExternal);
        QTRY_VERIFY(t.Project().FindExtItem("Keys", "Tabbed"));
        QCOMPARE(value, QStringLiteral("Value"));
        QCOMPARE(t.Project().FindExtItem("Keys", "Tabbed")->MainValue()->Value(), QStringLiteral("Value"));
    }

    // Editing only the text makes the translations untranslated; editing
    // nothing leaves the native file unmodified.
    void editItem()
    {
        TExternal t;
        t.AddItem("Messages", "Hello", "Hello world");
        t.Form->SaveAll();
        TLocExtItem* item = t.Project().FindExtItem("Messages", "Hello");
        item->Values().Items(1)->SetValue("Hallo Welt");
        item->Values().Items(1)->SetValueVersion(item->MainValue()->ValueVersion());
        QVERIFY(item->IsTranslated(1));
        t.ShowGroup("Messages");
        t.Grid()->setFocus();
        t.Grid()->SetRow(0);
        t.Form->UpdateCommandStates();

        WhenModal<TfrmAddEditExternal>(t.Form.get(), [](TfrmAddEditExternal* d) {
            QVERIFY(!d->cbGroup->isEnabled());
            QTest::mouseClick(d->btnOK, Qt::LeftButton);
        });
        t.ClickMenuItem(t.Menu("&Edit"), t.Commands()->miEditExternal);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QVERIFY(!t.Project().LangFiles().Items(0)->Modified());

        WhenModal<TfrmAddEditExternal>(t.Form.get(), [](TfrmAddEditExternal* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Edit external item"));
            QTest::keyClick(d->mmValue, Qt::Key_End, Qt::ControlModifier);
            QTest::keyClicks(d->mmValue, "!");
            QTest::mouseClick(d->btnOK, Qt::LeftButton);
        });
        t.ClickMenuItem(t.Menu("&Edit"), t.Commands()->miEditExternal);
        QTRY_COMPARE(item->MainValue()->Value(), QStringLiteral("Hello world!"));
        QVERIFY(!item->IsTranslated(1));
        QVERIFY(t.Project().LangFiles().Items(0)->Modified());
    }

    // Deleting the shown group shows the External node; with no group left
    // "Delete External &group" is disabled.
    void deleteShownGroup()
    {
        TExternal t;
        t.AddItem("Messages", "Hello", "Hello world");
        t.AddItem("Messages", "Bye", "Good bye");
        t.ShowGroup("Messages");
        t.Form->UpdateCommandStates();
        const int groups = t.Project().ExtGroups().Count();
        t.Prompt.Answers = {mrYes};
        t.ClickMenuItem(t.Menu("&Edit"), t.Commands()->miDeleteExternalGroup);
        QTRY_COMPARE(t.Project().ExtGroups().Count(), groups - 1);
        QVERIFY(t.Prompt.Log.join('\n').contains(
            "You are going to delete the External Group \"Messages\". All group itemes will be deleted too. Proceed?"));
        QVERIFY(!t.Project().FindExtItem("Messages", "Hello"));
        QCOMPARE(t.Form->SectionChooser()->SelectedNode(), t.ExternalNode());
        QCOMPARE(t.Project().Filter().ShownSection(), ssExternal);
        QVERIFY(t.Project().Filter().ExtItems().GroupName().isEmpty());
        QVERIFY(!t.Commands()->miDeleteExternalGroup->isEnabled());
        if (t.Project().ExtGroups().Count() == 0) QCOMPARE(t.Grid()->RowCount(), 0);
    }

    void deleteItems()
    {
        TExternal t;
        t.AddItem("Messages", "Hello", "Hello world");
        t.AddItem("Messages", "Bye", "Good bye");
        t.ShowGroup("Messages");
        t.Grid()->setFocus();
        t.Grid()->SetRow(0);
        QTest::keyClick(t.Grid(), Qt::Key_Down, Qt::ShiftModifier);
        t.Form->UpdateCommandStates();
        t.Prompt.Answers = {mrYes};
        t.ClickMenuItem(t.Menu("&Edit"), t.Commands()->miDeleteExternal);
        QTRY_VERIFY(!t.Project().FindExtItem("Messages", "Hello"));
        QVERIFY(!t.Project().FindExtItem("Messages", "Bye"));
        QCOMPARE(t.Prompt.Log, QStringList{"Confirmation: Delete selected external item(s)?"});
        QCOMPARE(t.Grid()->RowCount(), 0);
    }
};

QTEST_MAIN(TstExternalItems)
#include "tst_externalitems.moc"
