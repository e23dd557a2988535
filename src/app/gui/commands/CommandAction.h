#pragma once

#include <QAction>
#include <QKeySequence>

#include <functional>

// A menu command of a commands class: named for the tests, triggering it runs
// Handler through Guard, which reports its error.
inline QAction* NewCommandAction(QObject* Owner, const QString& Name, const QString& Text, const QKeySequence& Shortcut,
                                 const std::function<void(const std::function<void()>&)>& Guard,
                                 std::function<void()> Handler)
{
    auto* action = new QAction(Text, Owner);
    action->setObjectName(Name);
    action->setShortcut(Shortcut);
    QObject::connect(action, &QAction::triggered, Owner, [Guard, Handler] { Guard(Handler); });
    return action;
}
