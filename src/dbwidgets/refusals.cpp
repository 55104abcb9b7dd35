#include "dbwidgets/refusals.h"

#include "dbwidgets/dbmemo.h"
#include "dbwidgets/win1251validator.h"
#include "widgets/refusalhint.h"

#include <QLabel>
#include <QLineEdit>

void tellRefusalsOfLabelledBoxes(QWidget *window) {
    for (const QLabel *label : window->findChildren<QLabel *>()) {
        QWidget *box = label->buddy();
        const QString field = fieldName(label);
        const auto tell = [box, field](const QString &reason) { tellRefused(box, field, reason); };
        if (auto *memo = qobject_cast<DbMemo *>(box)) {
            QObject::connect(memo, &DbMemo::inputRefused, window, tell);
        } else if (auto *edit = qobject_cast<QLineEdit *>(box)) {
            if (auto *validator = qobject_cast<const Win1251Validator *>(edit->validator()))
                QObject::connect(validator, &Win1251Validator::inputRefused, window, tell);
        }
    }
}
