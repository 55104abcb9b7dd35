#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Every message box of the program that asks the user something or tells a plain message goes
// through here, so that tests can give the answer instead of a person.
class MessageBox {
public:
    // A question: caption "Внимание!", no icon, the given buttons; the first of them is the
    // default and Cancel (when given) answers Esc. Returns the button chosen.
    static QMessageBox::StandardButton ask(QWidget *parent, const QString &text,
                                           QMessageBox::StandardButtons buttons);
    // A plain message: the program's name as caption, no icon, one OK button.
    static void tell(QWidget *parent, const QString &text);
    // A failure that is not the database's: the program's name as caption, an error icon, OK.
    static void error(QWidget *parent, const QString &text);

    // Tests: the next box is not shown but answered at once with `answer`; lastText() is empty
    // until a box comes.
    static void setNextAnswer(QMessageBox::StandardButton answer);
    // Tests: the text of the last box asked or told, shown or answered.
    static QString lastText();

    static const QString kQuestionCaption;
};
