#include "data/statement.h"

#include "data/connection.h"
#include "data/fbapi.h"
#include "data/transaction.h"
#include "support/win1251codec.h"

#include <QDateTime>

#include <cstring>
#include <vector>

using namespace Firebird;

namespace {

// A message buffer aligned for every field type the database sends.
class MessageBuffer {
public:
    void resize(unsigned bytes) { m_words.assign((bytes + 7) / 8, 0); }
    unsigned char *data() { return reinterpret_cast<unsigned char *>(m_words.data()); }

private:
    std::vector<quint64> m_words;
};

template <typename T> T read(const unsigned char *at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <typename T> void write(unsigned char *at, T value) {
    std::memcpy(at, &value, sizeof value);
}

double scaled(qint64 value, int scale) {
    double result = double(value);
    for (int i = 0; i < -scale; ++i)
        result /= 10.0;
    return result;
}

QDate decodeDate(ISC_DATE value) {
    unsigned year = 0, month = 0, day = 0;
    fb::util()->decodeDate(value, &year, &month, &day);
    return QDate(int(year), int(month), int(day));
}

QTime decodeTime(ISC_TIME value) {
    unsigned hours = 0, minutes = 0, seconds = 0, fractions = 0;
    fb::util()->decodeTime(value, &hours, &minutes, &seconds, &fractions);
    return QTime(int(hours), int(minutes), int(seconds), int(fractions / 10));
}

QString parameterTypeError(const QString &name, const QVariant &value) {
    return QStringLiteral("Значение «%1» не подходит для параметра %2.")
        .arg(value.toString(), name);
}

} // namespace

struct Statement::Impl {
    Connection &connection;
    Transaction &transaction;
    ParsedSql parsed;
    IStatement *statement = nullptr;
    IMessageMetadata *inputMeta = nullptr; // the message in use: standard or oversized
    IMessageMetadata *oversizedInput = nullptr;
    IMessageMetadata *outputMeta = nullptr;
    IResultSet *cursor = nullptr;
    fb::ReusableStatus rowStatus;
    MessageBuffer inputBuffer;
    MessageBuffer outputBuffer;
    QStringList columns;
    // Where each column lies in the output message, read once at prepare time.
    struct Column {
        unsigned type, offset, nullOffset, length;
        int scale;
    };
    std::vector<Column> layout;
    std::unique_ptr<PackedRow::Builder> packer; // kept between rows to reuse its buffers
    size_t packerFields = 0;
    bool hasCursor = false;

    Impl(Connection &c, Transaction &t) : connection(c), transaction(t) {}

    ~Impl() {
        closeCursor();
        fb::release(standardInput);
        fb::release(oversizedInput);
        fb::release(outputMeta);
        fb::release(statement);
    }

    void prepare() {
        const std::optional<QByteArray> text = win1251::encode(parsed.text);
        if (!text)
            throw DbError(
                QStringLiteral("Текст запроса содержит знак вне кодировки Windows-1251."));
        fb::call([&](ThrowStatusWrapper *status) {
            statement = connection.attachment()->prepare(status, transaction.handle(),
                                                         unsigned(text->size()), text->constData(),
                                                         3, IStatement::PREPARE_PREFETCH_METADATA);
            hasCursor = statement->getFlags(status) & IStatement::FLAG_HAS_CURSOR;
            outputMeta = statement->getOutputMetadata(status);
            outputBuffer.resize(outputMeta->getMessageLength(status));
            for (unsigned i = 0; i < outputMeta->getCount(status); ++i) {
                columns << win1251::decode(outputMeta->getAlias(status, i)).toUpper();
                layout.push_back(
                    {outputMeta->getType(status, i) & ~1u, outputMeta->getOffset(status, i),
                     outputMeta->getNullOffset(status, i), outputMeta->getLength(status, i),
                     outputMeta->getScale(status, i)});
            }
        });
    }

    // Reads the next row into the output message; at the end the cursor is closed.
    bool fetchNext() {
        if (!cursor)
            return false;
        const bool more = rowStatus.call([&](ThrowStatusWrapper *status) {
            return cursor->fetchNext(status, outputBuffer.data()) == IStatus::RESULT_OK;
        });
        if (!more)
            closeCursor();
        return more;
    }

    // Closing a cursor whose transaction already ended is refused by the engine, which dropped
    // it then: the interface is let go either way, so that the statement can run again.
    void closeCursor() {
        if (!cursor)
            return;
        IResultSet *open = cursor;
        cursor = nullptr;
        try {
            fb::call([&](ThrowStatusWrapper *status) { open->close(status); });
        } catch (const DbError &) {
            open->release();
        }
    }

    // The parameters as the database described them, and the message that carries them: every
    // parameter nullable, text as VARCHAR of the column's length. Built once per statement.
    std::vector<unsigned> parameterTypes, parameterLengths;
    IMessageMetadata *standardInput = nullptr;
    bool inputDescribed = false;

    void describeInput(ThrowStatusWrapper *status) {
        IMessageMetadata *described = statement->getInputMetadata(status);
        const unsigned count = described->getCount(status);
        for (unsigned i = 0; i < count; ++i) {
            parameterTypes.push_back(described->getType(status, i) & ~1u);
            parameterLengths.push_back(std::max(1u, described->getLength(status, i)));
        }
        described->release();
        inputDescribed = true;
        if (count > 0)
            standardInput = buildInput(status, parameterLengths);
    }

    IMessageMetadata *buildInput(ThrowStatusWrapper *status, const std::vector<unsigned> &lengths) {
        IMetadataBuilder *builder =
            fb::master()->getMetadataBuilder(status, unsigned(lengths.size()));
        struct Release {
            IMetadataBuilder *builder;
            ~Release() { builder->release(); }
        } release{builder};
        IMessageMetadata *described = statement->getInputMetadata(status);
        for (unsigned i = 0; i < lengths.size(); ++i) {
            const unsigned type = parameterTypes[i];
            if (type == SQL_TEXT || type == SQL_VARYING) {
                builder->setType(status, i, SQL_VARYING + 1);
                builder->setCharSet(status, i, described->getCharSet(status, i));
                builder->setLength(status, i, lengths[i]);
            } else {
                builder->setType(status, i, type + 1); // every parameter may be null
                builder->setLength(status, i, described->getLength(status, i));
                builder->setScale(status, i, described->getScale(status, i));
                builder->setSubType(status, i, described->getSubType(status, i));
            }
        }
        described->release();
        return builder->getMetadata(status);
    }

    // Fills the input message with the given values. A text longer than its column goes in a
    // message of its own length, so that the database itself refuses it with its own words.
    void bind(const ParameterSource &source) {
        if (parsed.parameters.isEmpty()) {
            inputMeta = nullptr; // a statement without parameters takes no message
            return;
        }
        fb::call([&](ThrowStatusWrapper *status) {
            if (!inputDescribed)
                describeInput(status);
            const size_t count = parameterTypes.size();
            if (count == 0) {
                inputMeta = nullptr; // a statement without parameters takes no message
                return;
            }
            std::vector<QVariant> values(count);
            std::vector<QByteArray> texts(count);
            std::vector<unsigned> lengths = parameterLengths;
            bool fits = true;
            for (size_t i = 0; i < count; ++i) {
                const QString &name = parsed.parameters.value(int(i));
                values[i] = source ? source(name) : QVariant();
                const unsigned type = parameterTypes[i];
                if ((type == SQL_TEXT || type == SQL_VARYING) && values[i].isValid() &&
                    !values[i].isNull()) {
                    const std::optional<QByteArray> bytes = win1251::encode(values[i].toString());
                    if (!bytes)
                        throw DbError(QStringLiteral("Значение параметра %1 содержит знак "
                                                     "вне кодировки Windows-1251.")
                                          .arg(name));
                    texts[i] = *bytes;
                    if (unsigned(texts[i].size()) > lengths[i]) {
                        lengths[i] = unsigned(texts[i].size());
                        fits = false;
                    }
                }
            }
            fb::release(oversizedInput);
            if (!fits)
                oversizedInput = buildInput(status, lengths);
            inputMeta = fits ? standardInput : oversizedInput;
            inputBuffer.resize(inputMeta->getMessageLength(status));
            for (size_t i = 0; i < count; ++i)
                writeParameter(status, unsigned(i), values[i], texts[i]);
        });
    }

    void writeParameter(ThrowStatusWrapper *status, unsigned i, const QVariant &value,
                        const QByteArray &text) {
        unsigned char *base = inputBuffer.data();
        unsigned char *at = base + inputMeta->getOffset(status, i);
        const bool isNull = !value.isValid() || value.isNull();
        write<short>(base + inputMeta->getNullOffset(status, i), isNull ? -1 : 0);
        if (isNull)
            return;
        const QString name = parsed.parameters.value(int(i));
        bool ok = true;
        switch (inputMeta->getType(status, i) & ~1u) {
        case SQL_VARYING:
            write<unsigned short>(at, static_cast<unsigned short>(text.size()));
            std::memcpy(at + 2, text.constData(), size_t(text.size()));
            break;
        case SQL_SHORT:
            write<short>(at, short(value.toInt(&ok)));
            break;
        case SQL_LONG:
            write<ISC_LONG>(at, value.toInt(&ok));
            break;
        case SQL_INT64:
            write<ISC_INT64>(at, value.toLongLong(&ok));
            break;
        case SQL_FLOAT:
            write<float>(at, value.toFloat(&ok));
            break;
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            write<double>(at, value.toDouble(&ok));
            break;
        case SQL_BOOLEAN:
            write<FB_BOOLEAN>(at, value.toBool() ? FB_TRUE : FB_FALSE);
            break;
        case SQL_TYPE_DATE: {
            const QDate date = value.toDate();
            ok = date.isValid();
            if (ok)
                write<ISC_DATE>(at, fb::util()->encodeDate(date.year(), date.month(), date.day()));
            break;
        }
        case SQL_TIMESTAMP: {
            const QDateTime moment = value.toDateTime();
            ok = moment.isValid();
            if (ok) {
                const QDate d = moment.date();
                const QTime t = moment.time();
                ISC_TIMESTAMP stamp;
                stamp.timestamp_date = fb::util()->encodeDate(d.year(), d.month(), d.day());
                stamp.timestamp_time =
                    fb::util()->encodeTime(t.hour(), t.minute(), t.second(), t.msec() * 10);
                write<ISC_TIMESTAMP>(at, stamp);
            }
            break;
        }
        default:
            throw DbError(
                QStringLiteral("Параметр %1 имеет тип, который программа не передаёт.").arg(name));
        }
        if (!ok)
            throw DbError(parameterTypeError(name, value));
    }

    // Copies a column into a packed row with no conversion but the date's day number.
    void packColumn(const Column &column, PackedRow::Builder &row) {
        const unsigned char *base = outputBuffer.data();
        if (read<short>(base + column.nullOffset) != 0) {
            row.addNull();
            return;
        }
        const unsigned char *at = base + column.offset;
        if (column.scale != 0) {
            row.addDouble(readColumn(column).toDouble());
            return;
        }
        switch (column.type) {
        case SQL_VARYING:
            row.addText(reinterpret_cast<const char *>(at + 2), read<unsigned short>(at));
            break;
        case SQL_TEXT: {
            qsizetype length = column.length;
            while (length > 0 && at[length - 1] == ' ')
                --length;
            row.addText(reinterpret_cast<const char *>(at), length);
            break;
        }
        case SQL_SHORT:
            row.addInt(read<short>(at));
            break;
        case SQL_LONG:
            row.addInt(read<ISC_LONG>(at));
            break;
        case SQL_INT64:
            row.addBigInt(read<ISC_INT64>(at));
            break;
        case SQL_TYPE_DATE:
            // The engine counts days from 17 November 1858, Julian day 2400001.
            row.addDate(2400001 + qint64(read<ISC_DATE>(at)));
            break;
        case SQL_TYPE_TIME:
            row.addTime(qint32(read<ISC_TIME>(at) / 10));
            break;
        case SQL_TIMESTAMP: {
            const auto stamp = read<ISC_TIMESTAMP>(at);
            row.addDateTime(2400001 + qint64(stamp.timestamp_date),
                            qint32(stamp.timestamp_time / 10));
            break;
        }
        case SQL_BOOLEAN:
            row.addBool(read<FB_BOOLEAN>(at) != FB_FALSE);
            break;
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            row.addDouble(readColumn(column).toDouble());
            break;
        default:
            row.addNull(); // large objects and arrays are not part of this register
        }
    }

    QVariant readColumn(const Column &column) {
        const unsigned char *base = outputBuffer.data();
        if (read<short>(base + column.nullOffset) != 0)
            return QVariant();
        const unsigned char *at = base + column.offset;
        const int scale = column.scale;
        switch (column.type) {
        case SQL_VARYING: {
            const auto length = read<unsigned short>(at);
            return win1251::decode(reinterpret_cast<const char *>(at + 2), length);
        }
        case SQL_TEXT: {
            // Fixed-length text comes padded with spaces; the padding is not part of the value.
            qsizetype length = column.length;
            while (length > 0 && at[length - 1] == ' ')
                --length;
            return win1251::decode(reinterpret_cast<const char *>(at), length);
        }
        case SQL_SHORT:
            return scale ? QVariant(scaled(read<short>(at), scale))
                         : QVariant(int(read<short>(at)));
        case SQL_LONG:
            return scale ? QVariant(scaled(read<ISC_LONG>(at), scale))
                         : QVariant(int(read<ISC_LONG>(at)));
        case SQL_INT64:
            return scale ? QVariant(scaled(read<ISC_INT64>(at), scale))
                         : QVariant(qlonglong(read<ISC_INT64>(at)));
        case SQL_FLOAT:
            return double(read<float>(at));
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            return read<double>(at);
        case SQL_BOOLEAN:
            return read<FB_BOOLEAN>(at) != FB_FALSE;
        case SQL_TYPE_DATE:
            return decodeDate(read<ISC_DATE>(at));
        case SQL_TYPE_TIME:
            return decodeTime(read<ISC_TIME>(at));
        case SQL_TIMESTAMP: {
            const auto stamp = read<ISC_TIMESTAMP>(at);
            return QDateTime(decodeDate(stamp.timestamp_date), decodeTime(stamp.timestamp_time));
        }
        default:
            return QVariant(); // large objects and arrays are not part of this register
        }
    }
};

Statement::Statement(Connection &connection, Transaction &transaction, const QString &sql)
    : d(std::make_unique<Impl>(connection, transaction)), m_sql(sql) {
    d->parsed = parseNamedParameters(sql);
    d->prepare();
}

Statement::~Statement() = default;

const QStringList &Statement::parameterNames() const {
    return d->parsed.parameters;
}

bool Statement::returnsRows() const {
    return d->hasCursor;
}

const QStringList &Statement::columnNames() const {
    return d->columns;
}

qint64 Statement::execute(const ParameterSource &parameters) {
    d->closeCursor();
    d->bind(parameters);
    return fb::call([&](ThrowStatusWrapper *status) {
        d->statement->execute(status, d->transaction.handle(), d->inputMeta, d->inputBuffer.data(),
                              d->outputMeta, d->outputBuffer.data());
        return qint64(d->statement->getAffectedRecords(status));
    });
}

void Statement::open(const ParameterSource &parameters) {
    d->closeCursor();
    d->bind(parameters);
    d->cursor = fb::call([&](ThrowStatusWrapper *status) {
        return d->statement->openCursor(status, d->transaction.handle(), d->inputMeta,
                                        d->inputBuffer.data(), d->outputMeta, 0);
    });
}

bool Statement::fetch(QVariantList &row) {
    if (!d->fetchNext())
        return false;
    row.clear();
    row.reserve(qsizetype(d->layout.size()));
    for (const Impl::Column &column : d->layout)
        row.append(d->readColumn(column));
    return true;
}

bool Statement::fetchPacked(PackedRow &row, const std::vector<int> &columnOfField) {
    if (!d->fetchNext())
        return false;
    if (!d->packer || d->packerFields != columnOfField.size()) {
        d->packer = std::make_unique<PackedRow::Builder>(int(columnOfField.size()));
        d->packerFields = columnOfField.size();
    }
    for (const int column : columnOfField) {
        if (column < 0 || size_t(column) >= d->layout.size())
            d->packer->addNull();
        else
            d->packColumn(d->layout[size_t(column)], *d->packer);
    }
    row = d->packer->finish();
    return true;
}

bool Statement::isOpen() const {
    return d->cursor != nullptr;
}

void Statement::close() {
    d->closeCursor();
}

QVariantList Statement::selectOne(const ParameterSource &parameters) {
    open(parameters);
    QVariantList row;
    if (!fetch(row))
        row.clear();
    close();
    return row;
}
