#include "widgets/labelhints.h"

#include "widgets/refusalhint.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QVariant>

namespace {
const char *const kHintProperty = "hint";
}

void setHint(QWidget *control, const QString &hint) {
    control->setProperty(kHintProperty, hint);
    const qsizetype bar = hint.indexOf(u'|');
    control->setToolTip(bar < 0 ? hint : hint.left(bar));
    control->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

void labelComboBox(QComboBox *box) {
    QString name;
    for (const QLabel *label :
         box->parentWidget()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
        if (label->buddy() == box)
            name = fieldName(label);
    }
    if (name.isEmpty() && !box->accessibleName().isEmpty()) {
        name = box->accessibleName();
        auto *label = new QLabel(name, box->parentWidget());
        label->setObjectName(QStringLiteral("lbName_") + box->objectName());
        label->setBuddy(box);
        label->hide();
    }
    if (box->lineEdit() && box->lineEdit()->accessibleName().isEmpty())
        box->lineEdit()->setAccessibleName(name);
}

void showHints(QWidget *window) {
    for (QWidget *control : window->findChildren<QWidget *>()) {
        const QString hint = control->property(kHintProperty).toString();
        if (!hint.isEmpty())
            setHint(control, hint);
    }
    for (QLabel *label : window->findChildren<QLabel *>()) {
        QString hint = label->property(kHintProperty).toString();
        if (hint.isEmpty())
            hint = label->toolTip();
        if (!hint.contains(u'|'))
            continue;
        hint.replace(u'|', u'\n');
        setHint(label, hint);
    }
    for (QComboBox *box : window->findChildren<QComboBox *>())
        labelComboBox(box);
}
