#pragma once

// The sample project copied into a temporary folder and opened in a shown
// main window, with settings, documents folder and repository of the test's
// own; questions go to the test's prompt.

#include "app/StartOptions.h"
#include "app/gui/dialogs/language/LanguagePropertiesDialog.h"
#include "app/gui/grid/QStringGrid.h"
#include "app/gui/window/MainForm.h"
#include "core/Prompt.h"
#include "langfile/LangFile.h"
#include "platform/Settings.h"

#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>

#include <memory>

template <class TTestPromptType> struct TSampleWindow {
    QTemporaryDir Dir;
    TTestPromptType Prompt;
    std::unique_ptr<TOxvPDMainForm> Form; // goes before the prompt it may still ask

    TSampleWindow()
    {
        SetSettingsFolderForTesting(Dir.filePath("settings"));
        // Closing a project would otherwise synchronise its language files and
        // report on them; the tests of that switch it on themselves.
        TSettingsKey key;
        key.WriteBool(QStringLiteral("RefreshOnClose"), false);
        key.Flush();
    }
    ~TSampleWindow()
    {
        Form.reset();
        SetDefaultPrompt(nullptr);
        SetSettingsFolderForTesting(QString());
    }
    TSampleWindow(const TSampleWindow&) = delete;
    TSampleWindow& operator=(const TSampleWindow&) = delete;

    // Copies the native file and the language files Codes, then shows the
    // window and opens the native file; UsePrompt stands in for Prompt.
    void Show(const QStringList& Codes, TStartOptions Options, TPrompt* UsePrompt = nullptr)
    {
        SetDefaultPrompt(UsePrompt ? UsePrompt : &Prompt);
        for (const QString& code : QStringList{"ntv"} + Codes)
            QFile::copy(QStringLiteral(SHARED_EXAMPLES_DIR "/Notes.%1.lng").arg(code), File(code));
        if (Options.Repository.isEmpty()) Options.Repository = RepositoryFile();
        Form = std::make_unique<TOxvPDMainForm>(Options);
        Form->resize(900, 600);
        Form->show();
        Form->activateWindow();
        if (!QTest::qWaitForWindowActive(Form.get())) qWarning("main window not active");
        Form->OpenProjectFile(File("ntv"), false, false);
    }
    QString File(const QString& Code) const { return Dir.filePath(QStringLiteral("Notes.%1.lng").arg(Code)); }
    QString RepositoryFile() const { return Dir.filePath("Repository/default.lr"); }
    TQStringGrid* Grid() const { return Form->Grid(); }
    // The main menu titled Title ("&File").
    QMenu* Menu(const QString& Title) const
    {
        for (QAction* a : Form->menuBar()->actions())
            if (a->text() == Title) return a->menu();
        return nullptr;
    }
    // Clicks the menu's title in the menu bar, then the item, as the mouse does.
    void ClickMenuItem(QMenu* Menu, QAction* Item)
    {
        QMenuBar* bar = Form->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(Menu->menuAction()).center());
        QTRY_VERIFY(Menu->isVisible());
        QVERIFY(Item->isVisible() && Item->isEnabled());
        QTest::mouseClick(Menu, Qt::LeftButton, {}, Menu->actionGeometry(Item).center());
    }
    // The visible grid column of a language file index, -1 when none.
    int Col(int LangIndex) const
    {
        for (int c = 0; c < Grid()->VisibleColCount(); ++c)
            if (Form->ColumnFile(c) && Form->ColumnFile(c)->LangIndex() == LangIndex) return c;
        return -1;
    }
};

// The start options that open the German language with the project.
inline TStartOptions OpenGerman()
{
    TStartOptions options;
    options.OpenList = QStringList{"deu"};
    return options;
}

// Answers the language dialog that the next command shows: Locale chosen in
// its language tree, then OK.
inline void ChooseLanguageWhenAsked(QWidget* Form, uint Locale)
{
    QTimer::singleShot(0, Form, [Form, Locale] {
        auto* dialog = Form->findChild<TdlgLanguageProperties*>();
        if (!dialog) return;
        auto* tree = dialog->findChild<QTreeWidget*>("tvLang");
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            if ((*it)->data(0, Qt::UserRole).toUInt() == Locale) tree->setCurrentItem(*it);
        dialog->accept();
    });
}
