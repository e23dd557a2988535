#include "langfile/EditorProjectFixture.h"
#include "langfile/LangCreation.h"
#include "langfile/LangFileProject.h"
#include "langfile/LanguageNaming.h"

#include <QtTest>

using namespace fixture;

class TestLanguageNaming : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void abbreviation_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("abbreviation");
        QTest::newRow("language") << "/p/app.deu.lng"
                                  << "deu";
        QTest::newRow("native") << "app.ntv.lng"
                                << "ntv";
        QTest::newRow("two letters") << "app.de.lng"
                                     << "de";
        QTest::newRow("longer part cut to three") << "my.app.abcd.lng"
                                                  << "abc";
        QTest::newRow("one dot") << "app.lng"
                                 << "";
        QTest::newRow("dots of the folder do not count") << "/p.q.r/app.lng"
                                                         << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void abbreviation()
    {
        QFETCH(QString, file);
        QTEST(LanguageFileAbbreviation(file), "abbreviation");
    }

    void newFileName_data()
    {
        QTest::addColumn<QString>("native");
        QTest::addColumn<QString>("file");
        QTest::newRow("native file") << "/p/app.ntv.lng"
                                     << "/p/app.deu.lng";
        QTest::newRow("no language part") << "/p/app.lng"
                                          << "/p/app.deu.lng";
        QTest::newRow("dotted stem") << "/p.d/my.app.ntv.lng"
                                     << "/p.d/my.app.deu.lng";
        QTest::newRow("relative") << "app.ntv.lng"
                                  << "app.deu.lng";
    }
    void newFileName()
    {
        QFETCH(QString, native);
        QTEST(NewLanguageFileName(native, "deu"), "file");
    }

    void codePage_data()
    {
        QTest::addColumn<int>("locale");
        QTest::addColumn<bool>("hasCodePage");
        QTest::newRow("German") << 0x0407 << true;
        QTest::newRow("Japanese") << 0x0411 << true;
        QTest::newRow("Hindi, Unicode only") << 0x0439 << false;
        QTest::newRow("unknown") << 0x7FFF << false;
    }
    void codePage()
    {
        QFETCH(int, locale);
        QTEST(LocaleHasCodePage(locale), "hasCodePage");
    }

    // A language group proposes the name without its country part and a
    // two-letter abbreviation.
    void proposedNames_data()
    {
        QTest::addColumn<int>("locale");
        QTest::addColumn<bool>("group");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("localized");
        QTest::addColumn<QString>("abbreviation");
        QTest::newRow("German group") << 0x0007 << true << "German"
                                      << "Deutsch"
                                      << "DE";
        QTest::newRow("German (Germany)") << 0x0407 << false << "German (Germany)"
                                          << "Deutsch"
                                          << "DEU";
        QTest::newRow("Chinese group") << 0x0004 << true << "Chinese" << QString::fromUtf8("中文") << "CH";
        QTest::newRow("unknown") << 0x7FFF << false << ""
                                 << ""
                                 << "";
    }
    void proposedNames()
    {
        QFETCH(int, locale);
        QFETCH(bool, group);
        const TProposedNames names = ProposedLanguageNames(locale, group);
        QTEST(names.EnglishName, "english");
        QTEST(names.LocalizedName.section(' ', 0, 0), "localized");
        QTEST(names.Abbreviation, "abbreviation");
    }

    void abbreviationInUse()
    {
        QTemporaryDir dir;
        MakeEditorProject(dir.path());
        TLangFileProject p;
        p.Open(dir.filePath("app.ntv.lng"), false, true);
        p.OpenLanguage(dir.filePath("app.deu.lng"), true);
        QVERIFY(AbbreviationInUse(p.LangFiles(), "DEU", -1));
        QVERIFY(AbbreviationInUse(p.LangFiles(), "ntv", -1));
        QVERIFY(!AbbreviationInUse(p.LangFiles(), "deu", 1));
        QVERIFY(!AbbreviationInUse(p.LangFiles(), "fra", -1));
    }

    // Unchanged properties leave the file unmodified; a new locale relabels
    // the storage column (the native one is the main language).
    void applyProperties()
    {
        QTemporaryDir dir;
        MakeEditorProject(dir.path());
        TLangFileProject p;
        p.Open(dir.filePath("app.ntv.lng"), false, false);
        p.OpenLanguage(dir.filePath("app.deu.lng"), false);
        TLangFile* de = p.LangFiles().Items(1);
        TNewLanguage lang;
        lang.Locale = kGerman;
        lang.EnglishName = "German";
        lang.UseUntranslated = false;
        QVERIFY(!ApplyLanguageProperties(p, 1, lang, "deu"));
        QVERIFY(!de->Modified());

        QVERIFY(ApplyLanguageProperties(p, 1, lang, "DEU"));
        QVERIFY(de->Modified());
        de->SetModified(false);

        lang.Locale = 0x0C07; // German (Austria)
        lang.UseUntranslated = true;
        QVERIFY(ApplyLanguageProperties(p, 1, lang, "deu"));
        QCOMPARE(de->Locale(), 0x0C07);
        QVERIFY(de->Attribute(lfaUseUntranslated));
        QCOMPARE(p.Locales(1), 0x0C07);
        QCOMPARE(p.Forms().Items(0)->Properties().Items(0)->Values().Items(1)->LangID(), 0x0C07);
        QCOMPARE(de->FileName(), dir.filePath("app.deu.lng"));

        lang.Locale = 0x0809; // English (United Kingdom)
        lang.EnglishName = "English";
        QVERIFY(ApplyLanguageProperties(p, 0, lang, "ntv"));
        QCOMPARE(p.MainLangID(), 0x0809);

        try {
            ApplyLanguageProperties(p, 2, lang, "fra");
            QFAIL("no error for a file the project lacks");
        } catch (const ELangFileError& e) {
            QCOMPARE(e.Message(), QString("Invalid index"));
        }
    }
};

QTEST_GUILESS_MAIN(TestLanguageNaming)
#include "tst_languagenaming.moc"
