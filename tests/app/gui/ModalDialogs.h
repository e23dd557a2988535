#pragma once

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs Action once Dialog is the modal window: for a dialog that a command
// shows and waits for.
inline void WhenShown(QWidget* Dialog, const std::function<void()>& Action)
{
    QTimer::singleShot(0, Dialog, [Dialog, Action] {
        if (QApplication::activeModalWidget() == Dialog)
            Action();
        else
            WhenShown(Dialog, Action);
    });
}

// Runs Action once a dialog of type T is the modal window (a dialog that a
// command creates, shows and waits for); polls until then.
template <class T> void WhenModal(QObject* Context, const std::function<void(T*)>& Action)
{
    QTimer::singleShot(20, Context, [Context, Action] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget()))
            Action(dialog);
        else
            WhenModal<T>(Context, Action);
    });
}

// With DOCS_SCREENSHOTS set to a folder, the tests that show the help's
// windows save them there (the help's pictures are made so).
inline void SaveShot(QWidget* Widget, const QString& Name)
{
    const QString folder = qEnvironmentVariable("DOCS_SCREENSHOTS");
    if (!folder.isEmpty()) Widget->grab().save(QDir(folder).filePath(Name));
}
