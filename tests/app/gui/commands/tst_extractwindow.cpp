// File > New Project from Executable on the real main window, driven with
// the mouse and the keyboard.

#include "app/gui/commands/ExtractCommands.h"
#include "app/gui/window/MainForm.h"
#include "core/Prompt.h"
#include "langfile/LEProject.h"
#include "platform/Settings.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TstExtractWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // File > New Project from Executable..., the executable typed in, OK:
    // the project is written beside it and opened.
    void newProjectFromExecutable()
    {
        QTemporaryDir dir;
        TRecordingPrompt prompt;
        SetDefaultPrompt(&prompt);
        SetSettingsFolderForTesting(dir.filePath("settings"));
        const QString exe = dir.filePath("Notes.exe");
        QVERIFY(QFile::copy(SHARED_EXAMPLES_DIR "/Notes.exe", exe));
        {
            TOxvPDMainForm form{TStartOptions()};
            form.resize(900, 600);
            form.show();
            QVERIFY(QTest::qWaitForWindowActive(&form));
            QVERIFY(!form.ProjectOpen());

            bool ran = false;
            QTimer poll;
            poll.setInterval(20);
            connect(&poll, &QTimer::timeout, &form, [&] {
                auto* d = qobject_cast<TdlgExtract*>(QApplication::activeModalWidget());
                if (!d || ran) return;
                ran = true;
                poll.stop();
                QVERIFY(!d->btnOK->isEnabled());
                QTest::keyClicks(d->edExecutable, exe);
                QVERIFY(d->btnOK->isEnabled());
                QTest::mouseClick(d->btnOK, Qt::LeftButton);
            });
            poll.start();

            QMenuBar* bar = form.menuBar();
            QMenu* file = bar->actions().first()->menu();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file->menuAction()).center());
            QTRY_VERIFY(file->isVisible());
            QAction* item = nullptr;
            for (QAction* a : file->actions())
                if (a->text() == QLatin1String("New Project from &Executable...")) item = a;
            QVERIFY(item && item->isEnabled());
            QTest::mouseClick(file, Qt::LeftButton, {}, file->actionGeometry(item).center());
            QTRY_VERIFY(ran);
            QTRY_VERIFY(form.ProjectOpen());
            QCOMPARE(form.Project().LangFiles().Items(0)->FileName(), dir.filePath("Notes.ntv.lng"));
            QVERIFY(prompt.Log.join('\n').contains("Notes.ntv.lng: 44 added, 0 changed, 0 removed, 0 unchanged"));
        }
        SetDefaultPrompt(nullptr);
        SetSettingsFolderForTesting(QString());
    }
};

QTEST_MAIN(TstExtractWindow)
#include "tst_extractwindow.moc"
