#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

#include <functional>

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
    // A question whose answers are named in words: caption "Внимание!", no icon, a button for
    // each choice in the order given; the first is the default and the last answers Esc.
    // Returns the answer of the button chosen.
    struct Choice {
        QMessageBox::StandardButton answer;
        QString caption;
    };
    static QMessageBox::StandardButton choose(QWidget *parent, const QString &text,
                                              const QList<Choice> &choices);
    // A plain message: the program's name as caption, no icon, one OK button; a detail is
    // offered behind the box's "details" button.
    static void tell(QWidget *parent, const QString &text, const QString &detail = QString());
    // A failure: the program's name as caption, an error icon, OK. A detail (the engine's own
    // words, say) is offered behind the box's "details" button.
    static void error(QWidget *parent, const QString &text, const QString &detail = QString());
    // A refusal of the database, with the database's own text. Another user changing the same
    // row is told in the user's words, the database's text behind the details; a lost connection
    // goes to the handler of lost connections when one is set, which asks once what to do.
    static void dbError(QWidget *parent, const DbError &error);
    static void setConnectionLostHandler(std::function<void(const DbError &)> handler);

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
