#include "RuntimeFixture.h"

#include "platform/Settings.h"
#include "runtime/FormRetranslator.h"
#include "runtime/QLocUtils.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

namespace {

QString ErrorOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const EVocabrixError& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

using TItems = QList<QPair<QString, QByteArray>>;

QString Hello() { return TModuleTable::Instance().LoadResString(1); }

} // namespace

// Live objects for re-translation: a dialog with a panel and its font, a
// grid with columns, a derived form.
class TFont : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Name MEMBER Name)
    Q_PROPERTY(int Size MEMBER Size)
public:
    QString Name = "Sans";
    int Size = 8;
};

class TPanel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString text MEMBER text)
    Q_PROPERTY(QObject* Font READ font)
public:
    explicit TPanel(QObject* Parent, const QString& Name) : QObject(Parent) { setObjectName(Name); }
    QObject* font() { return &Font; }
    QString text;
    TFont Font;
};

class TTitle : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Caption MEMBER Caption)
public:
    QString Caption = "column";
};

class TColumn : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* Title READ title)
public:
    QObject* title() { return &Title; }
    TTitle Title;
};

class TGrid : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObjectList Columns READ columns)
public:
    explicit TGrid(QObject* Parent) : QObject(Parent)
    {
        setObjectName("Grid1");
        for (auto& c : FColumns) c = new TColumn;
    }
    ~TGrid() override
    {
        for (TColumn* c : FColumns) delete c;
    }
    QObjectList columns() const { return {FColumns[0], FColumns[1], FColumns[2]}; }
    TColumn* FColumns[3];
};

class TdlgOptions : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString windowTitle MEMBER windowTitle)
    Q_PROPERTY(Qt::LayoutDirection layoutDirection MEMBER layoutDirection)
public:
    TdlgOptions() : Panel1(new TPanel(this, "Panel1")), Grid1(new TGrid(this)) {}
    QString windowTitle = "Options";
    Qt::LayoutDirection layoutDirection = Qt::LeftToRight;
    TPanel* Panel1;
    TGrid* Grid1;
};

class TfrmBase : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString windowTitle MEMBER windowTitle)
    Q_PROPERTY(QString toolTip MEMBER toolTip)
public:
    QString windowTitle, toolTip;
};

class TfrmChild : public TfrmBase {
    Q_OBJECT
};

class tst_Runtime : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { TModuleTable::Instance().Reset(); }

    // ---- resource module switching
    void installsDllOfTheSameVersion();
    void invalidLibrary_data();
    void invalidLibrary();
    void recordWithoutBuild();

    // ---- on-the-fly translator
    void languagesOfTheResource();
    void languageFileWinsOverResource();
    void switchBuildsDllAndNextRunReusesIt();
    void switchToNative_data();
    void switchToNative();
    void firstStartWithNothingStored();
    void unknownLanguageAndUninitialised();
    void invalidQLangsResource();
    void folderTwoLevelsUp();
    void formatVersions_data();
    void formatVersions();

    // ---- live re-translation
    void retranslatesMatchingForm();
    void inheritedFormsBaseFirst();
    void collectionIndexBeyondCount();
    void untranslatableNeverApplied();
    void rightToLeftLanguage();
};

void tst_Runtime::installsDllOfTheSameVersion()
{
    TRuntimeFixture f;
    TQLocUtils utils;
    const QString same = f.WriteDll("app.deu", "Hallo", 506, kGerman);
    const QString other = f.WriteDll("app.fra", "Bonjour", 505, kFrench);
    utils.LoadResource(same);
    QCOMPARE(Hello(), QString("Hallo"));
    QCOMPARE(utils.GetCurrentInfo().Locale, 0x0407u);

    // Another version raises unless the on-the-fly translator runs; then the
    // executable gets its own resources back.
    QCOMPARE(ErrorOf([&] { utils.LoadResource(other); }).left(30), QString("Resource file %1").arg(other).left(30));
    QCOMPARE(Hello(), QString("Hallo"));
    utils.SetUnderOnFly(true);
    utils.LoadResource(other);
    QCOMPARE(Hello(), QString("Hello"));
    QCOMPARE(TModuleTable::Instance().DataModuleCount(), 0);

    // A second DLL replaces (unloads) the first; BackToExe unloads all.
    const QString french = f.WriteDll("app2.fra", "Bonjour", 506, kFrench);
    utils.LoadResource(same);
    utils.LoadResource(french);
    QCOMPARE(Hello(), QString("Bonjour"));
    QCOMPARE(TModuleTable::Instance().DataModuleCount(), 1);
    utils.BackToExe();
    QCOMPARE(TModuleTable::Instance().DataModuleCount(), 0);
    // On its own resources the executable's library record is current.
    QCOMPARE(utils.GetCurrentInfo().Locale, 0x0409u);
    QCOMPARE(utils.GetCurrentInfo().LFBuild, 1u);
}

void tst_Runtime::invalidLibrary_data()
{
    QTest::addColumn<TItems>("items");
    QTest::newRow("no record") << TItems{};
    QTest::newRow("other magic") << TItems{{kLibSettingsName, SettingsRecord("QEXE", 506, kGerman)}};
    QTest::newRow("cut short") << TItems{{kLibSettingsName, QByteArray("LDLL\1\2")}};
}

void tst_Runtime::invalidLibrary()
{
    QFETCH(TItems, items);
    TRuntimeFixture f;
    TQLocUtils utils;
    const QString path = f.Dir.filePath("bad.deu");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ResourceImage("x", items));
    file.close();
    QCOMPARE(ErrorOf([&] { utils.LoadResource(path); }), QString("Invalid resource file format \"%1\"").arg(path));
    QCOMPARE(TModuleTable::Instance().DataModuleCount(), 0);
    QCOMPARE(Hello(), QString("Hello"));
    // Not a PE file at all.
    file.open(QIODevice::WriteOnly);
    file.write("MZ nothing");
    file.close();
    QCOMPARE(ErrorOf([&] { utils.LoadResource(path); }), QString("Error loading resource file \"%1\"").arg(path));
}

void tst_Runtime::recordWithoutBuild()
{
    TRuntimeFixture f;
    TQLocUtils utils;
    // Magic, version, locale and the two names "English": 35 bytes.
    const QByteArray record = SettingsRecord("LDLL", 506, {0x0409, "English", "English", "", ""}).left(35);
    QCOMPARE(record.size(), 35);
    const TModuleHandle dll =
        TModuleTable::Instance().LoadDataImage("old", ResourceImage("x", {{kLibSettingsName, record}}));
    TDLLInfoItem info;
    utils.GetDLLInfo(dll, true, info);
    QCOMPARE(info.Version, 506);
    QCOMPARE(info.EnglishName, QString("English"));
    QCOMPARE(info.LFBuild, 0u);
}

void tst_Runtime::languagesOfTheResource()
{
    TRuntimeFixture f;
    TQLocUtils utils;
    TQVocabrixOnFly fly(utils);
    fly.SetErrorReaction(erException);
    QVERIFY(utils.UnderOnFly());
    fly.Init(QString());
    QVERIFY(fly.Initialized());
    QStringList names;
    for (const auto& info : fly.LangList()) names << info->EnglishName();
    QCOMPARE(names, QStringList({"English (United States)", "French (France)", "German (Germany)"}));
    QCOMPARE(fly.LangList().NativeIndex(), 0);
    QVERIFY(fly.LangList().IsResLanguage(0x0407));
    QCOMPARE(fly.NativeLocale(), 0x0409u);
    QCOMPARE(fly.CurrentLocale(), 0x0409u);
}

void tst_Runtime::languageFileWinsOverResource()
{
    TRuntimeFixture f;
    // The German file says something else than the resource.
    f.Project.FindConstant("Strings", "SHello")->Values().Items(1)->SetValue("Servus");
    QFile file(f.Dir.filePath("app.deu.lng"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(LanguageImage(f.Project, 1, kGerman));
    file.close();

    TQLocUtils utils;
    TQVocabrixOnFly fly(utils);
    fly.SetErrorReaction(erException);
    fly.SetDLLDir(f.Dir.filePath("dlls"));
    QDir().mkpath(f.Dir.filePath("dlls"));
    fly.Init(QString());
    const TLFInfo* german = fly.LangList().Items(fly.LangList().IndexByLocale(0x0407));
    QCOMPARE(german->FileName(), QString("app.deu.lng"));
    QVERIFY(!german->InResource());
    fly.SwitchToExt("deu");
    QCOMPARE(Hello(), QString("Servus"));
}

void tst_Runtime::switchBuildsDllAndNextRunReusesIt()
{
    TRuntimeFixture f;
    SetSettingsFolderForTesting(f.Dir.filePath("settings"));
    const QString dll = f.Dir.filePath("app.deu");
    {
        TQLocUtils utils;
        TQVocabrixOnFly fly(utils);
        fly.SetErrorReaction(erException);
        QList<uint32_t> switches;
        fly.OnLangSwitch = [&](TQVocabrixOnFly*, const TLFInfo* info) { switches << info->Locale(); };
        fly.InitReg(QString(), QString());
        fly.SwitchToExt("DEU");
        QCOMPARE(switches, QList<uint32_t>{0x0407});
        QCOMPARE(Hello(), QString("Hallo"));
        QCOMPARE(fly.CurrentLocale(), 0x0407u);
        QVERIFY(QFile::exists(dll));
        // German then French: the open storage gains a column each.
        fly.SwitchToExt("fra");
        QCOMPARE(Hello(), QString("Bonjour"));
        fly.SwitchToExt("deu");
        QCOMPARE(switches, QList<uint32_t>({0x0407, 0x040C, 0x0407}));
    }
    // The next run finds the DLL current and installs it as it is.
    QFile::setPermissions(dll, QFileDevice::ReadOwner);
    const QDateTime built = QFileInfo(dll).lastModified();
    f.RegisterExecutable(f.LocLangs());
    TQLocUtils utils;
    TQVocabrixOnFly fly(utils);
    fly.SetErrorReaction(erException);
    fly.InitReg(QString(), QString());
    QCOMPARE(Hello(), QString("Hallo"));
    QCOMPARE(QFileInfo(dll).lastModified(), built);
    QCOMPARE(fly.LocStorage().CurLangIndex(), fly.LocStorage().IndexOfLocale(0x0407));
    QFile::setPermissions(dll, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    SetSettingsFolderForTesting(QString());
}

void tst_Runtime::switchToNative_data()
{
    QTest::addColumn<QString>("ext");
    QTest::newRow("exe") << "exe";
    QTest::newRow("NTV") << "NTV";
    QTest::newRow("empty") << "";
}

void tst_Runtime::switchToNative()
{
    QFETCH(QString, ext);
    TRuntimeFixture f;
    SetSettingsFolderForTesting(f.Dir.filePath("settings"));
    TQLocUtils utils;
    TQVocabrixOnFly fly(utils);
    fly.SetErrorReaction(erException);
    fly.InitReg("Choice", QString());
    fly.SwitchToExt("deu");
    QCOMPARE(TSettingsKey("Choice").ReadString("VocabrixExt", ""), QString("DEU"));
    fly.SwitchToExt(ext);
    QCOMPARE(Hello(), QString("Hello"));
    QCOMPARE(TModuleTable::Instance().DataModuleCount(), 0);
    QCOMPARE(TSettingsKey("Choice").ReadString("VocabrixExt", ""), QString("EXE"));
    SetSettingsFolderForTesting(QString());
}

void tst_Runtime::firstStartWithNothingStored()
{
    TRuntimeFixture f;
    SetSettingsFolderForTesting(f.Dir.filePath("settings"));
    TQLocUtils utils;
    TQVocabrixOnFly fly(utils);
    fly.SetErrorReaction(erException);
    fly.InitReg(QString(), QString());
    QCOMPARE(fly.CurrentLocale(), 0x0409u);
    QCOMPARE(Hello(), QString("Hello"));
    SetSettingsFolderForTesting(QString());
}

void tst_Runtime::unknownLanguageAndUninitialised()
{
    TRuntimeFixture f;
    TQLocUtils utils;
    TQVocabrixOnFly fly(utils);
    fly.SetErrorReaction(erException);
    QCOMPARE(ErrorOf([&] { fly.SwitchToExt("deu"); }), QString("Vocabrix is not initialized"));
    fly.Init(QString());
    QCOMPARE(ErrorOf([&] { fly.SwitchToExt("ita"); }), QString("Language \"Italian (Italy)\" is not found"));
    QCOMPARE(ErrorOf([&] { fly.SwitchToFile(f.Dir.filePath("none.lng")); }),
             QString("Language file \"%1\" is not found").arg(f.Dir.filePath("none.lng")));
    // With the message reaction the error is shown, never raised.
    QString shown;
    fly.SetErrorReaction(erMessage);
    fly.ShowError = [&](const QString& Title, const QString& Text) { shown = Title + ": " + Text; };
    fly.SwitchToExt("ita");
    QCOMPARE(shown, QString("Vocabrix Error: Language \"Italian (Italy)\" is not found"));
    QCOMPARE(Hello(), QString("Hello"));
}

void tst_Runtime::invalidQLangsResource()
{
    TRuntimeFixture f;
    QByteArray langs = f.LocLangs();
    langs.chop(10); // the last block ends early
    f.RegisterExecutable(langs);
    TQLocUtils utils;
    TQVocabrixOnFly fly(utils);
    fly.SetErrorReaction(erException);
    fly.Init(QString()); // the native block is whole
    QCOMPARE(ErrorOf([&] { fly.SwitchToExt("fra"); }), QString("Invalid QLANGS resource"));
    QCOMPARE(Hello(), QString("Hello"));
    // Not the magic: no language data at all.
    f.RegisterExecutable("QLX");
    TQVocabrixOnFly none(utils);
    none.SetErrorReaction(erException);
    QCOMPARE(ErrorOf([&] { none.Init(QString()); }),
             QString("Language file \"%1\" is not found").arg(f.Dir.filePath("app.ntv.lng")));
}

void tst_Runtime::folderTwoLevelsUp()
{
    // The executable in <dir>/build/bin, the language files in <dir>.
    TRuntimeFixture f(5, "build/bin");
    QFile native(f.Dir.filePath("app.ntv.lng"));
    QVERIFY(native.open(QIODevice::WriteOnly));
    native.write(LanguageImage(f.Project, 0, kEnglish));
    native.close();
    TQLocUtils utils;
    TQVocabrixOnFly fly(utils);
    fly.SetErrorReaction(erException);
    fly.Init(QString());
    QCOMPARE(fly.LangList().FullPath(), QDir::cleanPath(f.Dir.path()));
    QCOMPARE(fly.LangList().Items(fly.LangList().NativeIndex())->FileName(), QString("app.ntv.lng"));
    QCOMPARE(ErrorOf([&] { fly.SetLangDir("missing"); }),
             QString("Specified path \"%1\" does not exist").arg(QDir::cleanPath(f.Dir.filePath("build/bin/missing"))));
}

void tst_Runtime::formatVersions_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("localized");
    for (int v = 1; v <= 5; ++v)
        QTest::addRow("format %d", v) << v << (v >= 4 ? QString("Deutsch") : QString("Deutsch"));
}

void tst_Runtime::formatVersions()
{
    QFETCH(int, format);
    QFETCH(QString, localized);
    TRuntimeFixture f{uint16_t(format)};
    TQLocUtils utils;
    TQVocabrixOnFly fly(utils);
    fly.SetErrorReaction(erException);
    fly.SetDLLDir(f.Dir.path());
    fly.Init(QString());
    const TLFInfo* german = fly.LangList().Items(fly.LangList().IndexByLocale(0x0407));
    // Before format 3 the names come from the locale catalogue.
    QCOMPARE(german->EnglishName(), QString("German (Germany)"));
    QCOMPARE(german->LocalizedName(), localized);
    QCOMPARE(german->Version(), format > 4 ? 506 : 0);
    fly.SwitchToExt("deu");
    QCOMPARE(Hello(), QString("Hallo"));
}

// ---- live re-translation

namespace {

// A storage with English and German and the forms dlgOptions, frmBase and frmChild.
struct TFormsFixture {
    TLocStorage S;
    TFormRetranslator R;
    TFormsFixture()
    {
        S.SetMainLangID(0x0409);
        S.AddLanguage(0, 0x0407);
        TLocForm* options = S.Forms().Add("dlgOptions");
        Add(options, "windowTitle", "Options", "Optionen");
        TLocComponent* font = options->Components().Add("Panel1.Font");
        Add(font, "Name", "Sans", "Serif");
        Add(font, "Size", "8", "12", ptInteger);
        Add(options->Components().Add("Panel1"), "text", "Panel", "Tafel");
        Add(options->Components().Add("Grid1.Columns[1].Title"), "Caption", "Name", "Name (de)");
        Add(options->Components().Add("Grid1.Columns[5].Title"), "Caption", "Far", "Weit");
        TLocForm* base = S.Forms().Add("frmBase");
        Add(base, "windowTitle", "Base", "Basis");
        Add(base, "toolTip", "base tip", "Basis-Tipp");
        Add(S.Forms().Add("frmChild"), "windowTitle", "Child", "Kind");
        R.Storage = &S;
        R.LangIndex = 1;
        R.Locale = 0x0407;
    }
    static TLocProperty* Add(TLocComponent* C, const char* Name, const char* En, const char* De,
                             TLocValueType Type = ptString)
    {
        TLocProperty* p = C->Properties().Add(-1, Name, Type);
        p->Values().Items(0)->SetValue(En);
        p->Values().Items(0)->SetValueVersion(1);
        p->Values().Items(1)->SetValue(De);
        p->Values().Items(1)->SetValueVersion(1);
        return p;
    }
};

} // namespace

void tst_Runtime::retranslatesMatchingForm()
{
    TFormsFixture f;
    TdlgOptions dialog;
    f.R.TranslateForm(&dialog);
    QCOMPARE(dialog.windowTitle, QString("Optionen"));
    QCOMPARE(dialog.Panel1->text, QString("Tafel"));
    QCOMPARE(dialog.Panel1->Font.Name, QString("Serif"));
    QCOMPARE(dialog.Panel1->Font.Size, 12);
    QCOMPARE(dialog.Grid1->FColumns[1]->Title.Caption, QString("Name (de)"));

    // A form of a class the storage does not know stays as it is.
    TfrmBase other;
    other.setObjectName("dlgOptions");
    QObject plain;
    f.R.TranslateForm(&plain);
    QCOMPARE(plain.objectName(), QString());
}

void tst_Runtime::inheritedFormsBaseFirst()
{
    TFormsFixture f;
    TfrmChild child;
    QStringList order;
    f.R.OnFormProcessStart = [&](QObject* o) { order << o->property("windowTitle").toString(); };
    f.R.TranslateForm(&child);
    QCOMPARE(order, QStringList({"", "Basis"}));
    QCOMPARE(child.windowTitle, QString("Kind"));
    QCOMPARE(child.toolTip, QString("Basis-Tipp"));
}

void tst_Runtime::collectionIndexBeyondCount()
{
    TFormsFixture f;
    TdlgOptions dialog;
    f.R.TranslateForm(&dialog);
    for (TColumn* column : dialog.Grid1->FColumns)
        QVERIFY(column->Title.Caption == "column" || column->Title.Caption == "Name (de)");
}

void tst_Runtime::untranslatableNeverApplied()
{
    TFormsFixture f;
    f.S.FindProperty("dlgOptions", "", "windowTitle")->SetAttribute(vaUntranslatable, true);
    // Out-of-date translation: the native value, unless shown as is.
    f.S.FindProperty("dlgOptions", "Panel1", "text")->Values().Items(1)->SetValueVersion(0);
    f.R.ShowUntranslatedAsIs = true;
    TdlgOptions dialog;
    dialog.windowTitle = "kept";
    f.R.TranslateForm(&dialog);
    QCOMPARE(dialog.windowTitle, QString("kept"));
    QCOMPARE(dialog.Panel1->text, QString("Tafel"));
    f.R.ShowUntranslatedAsIs = false;
    f.R.TranslateForm(&dialog);
    QCOMPARE(dialog.Panel1->text, QString("Panel"));
    // With OnlyKnownTexts a text the program set from its data stays.
    f.R.OnlyKnownTexts = true;
    f.R.ShowUntranslatedAsIs = true;
    dialog.Panel1->text = "3 files";
    f.R.TranslateForm(&dialog);
    QCOMPARE(dialog.Panel1->text, QString("3 files"));
    dialog.Panel1->text = "Panel";
    f.R.TranslateForm(&dialog);
    QCOMPARE(dialog.Panel1->text, QString("Tafel"));
}

void tst_Runtime::rightToLeftLanguage()
{
    TFormsFixture f;
    TdlgOptions dialog;
    f.R.ProcessBiDiMode = true;
    f.R.Locale = 0x040D; // Hebrew
    f.R.TranslateForm(&dialog);
    QCOMPARE(dialog.layoutDirection, Qt::RightToLeft);
    f.R.Locale = 0x0407;
    f.R.TranslateForm(&dialog);
    QCOMPARE(dialog.layoutDirection, Qt::LeftToRight);
}

QTEST_GUILESS_MAIN(tst_Runtime)
#include "tst_runtime.moc"
