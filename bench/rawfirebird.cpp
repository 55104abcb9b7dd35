#include "rawfirebird.h"

#include <firebird/Interface.h>

#include <stdexcept>
#include <vector>

using namespace Firebird;

namespace {

IMaster *master() {
    return fb_get_master_interface();
}

struct Status : ThrowStatusWrapper {
    Status() : ThrowStatusWrapper(master()->getStatus()) {}
    ~Status() { dispose(); }
};

std::runtime_error failure(const FbException &error) {
    char text[1024];
    master()->getUtilInterface()->formatStatus(text, sizeof text, error.getStatus());
    return std::runtime_error(text);
}

} // namespace

RawFirebird::RawFirebird(const QByteArray &path) {
    Status status;
    try {
        IXpbBuilder *dpb =
            master()->getUtilInterface()->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(&status, isc_dpb_user_name, "sysdba");
        dpb->insertString(&status, isc_dpb_password, "corvadine");
        dpb->insertString(&status, isc_dpb_lc_ctype, "WIN1251");
        IProvider *provider = master()->getDispatcher();
        m_attachment = provider->attachDatabase(
            &status, path.constData(), dpb->getBufferLength(&status), dpb->getBuffer(&status));
        provider->release();
        dpb->dispose();
        m_transaction = m_attachment->startTransaction(&status, 0, nullptr);
    } catch (const FbException &error) {
        throw failure(error);
    }
}

RawFirebird::~RawFirebird() {
    Status status;
    try {
        if (m_transaction)
            m_transaction->commit(&status);
        if (m_attachment)
            m_attachment->detach(&status);
    } catch (const FbException &) {
    }
}

int RawFirebird::select(const QByteArray &sql, int rows) {
    Status status;
    try {
        IStatement *statement = m_attachment->prepare(&status, m_transaction, 0, sql.constData(), 3,
                                                      IStatement::PREPARE_PREFETCH_METADATA);
        IMessageMetadata *output = statement->getOutputMetadata(&status);
        std::vector<unsigned char> buffer(output->getMessageLength(&status));
        IResultSet *cursor =
            statement->openCursor(&status, m_transaction, nullptr, nullptr, output, 0);
        int read = 0;
        while ((rows < 0 || read < rows) &&
               cursor->fetchNext(&status, buffer.data()) == IStatus::RESULT_OK)
            ++read;
        cursor->close(&status);
        output->release();
        statement->free(&status);
        return read;
    } catch (const FbException &error) {
        throw failure(error);
    }
}

QByteArray RawFirebird::plan(const QByteArray &sql) {
    Status status;
    try {
        IStatement *statement =
            m_attachment->prepare(&status, m_transaction, 0, sql.constData(), 3, 0);
        const QByteArray text = statement->getPlan(&status, false);
        statement->free(&status);
        return text.trimmed();
    } catch (const FbException &error) {
        throw failure(error);
    }
}
