// Why a database file cannot be opened: told from the engine's codes, on real files, and the
// message that names the file and the cause.

#include "app/openfailure.h"
#include "data/connection.h"
#include "data/dberror.h"
#include "otheruser.h"
#include "testdatabase.h"

#include <QDir>
#include <QTest>

#include <cerrno>
#include <cstdio>
#include <ibase.h>

namespace {
// When set, this program only tries to open the named file, as a user without the rights of
// the test's own, and prints the cause and the message.
const char *const kOpenAsOther = "VENTREL_TEST_OPEN_AS_OTHER";

using openfailure::Cause;

// The cause of the failure to open `path`; Cause::Unknown when it opened.
std::pair<Cause, QString> tryOpen(const QString &path) {
    try {
        Connection connection;
        connection.open(path);
        connection.close();
        return {Cause::Unknown, QString()};
    } catch (const DbError &error) {
        return {openfailure::causeOf(error.codes(), error.systemError()),
                openfailure::message(path, error)};
    }
}
} // namespace

class TestOpenFailure : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void causeOfCodes_data() {
        QTest::addColumn<QList<qint64>>("codes");
        QTest::addColumn<int>("systemError");
        QTest::addColumn<int>("cause");
        QTest::newRow("the program's own refusal") << QList<qint64>() << 0 << int(Cause::Refused);
        QTest::newRow("held by another engine")
            << QList<qint64>{isc_io_error, isc_already_opened} << 0 << int(Cause::InUse);
        QTest::newRow("no permission")
            << QList<qint64>{isc_io_error, isc_io_open_err} << EACCES << int(Cause::NoPermission);
        QTest::newRow("read but not write")
            << QList<qint64>{isc_no_priv} << 0 << int(Cause::NoPermission);
        QTest::newRow("read-only file system")
            << QList<qint64>{isc_io_error, isc_io_open_err} << EROFS << int(Cause::NoPermission);
        QTest::newRow("gone") << QList<qint64>{isc_io_error, isc_io_open_err} << ENOENT
                              << int(Cause::Missing);
        QTest::newRow("not a database")
            << QList<qint64>{isc_bad_db_format} << 0 << int(Cause::NotADatabase);
        QTest::newRow("another version")
            << QList<qint64>{isc_wrong_ods} << 0 << int(Cause::OtherVersion);
        QTest::newRow("cut short")
            << QList<qint64>{isc_io_error, isc_random, isc_bug_check} << 0 << int(Cause::Damaged);
        QTest::newRow("a bad page") << QList<qint64>{isc_db_corrupt} << 0 << int(Cause::Damaged);
        QTest::newRow("something else") << QList<qint64>{isc_login} << 0 << int(Cause::Unknown);
    }
    void causeOfCodes() {
        QFETCH(QList<qint64>, codes);
        QFETCH(int, systemError);
        QFETCH(int, cause);
        QCOMPARE(int(openfailure::causeOf(codes, systemError)), cause);
    }

    // What the engine really answers for each kind of file.
    void causeOfRealFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("cause");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("random bytes") << QStringLiteral("random") << int(Cause::NotADatabase)
                                      << QStringLiteral("Файл не является базой данных.");
        QTest::newRow("the template cut to 4 KiB")
            << QStringLiteral("cut") << int(Cause::Damaged)
            << QStringLiteral("Файл базы повреждён: обрезан или испорчен.");
        QTest::newRow("missing") << QStringLiteral("missing") << int(Cause::Missing)
                                 << QStringLiteral("Файл не найден.");
        QTest::newRow("a folder") << QStringLiteral("folder") << int(Cause::NotADatabase)
                                  << QStringLiteral("Файл не является базой данных.");
    }
    void causeOfRealFiles() {
        QFETCH(QString, kind);
        QFETCH(int, cause);
        QFETCH(QString, sentence);
        TestDatabase db;
        QFile file(db.path());
        if (kind == QLatin1String("random")) {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            for (int i = 0; i < 20000; ++i)
                file.putChar(char((i * 7919 + 13) % 251));
            file.close();
        } else if (kind == QLatin1String("cut")) {
            QVERIFY(file.resize(4096));
        } else if (kind == QLatin1String("missing")) {
            QVERIFY(file.remove());
        } else {
            QVERIFY(file.remove());
            QVERIFY(QDir().mkdir(db.path()));
        }
        const auto [found, message] = tryOpen(db.path());
        QCOMPARE(int(found), cause);
        QCOMPARE(message,
                 QStringLiteral("Не удалось открыть базу данных\n") + db.path() + u'\n' + sentence);
    }

    // A register this user may not read and write: the message says so, in the user's words.
    void noPermissionIsTold_data() {
        QTest::addColumn<bool>("readable");
        QTest::newRow("neither read nor write") << false;
        QTest::newRow("read but not write") << true;
    }
    void noPermissionIsTold() {
        QFETCH(bool, readable);
        TestDatabase db;
        // Root's file, closed to others; or the user's own with the rights taken away.
        QFile::Permissions permissions =
            otheruser::isRoot() ? QFile::ReadOwner | QFile::WriteOwner : QFile::Permissions();
        if (readable)
            permissions |= QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        QFile::setPermissions(db.path(), permissions);
        otheruser::letThrough(db.folder());
        const QString output = otheruser::runAgain(kOpenAsOther, db.path());
        QCOMPARE(output, QString::number(int(Cause::NoPermission)) + u'\n' +
                             QStringLiteral("Не удалось открыть базу данных\n") + db.path() +
                             u'\n' + openfailure::causeText(Cause::NoPermission) + u'\n');
    }

    void ownRefusalIsTheCause() {
        const DbError refusal(QStringLiteral("Папка блокировок сервера баз данных /tmp/x "
                                             "принадлежит другому пользователю."));
        QCOMPARE(openfailure::message(QStringLiteral("/srv/base.fdb"), refusal),
                 QStringLiteral("Не удалось открыть базу данных\n/srv/base.fdb\n") +
                     refusal.message());
        QVERIFY(openfailure::detail(refusal).isEmpty());
        const DbError engine(QStringLiteral("file /srv/base.fdb is not a valid database"),
                             {isc_bad_db_format});
        QCOMPARE(openfailure::detail(engine), engine.message());
    }
};

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QByteArray openAsOther = qgetenv(kOpenAsOther);
    if (!openAsOther.isEmpty()) {
        if (!otheruser::becomeUnprivileged())
            return 2;
        const auto [cause, message] = tryOpen(QFile::decodeName(openAsOther));
        printf("%d\n%s\n", int(cause), message.toUtf8().constData());
        return 0;
    }
    TestOpenFailure test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_openfailure.moc"
