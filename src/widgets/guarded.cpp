#include "widgets/guarded.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

void reportLater(QObject *context, const DbError &error) {
    static bool pending = false;
    if (pending)
        return;
    pending = true;
    QTimer::singleShot(0, [context = QPointer<QObject>(context), error] {
        pending = false;
        QWidget *parent = nullptr;
        if (auto *widget = qobject_cast<QWidget *>(context.data()))
            parent = widget->window();
        MessageBox::dbError(parent, error);
    });
}
