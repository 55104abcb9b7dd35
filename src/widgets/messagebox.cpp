#include "widgets/messagebox.h"

#include "data/dberror.h"
#include "data/errorkind.h"
#include "support/programinfo.h"

#include <QPushButton>

#include <utility>

namespace {

struct State {
    QMessageBox::StandardButton nextAnswer = QMessageBox::NoButton;
    MessageBox::Answerer answerer;
    QString lastText;
    std::function<void(const DbError &)> connectionLost;
};

const QString kConflictText =
    QStringLiteral("Эту запись сейчас изменяет другой пользователь. Повторите позже.");

State &state() {
    static State instance;
    return instance;
}

// The answer a test prepared, or NoButton when a person is to answer.
QMessageBox::StandardButton preparedAnswer(const QString &text) {
    state().lastText = text;
    if (const auto answer = std::exchange(state().nextAnswer, QMessageBox::NoButton);
        answer != QMessageBox::NoButton) {
        return answer;
    }
    return state().answerer ? state().answerer(text) : QMessageBox::NoButton;
}

QMessageBox::StandardButton firstOf(QMessageBox::StandardButtons buttons) {
    for (auto button : {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}) {
        if (buttons.testFlag(button))
            return button;
    }
    return QMessageBox::NoButton;
}

void showOk(QWidget *parent, QMessageBox::Icon icon, const QString &text, const QString &detail) {
    if (preparedAnswer(detail.isEmpty() ? text : text + u'\n' + detail) != QMessageBox::NoButton)
        return;
    QMessageBox box(icon, program::kProductName, text, QMessageBox::Ok, parent);
    box.setDetailedText(detail);
    box.exec();
}

} // namespace

const QString MessageBox::kQuestionCaption = QStringLiteral("Внимание!");

QMessageBox::StandardButton MessageBox::ask(QWidget *parent, const QString &text,
                                            QMessageBox::StandardButtons buttons) {
    if (const auto answer = preparedAnswer(text); answer != QMessageBox::NoButton)
        return answer;
    QMessageBox box(QMessageBox::NoIcon, kQuestionCaption, text, buttons, parent);
    box.setDefaultButton(firstOf(buttons));
    if (buttons.testFlag(QMessageBox::Cancel))
        box.setEscapeButton(QMessageBox::Cancel);
    return QMessageBox::StandardButton(box.exec());
}

QMessageBox::StandardButton MessageBox::choose(QWidget *parent, const QString &text,
                                               const QList<Choice> &choices) {
    if (const auto answer = preparedAnswer(text); answer != QMessageBox::NoButton)
        return answer;
    QMessageBox box(QMessageBox::NoIcon, kQuestionCaption, text, QMessageBox::NoButton, parent);
    // Buttons of words alone: the standard buttons' icons would say something else ("Позже"
    // with a cross).
    QList<std::pair<QAbstractButton *, QMessageBox::StandardButton>> buttons;
    for (const Choice &choice : choices)
        buttons << std::pair{box.addButton(choice.caption, QMessageBox::ActionRole), choice.answer};
    if (!buttons.isEmpty()) {
        box.setDefaultButton(qobject_cast<QPushButton *>(buttons.first().first));
        box.setEscapeButton(buttons.last().first);
    }
    box.exec();
    for (const auto &[button, answer] : buttons) {
        if (box.clickedButton() == button)
            return answer;
    }
    return buttons.isEmpty() ? QMessageBox::NoButton : buttons.last().second;
}

void MessageBox::tell(QWidget *parent, const QString &text, const QString &detail) {
    showOk(parent, QMessageBox::NoIcon, text, detail);
}

void MessageBox::error(QWidget *parent, const QString &text, const QString &detail) {
    showOk(parent, QMessageBox::Critical, text, detail);
}

void MessageBox::dbError(QWidget *parent, const DbError &error) {
    if (errorkind::isConnectionLost(error) && state().connectionLost) {
        state().connectionLost(error);
        return;
    }
    if (errorkind::isConflict(error)) {
        showOk(parent, QMessageBox::Critical, kConflictText, error.message());
        return;
    }
    showOk(parent, QMessageBox::Critical, error.message(), QString());
}

void MessageBox::setConnectionLostHandler(std::function<void(const DbError &)> handler) {
    state().connectionLost = std::move(handler);
}

void MessageBox::setNextAnswer(QMessageBox::StandardButton answer) {
    state().nextAnswer = answer;
    state().lastText.clear();
}

void MessageBox::setAnswerer(Answerer answerer) {
    state().answerer = std::move(answerer);
}

QString MessageBox::lastText() {
    return state().lastText;
}
