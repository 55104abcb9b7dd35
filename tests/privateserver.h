#pragma once

// A Firebird 3 server of the test's own on 127.0.0.1, as a practice's server would keep the
// register: the server binary of firebird3.0-server run as a child process (its service is never
// installed nor started), a root folder of its own with its firebird.conf, databases.conf and
// security database, SYSDBA with a known password, Srp sign-in, and the register made from the
// build's template under the alias "ventrel". A test starts it, kills it (a crash, or the cable
// pulled) and starts it again on the same port with the same register.
//
//     SKIP_WITHOUT_FIREBIRD_SERVER();
//     PrivateServer server;
//     QVERIFY2(server.start(), qPrintable(server.errorString()));
//     QVERIFY(server.addUser("ivanova", "secret").ok);
//     attach to server.address() ("127.0.0.1/PORT:ventrel") with the role VENTREL_USER
//
// Usable from a bench program too: nothing here needs Qt Test but the skip macro.

#include "data/registerschema.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

// Ends the test function as skipped on a machine without the server's package.
#define SKIP_WITHOUT_FIREBIRD_SERVER()                                                             \
    do {                                                                                           \
        if (!PrivateServer::available())                                                           \
            QSKIP("no Firebird server here (tools/setup.sh installs firebird3.0-server)");         \
    } while (false)

class PrivateServer {
public:
    enum class WireCrypt { Required, Disabled };

    static constexpr const char *kSysdbaPassword = "pr1vate";
    static constexpr const char *kAlias = "ventrel";

    // The server binary, the engine's tools and the definition of a security database.
    static bool available() {
        return QFileInfo(QString::fromLatin1(kServer)).isExecutable() &&
               QFileInfo::exists(QString::fromLatin1(kSecuritySql)) &&
               !QStandardPaths::findExecutable(QStringLiteral("isql-fb")).isEmpty();
    }

    // `registerFile` is copied into the server's data folder as its register (the template when
    // empty); `wireCrypt` is what the server asks of its clients.
    explicit PrivateServer(WireCrypt wireCrypt = WireCrypt::Required,
                           const QString &registerFile = QString())
        : m_wireCrypt(wireCrypt), m_registerFile(registerFile) {
#ifdef VENTREL_TEMPLATE_DB
        if (m_registerFile.isEmpty())
            m_registerFile = QStringLiteral(VENTREL_TEMPLATE_DB);
#endif
    }
    ~PrivateServer() {
        kill();
    }
    PrivateServer(const PrivateServer &) = delete;
    PrivateServer &operator=(const PrivateServer &) = delete;

    // Starts the server and waits until it listens. The first start makes the root folder and
    // chooses a free port; a later one (after kill or stop) keeps both, and the register with
    // what was committed in it. False, with errorString() telling why, when it did not start.
    bool start() {
        if (isRunning())
            return true;
        if (!m_dir && !prepare())
            return false;
        m_process = std::make_unique<QProcess>();
        m_process->setProcessEnvironment(environment());
        m_process->setProcessChannelMode(QProcess::MergedChannels);
        // A test program that crashes or ends on a fatal failure takes its server with it.
        m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_process->start(QString::fromLatin1(kServer), {});
        if (!m_process->waitForStarted(10'000))
            return fail(QStringLiteral("the server did not start: ") + m_process->errorString());
        const QDeadlineTimer deadline(20'000);
        while (!listening()) {
            if (m_process->state() != QProcess::Running || deadline.hasExpired()) {
                const QString output = QString::fromLocal8Bit(m_process->readAll());
                kill();
                return fail(QStringLiteral("the server does not listen on port %1: %2")
                                .arg(m_port)
                                .arg(output));
            }
            m_process->waitForFinished(20); // also a pause that lets the output be read
        }
        return true;
    }

    // Ends the server at once, as a crash or a power cut would: its clients lose their
    // connections without a word.
    void kill() {
        if (!m_process)
            return;
        m_process->kill();
        m_process->waitForFinished(10'000);
        m_process.reset();
    }

    // Shuts the server down in order, as its service would be stopped.
    void stop() {
        if (!m_process)
            return;
        m_process->terminate();
        if (!m_process->waitForFinished(10'000))
            m_process->kill();
        m_process->waitForFinished(10'000);
        m_process.reset();
    }

    bool isRunning() const {
        return m_process && m_process->state() == QProcess::Running;
    }

    QString host() const {
        return QStringLiteral("127.0.0.1");
    }
    quint16 port() const {
        return m_port;
    }
    // The register's address as a client gives it: "127.0.0.1/PORT:ventrel".
    QString address() const {
        return QStringLiteral("%1/%2:%3").arg(host()).arg(m_port).arg(QLatin1String(kAlias));
    }
    // The register's file on disk, for reading it back while the server is stopped.
    QString registerPath() const {
        return root() + QStringLiteral("/data/ventrel.fdb");
    }
    // The server's FIREBIRD folder and lock folder.
    QString root() const {
        return m_dir ? m_dir->filePath(QStringLiteral("root")) : QString();
    }
    QString lockFolder() const {
        return m_dir ? m_dir->filePath(QStringLiteral("lock")) : QString();
    }
    QString errorString() const {
        return m_error;
    }

    // What isql-fb answered.
    struct Answer {
        bool ok = false; // it ran and no statement failed
        QString output, errors;
    };

    // Runs SQL through isql-fb, as a client of the running server, on the register as `user`,
    // with the role when one is given. Stops at the first statement that fails; commit in the
    // script what has to stay.
    Answer isql(const QString &sql, const QString &user = QStringLiteral("SYSDBA"),
                const QString &password = QString::fromLatin1(kSysdbaPassword),
                const QString &role = QString()) const {
        QProcessEnvironment env = environment();
        env.insert(QStringLiteral("ISC_USER"), user);
        env.insert(QStringLiteral("ISC_PASSWORD"), password);
        QStringList arguments{QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("-ch"),
                              QStringLiteral("UTF8")};
        if (!role.isEmpty())
            arguments << QStringLiteral("-r") << role;
        return runIsql(env, arguments << address(), sql);
    }

    // Makes a Firebird user (Srp) on the server and, unless told otherwise, gives it the
    // register's role.
    Answer addUser(const QString &name, const QString &password, bool withRole = true) const {
        QString sql = QStringLiteral("create user %1 password '%2' using plugin Srp;\n")
                          .arg(name, QString(password).replace(u'\'', QStringLiteral("''")));
        if (withRole)
            sql +=
                QStringLiteral("grant %1 to %2;\n").arg(QLatin1String(registerschema::kRole), name);
        return isql(sql + QStringLiteral("commit;\n"));
    }

private:
    static constexpr const char *kServer = "/usr/sbin/firebird";
    static constexpr const char *kEngine = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
    static constexpr const char *kSecuritySql = "/usr/share/firebird/3.0/security.sql";

    bool fail(const QString &error) {
        m_error = error;
        return false;
    }

    // The server and every tool run with the root folder as FIREBIRD, where the engine finds its
    // configuration, and a lock folder of their own.
    QProcessEnvironment environment() const {
        return environmentFor(root(), lockFolder());
    }
    static QProcessEnvironment environmentFor(const QString &root, const QString &lock) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("FIREBIRD"), root);
        env.insert(QStringLiteral("FIREBIRD_LOCK"), lock);
        env.remove(QStringLiteral("ISC_USER"));
        env.remove(QStringLiteral("ISC_PASSWORD"));
        return env;
    }

    static Answer runIsql(const QProcessEnvironment &env, const QStringList &arguments,
                          const QString &sql) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QStringLiteral("isql-fb"), arguments);
        process.write(sql.toUtf8());
        process.closeWriteChannel();
        Answer answer;
        answer.ok = process.waitForFinished(60'000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        answer.output = QString::fromUtf8(process.readAllStandardOutput());
        answer.errors = QString::fromUtf8(process.readAllStandardError());
        // isql-fb leaves with 0 after a failed statement read from its input unless it bails;
        // its complaint on the error channel tells.
        answer.ok = answer.ok && answer.errors.trimmed().isEmpty();
        return answer;
    }

    // A folder the engine takes as its FIREBIRD: the package's messages, character sets and
    // plugins, and a configuration of its own that listens on 127.0.0.1 only.
    static bool makeRoot(const QString &root, quint16 port, WireCrypt wireCrypt, QString *error) {
        if (!QDir().mkpath(root + QStringLiteral("/data"))) {
            *error = QStringLiteral("cannot make ") + root;
            return false;
        }
        for (const char *entry : {"UDF", "firebird.msg", "lib", "plugins", "plugins.conf"}) {
            const QString target = QLatin1String(kEngine) + u'/' + QLatin1String(entry);
            if (!QFile::link(target, root + u'/' + QLatin1String(entry))) {
                *error = QStringLiteral("cannot link ") + target;
                return false;
            }
        }
        // The character sets' module is copied: the engine finds none of its character sets
        // (WIN1251 neither) when it reaches the module through a link.
        const QDir intl(QLatin1String(kEngine) + QStringLiteral("/intl"));
        if (!QDir().mkpath(root + QStringLiteral("/intl"))) {
            *error = QStringLiteral("cannot make ") + root + QStringLiteral("/intl");
            return false;
        }
        for (const QString &entry : intl.entryList(QDir::Files)) {
            if (!QFile::copy(intl.filePath(entry), root + QStringLiteral("/intl/") + entry)) {
                *error = QStringLiteral("cannot copy ") + intl.filePath(entry);
                return false;
            }
        }
        const QString security = root + QStringLiteral("/security3.fdb");
        const QString config =
            QStringLiteral("RemoteServicePort = %1\n"
                           "RemoteBindAddress = 127.0.0.1\n"
                           "SecurityDatabase = %2\n"
                           "AuthServer = Srp\n"
                           "AuthClient = Srp\n"
                           "UserManager = Srp\n"
                           "WireCrypt = %3\n"
                           "ServerMode = Super\n")
                .arg(port)
                .arg(security)
                .arg(wireCrypt == WireCrypt::Required ? QStringLiteral("Required")
                                                      : QStringLiteral("Disabled"));
        const QString databases =
            QStringLiteral("security.db = %1\n{\n    RemoteAccess = false\n}\n"
                           "%2 = %3/data/ventrel.fdb\n")
                .arg(security, QLatin1String(kAlias), root);
        return writeFile(root + QStringLiteral("/firebird.conf"), config, error) &&
               writeFile(root + QStringLiteral("/databases.conf"), databases, error);
    }

    static bool writeFile(const QString &path, const QString &text, QString *error) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.flush())
            return true;
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }

    // A security database with SYSDBA and its known password, made once for the test program
    // through the embedded engine and copied for every server: making one takes about a second.
    static QString securityDatabase(QString *error) {
        static QTemporaryDir folder;
        static QString made;
        if (!made.isEmpty())
            return made;
        const QString root = folder.filePath(QStringLiteral("root"));
        const QString lock = folder.filePath(QStringLiteral("lock"));
        const QString security = root + QStringLiteral("/security3.fdb");
        if (!folder.isValid() || !makeRoot(root, 0, WireCrypt::Required, error))
            return QString();
        QFile definition(QString::fromLatin1(kSecuritySql));
        if (!definition.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read ") + definition.fileName();
            return QString();
        }
        QProcessEnvironment env = environmentFor(root, lock);
        env.insert(QStringLiteral("ISC_USER"), QStringLiteral("SYSDBA"));
        const Answer answer =
            runIsql(env, {QStringLiteral("-q")},
                    QStringLiteral("create database '%1';\n").arg(security) +
                        QString::fromUtf8(definition.readAll()) +
                        QStringLiteral("\ncreate user SYSDBA password '%1' using plugin Srp;\n"
                                       "commit;\n")
                            .arg(QLatin1String(kSysdbaPassword)));
        if (!answer.ok) {
            *error = QStringLiteral("cannot make the security database: ") + answer.errors;
            return QString();
        }
        made = security;
        return made;
    }

    // A port no one listens on now, that the server takes next.
    static quint16 freePort() {
        const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
        if (probe < 0)
            return 0;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        const bool bound =
            ::bind(probe, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
            ::getsockname(probe, reinterpret_cast<sockaddr *>(&address), &length) == 0;
        ::close(probe);
        return bound ? ntohs(address.sin_port) : 0;
    }

    // Whether a socket listens on 127.0.0.1 at the port: asked of the kernel rather than by
    // connecting, which the server would log as a client that went away.
    bool listening() const {
        QFile table(QStringLiteral("/proc/net/tcp"));
        if (!table.open(QIODevice::ReadOnly))
            return false;
        const QByteArray local = QByteArray("0100007F:") +
                                 QByteArray::number(m_port, 16).toUpper().rightJustified(4, '0');
        for (const QByteArray &line : table.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 3 && fields[1] == local && fields[3] == "0A") // 0A: listening
                return true;
        }
        return false;
    }

    bool prepare() {
        auto dir = std::make_unique<QTemporaryDir>();
        if (!dir->isValid())
            return fail(QStringLiteral("no temporary folder: ") + dir->errorString());
        m_dir = std::move(dir);
        m_port = freePort();
        QString error;
        const QString security = securityDatabase(&error);
        if (m_port == 0 || security.isEmpty() || !makeRoot(root(), m_port, m_wireCrypt, &error) ||
            !QDir().mkpath(lockFolder())) {
            m_dir.reset();
            return fail(m_port == 0 ? QStringLiteral("no free port") : error);
        }
        if (!QFile::copy(security, root() + QStringLiteral("/security3.fdb")) ||
            !QFile::copy(m_registerFile, registerPath())) {
            m_dir.reset();
            return fail(QStringLiteral("cannot copy the security database or the register ") +
                        m_registerFile);
        }
        // The copies keep the source's modes; the server writes both.
        for (const QString &file : {root() + QStringLiteral("/security3.fdb"), registerPath()})
            QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        return true;
    }

    WireCrypt m_wireCrypt;
    QString m_registerFile;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    QString m_error;
};
