#include "app/gui/dialogs/language/LanguagePropertiesDialog.h"
#include "app/gui/dialogs/language/LanguagesDialog.h"
#include "app/gui/dialogs/language/StatisticsDialog.h"
#include "app/gui/window/TreeCombo.h"
#include "langfile/EditorProjectFixture.h"
#include "langfile/LEProject.h"
#include "langfile/LangCreation.h"
#include "langfile/LanguageNaming.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

using namespace fixture;

namespace {

template <class T> T* Child(const QWidget& Parent, const char* Name)
{
    T* child = Parent.findChild<T*>(QLatin1String(Name));
    if (!child) qFatal("no child %s", Name);
    return child;
}

bool OKEnabled(const QDialog& Dialog)
{
    return Dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled();
}

QTreeWidgetItem* FindNode(QTreeWidget* Tree, const QString& Text)
{
    const QList<QTreeWidgetItem*> found = Tree->findItems(Text, Qt::MatchExactly | Qt::MatchRecursive);
    if (found.isEmpty()) qFatal("no node %s", qPrintable(Text));
    return found.first();
}

QStringList Texts(const QTreeWidgetItem* Node)
{
    QStringList texts;
    for (int i = 0; i < Node->childCount(); ++i) texts << Node->child(i)->text(0);
    return texts;
}

// Types each character as a key press with that text (also outside ASCII).
void TypeText(QWidget* Widget, const QString& Text)
{
    for (const QChar c : Text) QTest::sendKeyEvent(QTest::Click, Widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QString Labels(const QWidget& Dialog)
{
    QStringList texts;
    for (const char* name : {"lbItemsCount", "lbTranslated", "lbUntranslated", "lbUntranslatable"})
        texts << Child<QLabel>(Dialog, name)->text();
    return texts.join(" | ");
}

QString Slices(const TStatPieChart& Chart)
{
    QStringList texts;
    for (const TStatPieChart::TSlice& slice : Chart.Slices())
        texts << QStringLiteral("%1 %2").arg(slice.Value).arg(slice.Color.name());
    return texts.join(", ");
}

} // namespace

class TestLangDialogs : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> FDir;
    std::unique_ptr<TLEProject> FProject;
    QString Path(const QString& Name) const { return FDir->filePath(Name); }

    // The sample project with German open (French stays closed).
    void OpenProject(bool WithExternal = true, bool GermanReadOnly = false)
    {
        FDir = std::make_unique<QTemporaryDir>();
        MakeEditorProject(FDir->path(), WithExternal);
        FProject = std::make_unique<TLEProject>();
        FProject->Open(Path("app.ntv.lng"), false, false);
        FProject->OpenLanguage(Path("app.deu.lng"), GermanReadOnly);
    }

private Q_SLOTS:
    void cleanup()
    {
        FProject.reset();
        FDir.reset();
    }

    // Choosing a language proposes its names and abbreviation; OK waits for
    // an abbreviation no open file has and an English name. The choice makes
    // a language file next to the native one.
    void createNewLanguage()
    {
        OpenProject();
        TdlgLanguageProperties dlg;
        dlg.Init(FProject->LangFiles(), -1);
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QString("Create new language"));
        auto* tree = Child<QTreeWidget>(dlg, "tvLang");
        auto* engName = Child<QLineEdit>(dlg, "edEngName");
        auto* ext = Child<QLineEdit>(dlg, "edExt");
        auto* basedOn = Child<QComboBox>(dlg, "cbBasedOn");
        QVERIFY(ext->isReadOnly());
        QCOMPARE(basedOn->count(), 2);
        QCOMPARE(basedOn->itemText(0), QString("Native"));
        QCOMPARE(basedOn->itemText(1), QString("German"));
        QCOMPARE(dlg.BasedOnIndex(), 0);
        // The user's default language (English (United States) with LC_ALL=C).
        QCOMPARE(dlg.Locale(), 0x0409);
        QVERIFY(Child<QCheckBox>(dlg, "chbUntranslatedAsNative")->isChecked());
        QVERIFY(!Child<QCheckBox>(dlg, "chbAutoTranslate")->isVisible());
        QVERIFY(!Child<QLabel>(dlg, "lblVersion")->isVisible());

        QTreeWidgetItem* german = FindNode(tree, "German");
        QVERIFY(german->childCount() > 1);
        tree->setCurrentItem(german);
        QCOMPARE(engName->text(), QString("German"));
        QCOMPARE(dlg.LocalizedName(), QString("Deutsch"));
        QCOMPARE(ext->text(), QString("DE"));
        QCOMPARE(Child<QLabel>(dlg, "lbLCIDvalue")->text(), QString("7"));
        QVERIFY(OKEnabled(dlg));

        tree->setCurrentItem(FindNode(tree, "German (Germany)"));
        QCOMPARE(ext->text(), QString("DEU"));
        QVERIFY2(!OKEnabled(dlg), "German is open as app.deu.lng");

        tree->setCurrentItem(FindNode(tree, "French (France)"));
        QCOMPARE(ext->text(), QString("FRA"));
        QVERIFY(OKEnabled(dlg));
        engName->clear();
        QVERIFY(!OKEnabled(dlg));
        QTest::keyClicks(engName, "French");
        QVERIFY(OKEnabled(dlg));

        basedOn->setCurrentIndex(1);
        Child<QCheckBox>(dlg, "chbUntranslatedAsNative")->setChecked(false);
        const TNewLanguage lang = dlg.NewLanguage();
        QCOMPARE(lang.Locale, 0x040C);
        QCOMPARE(lang.EnglishName, QString("French"));
        QCOMPARE(lang.BaseIndex, 1);
        QCOMPARE(dlg.BasedOnLangID(), kGerman);
        QVERIFY(lang.UseUntranslated);

        QFile::remove(Path("app.fra.lng"));
        const QString file = NewLanguageFileName(FProject->NativeFileName(), dlg.Abbreviation());
        QCOMPARE(file, Path("app.FRA.lng"));
        const int column = CreateLanguageFile(*FProject, file, lang);
        QCOMPARE(column, 2);
        QCOMPARE(FProject->LangFiles().Items(2)->BasedOnLangID(), kGerman);
        QVERIFY(QFile::exists(file));
    }

    void autoTranslateOffered()
    {
        OpenProject();
        TdlgLanguageProperties dlg;
        dlg.Init(FProject->LangFiles(), -1, true);
        dlg.show();
        auto* check = Child<QCheckBox>(dlg, "chbAutoTranslate");
        QVERIFY(check->isVisible());
        QVERIFY(!dlg.AutoTranslate());
        check->setChecked(true);
        QVERIFY(dlg.AutoTranslate());
    }

    // Only characters below 128 can be typed into the English name.
    void englishNameRefusesNonAscii()
    {
        OpenProject();
        TdlgLanguageProperties dlg;
        dlg.Init(FProject->LangFiles(), -1);
        dlg.show();
        auto* tree = Child<QTreeWidget>(dlg, "tvLang");
        auto* engName = Child<QLineEdit>(dlg, "edEngName");
        tree->setCurrentItem(FindNode(tree, "French (France)"));
        engName->setFocus();
        engName->clear();
        TypeText(engName, QString::fromUtf8("Fran\u00e7ais \u00e9x"));
        QCOMPARE(engName->text(), QString("Franais x"));

        // A name from a file ("Français") stays editable.
        FProject->LangFiles().Items(1)->SetLangEnglishName(QString::fromUtf8("Fran\u00e7ais"));
        dlg.Init(FProject->LangFiles(), 1);
        engName->end(false);
        TypeText(engName, QString::fromUtf8("!\u00e9"));
        QCOMPARE(engName->text(), QString::fromUtf8("Fran\u00e7ais!"));
    }

    // An open language shows its file's description; its abbreviation and
    // locale stay as they are.
    void propertiesOfOpenLanguage()
    {
        OpenProject();
        TLangFile* de = FProject->LangFiles().Items(1);
        de->SetLangLocalizedName("Deutsch (Test)");
        de->SetBasedOnLangID(kEnglish);
        de->SetAttribute(lfaUseUntranslated, true);
        de->SetVersion(2);
        de->SetBuild(4);
        TdlgLanguageProperties dlg;
        dlg.Init(FProject->LangFiles(), 1, true);
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QString("Language properties"));
        QCOMPARE(dlg.EnglishName(), QString("German"));
        QCOMPARE(dlg.LocalizedName(), QString("Deutsch (Test)"));
        QCOMPARE(dlg.Abbreviation(), QString("deu"));
        QCOMPARE(dlg.Locale(), kGerman);
        QCOMPARE(Child<QLabel>(dlg, "lbLCIDvalue")->text(), QString("1031"));
        QCOMPARE(Child<QLabel>(dlg, "lblVersion")->text(), QString("Version: 2.4"));
        auto* basedOn = Child<QComboBox>(dlg, "cbBasedOn");
        QVERIFY(!basedOn->isEnabled());
        QCOMPARE(basedOn->count(), 1);
        QCOMPARE(basedOn->itemText(0), QString("English (United States)"));
        QVERIFY(!Child<QCheckBox>(dlg, "chbUntranslatedAsNative")->isChecked());
        QVERIFY(!Child<QCheckBox>(dlg, "chbAutoTranslate")->isVisible());
        QVERIFY(!Child<QLineEdit>(dlg, "edEngName")->isReadOnly());
        QVERIFY2(OKEnabled(dlg), "its own abbreviation does not count as taken");

        auto* tree = Child<QTreeWidget>(dlg, "tvLang");
        tree->setCurrentItem(FindNode(tree, "French (France)"));
        QCOMPARE(dlg.Locale(), kGerman);
        QCOMPARE(dlg.EnglishName(), QString("German"));

        // Unchanged, applying it leaves the file as it was.
        QVERIFY(!ApplyLanguageProperties(*FProject, 1, dlg.NewLanguage(), dlg.Abbreviation()));
        QVERIFY(!de->Modified());
    }

    void propertiesReadOnlyAndNative()
    {
        OpenProject(true, true);
        TdlgLanguageProperties dlg;
        dlg.Init(FProject->LangFiles(), 1);
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QString("Language properties (read only)"));
        QVERIFY(Child<QLineEdit>(dlg, "edEngName")->isReadOnly());
        QVERIFY(Child<QLineEdit>(dlg, "edLocalName")->isReadOnly());
        QVERIFY(Child<QCheckBox>(dlg, "chbUntranslatedAsNative")->isVisible());

        dlg.Init(FProject->LangFiles(), 0);
        QCOMPARE(dlg.windowTitle(), QString("Language properties (read only)"));
        QCOMPARE(dlg.Abbreviation(), QString("ntv"));
        QVERIFY(!Child<QCheckBox>(dlg, "chbUntranslatedAsNative")->isVisible());
        QVERIFY(!Child<QComboBox>(dlg, "cbBasedOn")->isEnabled());
        QVERIFY(OKEnabled(dlg));

        try {
            dlg.Init(FProject->LangFiles(), 2);
            QFAIL("no error for a file the project lacks");
        } catch (const ELangFileError& e) {
            QCOMPARE(e.Message(), QString("Invalid index"));
        }
    }

    // A locale the catalogue does not list is kept, not replaced by the
    // first language of the tree.
    void propertiesOfUnlistedLocale()
    {
        OpenProject();
        FProject->LangFiles().Items(1)->SetLocale(0x7C7C);
        TdlgLanguageProperties dlg;
        dlg.Init(FProject->LangFiles(), 1);
        QCOMPARE(dlg.Locale(), 0x7C7C);
        QCOMPARE(dlg.EnglishName(), QString("German"));
    }

    // Files open already, unreadable ones and native ones are not offered;
    // "Open" waits for a checked entry.
    void openLanguagesList()
    {
        OpenProject();
        {
            TLangFileProject other;
            other.Open(Path("app.ntv.lng"), false, false);
            CreateLanguageFile(other, Path("app.hin.lng"), NewLanguageOfLocale(0x0439));
        }
        QFile junk(Path("app.bad.lng"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a language file");
        junk.close();
        QVERIFY(QFile::copy(Path("app.ntv.lng"), Path("app.two.lng")));

        TdlgLanguages dlg;
        dlg.Init(*FProject);
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QString("Open language(s)"));
        QCOMPARE(dlg.ProjectFile(), Path("app.ntv.lng"));
        QListWidget* list = dlg.LangListBox();
        QCOMPARE(dlg.CandidateCount(), 2);
        QCOMPARE(list->item(0)->text(), QString("French"));
        QCOMPARE(list->item(1)->text(), QString("Hindi - unsupported code page"));
        QAbstractButton* open = nullptr;
        for (QAbstractButton* b : dlg.findChild<QDialogButtonBox*>()->buttons())
            if (b->text() == "Open") open = b;
        QVERIFY(open);
        QVERIFY(!open->isEnabled());
        QVERIFY(dlg.CheckedFiles().isEmpty());

        list->item(1)->setCheckState(Qt::Checked);
        QVERIFY(open->isEnabled());
        list->item(0)->setCheckState(Qt::Checked);
        QCOMPARE(dlg.CheckedFiles(), QStringList({Path("app.fra.lng"), Path("app.hin.lng")}));
        list->item(0)->setCheckState(Qt::Unchecked);
        list->item(1)->setCheckState(Qt::Unchecked);
        QVERIFY(!open->isEnabled());

        for (const QString& file : {Path("app.fra.lng"), Path("app.hin.lng")}) FProject->OpenLanguage(file, false);
        dlg.Init(*FProject);
        QCOMPARE(dlg.CandidateCount(), 0);
    }

    // The tree of forms, units and groups with their counts; Enter chooses,
    // Escape only closes.
    void sectionChooser()
    {
        OpenProject();
        FProject->Forms().FindByName("AboutForm")->SetAttribute(faRuntimeForm, true);
        TfrmTreeCombo combo;
        QCOMPARE(combo.FormsNode()->text(0), QString("Forms"));
        combo.Fill(*FProject);
        QCOMPARE(combo.FormsNode()->text(0), QString("Forms (2)"));
        QCOMPARE(combo.UnitsNode()->text(0), QString("Units (2)"));
        QCOMPARE(combo.ExternalNode()->text(0), QString("External (1)"));
        QCOMPARE(Texts(combo.FormsNode()), QStringList({"~RTM:AboutForm (2)", "MainForm (7)"}));
        QCOMPARE(Texts(combo.UnitsNode()), QStringList({"RC (4)", "Strings (2)"}));
        QCOMPARE(Texts(combo.ExternalNode()), QStringList({"Help (2)"}));
        QCOMPARE(combo.SelectedIndex(), 0);
        QCOMPARE(combo.SelectedSection(), ssForms);
        QVERIFY(!combo.SelectedHolder());

        QTreeWidgetItem* changed = nullptr;
        int hidden = 0;
        combo.SetOnChange([&](QTreeWidget*, QTreeWidgetItem* Node) { changed = Node; });
        combo.SetOnFormHide([&] { ++hidden; });

        // Depth-first: Forms 0, AboutForm 1, MainForm 2, Units 3, RC 4, Strings 5, External 6, Help 7.
        combo.SetSelectedIndex(4);
        QCOMPARE(combo.SelectedNode()->text(0), QString("RC (4)"));
        combo.show();
        QVERIFY(combo.UnitsNode()->isExpanded());
        QVERIFY(!combo.FormsNode()->isExpanded());
        QVERIFY(!combo.ExternalNode()->isExpanded());
        QVERIFY(combo.width() >= combo.MinWidth() && combo.width() <= combo.MaxWidth());
        QTreeWidget* tree = combo.Tree();
        QCOMPARE(tree->currentItem(), combo.SelectedNode());

        QTest::keyClick(tree, Qt::Key_Down);
        QTest::keyClick(tree, Qt::Key_Return);
        QVERIFY(!combo.isVisible());
        QCOMPARE(hidden, 1);
        QVERIFY(changed);
        QCOMPARE(changed->text(0), QString("Strings (2)"));
        QCOMPARE(combo.SelectedIndex(), 5);
        QCOMPARE(combo.SelectedSection(), ssUnits);
        QCOMPARE(combo.SelectedHolder(), FProject->Units().FindByName("Strings"));
        QCOMPARE(TfrmTreeCombo::NodeName(changed), QString("Strings"));

        changed = nullptr;
        combo.show();
        QTest::keyClick(tree, Qt::Key_Up);
        QTest::keyClick(tree, Qt::Key_Escape);
        QVERIFY(!combo.isVisible());
        QCOMPARE(hidden, 2);
        QVERIFY(!changed);
        QCOMPARE(combo.SelectedIndex(), 5);

        // A small maximum height caps the drop-down.
        combo.SetMaxHeight(50);
        combo.SetSelectedIndex(1);
        combo.show();
        QCOMPARE(combo.height(), 50);
        QVERIFY(combo.FormsNode()->isExpanded());
        QVERIFY(!combo.UnitsNode()->isExpanded());
        combo.hide();

        QVERIFY(combo.ChooseSibling(1));
        QCOMPARE(changed->text(0), QString("MainForm (7)"));
        QVERIFY(!combo.ChooseSibling(1));
        QCOMPARE(combo.SelectedNode()->text(0), QString("MainForm (7)"));
        QCOMPARE(static_cast<TLocForm*>(combo.SelectedHolder()), FProject->Forms().FindByName("MainForm"));
    }

    // The section text kept in the project desktop names a node; groups are
    // rebuilt keeping the one shown.
    void sectionChooserText()
    {
        OpenProject();
        TfrmTreeCombo combo;
        combo.Fill(*FProject);
        combo.SelectSectionText("Units.strings");
        QCOMPARE(combo.SelectedNode()->text(0), QString("Strings (2)"));
        // What is kept is the keyword and the name, without counts, whatever
        // the interface language shows.
        QCOMPARE(combo.SectionKey(combo.SelectedNode()), QString("Units.Strings"));
        QCOMPARE(combo.SectionKey(combo.UnitsNode()), QString("Units"));
        combo.SelectSectionText("Units.Missing");
        QCOMPARE(combo.SelectedNode(), combo.UnitsNode());
        combo.SelectSectionText("Forms.MainForm");
        QCOMPARE(combo.SelectedNode()->text(0), QString("MainForm (7)"));
        combo.SelectSectionText("Nothing");
        QCOMPARE(combo.SelectedNode(), combo.FormsNode());

        combo.SelectSectionText("External.Help");
        QCOMPARE(combo.SelectedSection(), ssExternal);
        FProject->AddExternalItem(-1, "About box", "Credits");
        combo.FillExternal(*FProject);
        QCOMPARE(combo.ExternalNode()->text(0), QString("External (2)"));
        QCOMPARE(Texts(combo.ExternalNode()), QStringList({"About box (1)", "Help (2)"}));
        QCOMPARE(combo.SelectedNode()->text(0), QString("Help (2)"));
        combo.SelectSectionText("External.About box");
        QCOMPARE(TfrmTreeCombo::NodeName(combo.SelectedNode()), QString("About box"));

        combo.Clear();
        QCOMPARE(combo.Tree()->topLevelItemCount(), 3);
        QCOMPARE(combo.SelectedNode(), combo.FormsNode());
        QCOMPARE(combo.UnitsNode()->text(0), QString("Units"));
        combo.SelectSectionText("External");
        QCOMPARE(combo.SelectedNode(), combo.FormsNode());
    }

    void percent_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("percent");
        QTest::newRow("half down to even") << 1 << 8 << 12;
        QTest::newRow("half up to even") << 3 << 8 << 38;
        QTest::newRow("half to zero") << 1 << 200 << 0;
        QTest::newRow("half to two") << 3 << 200 << 2;
        QTest::newRow("third") << 1 << 3 << 33;
        QTest::newRow("two thirds") << 2 << 3 << 67;
        QTest::newRow("all") << 5 << 5 << 100;
        QTest::newRow("none") << 0 << 5 << 0;
        QTest::newRow("big") << 99999 << 100000 << 100;
    }
    void percent()
    {
        QFETCH(int, count);
        QFETCH(int, items);
        QTEST(RoundedPercent(count, items), "percent");
    }

    // German of the sample project: properties 9 = 3 + 5 + 1, constants 6 =
    // 2 + 3 + 1, external 2 = 1 + 1 + 0. Rounded one by one, the total's
    // percentages add up to 100 here and 101 for the constants.
    void statistics()
    {
        OpenProject();
        FProject->SetCurLangIndex(1);
        TdlgStatistics dlg;
        dlg.Init(*FProject);
        QCOMPARE(dlg.windowTitle(), QString("Language Statistics"));
        QCOMPARE(Child<QLabel>(dlg, "lbLanguage")->text(), QString("German"));
        QCOMPARE(Child<QTabBar>(dlg, "tbGroups")->currentIndex(), 0);
        auto* chart = Child<TStatPieChart>(dlg, "chPie");
        QCOMPARE(Labels(dlg), QString("17 | 6 (35%) | 9 (53%) | 2 (12%)"));
        QCOMPARE(Slices(*chart), QString("6 #008000, 9 #ff0000, 2 #0000ff"));

        Child<QTabBar>(dlg, "tbGroups")->setCurrentIndex(TdlgStatistics::stProperties);
        QCOMPARE(Labels(dlg), QString("9 | 3 (33%) | 5 (56%) | 1 (11%)"));
        dlg.ShowTab(TdlgStatistics::stConstants);
        QCOMPARE(Child<QTabBar>(dlg, "tbGroups")->currentIndex(), 2);
        QCOMPARE(Labels(dlg), QString("6 | 2 (33%) | 3 (50%) | 1 (17%)"));
        dlg.ShowTab(TdlgStatistics::stExternal);
        QCOMPARE(Labels(dlg), QString("2 | 1 (50%) | 1 (50%) | 0 (0%)"));
        QCOMPARE(Slices(*chart), QString("1 #008000, 1 #ff0000, 0 #0000ff"));

        FProject->SetCurLangIndex(0);
        dlg.Init(*FProject);
        QCOMPARE(Child<QLabel>(dlg, "lbLanguage")->text(), QString("English"));
        QCOMPARE(Labels(dlg), QString("17 | 15 (88%) | 0 (0%) | 2 (12%)"));
    }

    void statisticsWithoutExternalItems()
    {
        OpenProject(false);
        FProject->SetCurLangIndex(1);
        TdlgStatistics dlg;
        dlg.Init(*FProject);
        dlg.ShowTab(TdlgStatistics::stExternal);
        QCOMPARE(Labels(dlg), QString("0 | 0 | 0 | 0"));
        QCOMPARE(Slices(*Child<TStatPieChart>(dlg, "chPie")), QString("0 #008000, 0 #ff0000, 0 #0000ff"));
    }

    // Slices run clockwise from the top: with two equal halves the right one
    // is the first slice's colour.
    void pieChartPaints()
    {
        TStatPieChart chart;
        chart.resize(100, 100);
        const QColor background = chart.grab().toImage().pixelColor(50, 50);
        chart.AddSlice(0, TdlgStatistics::TranslatedColor);
        chart.AddSlice(3, TdlgStatistics::UntranslatedColor);
        chart.AddSlice(3, TdlgStatistics::UntranslatableColor);
        QImage image = chart.grab().toImage();
        QCOMPARE(image.pixelColor(75, 50), TdlgStatistics::UntranslatedColor);
        QCOMPARE(image.pixelColor(25, 50), TdlgStatistics::UntranslatableColor);

        chart.Clear();
        chart.AddSlice(7, TdlgStatistics::TranslatedColor);
        image = chart.grab().toImage();
        QCOMPARE(image.pixelColor(50, 20), TdlgStatistics::TranslatedColor);
        QCOMPARE(image.pixelColor(50, 80), TdlgStatistics::TranslatedColor);

        chart.Clear();
        chart.AddSlice(0, TdlgStatistics::TranslatedColor);
        QCOMPARE(chart.grab().toImage().pixelColor(50, 50), background);
    }
};

QTEST_MAIN(TestLangDialogs)
#include "tst_langdialogs.moc"
