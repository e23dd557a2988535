#include "app/ProgramResources.h"
#include "app/StartOptions.h"
#include "app/gui/commands/SearchCommands.h"
#include "app/gui/dialogs/options/OptionsDialog.h"
#include "app/gui/dialogs/search/FindDialog.h"
#include "app/gui/window/MainForm.h"
#include "app/gui/window/UiLanguage.h"
#include "core/UiStrings.h"
#include "langfile/FormatSymbols.h"
#include "langfile/LangFile.h"
#include "langfile/LangFileProject.h"
#include "platform/Settings.h"
#include "runtime/VocabrixOnFly.h"
#include "storage/LocStorage.h"
#include "storage/Locales.h"

#include "ModalDialogs.h"
#include "SampleWindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kLangDir = QStringLiteral(SHARED_EXAMPLES_DIR "/../lang");

QString MenuTitle(QMainWindow& Window, int Index) { return Window.menuBar()->actions().value(Index)->text(); }

int ListIndexOf(TUiLanguage& Language, uint16_t Locale) { return Language.OnFly().LangList().IndexByLocale(Locale); }

} // namespace

class tst_UiLanguage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        FDir = std::make_unique<QTemporaryDir>();
        SetSettingsFolderForTesting(FDir->filePath("settings"));
        qputenv("XDG_CACHE_HOME", FDir->filePath("cache").toLocal8Bit()); // the built DLLs
    }
    void cleanup()
    {
        SetSettingsFolderForTesting(QString());
        FDir.reset();
    }

    void theFourteenLanguages();
    void startLanguage_data();
    void startLanguage();
    void switchOnOptionsOkRetranslatesOpenWindows();
    void rightToLeftLanguageFlipsTheLayout();
    void findDialogTitlesFollowTheLanguage();
    void everyLanguageKeepsTheFormatSymbols();
    void nativeProjectHoldsEveryText();
    void messagesComeFromTheStringTable();
    void menuAcceleratorsStayDistinct();
    void dialogAcceleratorsStayDistinct();

private:
    std::unique_ptr<QTemporaryDir> FDir;
};

void tst_UiLanguage::theFourteenLanguages()
{
    TUiLanguage language;
    QCOMPARE(language.Start(QString()), QString());
    const TLFInfoList& list = language.OnFly().LangList();
    QCOMPARE(list.Count(), 14);
    QCOMPARE(list.Items(list.NativeIndex())->Locale(), 0x0409u);
    for (const auto& info : list) {
        QVERIFY(info->InResource());
        QCOMPARE(info->Version(), kInterfaceVersion);
    }
    // The options page lists them by their own names, the current one chosen.
    TdlgOptions dialog;
    language.FillOptions(dialog);
    QCOMPARE(dialog.LanguageBox()->count(), 14);
    QCOMPARE(dialog.LanguageBox()->itemText(ListIndexOf(language, 0x0407)), QString("Deutsch"));
    QCOMPARE(dialog.LanguageBox()->currentIndex(), list.NativeIndex());
}

void tst_UiLanguage::startLanguage_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("damagedFile");
    QTest::addColumn<QString>("fileMenu");
    QTest::addColumn<bool>("statusLine");
    QTest::newRow("German") << "deu" << false << "&Datei" << false;
    QTest::newRow("French, any case") << "FRA" << false << "&Fichier" << false;
    QTest::newRow("unknown code") << "xyz" << false << "&File" << true;
    QTest::newRow("damaged language file") << "deu" << true << "&File" << true;
}

void tst_UiLanguage::startLanguage()
{
    QFETCH(QString, code);
    QFETCH(bool, damagedFile);
    QFETCH(QString, fileMenu);
    QFETCH(bool, statusLine);
    const QString app = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    if (damagedFile) {
        QFile file(FDir->filePath(app + ".deu.lng"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("LF but nothing of a language file");
    }
    TUiLanguage language;
    const QString status = language.Start(code, FDir->path());
    QCOMPARE(!status.isEmpty(), statusLine);
    TOxvPDMainForm window{TStartOptions{}};
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(MenuTitle(window, 0), fileMenu);
    // The string table follows the language too.
    QCOMPARE(UiString(usVocabrixError), fileMenu == "&Datei"     ? QString("Vocabrix-Fehler")
                                        : fileMenu == "&Fichier" ? QString("Erreur Vocabrix")
                                                                 : QString("Vocabrix Error"));
}

void tst_UiLanguage::switchOnOptionsOkRetranslatesOpenWindows()
{
    TUiLanguage language;
    QCOMPARE(language.Start(QString()), QString());
    language.SwitchTo(ListIndexOf(language, 0x0407));
    TSampleWindow<TRecordingPrompt> sample;
    sample.Show({"deu"}, OpenGerman());
    TOxvPDMainForm& window = *sample.Form;
    QCOMPARE(MenuTitle(window, 0), QString("&Datei"));

    // A dialog stays open (modeless) while the options change the language.
    auto* find = new TdlgFind(&window);
    find->show();
    QVERIFY(QTest::qWaitForWindowExposed(find));
    auto* findButton = find->findChild<QPushButton*>("PushButton_Find");
    QVERIFY(findButton);
    QCOMPARE(findButton->text(), QString("&Suchen"));

    // Edit > Options: the options dialog comes up in German; choose French, OK.
    bool checked = false;
    QTimer::singleShot(0, [&] {
        std::function<void()> poll = [&] {
            auto* dialog = qobject_cast<TdlgOptions*>(QApplication::activeModalWidget());
            if (!dialog) return void(QTimer::singleShot(10, poll));
            QCOMPARE(dialog->windowTitle(), QString("Optionen"));
            QComboBox* box = dialog->LanguageBox();
            QCOMPARE(box->currentIndex(), ListIndexOf(language, 0x0407));
            box->setCurrentIndex(ListIndexOf(language, 0x040C));
            auto* ok = dialog->findChild<QPushButton*>("PushButton_OK");
            QTest::mouseClick(ok, Qt::LeftButton);
            checked = true;
        };
        poll();
    });
    window.findChild<QAction*>("miOptions")->trigger();
    QVERIFY(checked);
    QCOMPARE(MenuTitle(window, 0), QString("&Fichier"));
    QCOMPARE(findButton->text(), QString("&Rechercher"));
    QCOMPARE(language.OnFly().CurrentLocale(), 0x040Cu);
    // The program's own messages follow: Libraries > Apply Libraries with none installed.
    QAction* apply = window.findChild<QAction*>("miApplyLib");
    QVERIFY(apply->isEnabled());
    apply->trigger();
    QCOMPARE(sample.Prompt.Log.value(sample.Prompt.Log.size() - 1),
             QString("Information: Aucune bibliothèque externe n'est installée"));
    // Texts the main window makes from data are made again at the switch.
    QStringList captions;
    for (int c = 0; c < window.Grid()->Columns().Count(); ++c) captions << window.Grid()->Columns().Items(c)->Caption();
    QVERIFY2(captions.indexOf(QRegularExpression("Source / .*")) >= 0, qPrintable(captions.join(", ")));
    QVERIFY(window.findChild<QLabel*>("lblFilter")->text().contains("Les deux"));
    // So do the core's error messages, made where the error happens.
    TLangFileProject project;
    try {
        project.Open("/nonexistent/app.ntv.lng", false, true);
        QFAIL("a missing project opened");
    } catch (const EVocabrixError& e) {
        QCOMPARE(e.Message(), QString("Erreur lors de l'ouverture du projet \"/nonexistent/app.ntv.lng\"\r\n"
                                      "Le fichier n'existe pas"));
    }
    // A window made after the switch comes up in French.
    TdlgOptions later(&window);
    later.show();
    QCOMPARE(later.windowTitle(), QString("Options"));
    QCOMPARE(later.findChild<QPushButton*>("PushButton_Cancel")->text(), QString("Annuler"));
    // The stored choice brings French back at the next start.
    TUiLanguage next;
    QCOMPARE(next.Start(QString()), QString());
    QCOMPARE(next.OnFly().CurrentLocale(), 0x040Cu);
    find->close();
}

// The Find dialog's title and button, set when it is shown, come in the
// interface language (they stayed English).
void tst_UiLanguage::findDialogTitlesFollowTheLanguage()
{
    TUiLanguage language;
    QCOMPARE(language.Start(QStringLiteral("deu")), QString());
    TSampleWindow<TRecordingPrompt> sample;
    sample.Show({"deu"}, OpenGerman());
    TdlgFind* find = sample.Form->Search()->FindDialog();
    QStringList seen;
    const auto look = [&] {
        seen << find->windowTitle() + "|" + find->findChild<QPushButton*>("PushButton_Find")->text();
        find->reject();
    };
    sample.Grid()->setFocus();
    WhenShown(find, look);
    QTest::keyClick(sample.Form->windowHandle(), Qt::Key_F, Qt::ControlModifier);
    QTRY_COMPARE(seen.size(), 1);
    WhenShown(find, look);
    QTest::keyClick(sample.Form->windowHandle(), Qt::Key_R, Qt::ControlModifier);
    QTRY_COMPARE(seen.size(), 2);
    QCOMPARE(seen, (QStringList{"Suchen|&Suchen", "Ersetzen|S&tarten"}));
}

void tst_UiLanguage::rightToLeftLanguageFlipsTheLayout()
{
    TUiLanguage language;
    language.Start(QString());
    TOxvPDMainForm window{TStartOptions{}};
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.layoutDirection(), Qt::LeftToRight);
    language.SwitchTo(ListIndexOf(language, 0x0401)); // Arabic (Saudi Arabia)
    QCOMPARE(window.layoutDirection(), Qt::RightToLeft);
    language.SwitchTo(ListIndexOf(language, 0x0407));
    QCOMPARE(window.layoutDirection(), Qt::LeftToRight);
}

void tst_UiLanguage::everyLanguageKeepsTheFormatSymbols()
{
    TLocStorage storage;
    LoadInterfaceProject(kLangDir, storage);
    QCOMPARE(storage.LangCount(), 14);
    storage.ForEachItem([&](TLocItem* item) {
        const QString native = item->MainValue()->Value();
        for (int column = 1; column < storage.LangCount(); ++column) {
            if (!item->IsTranslated(column)) continue;
            const QString value = item->Values().Items(column)->Value();
            if (FormatSymbols(value) != FormatSymbols(native))
                QFAIL(qPrintable(QString("%1 in %2: \"%3\" / \"%4\"")
                                     .arg(item->Name(), LocaleAbbreviation(storage.Locales(column)), native, value)));
        }
    });
    // Each language's data loads from the program's own resources.
    TUiLanguage language;
    language.Start(QString());
    for (int i = 0; i < language.OnFly().LangList().Count(); ++i) {
        language.SwitchTo(i);
        QCOMPARE(language.OnFly().CurrentLocale(), language.OnFly().LangList().Items(i)->Locale());
    }
}

void tst_UiLanguage::nativeProjectHoldsEveryText()
{
    TLocStorage native;
    TLangFile(kLangDir + "/phrasedesk.ntv.lng", true).Load(&native, -1, 0);
    TLocStorage code;
    CollectInterfaceTexts(code);
    QStringList missing;
    code.ForEachItem([&](TLocItem* item) {
        const auto* property = dynamic_cast<TLocProperty*>(item);
        const TLocItem* known =
            property ? static_cast<TLocItem*>(native.FindProperty(
                           property->Form()->Name(), property->Component() ? property->Component()->Name() : QString(),
                           property->Name()))
                     : native.FindConstant(UiStringUnit(), item->Name());
        if (!known || known->MainValue()->Value() != item->MainValue()->Value()) missing << item->MainValue()->Value();
    });
    QVERIFY2(missing.isEmpty(), qPrintable("run uiwalker: lang/phrasedesk.ntv.lng lacks " + missing.join(" | ")));
}

QTEST_MAIN(tst_UiLanguage)
#include "tst_uilanguage.moc"

// A message written as a literal where it is shown would stay English in
// every language, and no walk of the windows finds it: the sources must pass
// their messages through the string table. Batch output is English on purpose.
void tst_UiLanguage::messagesComeFromTheStringTable()
{
    static const QRegularExpression literalMessage(
        R"((Message\(mk\w+,\s*|showMessage\(|\bStatus\(|ProgressText\(|QMessageBox::\w+\([^;]*)QStringLiteral\("[A-Za-z])");
    QStringList found;
    QDirIterator it(VOCABRIX_SOURCE_DIR "/src", {"*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (QFileInfo(file).fileName().startsWith("Batch")) continue;
        QFile source(file);
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(source.readAll());
        for (auto match = literalMessage.globalMatch(text); match.hasNext();) {
            const qsizetype at = match.next().capturedStart();
            found << QString("%1:%2")
                         .arg(QDir(VOCABRIX_SOURCE_DIR).relativeFilePath(file))
                         .arg(text.left(at).count('\n') + 1);
        }
    }
    QVERIFY2(found.isEmpty(), qPrintable("messages written as literals: " + found.join(", ")));
}

namespace {

// "&x" of a text, lower case; none for a text without one ("&&" is an ampersand).
QChar Accelerator(const QString& Text)
{
    for (qsizetype i = 0; i + 1 < Text.size(); ++i) {
        if (Text[i] != '&') continue;
        if (Text[i + 1] != '&') return Text[i + 1].toLower();
        ++i;
    }
    return {};
}

// The actions of a menu (or the menu bar) that share an accelerator key: by
// their object names (the same in every language), with their texts.
void CollectClashes(const QString& Where, const QList<QAction*>& Actions, QMap<QString, QString>& Clashes)
{
    QMap<QChar, QList<QAction*>> byKey;
    for (QAction* action : Actions) {
        if (action->isSeparator()) continue;
        if (const QChar key = Accelerator(action->text()); !key.isNull()) byKey[key] << action;
        if (QMenu* sub = action->menu()) CollectClashes(sub->objectName(), sub->actions(), Clashes);
    }
    for (const QList<QAction*>& actions : byKey) {
        if (actions.size() < 2) continue;
        QStringList names, texts;
        for (QAction* action : actions) names << action->objectName(), texts << action->text();
        Clashes[Where + ":" + names.join(",")] = texts.join(" / ");
    }
}

} // namespace

// In every language each key opens one menu and chooses one command of a
// menu: a translation that gives two of them the same letter leaves one out
// of reach by keyboard. Clashes the English menus have are the design's.
void tst_UiLanguage::menuAcceleratorsStayDistinct()
{
    TUiLanguage language;
    QCOMPARE(language.Start(QString()), QString());
    TSampleWindow<TRecordingPrompt> sample;
    sample.Show({"deu"}, OpenGerman());
    TOxvPDMainForm& window = *sample.Form;
    language.SwitchTo(language.OnFly().LangList().NativeIndex());
    QMap<QString, QString> english;
    CollectClashes("bar", window.menuBar()->actions(), english);
    QStringList report;
    for (int i = 0; i < language.OnFly().LangList().Count(); ++i) {
        language.SwitchTo(i);
        QMap<QString, QString> clashes;
        CollectClashes("bar", window.menuBar()->actions(), clashes);
        for (auto it = clashes.cbegin(); it != clashes.cend(); ++it)
            if (!english.contains(it.key()))
                report << LocaleAbbreviation(int(language.OnFly().CurrentLocale())) + " " + it.key() + ": " +
                              it.value();
    }
    for (const QString& line : report) qWarning("%s", qPrintable(line));
    QVERIFY2(report.isEmpty(), qPrintable(report.join("\n")));
}

// The same for each dialog: its buttons, boxes and labels, from the
// interface project (every walked window, in every language).
void tst_UiLanguage::dialogAcceleratorsStayDistinct()
{
    TLocStorage storage;
    LoadInterfaceProject(kLangDir, storage);
    // form and key -> the properties (component.property) that use it, per column
    QMap<std::tuple<int, QString, QChar>, QStringList> uses;
    storage.ForEachItem([&](TLocItem* item) {
        const auto* property = dynamic_cast<TLocProperty*>(item);
        if (!property || property->Form()->Name() == "OxvPDMainForm") return;
        if (item->Name() != "text" && item->Name() != "title") return;
        for (int column = 0; column < storage.LangCount(); ++column) {
            const QString value = column == 0 || item->IsTranslated(column) ? item->Values().Items(column)->Value()
                                                                            : item->MainValue()->Value();
            if (const QChar key = Accelerator(value); !key.isNull())
                uses[{column, property->Form()->Name(), key}] << property->GetFullName(".");
        }
    });
    QSet<QString> english;
    for (auto it = uses.cbegin(); it != uses.cend(); ++it)
        if (std::get<0>(it.key()) == 0 && it.value().size() > 1) english << it.value().join(",");
    QStringList report;
    for (auto it = uses.cbegin(); it != uses.cend(); ++it)
        if (std::get<0>(it.key()) > 0 && it.value().size() > 1 && !english.contains(it.value().join(",")))
            report << LocaleAbbreviation(storage.Locales(std::get<0>(it.key()))) + ": " + it.value().join(", ");
    QVERIFY2(report.isEmpty(), qPrintable(report.join("\n")));
}
