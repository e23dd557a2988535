#pragma once

#include <QObject>

class QKeyEvent;
class QWidget;

// Keeps a main window's command keys working where the window system does
// not. Without a window manager nobody hands the activation back to the main
// window after a dialog closes, and a window that is not active fires none of
// its shortcuts: its keys went to the grid instead. The same happens while
// one of its own tool windows (the native value window) is active.
//
// Installed on the application: after a dialog closes and no window is
// active, the main window is activated again; a key that reached the main
// window or one of its tool windows unhandled triggers the enabled action
// whose shortcut it is.
class TWindowKeys : public QObject {
public:
    explicit TWindowKeys(QWidget* AWindow);
    ~TWindowKeys() override;

    // Triggers the enabled, visible action of the window that has the key as
    // its shortcut; false when there is none.
    bool TriggerShortcut(const QKeyEvent* Event) const;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // The main window itself or a tool window of it (not a dialog).
    bool OwnTopLevel(const QObject* Object) const;

    QWidget* FWindow;
};
