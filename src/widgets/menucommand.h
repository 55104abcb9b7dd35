#pragma once

#include <QAction>
#include <QMenu>

// Adds to the menu a command named `name` (its object name, by which the window's tests find
// it) with the caption, that runs `handler` (a slot of `receiver`, or a function) when chosen.
template <typename Receiver, typename Handler>
QAction *addMenuCommand(QMenu *menu, const char *name, const QString &caption, Receiver *receiver,
                        Handler handler) {
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    QObject::connect(action, &QAction::triggered, receiver, handler);
    return action;
}
