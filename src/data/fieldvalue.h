#pragma once

#include "data/field.h"

#include <QString>
#include <QVariant>

// A value as a field of a dataset holds it, and what refuses a value for a field: the rules every
// write and every read of a row goes through, apart from any dataset.
namespace fieldvalue {

// The value in the field's own type: an integer, a date (from a date, a date and time, or the
// text dd.mm.yyyy), text; empty text is null, as an empty box is. Raises DbError for a value the
// field cannot hold as its type ("abc" for an integer, "31.02.2024" for a date).
QVariant normalized(const FieldDef &field, const QVariant &value);

// The message that refuses the value for the field, or empty text when it fits: a required field
// left empty, a character Windows-1251 lacks, text longer than the field. The message names the
// field by `label` when one is given (a column's title), else by its name.
QString problemWith(const FieldDef &field, const QVariant &value, const QString &label = QString());

} // namespace fieldvalue
