#include "service/engineservices.h"

#include "data/connection.h"
#include "data/fbapi.h"
#include "data/programend.h"

#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

using namespace Firebird;

namespace {

constexpr const char *kUser = "sysdba";
constexpr const char *kPassword = "corvadine";
// How long one question to the engine waits for a line, in seconds.
constexpr unsigned char kWaitSeconds = 1;

// The engine's last line of a finished backup: "closing file, committing, and finishing.
// 5298688 bytes written".
const QRegularExpression kBytesWritten(QStringLiteral("(\\d+) bytes written"));
// The engine's last step of a whole restore; a backup that ends early never gets here.
const QString kRestoreFinished = QStringLiteral("finishing, closing, and going home");

// True when the status says that the engine of another process holds the file.
bool saysOpenElsewhere(const IStatus *status) {
    const intptr_t *item = status->getErrors();
    while (*item != isc_arg_end) {
        const intptr_t type = *item++;
        if (type == isc_arg_gds && *item == isc_already_opened)
            return true;
        item += type == isc_arg_cstring ? 2 : 1;
    }
    return false;
}

// Reads the lines of a started service until the engine has ended it; a failure of the
// service comes as a refusal of the last question.
void readLines(IService *service, ThrowStatusWrapper *status, const engine::LineSink &onLine) {
    const unsigned char send[] = {isc_info_svc_timeout, 4, kWaitSeconds, 0, 0, 0, isc_info_end};
    const unsigned char receive[] = {isc_info_svc_line};
    unsigned char buffer[16 * 1024];
    for (bool running = true; running;) {
        service->query(status, sizeof send, send, sizeof receive, receive, sizeof buffer, buffer);
        running = false;
        for (const unsigned char *item = buffer;
             item < buffer + sizeof buffer && *item != isc_info_end;) {
            const unsigned char tag = *item++;
            if (tag == isc_info_svc_line) {
                const auto length =
                    unsigned(isc_vax_integer(reinterpret_cast<const char *>(item), 2));
                item += 2;
                if (length > 0) {
                    running = true;
                    if (onLine) {
                        onLine(QString::fromLocal8Bit(reinterpret_cast<const char *>(item),
                                                      qsizetype(length))
                                   .trimmed());
                    }
                }
                item += length;
            } else if (tag == isc_info_svc_timeout || tag == isc_info_data_not_ready ||
                       tag == isc_info_truncated) {
                running = true; // nothing to read yet, or more than fitted
            } else {
                break;
            }
        }
    }
}

// Starts the service that `describe` puts into the start block on the manager and reads its
// lines to the end.
template <typename Describe>
void run(const engine::Manager &manager, Describe &&describe, const engine::LineSink &onLine) {
    if (!manager.onServer)
        fb::ensureUsableLockFolder();
    ThrowStatusWrapper status(fb::master()->getStatus());
    IXpbBuilder *attachBlock = nullptr;
    IXpbBuilder *startBlock = nullptr;
    IProvider *provider = fb::master()->getDispatcher();
    IService *service = nullptr;
    try {
        attachBlock = fb::util()->getXpbBuilder(&status, IXpbBuilder::SPB_ATTACH, nullptr, 0);
        if (manager.onServer) {
            attachBlock->insertString(&status, isc_spb_user_name,
                                      manager.user.toUtf8().constData());
            attachBlock->insertString(&status, isc_spb_password,
                                      manager.password.toUtf8().constData());
            attachBlock->insertString(&status, isc_spb_config,
                                      "WireCrypt = Required\nAuthClient = Srp");
        } else {
            attachBlock->insertString(&status, isc_spb_user_name, kUser);
            attachBlock->insertString(&status, isc_spb_password, kPassword);
        }
        const QByteArray address = manager.address.toUtf8();
        service = provider->attachServiceManager(&status, address.constData(),
                                                 attachBlock->getBufferLength(&status),
                                                 attachBlock->getBuffer(&status));
        takeTheEndFromEngine();
        startBlock = fb::util()->getXpbBuilder(&status, IXpbBuilder::SPB_START, nullptr, 0);
        describe(&status, startBlock);
        service->start(&status, startBlock->getBufferLength(&status),
                       startBlock->getBuffer(&status));
        readLines(service, &status, onLine);
        service->detach(&status);
        service = nullptr;
    } catch (const FbException &error) {
        const DbError failure = fb::errorOf(error.getStatus());
        const bool openElsewhere = saysOpenElsewhere(error.getStatus());
        fb::release(service);
        if (startBlock)
            startBlock->dispose();
        if (attachBlock)
            attachBlock->dispose();
        provider->release();
        status.dispose();
        throw engine::ServiceError(failure, openElsewhere);
    }
    startBlock->dispose();
    attachBlock->dispose();
    provider->release();
    status.dispose();
}

// After a service the engine may still be closing the file on the service's own thread; a
// program that ended then would unload the engine under that thread and crash. Opening the
// file waits for the engine to be done with it, and closing it again leaves nothing running.
void settle(const QString &database) {
    try {
        Connection connection;
        connection.open(database);
        connection.close();
    } catch (const DbError &) {
        // The file is not usable as a database; the caller finds that out for itself.
    }
}

// A restore that reaches the end of a backup cut short asks for the backup's next part on the
// process's standard input, and waits there for an answer: from a terminal or a pipe that
// never answers, it would wait for ever. Nothing in the program reads standard input, so it is
// pointed at /dev/null once: the question gets an empty answer at once, and the restore ends
// with its error.
void answerNothingOnStandardInput() {
    static std::once_flag once;
    std::call_once(once, [] {
        const int nothing = ::open("/dev/null", O_RDONLY);
        if (nothing >= 0 && nothing != STDIN_FILENO) {
            ::dup2(nothing, STDIN_FILENO);
            ::close(nothing);
        }
    });
}

QByteArray fileName(const QString &path) {
    return QFile::encodeName(path);
}

// Changes the database's mode: `tag` is the shutdown or the online mode, `mode` the new one. A
// shutdown waits for no one: whoever is attached is cut off at once.
void setMode(const engine::Manager &manager, const QString &database, unsigned char tag,
             unsigned char mode) {
    run(manager,
        [&](ThrowStatusWrapper *status, IXpbBuilder *block) {
            block->insertTag(status, isc_action_svc_properties);
            block->insertString(status, isc_spb_dbname, fileName(database).constData());
            block->insertBytes(status, tag, &mode, 1);
            if (tag == isc_spb_prp_shutdown_mode)
                block->insertInt(status, isc_spb_prp_force_shutdown, 0);
        },
        {});
}

} // namespace

namespace engine {

bool ServiceError::diskFull() const {
    // A restore reports the system's error number; a backup only its own code for it.
    return systemError() == ENOSPC || systemError() == EDQUOT ||
           codes().contains(isc_gbak_disk_space_ex);
}

Manager Manager::ofServer(const ServerAddress &server, const QString &user,
                          const QString &password) {
    Manager manager;
    manager.address = QStringLiteral("%1/%2:service_mgr").arg(server.host).arg(server.port);
    manager.user = user;
    manager.password = password;
    manager.onServer = true;
    return manager;
}

bool ServiceError::notAllowed() const {
    return codes().contains(isc_adm_task_denied) ||
           codes().contains(isc_insufficient_svc_privileges) || codes().contains(isc_no_priv);
}

qint64 backup(const QString &database, const QString &backupFile, const LineSink &onLine) {
    const qint64 written = backup(Manager(), database, backupFile, onLine);
    settle(database);
    return written;
}

qint64 backup(const Manager &manager, const QString &database, const QString &backupFile,
              const LineSink &onLine) {
    qint64 written = -1;
    run(
        manager,
        [&](ThrowStatusWrapper *status, IXpbBuilder *block) {
            block->insertTag(status, isc_action_svc_backup);
            block->insertString(status, isc_spb_dbname, fileName(database).constData());
            block->insertString(status, isc_spb_bkp_file, fileName(backupFile).constData());
            block->insertTag(status, isc_spb_verbose);
        },
        [&](const QString &line) {
            if (const auto match = kBytesWritten.match(line); match.hasMatch())
                written = match.captured(1).toLongLong();
            if (onLine)
                onLine(line);
        });
    return written;
}

void restore(const QString &backupFile, const QString &database, const LineSink &onLine) {
    restore(Manager(), backupFile, database, onLine);
    settle(database);
}

void restore(const Manager &manager, const QString &backupFile, const QString &database,
             const LineSink &onLine) {
    answerNothingOnStandardInput();
    bool finished = false;
    QString lastLine;
    run(
        manager,
        [&](ThrowStatusWrapper *status, IXpbBuilder *block) {
            block->insertTag(status, isc_action_svc_restore);
            block->insertString(status, isc_spb_bkp_file, fileName(backupFile).constData());
            block->insertString(status, isc_spb_dbname, fileName(database).constData());
            block->insertInt(status, isc_spb_options, isc_spb_res_create);
            // The lines tell whether the restore got to its end.
            block->insertTag(status, isc_spb_verbose);
        },
        [&](const QString &line) {
            if (line.contains(kRestoreFinished))
                finished = true;
            if (!line.isEmpty())
                lastLine = line;
            if (onLine)
                onLine(line);
        });
    // A backup cut short ends with the engine asking for its next part, which never comes.
    if (!finished) {
        throw ServiceError(
            DbError(QStringLiteral("Копия обрывается раньше конца; последняя строка: %1")
                        .arg(lastLine)),
            false);
    }
}

void validate(const QString &database, const LineSink &onLine) {
    validate(Manager(), database, onLine);
    settle(database);
}

void validate(const Manager &manager, const QString &database, const LineSink &onLine) {
    run(
        manager,
        [&](ThrowStatusWrapper *status, IXpbBuilder *block) {
            block->insertTag(status, isc_action_svc_validate);
            block->insertString(status, isc_spb_dbname, fileName(database).constData());
        },
        onLine);
}

void shutDown(const Manager &manager, const QString &database) {
    setMode(manager, database, isc_spb_prp_shutdown_mode, isc_spb_prp_sm_full);
}

void bringOnline(const Manager &manager, const QString &database) {
    setMode(manager, database, isc_spb_prp_online_mode, isc_spb_prp_sm_normal);
}

} // namespace engine
