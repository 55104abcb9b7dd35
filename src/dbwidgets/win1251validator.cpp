#include "dbwidgets/win1251validator.h"

#include "support/win1251codec.h"
#include "support/win1251input.h"

#include <QComboBox>
#include <QLineEdit>

#include <utility>

namespace {

QString lengthReason(int maxLength) {
    return QStringLiteral("не более %1 знаков").arg(maxLength);
}

} // namespace

Win1251Validator::Win1251Validator(QObject *parent) : QValidator(parent) {
    if (QLineEdit *line = edit())
        connect(line, &QLineEdit::inputRejected, this, &Win1251Validator::tellRejected);
}

QLineEdit *Win1251Validator::edit() const {
    if (auto *combo = qobject_cast<QComboBox *>(parent()))
        return combo->lineEdit();
    return qobject_cast<QLineEdit *>(parent());
}

QValidator::State Win1251Validator::validate(QString &input, int &position) const {
    m_refusal.clear();
    if (win1251::canEncode(input))
        return Acceptable;
    const win1251::Input adapted = win1251::adaptInput(input);
    if (!adapted.refused.isEmpty()) {
        m_refusal = win1251::refusalReason(adapted.refused);
        return Invalid;
    }
    const QLineEdit *line = edit();
    if (line && adapted.text.size() > line->maxLength()) {
        m_refusal = lengthReason(line->maxLength());
        return Invalid;
    }
    position =
        int(qMin(win1251::adaptInput(input.left(position)).text.size(), adapted.text.size()));
    input = adapted.text;
    return Acceptable;
}

// The line edit refuses input the validator found invalid, and input longer than its length
// before the validator sees it.
void Win1251Validator::tellRejected() {
    QString reason = std::exchange(m_refusal, QString());
    if (reason.isEmpty()) {
        const QLineEdit *line = edit();
        reason = lengthReason(line ? line->maxLength() : 0);
    }
    Q_EMIT inputRefused(reason);
}
