#include "dbwidgets/win1251validator.h"

#include "support/win1251codec.h"

QValidator::State Win1251Validator::validate(QString &input, int &) const {
    return win1251::canEncode(input) ? Acceptable : Invalid;
}
