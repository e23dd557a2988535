#include "app/gui/window/WindowKeys.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>

TWindowKeys::TWindowKeys(QWidget* AWindow) : QObject(AWindow), FWindow(AWindow) { qApp->installEventFilter(this); }

TWindowKeys::~TWindowKeys() { qApp->removeEventFilter(this); }

bool TWindowKeys::OwnTopLevel(const QObject* Object) const
{
    if (Object == FWindow) return true;
    const auto* widget = qobject_cast<const QWidget*>(Object);
    return widget && widget->isWindow() && widget->parentWidget() && widget->parentWidget()->window() == FWindow &&
           !qobject_cast<const QDialog*>(widget) && widget->windowType() != Qt::Popup;
}

bool TWindowKeys::TriggerShortcut(const QKeyEvent* Event) const
{
    const QKeySequence key(QKeyCombination(Event->modifiers() & ~Qt::KeypadModifier, Qt::Key(Event->key())));
    for (QAction* action : FWindow->findChildren<QAction*>()) {
        if (!action->isEnabled() || !action->isVisible() || !action->shortcuts().contains(key)) continue;
        action->trigger();
        return true;
    }
    return false;
}

bool TWindowKeys::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Event->type() == QEvent::Hide && qobject_cast<QDialog*>(Watched)) {
        // Checked once the dialog is gone; a window manager may have
        // activated another window by then, which is left alone.
        QTimer::singleShot(0, FWindow, [window = QPointer<QWidget>(FWindow)] {
            const QWidget* active = QApplication::activeWindow();
            if (window && window->isVisible() && !QApplication::activeModalWidget() &&
                (!active || !active->isVisible()))
                window->activateWindow();
        });
    } else if (Event->type() == QEvent::KeyPress && OwnTopLevel(Watched) && !QApplication::activeModalWidget()) {
        if (TriggerShortcut(static_cast<QKeyEvent*>(Event))) return true;
    }
    return QObject::eventFilter(Watched, Event);
}
