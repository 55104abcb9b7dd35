#pragma once

#include <QValidator>

// Refuses, as it is typed or pasted, any character the database's code page cannot hold (an
// emoji, a Chinese or Ukrainian letter), so that it never reaches a statement or a field.
class Win1251Validator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &position) const override;
};
