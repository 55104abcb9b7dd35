#include "widgets/refusalhint.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QToolTip>

void tellRefused(QWidget *control, const QString &field, const QString &reason) {
    QPoint at = control->mapToGlobal(QPoint(0, control->height()));
    if (auto *memo = qobject_cast<QPlainTextEdit *>(control))
        at = memo->viewport()->mapToGlobal(memo->cursorRect().bottomLeft());
    QToolTip::showText(at, field + QStringLiteral(": ") + reason, control);
}

QString fieldName(const QLabel *label) {
    QString name = label->text().remove(u'&');
    if (name.endsWith(u':'))
        name.chop(1);
    return name;
}
