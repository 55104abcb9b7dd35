#pragma once

#include <QValidator>

class QLineEdit;

// Keeps a line edit to what the database's code page can hold, as text is typed or pasted: common
// signs the code page lacks take their plain equivalents ("≥" ">=", "½" "1/2"); any other character
// it lacks (an emoji, a Chinese letter) refuses the whole input, so that it never reaches a
// statement or a field and nothing is dropped from the middle of it. A plain equivalent that would
// not fit into the box's length refuses the input as well, rather than cut it.
class Win1251Validator : public QValidator {
    Q_OBJECT
public:
    // `parent` is the line edit the validator serves, or the editable combo box that holds it.
    explicit Win1251Validator(QObject *parent);
    State validate(QString &input, int &position) const override;

Q_SIGNALS:
    // Typed or pasted text was refused; `reason` tells the user why, naming every character the
    // code page lacks ("знаков «≠», «😀» нет в кодировке Windows-1251", "не более 50 знаков").
    void inputRefused(const QString &reason);

private:
    QLineEdit *edit() const;
    void tellRejected();

    // Why the last validation refused the text, until the line edit reports the refusal.
    mutable QString m_refusal;
};
