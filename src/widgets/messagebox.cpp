#include "widgets/messagebox.h"

#include "data/dberror.h"
#include "support/programinfo.h"

#include <QAbstractButton>

#include <utility>

namespace {

struct State {
    QMessageBox::StandardButton nextAnswer = QMessageBox::NoButton;
    MessageBox::Answerer answerer;
    QString lastText;
};

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
    return ask(parent, text, buttons, {});
}

QMessageBox::StandardButton MessageBox::ask(QWidget *parent, const QString &text,
                                            QMessageBox::StandardButtons buttons,
                                            const Captions &captions) {
    if (const auto answer = preparedAnswer(text); answer != QMessageBox::NoButton)
        return answer;
    QMessageBox box(QMessageBox::NoIcon, kQuestionCaption, text, buttons, parent);
    for (const auto &[button, caption] : captions) {
        if (QAbstractButton *shown = box.button(button))
            shown->setText(caption);
    }
    box.setDefaultButton(firstOf(buttons));
    if (buttons.testFlag(QMessageBox::Cancel))
        box.setEscapeButton(QMessageBox::Cancel);
    return QMessageBox::StandardButton(box.exec());
}

void MessageBox::tell(QWidget *parent, const QString &text, const QString &detail) {
    showOk(parent, QMessageBox::NoIcon, text, detail);
}

void MessageBox::error(QWidget *parent, const QString &text, const QString &detail) {
    showOk(parent, QMessageBox::Critical, text, detail);
}

void MessageBox::dbError(QWidget *parent, const DbError &error) {
    showOk(parent, QMessageBox::Critical, error.message(), QString());
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
