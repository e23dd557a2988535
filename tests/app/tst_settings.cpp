#include "app/EditorSettings.h"
#include "app/gui/dialogs/options/OptionsDialog.h"
#include "platform/Settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void WriteFile(const QString& FileName, const QByteArray& Data)
{
    QFile f(FileName);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(Data);
}

QByteArray ReadFile(const QString& FileName)
{
    QFile f(FileName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString ProgramFolderWithSeparator() { return QDir::toNativeSeparators(ProgramFolder()) + QDir::separator(); }

} // namespace

class tst_Settings : public QObject {
    Q_OBJECT
    QTemporaryDir FRoot;
    QTemporaryDir FProject; // app.ntv.lng and its desktop file
    // The settings stores (user.ini, machine.ini, Documents) in a new folder
    // per test: QSettings caches files by name, size and time.
    std::unique_ptr<QTemporaryDir> FStore;

    QString UserIni() const { return FStore->filePath(QStringLiteral("user.ini")); }
    QString NativeFile() const { return FProject.filePath(QStringLiteral("app.ntv.lng")); }
    QString DesktopFile() const { return FProject.filePath(QStringLiteral("app.leo")); }

private Q_SLOTS:
    void cleanupTestCase() { SetSettingsFolderForTesting(QString()); }
    void init()
    {
        FStore = std::make_unique<QTemporaryDir>(FRoot.filePath(QStringLiteral("XXXXXX")));
        SetSettingsFolderForTesting(FStore->path());
        QFile::remove(DesktopFile());
        SetDocumentsFolderUnknownForTesting(false);
    }

    // ------------------------------------------------------------ registry settings

    void freshAccountGetsEveryDefault()
    {
        const TEditorSettings s = LoadEditorSettings();
        TEditorSettings expected;
        expected.RootDir = expected.WorkDir = ProgramFolderWithSeparator();
        expected.RepositoryPath =
            QDir::toNativeSeparators(FStore->filePath(QStringLiteral("Documents/OxvelVocabrix/Repository/default.lr")));
        QCOMPARE(s, expected);
        QCOMPARE(s.ActiveRowColor, 0xFF000018u);
        QCOMPARE(s.VerifiedColor, 15654272u);
        QCOMPARE(s.HiddenColor, 16706522u);
        QCOMPARE(s.UntranslatableColor, 14737632u);
        QVERIFY(QDir(FStore->filePath(QStringLiteral("Documents/OxvelVocabrix/Repository"))).exists());
    }

    void unknownDocumentsFolderMattersOnlyForTheDefaultRepository()
    {
        SetDocumentsFolderUnknownForTesting(true);
        try {
            LoadEditorSettings();
            QFAIL("no error");
        } catch (const ESettingsError& e) {
            QCOMPARE(e.Message(), QStringLiteral("Could not find MyDocuments folder location."));
        }
        const QString repo = FStore->filePath(QStringLiteral("repo/my.lr"));
        QCOMPARE(LoadEditorSettings(repo).RepositoryPath, repo);
        QVERIFY(QDir(FStore->filePath(QStringLiteral("repo"))).exists());
    }

    void settingsRoundTrip()
    {
        TEditorSettings s = LoadEditorSettings();
        s.WorkDir = QDir::toNativeSeparators(FProject.path()); // written with a trailing separator
        s.RepositoryPath = FStore->filePath(QStringLiteral("other/rep.lr"));
        s.AutoTransl = false;
        s.UseReplaceTb = true;
        s.CellEditDialog = false;
        s.ShowUntranslatable = false;
        s.MoveCursorDown = true;
        s.RefreshOnClose = false;
        s.RightToLeft4ME = false;
        s.WarnFormatMismatch = false;
        s.GoogleAPIKey = QStringLiteral("key, with \"quotes\"");
        s.RepTranslateAll = true;
        s.RepAutoTranslate = true;
        s.RepAutoRefreshByCell = true;
        s.RepRefreshExisting = reSkip;
        s.RepAskTranslating = false;
        s.RepAddTheSame = true;
        s.RepSmart = false;
        s.RepIndicateInGrid = false;
        s.ActiveRowColor = 0xFF00000D;
        s.UntranslatableColor = 0x123456;
        s.VerifiedColor = 0;
        s.HiddenColor = 0xFFFFFF;
        s.FullNameCompare = false;
        s.NativeValueForm = true;
        s.LibraryPath = QStringLiteral("/a;/b c");
        s.GridFont = {QStringLiteral("DejaVu Sans"), 11, 204, fsBold | fsStrikeOut};

        QVERIFY(SaveOptions(s));
        QVERIFY(SaveRepositoryPath(s.RepositoryPath));
        QVERIFY(SaveLibraryPath(s.LibraryPath));
        QVERIFY(SaveGridFont(s.GridFont));
        QVERIFY(SaveExitSettings(s));
        // The native value window's position shares its name with a value.
        QVERIFY(SaveWindowPosition(wpNativeValueForm, {1, 2, 3, 4}));

        const TEditorSettings back = LoadEditorSettings();
        s.WorkDir += QDir::separator();
        QCOMPARE(back, s);
        QCOMPARE(LoadWindowPosition(wpNativeValueForm), std::optional<TWindowPosition>({1, 2, 3, 4}));

        // Booleans are the integers 0 and 1, colours 32-bit integers.
        const QByteArray ini = ReadFile(UserIni());
        QVERIFY(ini.contains("AutoTransl=0\n"));
        QVERIFY(ini.contains("UseReplaceTb=1\n"));
        QVERIFY(ini.contains("RepRefreshExisting=1\n"));
        QVERIFY(ini.contains("ActiveRowColor=-16777203\n"));
    }

    void storedValues_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("expected");
        QTest::newRow("bool as text is absent") << QByteArray("AutoTransl=yes") << "AutoTransl"
                                                << "1";
        QTest::newRow("bool nonzero") << QByteArray("UseReplaceTb=7") << "UseReplaceTb"
                                      << "1";
        QTest::newRow("bool zero") << QByteArray("RepSmart=0") << "RepSmart"
                                   << "0";
        QTest::newRow("colour unsigned") << QByteArray("ActiveRowColor=4278190104") << "ActiveRowColor"
                                         << "4278190104";
        QTest::newRow("colour signed") << QByteArray("ActiveRowColor=-16777203") << "ActiveRowColor"
                                       << "4278190093";
        QTest::newRow("colour too big") << QByteArray("VerifiedColor=99999999999") << "VerifiedColor"
                                        << "15654272";
        QTest::newRow("refresh out of range") << QByteArray("RepRefreshExisting=7") << "RepRefreshExisting"
                                              << "2";
        QTest::newRow("refresh append") << QByteArray("RepRefreshExisting=0") << "RepRefreshExisting"
                                        << "0";
        // %1 is the test's folder.
        QTest::newRow("old repository name") << QByteArray("Repository=%1/old/r.lr") << "RepositoryPath"
                                             << "%1/old/r.lr";
        QTest::newRow("new name wins") << QByteArray("Repository=%1/old/r.lr\nRepositoryPath=%1/new/r.lr")
                                       << "RepositoryPath"
                                       << "%1/new/r.lr";
        QTest::newRow("web key") << QByteArray("GoogleAPIKey=abc") << "GoogleAPIKey"
                                 << "abc";
    }

    void storedValues()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, setting);
        QFETCH(QString, expected);
        expected.replace(QStringLiteral("%1"), FStore->path());
        WriteFile(UserIni(), "[General]\n" + ini.replace("%1", FStore->path().toUtf8()) + "\n");
        const TEditorSettings s = LoadEditorSettings();
        const QMap<QString, QString> values = {
            {"AutoTransl", QString::number(s.AutoTransl)},
            {"UseReplaceTb", QString::number(s.UseReplaceTb)},
            {"RepSmart", QString::number(s.RepSmart)},
            {"ActiveRowColor", QString::number(s.ActiveRowColor)},
            {"VerifiedColor", QString::number(s.VerifiedColor)},
            {"RepRefreshExisting", QString::number(s.RepRefreshExisting)},
            {"RepositoryPath", s.RepositoryPath},
            {"GoogleAPIKey", s.GoogleAPIKey},
        };
        QCOMPARE(values.value(setting), expected);
    }

    void commandLineTakesPrecedence()
    {
        WriteFile(UserIni(), "[General]\nRepositoryPath=/stored/r.lr\nGoogleAPIKey=stored\n");
        const QString repo = FStore->filePath(QStringLiteral("cmd/r.lr"));
        const TEditorSettings s = LoadEditorSettings(repo, QStringLiteral("fromcmd"));
        QCOMPARE(s.RepositoryPath, repo);
        QCOMPARE(s.GoogleAPIKey, QStringLiteral("fromcmd"));
    }

    void gridFontReadsEachValueOnItsOwn()
    {
        WriteFile(UserIni(), "[GridFont]\nName=Courier\nSize=big\nStyle=255\n");
        const TGridFontSettings f = LoadEditorSettings().GridFont;
        QCOMPARE(f.Name, std::optional<QString>(QStringLiteral("Courier")));
        QCOMPARE(f.Size, std::nullopt);
        QCOMPARE(f.Charset, std::nullopt);
        QCOMPARE(f.Style, std::optional<int>(FontStyleMask));
    }

    void toolkitKeyIsReadOnly()
    {
        WriteFile(FStore->filePath(QStringLiteral("machine.ini")), "[General]\nRootDir=/opt/vocabrix/\n");
        QCOMPARE(LoadEditorSettings().RootDir, QStringLiteral("/opt/vocabrix/"));
        TSettingsKey machine(QString(), TSettingsKey::rtMachine);
        QVERIFY_THROWS_EXCEPTION(ESettingsError, machine.WriteString(QStringLiteral("RootDir"), QStringLiteral("x")));
    }

    void repositoryPathReplacesTheOlderName()
    {
        WriteFile(UserIni(), "[General]\nRepository=/old/r.lr\n");
        QVERIFY(SaveRepositoryPath(QStringLiteral("/new/r.lr")));
        QVERIFY(!TSettingsKey().ValueExists(QStringLiteral("Repository")));
        QCOMPARE(TSettingsKey().ReadString(QStringLiteral("RepositoryPath"), QString()), QStringLiteral("/new/r.lr"));
    }

    void valuesAndSubkeysOfOneNameStayApart()
    {
        TSettingsKey key;
        key.WriteBool(QStringLiteral("X"), true);
        key.WriteString(QStringLiteral("X/Y"), QStringLiteral("sub"));
        key.DeleteValue(QStringLiteral("X"));
        QVERIFY(!key.ValueExists(QStringLiteral("X")));
        QCOMPARE(TSettingsKey(QStringLiteral("X")).ReadString(QStringLiteral("Y"), QString()), QStringLiteral("sub"));
        key.WriteBool(QStringLiteral("X"), true);
        key.DeleteKey(QStringLiteral("X"));
        QCOMPARE(key.ReadBool(QStringLiteral("X")), std::optional<bool>(true));
        QVERIFY(!key.SubKeys().contains(QStringLiteral("X")));
    }

    void workDirFallsBackToTheCurrentFolder()
    {
        const QString before = QDir::currentPath();
        TEditorSettings s;
        s.WorkDir = QDir::toNativeSeparators(FProject.path()) + QDir::separator();
        ChangeToWorkDir(s);
        QCOMPARE(QDir::currentPath(), QDir(FProject.path()).canonicalPath());
        s.WorkDir = FProject.filePath(QStringLiteral("missing/"));
        ChangeToWorkDir(s);
        QCOMPARE(s.WorkDir, QDir::toNativeSeparators(QDir::currentPath()) + QDir::separator());
        QDir::setCurrent(before);
    }

    void windowPosition_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("valid");
        QTest::newRow("four") << "10,20,300,400" << true;
        QTest::newRow("blanks") << " 10, 20 ,300,400" << true;
        QTest::newRow("negative place") << "-10,-20,300,400" << true;
        QTest::newRow("three") << "10,20,300" << false;
        QTest::newRow("five") << "10,20,300,400,5" << false;
        QTest::newRow("text") << "a,b,c,d" << false;
        QTest::newRow("no width") << "10,20,0,400" << false;
        QTest::newRow("empty") << "" << false;
    }

    void windowPosition()
    {
        QFETCH(QString, stored);
        QFETCH(bool, valid);
        TSettingsKey(wpMainForm).WriteString(QStringLiteral("Position"), stored);
        const auto p = LoadWindowPosition(wpMainForm);
        QCOMPARE(p.has_value(), valid);
        if (valid)
            QCOMPARE(*p,
                     TWindowPosition({stored.startsWith('-') ? -10 : 10, stored.startsWith('-') ? -20 : 20, 300, 400}));
    }

    // ------------------------------------------------------------ recent projects

    void recentProjectsKeepSixLatestFirst()
    {
        for (int i = 1; i <= 7; ++i) QVERIFY(RecordRecentProject(QStringLiteral("/p/app%1.ntv.lng").arg(i), i == 3));
        QCOMPARE(TSettingsKey(QStringLiteral("Reopen")).SubKeys(), QStringList({"1", "2", "3", "4", "5", "6"}));
        QList<TRecentProject> list = LoadRecentProjects();
        QCOMPARE(list.size(), MaxRecentProjects);
        QCOMPARE(list.first().File, QStringLiteral("/p/app7.ntv.lng"));
        QCOMPARE(list.first().Tag, 1);
        QCOMPARE(list.last().File, QStringLiteral("/p/app2.ntv.lng"));
        QVERIFY(list[4].Library);

        // Reopening an older project moves it to the front without a copy.
        QVERIFY(RecordRecentProject(QStringLiteral("/p/app4.ntv.lng"), false));
        list = LoadRecentProjects();
        QStringList files;
        for (const auto& e : list) files << e.File;
        QCOMPARE(files, QStringList({"/p/app4.ntv.lng", "/p/app7.ntv.lng", "/p/app6.ntv.lng", "/p/app5.ntv.lng",
                                     "/p/app3.ntv.lng", "/p/app2.ntv.lng"}));

        // The open project and empty entries are not offered.
        TSettingsKey(QStringLiteral("Reopen/9")).WriteString(QStringLiteral("File"), QString());
        list = LoadRecentProjects(QStringLiteral("/p/app7.ntv.lng"));
        QCOMPARE(list.size(), 5);
        QCOMPARE(list[1].File, QStringLiteral("/p/app6.ntv.lng"));
        QCOMPARE(list[1].Tag, 3);
    }

    void recentProjectsGoByNumber()
    {
        QByteArray ini = "[Reopen]\n";
        for (int i = 10; i >= 1; --i) ini += QStringLiteral("%1\\File=/p/a%1\n").arg(i).toUtf8();
        WriteFile(UserIni(), ini);
        const auto files = [] {
            QStringList f;
            for (const auto& e : LoadRecentProjects()) f << e.File;
            return f;
        };
        QCOMPARE(files().mid(0, 3), QStringList({"/p/a1", "/p/a2", "/p/a3"}));
        QCOMPARE(files().last(), QStringLiteral("/p/a10"));
        QVERIFY(RecordRecentProject(QStringLiteral("/p/new"), false));
        QCOMPARE(files(), QStringList({"/p/new", "/p/a1", "/p/a2", "/p/a3", "/p/a4", "/p/a5"}));
    }

    void handEditedListValue()
    {
        WriteFile(UserIni(), "[MainForm]\nPosition=1, 2,3,4\n");
        QCOMPARE(LoadWindowPosition(wpMainForm), std::optional<TWindowPosition>({1, 2, 3, 4}));
    }

    void recentLibraryCaption()
    {
        const QString lib = FProject.filePath(QStringLiteral("lib"));
        QVERIFY(QDir().mkpath(lib));
        WriteFile(lib + QStringLiteral("/lib.ini"), "[Common]\nName=Office words\n");
        QCOMPARE(RecentProjectCaption({lib + QStringLiteral("/x.ntv.lng"), true, 1}),
                 QStringLiteral("\"Office words\" library"));
        QCOMPARE(RecentProjectCaption({QStringLiteral("/p/app.ntv.lng"), false, 1}), QStringLiteral("/p/app.ntv.lng"));
    }

    // ------------------------------------------------------------ project desktop file

    void fileNames()
    {
        QCOMPARE(ProjectDesktopFileName(QStringLiteral("/p/app.ntv.lng")), QStringLiteral("/p/app.leo"));
        QCOMPARE(ProjectDesktopFileName(QStringLiteral("/p.x/app.lng")), QStringLiteral("/p.x/app.leo"));
        QCOMPARE(LanguageExtension(QStringLiteral("/p/app.deu.lng")), QStringLiteral(".deu"));
        QCOMPARE(LanguageExtension(QStringLiteral("/p/app.ntv.lng")), NativeExtension);
        QCOMPARE(LanguageFileOfExtension(QStringLiteral("/p/app.ntv.lng"), QStringLiteral(".deu")),
                 QStringLiteral("/p/app.deu.lng"));
    }

    void desktopLayout()
    {
        TProjectDesktop d;
        d.ShowNative = false;
        d.FixedWidth = 200;
        d.RowHeight = 24;
        d.PEFileName = QStringLiteral("/p/app.exe");
        d.NativeGridIndex = 2;
        d.Languages = {QStringLiteral(".deu"), QStringLiteral(".fra")};
        d.ShowUntranslated = false;
        d.FilterLangIndex = 2;
        d.RegExp = QStringLiteral(" ^a=b ");
        d.Section = QStringLiteral("Units.Main (12 items)");
        d.UntranslatableOnly = true;
        d.ShowNontextual = false;
        d.SortOrder = soDsc;
        d.SortLangIndex = 1;
        d.SortLocale = 0x0407;
        TColumnSettings c = DefaultColumnSettings(0x0407, QStringLiteral("Arial"), 10);
        c.Width = 222;
        c.FontStyle = fsItalic;
        c.ImeName = QStringLiteral("IME");
        c.AskRepLocale = false;

        TProjectDesktopFile out(NativeFile());
        QVERIFY(!out.Exists());
        out.Write(d);
        out.WriteColumn(QStringLiteral(".deu"), c);
        QVERIFY(out.Save());

        const QByteArray expected = "[Common]\r\nShowNative=0\r\nFixedWidth=200\r\nRowHeight=24\r\n"
                                    "PEFileName=/p/app.exe\r\n\r\n"
                                    "[Languages]\r\n.deu=\r\n.fra=\r\n\r\n"
                                    "[.ntv]\r\nGridIndex=2\r\n\r\n"
                                    "[Filter]\r\nValue=T\r\nLangIndex=2\r\nRegExp=\" ^a=b \"\r\nTC=Units.Main\r\n"
                                    "ShowHidden=1\r\nUntrOnly=1\r\nShowTextual=1\r\nShowNontextual=0\r\n\r\n"
                                    "[Sort]\r\nOrder=2\r\nLangIndex=1\r\nLocale=1031\r\n\r\n"
                                    "[.deu]\r\nWidth=222\r\nFont.Name=Arial\r\nFont.CharSet=0\r\nFont.Size=10\r\n"
                                    "Font.Style=2\r\nKbLayout=1031\r\nImeName=IME\r\nImeMode=3\r\nRepLocale=1031\r\n"
                                    "AskRepLocale=0\r\n";
        QCOMPARE(ReadFile(DesktopFile()), expected);

        const TProjectDesktopFile in(NativeFile());
        QVERIFY(in.Exists());
        d.Section = QStringLiteral("Units.Main");
        QCOMPARE(in.Read(), d);
        QCOMPARE(in.ReadColumn(QStringLiteral(".DEU"), DefaultColumnSettings(0x0407, QString(), 8)), c);
    }

    void desktopKeepsSectionsOfClosedLanguages()
    {
        TProjectDesktopFile first(NativeFile());
        TProjectDesktop d;
        d.Languages = {QStringLiteral(".deu"), QStringLiteral(".fra")};
        first.Write(d);
        TColumnSettings fra;
        fra.Width = 99;
        first.WriteColumn(QStringLiteral(".fra"), fra);
        QVERIFY(first.Save());

        TProjectDesktopFile second(NativeFile());
        d.Languages = {QStringLiteral(".deu")};
        second.Write(d);
        QVERIFY(second.Save());

        const TProjectDesktopFile in(NativeFile());
        QCOMPARE(in.Read().Languages, QStringList({".deu"}));
        QCOMPARE(in.ReadColumn(QStringLiteral(".fra"), TColumnSettings()).Width, 99);
    }

    void desktopDefaults()
    {
        const TProjectDesktopFile missing(NativeFile());
        QVERIFY(!missing.Exists());
        QCOMPARE(missing.Read(), TProjectDesktop());
        const TColumnSettings defaults = DefaultColumnSettings(0x0419, QStringLiteral("Arial"), 9);
        QCOMPARE(missing.ReadColumn(QStringLiteral(".rus"), defaults), defaults);
        QCOMPARE(defaults.FontCharSet, 204); // RUSSIAN_CHARSET
        QCOMPARE(defaults.KbLayout, 0x0419u);
        QCOMPARE(defaults.RepLocale, 0x0419u);

        WriteFile(DesktopFile(), "[Common]\n");
        const TProjectDesktopFile empty(NativeFile());
        QVERIFY(empty.Exists());
        QCOMPARE(empty.Read(), TProjectDesktop());
    }

    // Values a desktop file may hold and what they read as.
    void desktopValues_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected");
        const QByteArray langs = "[Languages]\n.deu=\n";
        QTest::newRow("filter X reads both") << langs + "[Filter]\nValue=X"
                                             << "filter 1 1 0";
        QTest::newRow("filter t is not T") << langs + "[Filter]\nValue=t"
                                           << "filter 1 1 0";
        QTest::newRow("filter U") << langs + "[Filter]\nValue=U\nLangIndex=1"
                                  << "filter 0 1 1";
        QTest::newRow("filter beyond languages") << langs + "[Filter]\nValue=U\nLangIndex=2"
                                                 << "filter 0 1 0";
        QTest::newRow("filter negative") << langs + "[Filter]\nLangIndex=-1"
                                         << "filter 1 1 0";
        QTest::newRow("sort beyond languages") << langs + "[Sort]\nOrder=1\nLangIndex=2"
                                               << "sort 0 0";
        QTest::newRow("sort bad order") << langs + "[Sort]\nOrder=5\nLangIndex=1"
                                        << "sort 0 1";
        QTest::newRow("sort hex") << langs + "[Sort]\nOrder=$2\nLangIndex=0x1"
                                  << "sort 2 1";
        QTest::newRow("no kinds means textual") << langs + "[Filter]\nShowTextual=0\nShowNontextual=0"
                                                << "kinds 1 0";
        QTest::newRow("kinds") << langs + "[Filter]\nShowTextual=0"
                               << "kinds 0 1";
        QTest::newRow("keys without dot ignored")
            << QByteArray("[languages]\ndeu=\n.fra\n ; x\n.ITA = 1\n.fra=\n") << "languages .fra .ITA";
        QTest::newRow("negative width") << QByteArray("[Common]\nFixedWidth=-5\nRowHeight=0") << "common 150 20";
        QTest::newRow("huge number") << QByteArray("[Common]\nFixedWidth=99999999999") << "common 150 20";
        QTest::newRow("quoted and repeated")
            << QByteArray("[Common]\nFixedWidth=\"77\"\nFIXEDWIDTH=5\n[COMMON]\nRowHeight=30") << "common 77 30";
        QTest::newRow("garbage") << QByteArray("\x00\x01[\xff\xfe=\n=\n[Common\nFixedWidth=3\n", 30) << "common 3 20";
        const QString utf16 = QStringLiteral("[Common]\nRowHeight=9");
        QTest::newRow("utf16") << QByteArray("\xff\xfe") +
                                      QByteArray(reinterpret_cast<const char*>(utf16.utf16()), utf16.size() * 2)
                               << "common 150 9";
        QTest::newRow("no section") << QByteArray("FixedWidth=3\n") << "common 150 20";
    }

    void desktopValues()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        WriteFile(DesktopFile(), text);
        const TProjectDesktop d = TProjectDesktopFile(NativeFile()).Read();
        const QString kind = expected.section(' ', 0, 0);
        QString got;
        if (kind == "filter")
            got =
                QStringLiteral("filter %1 %2 %3").arg(d.ShowTranslated).arg(d.ShowUntranslated).arg(d.FilterLangIndex);
        else if (kind == "sort")
            got = QStringLiteral("sort %1 %2").arg(d.SortOrder).arg(d.SortLangIndex);
        else if (kind == "kinds")
            got = QStringLiteral("kinds %1 %2").arg(d.ShowTextual).arg(d.ShowNontextual);
        else if (kind == "languages")
            got = QStringLiteral("languages ") + d.Languages.join(' ');
        else
            got = QStringLiteral("common %1 %2").arg(d.FixedWidth).arg(d.RowHeight);
        QCOMPARE(got, expected);
    }

    void badColumnValuesKeepDefaults()
    {
        WriteFile(DesktopFile(), "[.deu]\nWidth=-1\nFont.CharSet=999\nFont.Size=0\nFont.Style=255\nImeMode=40\n"
                                 "KbLayout=$F0010407\n[.ntv]\nFont.CharSet=204\nFont.Style=-1\n");
        const TProjectDesktopFile in(NativeFile());
        const TColumnSettings defaults = DefaultColumnSettings(0x0407, QStringLiteral("Arial"), 9);
        const TColumnSettings c = in.ReadColumn(QStringLiteral(".deu"), defaults);
        QCOMPARE(c.Width, defaults.Width);
        QCOMPARE(c.FontCharSet, defaults.FontCharSet);
        QCOMPARE(c.FontSize, 9);
        QCOMPARE(c.FontStyle, FontStyleMask);
        QCOMPARE(c.ImeMode, 3);
        QCOMPARE(c.KbLayout, 0xF0010407u);
        // The native column's character set is never taken from the file.
        const TColumnSettings ntv = in.ReadColumn(NativeExtension, defaults);
        QCOMPARE(ntv.FontCharSet, defaults.FontCharSet);
        QCOMPARE(ntv.FontStyle, -1);
    }

    void unreadableDesktopCountsAsMissing()
    {
        WriteFile(DesktopFile(), QByteArray(TIniFile::MaxFileSize + 1, 'x'));
        TProjectDesktopFile big(NativeFile());
        QVERIFY(!big.Exists());
        // Saving replaces it.
        big.Write(TProjectDesktop());
        QVERIFY(big.Save());
        QVERIFY(TProjectDesktopFile(NativeFile()).Exists());

        // A folder that does not exist cannot take it; the failure is reported, not thrown.
        TProjectDesktopFile nowhere(FProject.filePath(QStringLiteral("missing/app.ntv.lng")));
        nowhere.Write(TProjectDesktop());
        QVERIFY(!nowhere.Save());
    }

    void eightBitTextFallsBackToTheSystemCodePage()
    {
        WriteFile(DesktopFile(), "[Filter]\nRegExp=caf\xe9\n");
        QCOMPARE(TProjectDesktopFile(NativeFile()).Read().RegExp, QStringLiteral("caf\u00e9"));
    }

    void openListReplacesTheLanguages()
    {
        WriteFile(DesktopFile(), "[Languages]\n.deu=\n[Filter]\nLangIndex=2\n");
        const TProjectDesktop d = TProjectDesktopFile(NativeFile()).Read(QStringList{"fra", "ita"});
        QCOMPARE(d.Languages, QStringList({".fra", ".ita"}));
        QCOMPARE(d.FilterLangIndex, 2);
    }

    void failedLanguageMovesIndexesDown()
    {
        TProjectDesktop d;
        d.Languages = {".deu", ".fra", ".ita"};
        d.ShowTranslated = false;
        d.FilterLangIndex = 3;
        d.SortOrder = soAsc;
        d.SortLangIndex = 2;
        d.LanguageFailed(2); // .fra was deleted
        QCOMPARE(d.FilterLangIndex, 2);
        QVERIFY(!d.ShowTranslated);
        QCOMPARE(d.SortLangIndex, 0);
        QCOMPARE(d.SortOrder, soNone);
        d.LanguageFailed(2); // then .ita, now at column 2
        QCOMPARE(d.FilterLangIndex, 0);
        QVERIFY(d.ShowTranslated && d.ShowUntranslated);
        d.SortOrder = soAsc;
        d.SortLangIndex = 1;
        d.LanguageFailed(2);
        QCOMPARE(d.SortLangIndex, 1);
        QCOMPARE(d.SortOrder, soAsc);
    }

    void sectionChoice_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("units");
        QTest::addColumn<bool>("external");
        QTest::addColumn<int>("section");
        QTest::addColumn<QString>("child");
        QTest::newRow("forms") << "Forms" << true << true << int(ssForms) << "";
        QTest::newRow("one unit") << "Units.Main" << true << false << int(ssUnits) << "Main";
        QTest::newRow("units without units") << "Units" << false << true << int(ssForms) << "";
        QTest::newRow("case matters") << "units" << true << true << int(ssForms) << "";
        QTest::newRow("external group") << "External. Group 1" << false << true << int(ssExternal) << "Group 1";
        QTest::newRow("form") << "Forms.TMainForm" << true << true << int(ssForms) << "TMainForm";
    }

    void sectionChoice()
    {
        QFETCH(QString, text);
        QFETCH(bool, units);
        QFETCH(bool, external);
        QFETCH(int, section);
        QFETCH(QString, child);
        QCOMPARE(ResolveSectionChoice(text, units, external), (TSectionChoice{TShownSection(section), child}));
        QVERIFY(SectionNodeMatches(QStringLiteral("MAIN (12)"), QStringLiteral("main")));
        QVERIFY(!SectionNodeMatches(QStringLiteral("Mainly"), QStringLiteral("Main")));
    }

    void peFileResolution()
    {
        const QString native = NativeFile();
        const QString exe = FProject.filePath(QStringLiteral("app.exe"));
        const QString ntv = FProject.filePath(QStringLiteral("app.ntv"));
        const QString other = FProject.filePath(QStringLiteral("other.exe"));
        QCOMPARE(ResolvePEFileName(QString(), QString(), native), exe); // nothing exists
        WriteFile(ntv, "MZ");
        QCOMPARE(ResolvePEFileName(QString(), other, native), ntv);
        WriteFile(other, "MZ");
        QCOMPARE(ResolvePEFileName(QStringLiteral("/missing.exe"), other, native), other);
        QCOMPARE(ResolvePEFileName(ntv, other, native), ntv);
        QFile::remove(ntv);
        QFile::remove(other);
    }

    // ------------------------------------------------------------ options dialog

    void labelByFont_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("charset");
        QTest::addColumn<QString>("label");
        // Words of the string table: "Style: []" and "Charset: DEFAULT_CHARSET" are gone.
        QTest::newRow("plain") << 0 << 1 << "Arial, 10 pt, Regular";
        QTest::newRow("bold") << int(fsBold | fsUnderline) << 204
                              << "Arial, 10 pt, Bold\nCharacter set: RUSSIAN_CHARSET";
        QTest::newRow("italic") << int(fsItalic) << 0 << "Arial, 10 pt, Italic\nCharacter set: ANSI_CHARSET";
        QTest::newRow("both") << int(fsBold | fsItalic) << 77
                              << "Arial, 10 pt, Bold Italic\nCharacter set: MAC_CHARSET";
        QTest::newRow("unnamed charset") << 0 << 99 << "Arial, 10 pt, Regular\nCharacter set: 99";
    }

    void labelByFont()
    {
        QFETCH(int, style);
        QFETCH(int, charset);
        QFETCH(QString, label);
        QFont font(QStringLiteral("Arial"), 10);
        SetFontStyle(font, style);
        QCOMPARE(FontStyleOf(font), style);
        QCOMPARE(LabelByFont(font, charset), label);
    }

    void colours()
    {
        QCOMPARE(ColorFromWinColor(15654272), QColor(128, 221, 238));
        QCOMPARE(WinColorFromColor(QColor(218, 235, 254)), 16706522u);
        QCOMPARE(ColorFromWinColor(clInfoBk), QApplication::palette().color(QPalette::ToolTipBase));
    }

    void fontSettings()
    {
        const QFont base(QStringLiteral("Base"), 8);
        QCOMPARE(FontFromSettings(base, TGridFontSettings()), base);
        const QFont f = FontFromSettings(base, {QStringLiteral("Courier"), 12, 238, fsBold});
        QCOMPARE(f.family(), QStringLiteral("Courier"));
        QCOMPARE(f.pointSize(), 12);
        QVERIFY(f.bold() && !f.italic());
        QCOMPARE(FontSettingsOf(f, 238), (TGridFontSettings{QStringLiteral("Courier"), 12, 238, fsBold}));
    }

    void optionsDialogPages()
    {
        TdlgOptions dlg;
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Options"));
        QStringList pages;
        for (int i = 0; i < dlg.Pages()->count(); ++i) pages << dlg.Pages()->tabText(i);
        QCOMPARE(pages, QStringList({"General", "Repository", "Libraries", "Colors", "Language", "Google API"}));

        TEditorSettings s;
        s.AutoTransl = false;
        s.UseReplaceTb = true;
        s.MoveCursorDown = true;
        s.FullNameCompare = false;
        s.WarnFormatMismatch = false;           // no control: passes through
        s.LibraryPath = QStringLiteral("/lib"); // likewise
        s.VerifiedColor = 0x010203;
        dlg.SetSettings(s);
        dlg.SetGridFont(QFont(QStringLiteral("Arial"), 10), 1);
        s.GridFont = FontSettingsOf(QFont(QStringLiteral("Arial"), 10), 1);
        QCOMPARE(dlg.Settings(), s);

        // The replace toolbar box follows automatic translation.
        QVERIFY(!dlg.UseReplaceTbBox()->isEnabled());
        dlg.AutoTranslBox()->click();
        QVERIFY(dlg.UseReplaceTbBox()->isEnabled());
        QVERIFY(dlg.Settings().AutoTransl);

        // Colours: a panel opens the chooser on its colour; the defaults come back.
        dlg.Pages()->setCurrentIndex(1);
        QVERIFY(!dlg.ColorButton(TdlgOptions::cpHidden)->isVisible());
        QColor offered;
        dlg.ChooseColor = [&](const QColor& initial, QWidget*) -> std::optional<QColor> {
            offered = initial;
            return QColor(1, 2, 3);
        };
        dlg.ColorButton(TdlgOptions::cpVerified)->click();
        QCOMPARE(offered, QColor(3, 2, 1));
        QCOMPARE(dlg.Settings().VerifiedColor, 0x030201u);
        dlg.ChooseColor = [](const QColor&, QWidget*) -> std::optional<QColor> { return std::nullopt; };
        dlg.ColorButton(TdlgOptions::cpActiveRow)->click();
        QCOMPARE(dlg.Settings().ActiveRowColor, clInfoBk);
        dlg.DefaultColorsButton()->click();
        const TEditorSettings defaults;
        QCOMPARE(dlg.Settings().VerifiedColor, defaults.VerifiedColor);

        // The grid font keeps its character set through the font dialog.
        dlg.ChooseFont = [](const QFont&, QWidget*) -> std::optional<QFont> {
            QFont f(QStringLiteral("Courier"), 14);
            f.setItalic(true);
            return f;
        };
        dlg.SetGridFont(QFont(QStringLiteral("Arial"), 10), 204);
        dlg.ChangeFontButton()->click();
        QCOMPARE(dlg.FontLabel()->text(), QStringLiteral("Courier, 14 pt, Italic\nCharacter set: RUSSIAN_CHARSET"));
        QCOMPARE(dlg.Settings().GridFont, (TGridFontSettings{QStringLiteral("Courier"), 14, 204, fsItalic}));

        // The interface language.
        dlg.SetInterfaceLanguages({QStringLiteral("English"), QStringLiteral("German")}, 1);
        QCOMPARE(dlg.LanguageBox()->currentText(), QStringLiteral("German"));
        dlg.SetInterfaceLanguages({QStringLiteral("English"), QStringLiteral("German")}, 7);
        QCOMPARE(dlg.InterfaceLanguage(), 0);
    }
};

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
