#include "admin/serveradmin.h"

#include "admin/backupnames.h"
#include "data/connection.h"
#include "data/dberror.h"
#include "data/registerschema.h"
#include "data/sqlliteral.h"
#include "data/statement.h"
#include "data/transaction.h"
#include "service/backupheader.h"
#include "service/registerservices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sys/stat.h>
#include <unistd.h>

namespace serveradmin {

namespace {

const QString kSysdba = QStringLiteral("SYSDBA");

engine::Manager manager(const Server &server) {
    return engine::Manager::ofServer(server.address, kSysdba, server.password);
}

// SYSDBA on the server, on the register (its alias) or on a file of the server's by its path.
ConnectionTarget administrator(const Server &server, const QString &database = QString()) {
    ConnectionTarget target;
    target.database = database.isEmpty() ? server.address.connectionString()
                                         : QStringLiteral("%1/%2:%3")
                                               .arg(server.address.host)
                                               .arg(server.address.port)
                                               .arg(database);
    target.user = kSysdba;
    target.password = server.password;
    target.onServer = true;
    return target;
}

QString checkedName(const QString &name) {
    if (!isUserName(name)) {
        throw DbError(QStringLiteral("«%1» не годится как имя пользователя: нужны латинские "
                                     "буквы, цифры и «_», первой — буква, не длиннее 31 знака.")
                          .arg(name));
    }
    return name.toUpper();
}

bool userExists(Connection &connection, Transaction &transaction, const QString &name) {
    Statement select(connection, transaction,
                     QStringLiteral("select 1 from SEC$USERS where SEC$USER_NAME = :NAME"));
    return !select.selectOne([&](const QString &) { return QVariant(name); }).isEmpty();
}

// Runs `work` on the register as SYSDBA in one transaction, committed when it returns.
template <typename Work> auto onRegister(const Server &server, Work &&work) {
    Connection connection;
    connection.open(administrator(server));
    Transaction transaction(connection);
    if constexpr (std::is_void_v<decltype(work(connection, transaction))>) {
        work(connection, transaction);
        transaction.commit();
        connection.close();
    } else {
        auto result = work(connection, transaction);
        transaction.commit();
        connection.close();
        return result;
    }
}

QList<TableCount> countTables(Connection &connection) {
    Transaction transaction(connection, Transaction::Isolation::ReadOnlySnapshot);
    QList<TableCount> counts;
    {
        Statement tables(connection, transaction,
                         QStringLiteral("select trim(RDB$RELATION_NAME) from RDB$RELATIONS "
                                        "where coalesce(RDB$SYSTEM_FLAG, 0) = 0 "
                                        "and RDB$VIEW_BLR is null order by 1"));
        tables.open();
        for (QVariantList row; tables.fetch(row);)
            counts << TableCount{row.value(0).toString(), 0};
    }
    for (TableCount &count : counts) {
        Statement rows(connection, transaction,
                       QStringLiteral("select count(*) from \"%1\"").arg(count.table));
        count.rows = rows.selectOne().value(0).toLongLong();
    }
    transaction.commit();
    return counts;
}

QList<TableCount> countTables(const ConnectionTarget &target) {
    Connection connection;
    connection.open(target);
    QList<TableCount> counts = countTables(connection);
    connection.close();
    return counts;
}

// A file the server reads or writes takes the backup folder's owner, which is the server's own
// user: the administrator runs as root, the server does not.
void giveToServer(const QString &file, const QString &folder) {
    struct stat owner = {};
    if (::stat(QFile::encodeName(folder).constData(), &owner) == 0 && owner.st_uid != ::getuid()) {
        [[maybe_unused]] const int given =
            ::chown(QFile::encodeName(file).constData(), owner.st_uid, owner.st_gid);
    }
}

// `name` in `folder`, or with "-2", "-3" … before its suffix when taken: a backup never
// overwrites another.
QString freePath(const QDir &folder, const QString &name) {
    const QFileInfo wanted(name);
    QString path = folder.filePath(name);
    for (int number = 2; QFileInfo::exists(path); ++number) {
        path = folder.filePath(QStringLiteral("%1-%2.%3")
                                   .arg(wanted.completeBaseName())
                                   .arg(number)
                                   .arg(wanted.suffix()));
    }
    return path;
}

// Removes a file when it goes out of scope, unless kept.
class WorkFile {
public:
    explicit WorkFile(QString path) : m_path(std::move(path)) { QFile::remove(m_path); }
    ~WorkFile() {
        if (!m_path.isEmpty())
            QFile::remove(m_path);
    }
    WorkFile(const WorkFile &) = delete;
    WorkFile &operator=(const WorkFile &) = delete;
    const QString &path() const { return m_path; }
    void keep() { m_path.clear(); }

private:
    QString m_path;
};

// The backup to restore from, in the backup folder where the server may read it: a copy of a
// backup, or a backup of a register file made here, counted table by table first. Returns
// those counts; none for a backup.
QList<TableCount> prepareBackup(const QString &file, const QString &workBackup,
                                const QString &folder, const engine::LineSink &onLine) {
    if (!QFileInfo(file).isFile())
        throw DbError(QStringLiteral("Нет файла %1.").arg(file));
    QList<TableCount> counts;
    if (readBackupHeaderOf(file)) {
        if (!QFile::copy(file, workBackup)) {
            throw DbError(QStringLiteral("Не удалось скопировать %1 в %2.").arg(file, workBackup));
        }
    } else {
        counts = countTables(ConnectionTarget::localFile(file));
        try {
            engine::backup(file, workBackup, onLine);
        } catch (const engine::ServiceError &error) {
            throw DbError(QStringLiteral("Не удалось сделать резервную копию %1:\n%2")
                              .arg(file, error.message()));
        }
    }
    QFile::setPermissions(workBackup, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    giveToServer(workBackup, folder);
    return counts;
}

} // namespace

bool isUserName(const QString &name) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z][A-Za-z0-9_]{0,30}$"));
    return pattern.match(name).hasMatch();
}

void addUser(const Server &server, const QString &name, const QString &password) {
    const QString user = checkedName(name);
    onRegister(server, [&](Connection &connection, Transaction &transaction) {
        if (userExists(connection, transaction, user))
            throw DbError(QStringLiteral("Пользователь %1 на сервере уже есть.").arg(user));
        transaction.execute(QStringLiteral("create user %1 password %2 using plugin Srp")
                                .arg(user, sqlStringLiteral(password)));
        transaction.execute(
            QStringLiteral("grant %1 to %2").arg(QLatin1String(registerschema::kRole), user));
    });
}

void changePassword(const Server &server, const QString &name, const QString &password) {
    const QString user = checkedName(name);
    onRegister(server, [&](Connection &connection, Transaction &transaction) {
        if (!userExists(connection, transaction, user))
            throw DbError(QStringLiteral("Пользователя %1 на сервере нет.").arg(user));
        transaction.execute(QStringLiteral("alter user %1 set password %2 using plugin Srp")
                                .arg(user, sqlStringLiteral(password)));
    });
}

void removeUser(const Server &server, const QString &name) {
    const QString user = checkedName(name);
    if (user == kSysdba)
        throw DbError(QStringLiteral("SYSDBA — администратор сервера, его удалить нельзя."));
    onRegister(server, [&](Connection &connection, Transaction &transaction) {
        if (!userExists(connection, transaction, user))
            throw DbError(QStringLiteral("Пользователя %1 на сервере нет.").arg(user));
        transaction.execute(
            QStringLiteral("revoke %1 from %2").arg(QLatin1String(registerschema::kRole), user));
        transaction.execute(QStringLiteral("drop user %1 using plugin Srp").arg(user));
    });
}

QList<User> users(const Server &server) {
    return onRegister(server, [&](Connection &connection, Transaction &transaction) {
        Statement select(
            connection, transaction,
            QStringLiteral("select trim(u.SEC$USER_NAME), "
                           "(select count(*) from RDB$USER_PRIVILEGES p "
                           "where p.RDB$USER = u.SEC$USER_NAME and p.RDB$PRIVILEGE = 'M' "
                           "and p.RDB$RELATION_NAME = '%1') "
                           "from SEC$USERS u order by 1")
                .arg(QLatin1String(registerschema::kRole)));
        QList<User> found;
        select.open();
        for (QVariantList row; select.fetch(row);)
            found << User{row.value(0).toString(), row.value(1).toLongLong() > 0};
        return found;
    });
}

QList<Attachment> who(const Server &server) {
    return onRegister(server, [&](Connection &connection, Transaction &transaction) {
        Statement select(connection, transaction,
                         QStringLiteral("select trim(MON$USER), MON$REMOTE_ADDRESS, "
                                        "MON$REMOTE_PROCESS, MON$TIMESTAMP "
                                        "from MON$ATTACHMENTS "
                                        "where MON$ATTACHMENT_ID <> current_connection "
                                        "and MON$SYSTEM_FLAG = 0 order by MON$TIMESTAMP"));
        QList<Attachment> found;
        select.open();
        for (QVariantList row; select.fetch(row);) {
            found << Attachment{row.value(0).toString(), row.value(1).toString(),
                                row.value(2).toString(), row.value(3).toDateTime()};
        }
        return found;
    });
}

QString backup(const Server &server, int keep, const engine::LineSink &onLine) {
    const QDir folder(server.backupFolder);
    if (!folder.exists())
        throw DbError(QStringLiteral("Нет папки резервных копий %1.").arg(server.backupFolder));
    const QString target = freePath(folder, backupnames::nightly(QDateTime::currentDateTime()));
    // The server writes under a name of its own; the backup takes its name only when whole.
    WorkFile writing(target + QStringLiteral(".part"));
    registerfile::backupOnServer(manager(server), server.address.alias, writing.path(), onLine);
    if (!QFile::rename(writing.path(), target))
        throw DbError(QStringLiteral("Не удалось назвать резервную копию %1.").arg(target));
    writing.keep();
    const QStringList names = folder.entryList(QDir::Files, QDir::Name);
    for (const QString &old : backupnames::beyondKept(names, keep))
        QFile::remove(folder.filePath(old));
    return target;
}

ValidationFindings check(const Server &server, const engine::LineSink &onLine) {
    return registerfile::checkOnServer(manager(server), server.address.alias, onLine);
}

Replaced bringIn(const Server &server, const QString &file, bool overPatients,
                 const engine::LineSink &tell) {
    const engine::LineSink onLine; // the engine's own lines are too many to show
    if (server.registerPath.isEmpty())
        throw DbError(QStringLiteral("Не известно, где на сервере лежит файл базы."));
    const QString pid = QString::number(::getpid());
    const QDir backups(server.backupFolder);
    if (!backups.exists())
        throw DbError(QStringLiteral("Нет папки резервных копий %1.").arg(server.backupFolder));

    // What is on the server now decides whether to go on at all.
    const qint64 patients =
        onRegister(server, [](Connection &connection, Transaction &transaction) {
            Statement count(connection, transaction, QStringLiteral("select count(*) from MAIN"));
            return count.selectOne().value(0).toLongLong();
        });
    if (patients > 0 && !overPatients) {
        throw DbError(QStringLiteral("В базе на сервере уже есть пациенты (%1). Чтобы заменить "
                                     "её, повторите команду с --replace: прежняя база будет "
                                     "сохранена.")
                          .arg(patients));
    }
    const QString role = QLatin1String(registerschema::kRole);
    QStringList members;
    for (const User &user : users(server)) {
        if (user.hasRole)
            members << user.name;
    }

    tell(QStringLiteral("Копия переносимой базы..."));
    WorkFile source(backups.filePath(QStringLiteral("import-%1.fbk").arg(pid)));
    const QList<TableCount> before = prepareBackup(file, source.path(), backups.path(), onLine);

    Replaced replaced;
    tell(QStringLiteral("Резервная копия прежней базы на сервере..."));
    replaced.keptBackup =
        freePath(backups, backupnames::beforeReplacing(QDateTime::currentDateTime()));
    registerfile::backupOnServer(manager(server), server.address.alias, replaced.keptBackup,
                                 onLine);

    const QString dataFolder = QFileInfo(server.registerPath).absolutePath();
    WorkFile restored(
        QDir(dataFolder).filePath(QStringLiteral("ventrel-restoring-%1.fdb").arg(pid)));
    tell(QStringLiteral("Восстановление на сервере и подсчёт строк..."));
    try {
        engine::restore(manager(server), source.path(), restored.path(), onLine);
    } catch (const engine::ServiceError &error) {
        throw DbError(QStringLiteral("Сервер не смог восстановить базу из %1:\n%2")
                          .arg(file, error.message()));
    }
    {
        // The role's members are kept in the register itself, and a register brought from a
        // workstation may be of an earlier version: it gets what a server's register needs,
        // and the users who worked with the register of before keep their access.
        Connection connection;
        connection.open(administrator(server, restored.path()));
        registerschema::addMissing(connection);
        Transaction transaction(connection);
        for (const QString &user : members)
            transaction.execute(QStringLiteral("grant %1 to %2").arg(role, user));
        transaction.commit();
        replaced.counts = countTables(connection);
        connection.close();
    }
    if (!before.isEmpty() && replaced.counts != before) {
        throw DbError(QStringLiteral("После переноса число строк не совпало с базой %1; база на "
                                     "сервере не тронута.")
                          .arg(file));
    }

    // Everyone off the register, so that the file can change under its name.
    tell(QStringLiteral("Замена базы..."));
    engine::shutDown(manager(server), server.address.alias);
    try {
        replaced.keptFile =
            registerfile::putInPlace(restored.path(), server.registerPath, QDate::currentDate());
    } catch (...) {
        engine::bringOnline(manager(server), server.address.alias);
        throw;
    }
    restored.keep();
    // The kept file is closed like the register was; open it again for whoever needs it.
    try {
        engine::bringOnline(manager(server), replaced.keptFile);
    } catch (const engine::ServiceError &error) {
        replaced.keptFileClosed = error.message();
    }
    return replaced;
}

} // namespace serveradmin
