#include "app/passwordstore.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>

namespace {

const QString kService = QStringLiteral("Вентрель");

// Runs a keyring job to its end: the keyring answers over the session bus, which the program
// waits for at sign-in anyway.
bool finished(QKeychain::Job &job) {
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.setAutoDelete(false);
    job.start();
    loop.exec();
    return job.error() == QKeychain::NoError;
}

class Keyring : public PasswordStore {
public:
    std::optional<QString> read(const QString &key) override {
        QKeychain::ReadPasswordJob job(kService);
        job.setKey(key);
        if (!finished(job))
            return std::nullopt;
        return job.textData();
    }
    bool write(const QString &key, const QString &password) override {
        QKeychain::WritePasswordJob job(kService);
        job.setKey(key);
        job.setTextData(password);
        return finished(job);
    }
    void forget(const QString &key) override {
        QKeychain::DeletePasswordJob job(kService);
        job.setKey(key);
        finished(job);
    }
};

std::unique_ptr<PasswordStore> &current() {
    static std::unique_ptr<PasswordStore> store = std::make_unique<Keyring>();
    return store;
}

} // namespace

QString PasswordStore::keyFor(const ServerAddress &server, const QString &user) {
    return user + u'@' + server.connectionString();
}

PasswordStore &PasswordStore::instance() {
    return *current();
}

void PasswordStore::setInstanceForTests(std::unique_ptr<PasswordStore> store) {
    current() = store ? std::move(store) : std::make_unique<Keyring>();
}
