#pragma once

// What another attachment sees of a register: the rows committed so far.

#include "data/connection.h"
#include "data/statement.h"
#include "data/transaction.h"

#include <QString>

// The number a counting statement reads from the register file, in an attachment of its own.
inline int committedCount(const QString &database, const QString &sql) {
    Connection connection;
    connection.open(database);
    Transaction transaction(connection);
    int result = 0;
    {
        Statement statement(connection, transaction, sql);
        result = statement.selectOne().value(0).toInt();
    }
    transaction.commit();
    connection.close();
    return result;
}
