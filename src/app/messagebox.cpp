#include "app/messagebox.h"

#include "app/programinfo.h"

#include <utility>

namespace {

struct State {
    QMessageBox::StandardButton nextAnswer = QMessageBox::NoButton;
    QString lastText;
};

State &state() {
    static State instance;
    return instance;
}

// The prepared answer of a test, used once; NoButton when a person is to answer.
QMessageBox::StandardButton takeNextAnswer(const QString &text) {
    state().lastText = text;
    return std::exchange(state().nextAnswer, QMessageBox::NoButton);
}

QMessageBox::StandardButton firstOf(QMessageBox::StandardButtons buttons) {
    for (auto button : {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}) {
        if (buttons.testFlag(button))
            return button;
    }
    return QMessageBox::NoButton;
}

} // namespace

const QString MessageBox::kQuestionCaption = QStringLiteral("Внимание!");

QMessageBox::StandardButton MessageBox::ask(QWidget *parent, const QString &text,
                                            QMessageBox::StandardButtons buttons) {
    if (const auto answer = takeNextAnswer(text); answer != QMessageBox::NoButton)
        return answer;
    QMessageBox box(QMessageBox::NoIcon, kQuestionCaption, text, buttons, parent);
    box.setDefaultButton(firstOf(buttons));
    if (buttons.testFlag(QMessageBox::Cancel))
        box.setEscapeButton(QMessageBox::Cancel);
    return QMessageBox::StandardButton(box.exec());
}

void MessageBox::tell(QWidget *parent, const QString &text) {
    if (takeNextAnswer(text) != QMessageBox::NoButton)
        return;
    QMessageBox box(QMessageBox::NoIcon, program::kProductName, text, QMessageBox::Ok, parent);
    box.exec();
}

void MessageBox::error(QWidget *parent, const QString &text) {
    if (takeNextAnswer(text) != QMessageBox::NoButton)
        return;
    QMessageBox box(QMessageBox::Critical, program::kProductName, text, QMessageBox::Ok, parent);
    box.exec();
}

void MessageBox::setNextAnswer(QMessageBox::StandardButton answer) {
    state().nextAnswer = answer;
    state().lastText.clear();
}

QString MessageBox::lastText() {
    return state().lastText;
}
