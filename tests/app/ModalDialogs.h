#pragma once

#include <QApplication>
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
