#pragma once

// An attachment through the client library with nothing but what a test gives: the tests of the
// server reach it with a user, a password and a configuration of their own, where the program's
// Connection would add its own.

#include "data/fbapi.h"

#include <QByteArray>
#include <QString>

// Attaches to `address` ("host/port:alias") as `user`; `config` ("WireCrypt = Disabled") is
// firebird.conf's text for this attachment alone. Raises DbError with the database's text.
inline Firebird::IAttachment *rawAttach(const QString &address, const char *user,
                                        const char *password, const QByteArray &config = {}) {
    using namespace Firebird;
    return fb::withDispatcher(
        [&](ThrowStatusWrapper *status, IXpbBuilder *dpb) {
            dpb->insertString(status, isc_dpb_user_name, user);
            dpb->insertString(status, isc_dpb_password, password);
            if (!config.isEmpty())
                dpb->insertString(status, isc_dpb_config, config.constData());
        },
        [&](ThrowStatusWrapper *status, IProvider *provider, IXpbBuilder *dpb) {
            const QByteArray file = address.toLatin1();
            return provider->attachDatabase(status, file.constData(), dpb->getBufferLength(status),
                                            dpb->getBuffer(status));
        });
}
