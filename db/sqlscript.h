#pragma once

#include <QString>
#include <QStringList>

// Splits a data-definition script into its statements at the semicolons that stand outside
// quotes and comments; comments are kept inside the statement they precede, empty pieces dropped.
QStringList splitSqlScript(const QString &script);
