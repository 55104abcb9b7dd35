#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

#include <functional>
#include <utility>

class DbError;
class QWidget;

// Every message box of the program goes through here: questions, plain messages, failures and
// the database's refusals. Tests answer them instead of a person.
class MessageBox {
public:
    // A question: caption "Внимание!", no icon, the given buttons; the first of them is the
    // default and Cancel (when given) answers Esc. Returns the button chosen.
    static QMessageBox::StandardButton ask(QWidget *parent, const QString &text,
                                           QMessageBox::StandardButtons buttons);
    // The same with captions of the program's own on the buttons: tests answer with the
    // standard buttons they stand on.
    using Captions = QList<std::pair<QMessageBox::StandardButton, QString>>;
    static QMessageBox::StandardButton ask(QWidget *parent, const QString &text,
                                           QMessageBox::StandardButtons buttons,
                                           const Captions &captions);
    // A plain message: the program's name as caption, no icon, one OK button; a detail is
    // offered behind the box's "details" button.
    static void tell(QWidget *parent, const QString &text, const QString &detail = QString());
    // A failure: the program's name as caption, an error icon, OK. A detail (the engine's own
    // words, say) is offered behind the box's "details" button.
    static void error(QWidget *parent, const QString &text, const QString &detail = QString());
    // A refusal of the database, with the database's own text.
    static void dbError(QWidget *parent, const DbError &error);

    // Tests: the next box is not shown but answered at once with `answer`.
    static void setNextAnswer(QMessageBox::StandardButton answer);
    // Tests: while set, every box without a prepared answer goes to `answerer` (its text) and
    // is not shown; an empty function lets a person answer again.
    using Answerer = std::function<QMessageBox::StandardButton(const QString &text)>;
    static void setAnswerer(Answerer answerer);
    // Tests: the text of the last box asked or told, shown or answered; empty after
    // setNextAnswer until a box comes.
    static QString lastText();

    static const QString kQuestionCaption;
};
