// Builds the empty template database from its data definition:
//     ventrel-mktemplate <schema.sql> <Base0.fdb>
// The file is made under a temporary name and renamed only when every statement has run, so a
// failed build never leaves a half-made template behind.

#include "data/connection.h"
#include "data/dberror.h"
#include "data/registerindexes.h"
#include "data/registerschema.h"
#include "data/statement.h"
#include "data/transaction.h"
#include "db/sqlscript.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() != 3) {
        err << "usage: ventrel-mktemplate <schema.sql> <Base0.fdb>\n";
        return 2;
    }
    QFile script(args[1]);
    if (!script.open(QIODevice::ReadOnly)) {
        err << "cannot read " << args[1] << ": " << script.errorString() << '\n';
        return 1;
    }
    const QString target = args[2];
    const QString building = target + QStringLiteral(".building");
    QFile::remove(building);
    try {
        Connection::createDatabase(building);
        Connection connection;
        connection.open(building);
        Transaction transaction(connection);
        for (const QString &sql : splitSqlScript(QString::fromUtf8(script.readAll()))) {
            Statement(connection, transaction, sql).execute();
            transaction.commitRetaining(); // later definitions use the tables made before
        }
        transaction.commit();
        // The indexes on the names, and the role and triggers a register on a server needs,
        // come from the program, which adds them to older registers when it opens them: one
        // definition for both.
        registerindexes::addMissing(connection);
        registerschema::addMissing(connection);
        connection.close();
    } catch (const DbError &error) {
        err << "ventrel-mktemplate: " << error.message() << "\n";
        QFile::remove(building);
        return 1;
    }
    // Every user of the machine copies the template; the engine makes it private to its owner.
    QFile::setPermissions(building, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                        QFile::ReadOther);
    QFile::remove(target);
    if (!QFile::rename(building, target)) {
        err << "cannot rename " << building << " to " << target << '\n';
        return 1;
    }
    return 0;
}
