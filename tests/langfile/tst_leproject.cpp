#include "core/Prompt.h"
#include "langfile/EditorProjectFixture.h"
#include "langfile/LEProject.h"
#include "platform/AtomicFile.h"

#include <QtTest>

using namespace fixture;

namespace {

template <class TList> QStringList Names(const TList& list)
{
    QStringList names;
    for (auto* item : list.FItems) names << item->GetFullName(".");
    return names;
}

const QStringList kAllShownProps = {"AboutForm.Caption",     "MainForm.Caption",       "MainForm.btnOpen.Caption",
                                    "MainForm.btnOpen.Hint", "MainForm.btnOpen.Width", "MainForm.btnSave.Caption",
                                    "MainForm.btnSave.Hint", "MainForm.btnSave.Width"};

} // namespace

class TestLEProject : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> FDir;
    TRecordingPrompt FPrompt;
    std::unique_ptr<TLEProject> FProject;

    QString Path(const QString& name) const { return FDir->filePath(name); }
    // The fixture with German (column 1) and French (column 2) open.
    TLEProject& OpenProject() { return OpenEditorProject(*FProject, FDir->path()); }

private Q_SLOTS:
    void init()
    {
        FDir = std::make_unique<QTemporaryDir>();
        MakeEditorProject(FDir->path());
        FPrompt = TRecordingPrompt();
        FProject = std::make_unique<TLEProject>();
        FProject->SetPrompt(&FPrompt);
    }
    void cleanup()
    {
        FProject.reset();
        SetAtomicWriteHookForTesting({});
    }

    void openFillsListsInHierarchicalOrder()
    {
        TLEProject& p = *FProject;
        p.Filter().SetShowUntranslatable(true);
        p.Filter().SetLangIndex(1);
        p.Open(Path("app.ntv.lng"), false, false);
        QCOMPARE(p.DisplayName(), Path("app.ntv.lng"));
        QCOMPARE(Names(p.PropertyList()),
                 QStringList({"AboutForm.Caption", "AboutForm.lblVersion.Caption", "MainForm.Caption",
                              "MainForm.btnOpen.Caption", "MainForm.btnOpen.Hint", "MainForm.btnOpen.Width",
                              "MainForm.btnSave.Caption", "MainForm.btnSave.Hint", "MainForm.btnSave.Width"}));
        QCOMPARE(Names(p.ConstantList()),
                 QStringList({"RC.120", "RC.65000", "RC.7", "RC.abc", "Strings.SFiles", "Strings.SNone"}));
        QCOMPARE(Names(p.ExtItemsList()), QStringList({"Help.Tip", "Help.Title"}));
        // The filter is cleared (column 0) but keeps showing untranslatable items.
        QCOMPARE(p.Filter().LangIndex(), 0);
        QCOMPARE(p.ShownPropertyList().Count(), 9);
        QCOMPARE(p.ShownConstantList().Count(), 6);
        QCOMPARE(p.ShownExtItemsList().Count(), 2);

        p.Close(false);
        QCOMPARE(p.PropertyList().Count(), 0);
        QCOMPARE(p.ShownPropertyList().Count(), 0);
        QCOMPARE(p.ConstantList().Count(), 0);
        QCOMPARE(p.ShownExtItemsList().Count(), 0);
    }

    void libraryDisplayName_data()
    {
        QTest::addColumn<QByteArray>("ini"); // empty: no lib.ini
        QTest::addColumn<QString>("expected");
        QTest::newRow("no lib.ini") << QByteArray() << "Library \"rxlib\"";
        QTest::newRow("name with comma") << QByteArray("[Common]\nName=RX Library, v2\n")
                                         << "Library \"RX Library, v2\"";
        QTest::newRow("any case, quoted, CRLF")
            << QByteArray("[Other]\r\nName=X\r\n[ common ]\r\nNAME = \"Quoted\"\r\n") << "Library \"Quoted\"";
        QTest::newRow("8-bit text") << QByteArray("[Common]\nName=Biblioth\xe8que\n") << "Library \"Bibliothèque\"";
        QTest::newRow("empty name") << QByteArray("[Common]\nName=\nFileName=rx\n") << "Library \"rxlib\"";
    }
    void libraryDisplayName()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, expected);
        QVERIFY(QDir(FDir->path()).mkdir("rxlib"));
        const QString lib = Path("rxlib");
        QVERIFY(QFile::copy(Path("app.ntv.lng"), lib + "/rxlib.EN.lng"));
        if (!ini.isEmpty()) {
            QFile f(lib + "/lib.ini");
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(ini);
        }
        FProject->Open(lib + "/rxlib.EN.lng", true, false);
        QVERIFY(FProject->IsLibrary());
        QCOMPARE(FProject->DisplayName(), expected);
    }

    void filter_data()
    {
        QTest::addColumn<int>("langIndex");
        QTest::addColumn<bool>("translated");
        QTest::addColumn<bool>("untranslated");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<bool>("untranslatable");
        QTest::addColumn<bool>("untranslatableOnly");
        QTest::addColumn<QString>("formName");
        QTest::addColumn<bool>("nontextual");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("defaults") << 0 << true << true << true << false << false << "" << true << kAllShownProps;
        // The native column has no untranslated values.
        QTest::newRow("column 0, translated only")
            << 0 << true << false << true << false << false << "" << true << kAllShownProps;
        QTest::newRow("column 0, untranslated only")
            << 0 << false << true << true << false << false << "" << true << QStringList();
        QTest::newRow("German translated")
            << 1 << true << false << true << false << false << "" << true
            << QStringList({"MainForm.Caption", "MainForm.btnOpen.Caption", "MainForm.btnSave.Caption"});
        QTest::newRow("German untranslated")
            << 1 << false << true << true << false << false << "" << true
            << QStringList({"AboutForm.Caption", "MainForm.btnOpen.Hint", "MainForm.btnOpen.Width",
                            "MainForm.btnSave.Hint", "MainForm.btnSave.Width"});
        QTest::newRow("hidden off") << 1 << false << true << false << false << false << "" << true
                                    << QStringList({"AboutForm.Caption", "MainForm.btnOpen.Width",
                                                    "MainForm.btnSave.Hint", "MainForm.btnSave.Width"});
        // Untranslatable items ignore the hidden attribute and the state.
        QTest::newRow("untranslatable and hidden shown") << 1 << false << false << false << true << false << "" << true
                                                         << QStringList({"AboutForm.lblVersion.Caption"});
        QTest::newRow("untranslatable only") << 1 << true << true << true << false << true << "" << true
                                             << QStringList({"AboutForm.lblVersion.Caption"});
        QTest::newRow("run-time form mark") << 0 << true << true << true << true << false << "~RTM: aboutform" << true
                                            << QStringList({"AboutForm.Caption", "AboutForm.lblVersion.Caption"});
        QTest::newRow("other form") << 0 << true << true << true << false << false << "NoSuchForm" << true
                                    << QStringList();
        QTest::newRow("non-textual hidden")
            << 0 << true << true << true << false << false << "MAINFORM" << false
            << QStringList({"MainForm.Caption", "MainForm.btnOpen.Caption", "MainForm.btnOpen.Hint",
                            "MainForm.btnSave.Caption", "MainForm.btnSave.Hint"});
    }
    void filter()
    {
        QFETCH(int, langIndex);
        QFETCH(bool, translated);
        QFETCH(bool, untranslated);
        QFETCH(bool, hidden);
        QFETCH(bool, untranslatable);
        QFETCH(bool, untranslatableOnly);
        QFETCH(QString, formName);
        QFETCH(bool, nontextual);
        QFETCH(QStringList, expected);

        TLEProject& p = OpenProject();
        TLPFilter& f = p.Filter();
        f.SetLangIndex(langIndex);
        f.SetShowTranslated(translated);
        f.SetShowUntranslated(untranslated);
        f.SetShowHidden(hidden);
        f.SetShowUntranslatable(untranslatable);
        f.SetUntranslatableOnly(untranslatableOnly);
        f.Properties().SetFormName(formName);
        f.Properties().SetShowNontextual(nontextual);
        f.Properties().SetModified(true);
        p.RebuildShownList(true);
        QCOMPARE(Names(p.ShownPropertyList()), expected);
        QVERIFY(!f.Properties().Modified());
    }

    void filterColumnZeroShowsBothStates()
    {
        TLPFilter f;
        f.SetLangIndex(1);
        f.SetShowTranslated(false);
        f.SetShowUntranslated(false);
        f.SetLangIndex(2);
        QVERIFY(!f.ShowTranslated() && !f.ShowUntranslated());
        f.SetLangIndex(0);
        QVERIFY(f.ShowTranslated() && f.ShowUntranslated());
    }

    void clearKeepsUntranslatableAndRegExp()
    {
        TLPFilter f;
        f.SetShownSection(ssUnits);
        f.SetLangIndex(2);
        f.SetShowTranslated(false);
        f.SetShowHidden(false);
        f.SetUntranslatableOnly(true);
        f.SetShowUntranslatable(true);
        f.SetModified(true);
        f.SetRegExp("abc");
        f.Properties().SetFormName("MainForm");
        f.Properties().SetShowTextual(false);
        f.Constants().SetUntName("RC");
        f.ExtItems().SetGroupName("Help");
        f.Clear();
        QCOMPARE(f.ShownSection(), ssForms);
        QCOMPARE(f.LangIndex(), 0);
        QVERIFY(f.ShowTranslated() && f.ShowUntranslated() && f.ShowHidden());
        QVERIFY(!f.UntranslatableOnly() && !f.Modified());
        QVERIFY(f.Properties().FormName().isEmpty() && f.Properties().ShowTextual());
        QVERIFY(f.Constants().UntName().isEmpty() && f.ExtItems().GroupName().isEmpty());
        QVERIFY(f.ShowUntranslatable());
        QCOMPARE(f.RegExp(), QString("abc"));
    }

    void constantAndExternalFilters()
    {
        TLEProject& p = OpenProject();
        p.Filter().SetShowUntranslatable(true);
        p.Filter().SetShownSection(ssUnits);
        p.Filter().Constants().SetUntName("strings");
        p.RebuildShownList(true);
        QCOMPARE(Names(p.ShownConstantList()), QStringList({"Strings.SFiles", "Strings.SNone"}));
        p.Filter().SetShownSection(ssExternal);
        p.Filter().SetLangIndex(1);
        p.Filter().SetShowUntranslated(false);
        p.Filter().ExtItems().SetGroupName("HELP");
        p.RebuildShownList(true);
        QCOMPARE(Names(p.ShownExtItemsList()), QStringList({"Help.Title"}));
        p.Filter().ExtItems().SetGroupName("Other");
        p.RebuildShownList(true);
        QCOMPARE(p.ShownExtItemsList().Count(), 0);
    }

    // The editor passes every keystroke on: a text that does not compile keeps
    // the last expression that did; before any did, nothing is filtered out.
    void regExpFollowsTyping()
    {
        TLEProject& p = OpenProject();
        p.Filter().SetLangIndex(1);
        auto shown = [&](const QString& re) {
            p.Filter().SetRegExp(re);
            p.RebuildShownList(true);
            return Names(p.ShownPropertyList());
        };
        QCOMPARE(shown("("), kAllShownProps);
        const QStringList speichernOeffnen = {"MainForm.btnOpen.Caption", "MainForm.btnSave.Caption"};
        QCOMPARE(shown(QStringLiteral("SPEICH|^ö")), speichernOeffnen); // case-insensitive, also beyond ASCII
        QCOMPARE(shown(QStringLiteral("SPEICH|^ö|(")), speichernOeffnen);
        QCOMPARE(p.Filter().RegExp(), QStringLiteral("SPEICH|^ö|("));
        QCOMPARE(shown(""), kAllShownProps);
        QCOMPARE(shown("["), kAllShownProps); // the empty expression compiled last
        // The expression examines the filter column's text, after the state filter.
        p.Filter().SetShowTranslated(false);
        QCOMPARE(shown("^\\d+$"), QStringList({"MainForm.btnOpen.Width", "MainForm.btnSave.Width"}));
    }

    void sorting_data()
    {
        QTest::addColumn<int>("section");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("sortColumn");
        QTest::addColumn<int>("order");
        QTest::addColumn<bool>("fullName");
        QTest::addColumn<QStringList>("expected");

        // Numbers before texts, texts without "&"; "&Open" and "Open" are equal
        // and keep their hierarchical order in both directions.
        QTest::newRow("native ascending")
            << int(ssForms) << "" << 0 << int(soAsc) << true
            << QStringList({"MainForm.btnOpen.Width", "MainForm.btnSave.Width", "MainForm.btnSave.Hint",
                            "AboutForm.Caption", "MainForm.Caption", "MainForm.btnOpen.Caption",
                            "MainForm.btnOpen.Hint", "MainForm.btnSave.Caption"});
        QTest::newRow("native descending")
            << int(ssForms) << "" << 0 << int(soDsc) << true
            << QStringList({"MainForm.btnSave.Caption", "MainForm.btnOpen.Caption", "MainForm.btnOpen.Hint",
                            "MainForm.Caption", "AboutForm.Caption", "MainForm.btnSave.Hint", "MainForm.btnSave.Width",
                            "MainForm.btnOpen.Width"});
        QTest::newRow("German descending")
            << int(ssForms) << "" << 1 << int(soDsc) << true
            << QStringList({"MainForm.btnOpen.Caption", "MainForm.btnSave.Caption", "MainForm.btnOpen.Hint",
                            "MainForm.Caption", "AboutForm.Caption", "MainForm.btnSave.Hint", "MainForm.btnSave.Width",
                            "MainForm.btnOpen.Width"});
        QTest::newRow("no sort order") << int(ssForms) << "" << 1 << int(soNone) << true << kAllShownProps;
        QTest::newRow("full names") << int(ssForms) << "" << -1 << int(soAsc) << true
                                    << QStringList({"AboutForm.Caption", "MainForm.btnOpen.Caption",
                                                    "MainForm.btnOpen.Hint", "MainForm.btnOpen.Width",
                                                    "MainForm.btnSave.Caption", "MainForm.btnSave.Hint",
                                                    "MainForm.btnSave.Width", "MainForm.Caption"});
        QTest::newRow("names, then full names")
            << int(ssForms) << "" << -1 << int(soAsc) << false
            << QStringList({"AboutForm.Caption", "MainForm.btnOpen.Caption", "MainForm.btnSave.Caption",
                            "MainForm.Caption", "MainForm.btnOpen.Hint", "MainForm.btnSave.Hint",
                            "MainForm.btnOpen.Width", "MainForm.btnSave.Width"});
        QTest::newRow("RC by number, text after") << int(ssUnits) << "RC" << -1 << int(soAsc) << true
                                                  << QStringList({"RC.7", "RC.120", "RC.65000", "RC.abc"});
        QTest::newRow("RC descending") << int(ssUnits) << "RC" << -1 << int(soDsc) << true
                                       << QStringList({"RC.abc", "RC.65000", "RC.120", "RC.7"});
        QTest::newRow("rc is not RC") << int(ssUnits) << "rc" << -1 << int(soAsc) << true
                                      << QStringList({"RC.120", "RC.65000", "RC.7", "RC.abc"});
        QTest::newRow("constants by column") << int(ssUnits) << "" << 1 << int(soAsc) << true
                                             << QStringList({"RC.65000", "Strings.SFiles", "RC.abc", "RC.120", "RC.7"});
        QTest::newRow("external descending")
            << int(ssExternal) << "" << -1 << int(soDsc) << true << QStringList({"Help.Title", "Help.Tip"});
    }
    void sorting()
    {
        QFETCH(int, section);
        QFETCH(QString, unit);
        QFETCH(int, sortColumn);
        QFETCH(int, order);
        QFETCH(bool, fullName);
        QFETCH(QStringList, expected);

        TLEProject& p = OpenProject();
        p.Filter().SetShownSection(TShownSection(section));
        p.Filter().Constants().SetUntName(unit);
        p.Sorting().SetLangIndex(sortColumn);
        p.Sorting().SetSortOrder(TSortOrder(order));
        p.RebuildShownList(fullName);
        auto shown = [&] {
            switch (section) {
            case ssForms:
                return Names(p.ShownPropertyList());
            case ssUnits:
                return Names(p.ShownConstantList());
            default:
                return Names(p.ShownExtItemsList());
            }
        };
        QCOMPARE(shown(), expected);
        p.RebuildShownList(fullName); // sorting again gives the same rows
        QCOMPARE(shown(), expected);
    }

    void closeModifiedLanguage_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QString>("textOnDisk");
        QTest::newRow("cancel") << int(mrCancel) << false << "Dateien";
        QTest::newRow("no") << int(mrNo) << true << "Dateien";
        QTest::newRow("yes") << int(mrYes) << true << "Ordner";
    }
    void closeModifiedLanguage()
    {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(QString, textOnDisk);

        TLEProject& p = OpenProject();
        p.FindConstant("Strings", "SFiles")->Values().Items(1)->SetValue("Ordner");
        p.LangFiles().Items(1)->SetModified(true);
        FPrompt.Answers << TMsgResult(answer);
        bool allow = false;
        QCOMPARE(p.CloseLanguage(1, allow), closed);
        QCOMPARE(allow, closed);
        QCOMPARE(FPrompt.Log, QStringList({"Confirmation: The language \"German\" has been modified.\r\n"
                                           "Do you want to save changes?"}));
        QCOMPARE(p.LangCount(), closed ? 2 : 3);

        for (int i = p.LangCount() - 1; i > 0; --i) {
            p.LangFiles().Items(i)->SetModified(false);
            p.CloseLanguage(i, allow);
        }
        p.Close(false);
        TLocStorage check;
        TLangFile(Path("app.ntv.lng"), true).Load(&check, -1, 0);
        check.AddLanguage(0, kGerman);
        TLangFile(Path("app.deu.lng"), true).Load(&check, 1, 0);
        QCOMPARE(check.FindConstant("Strings", "SFiles")->Values().Items(1)->Value(), textOnDisk);
    }

    void closeLanguageSaveFails()
    {
        TLEProject& p = OpenProject();
        p.LangFiles().Items(1)->SetModified(true);
        FPrompt.Answers << mrYes;
        SetAtomicWriteHookForTesting([](const QString&) { throw EFileSystemError("Disk full"); });
        bool allow = false;
        try {
            p.CloseLanguage(1, allow);
            QFAIL("no error");
        } catch (const ELEProjectError& e) {
            QVERIFY(e.Message().startsWith("Could not save language file\r"));
            QVERIFY(e.Message().contains("Disk full"));
        }
        QCOMPARE(p.LangCount(), 3);
        QVERIFY(p.LangFiles().Items(1)->Modified());
    }

    void closingLanguagesMovesFilterAndSortColumns()
    {
        TLEProject& p = OpenProject();
        p.Filter().SetLangIndex(2);
        p.Filter().SetShowTranslated(false);
        p.Sorting().SetLangIndex(2);
        p.Sorting().SetSortOrder(soAsc);
        bool allow;
        p.CloseLanguage(1, allow); // below both: they move down with their column
        QVERIFY(FPrompt.Log.isEmpty());
        QCOMPARE(p.Filter().LangIndex(), 1);
        QVERIFY(!p.Filter().ShowTranslated());
        QCOMPARE(p.Sorting().LangIndex(), 1);
        QCOMPARE(p.Sorting().SortOrder(), soAsc);

        p.CloseLanguage(1, allow); // their own column
        QCOMPARE(p.Filter().LangIndex(), 0);
        QVERIFY(p.Filter().ShowTranslated() && p.Filter().ShowUntranslated());
        QCOMPARE(p.Sorting().LangIndex(), -1);
        QCOMPARE(p.Sorting().SortOrder(), soNone);
        p.RebuildShownList(true);
        QCOMPARE(Names(p.ShownPropertyList()), kAllShownProps);

        QVERIFY_THROWS_EXCEPTION(ELEProjectError, p.CloseLanguage(0, allow));
    }

    void reinitializeThenOpenAgain()
    {
        TLEProject& p = *FProject;
        QVERIFY_THROWS_EXCEPTION(ELangFileError, p.Open(Path("app.deu.lng"), false, false));
        p.Reinitialize();
        OpenProject();
        p.Sorting().SetSortOrder(soAsc);
        p.Filter().SetLangIndex(2);

        p.Reinitialize();
        QCOMPARE(p.LangCount(), 1);
        QCOMPARE(p.LangFiles().Count(), 0);
        QVERIFY(p.NativeFileName().isEmpty() && p.DisplayName().isEmpty());
        QCOMPARE(p.Forms().Count(), 0);
        QCOMPARE(p.PropertyList().Count() + p.ShownPropertyList().Count() + p.ConstantList().Count(), 0);
        QCOMPARE(p.Sorting().SortOrder(), soNone);
        QCOMPARE(p.Filter().LangIndex(), 0);
        // The files are free again, and the project opens as new.
        QVERIFY(!TLangFile(Path("app.deu.lng"), false).ReadOnly());
        OpenProject();
        QCOMPARE(p.LangCount(), 3);
        QCOMPARE(p.ShownPropertyList().Count(), 8);
    }

    void findLanguageFiles()
    {
        QVERIFY(QFile::copy(Path("app.ntv.lng"), Path("app.old.lng")));   // a second native file
        QVERIFY(QFile::copy(Path("app.deu.lng"), Path("other.deu.lng"))); // another project
        QFile bad(Path("app.bad.lng"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a language file");
        bad.close();
        TLEProject& p = *FProject;
        p.Open(Path("app.ntv.lng"), false, true);
        QCOMPARE(FindLanguageFiles(p), QStringList({Path("app.deu.lng"), Path("app.fra.lng")}));
        p.OpenLanguage(Path("app.deu.lng"), true);
        QCOMPARE(FindLanguageFiles(p), QStringList({Path("app.fra.lng")}));
    }
};

QTEST_GUILESS_MAIN(TestLEProject)
#include "tst_leproject.moc"
