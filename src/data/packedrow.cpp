#include "data/packedrow.h"

#include "support/win1251codec.h"

#include <QDateTime>

#include <cstring>

namespace {

enum Tag : char { Null, Int, BigInt, Double, Bool, Date, Time, DateTime, Text };

template <typename T> T readAt(const char *at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

} // namespace

int PackedRow::fieldCount() const {
    return m_bytes.isEmpty() ? 0 : int(readAt<quint32>(m_bytes.constData()));
}

QVariant PackedRow::value(int field) const {
    if (field < 0 || field >= fieldCount())
        return QVariant();
    const char *base = m_bytes.constData();
    const int count = fieldCount();
    const char *payload = base + sizeof(quint32) * (count + 2);
    const quint32 begin = readAt<quint32>(base + sizeof(quint32) * (field + 1));
    const quint32 end = readAt<quint32>(base + sizeof(quint32) * (field + 2));
    const char *at = payload + begin + 1;
    switch (Tag(payload[begin])) {
    case Int:
        return readAt<qint32>(at);
    case BigInt:
        return qlonglong(readAt<qint64>(at));
    case Double:
        return readAt<double>(at);
    case Bool:
        return *at != 0;
    case Date:
        return QDate::fromJulianDay(readAt<qint64>(at));
    case Time:
        return QTime::fromMSecsSinceStartOfDay(readAt<qint32>(at));
    case DateTime:
        return QDateTime(QDate::fromJulianDay(readAt<qint64>(at)),
                         QTime::fromMSecsSinceStartOfDay(readAt<qint32>(at + sizeof(qint64))));
    case Text:
        return win1251::decode(at, end - begin - 1);
    case Null:
        break;
    }
    return QVariant();
}

PackedRow::Builder::Builder(int fields) : m_fields(fields) {
    m_offsets.reserve(size_t(fields) + 1);
}

void PackedRow::Builder::begin(char tag) {
    m_offsets.push_back(quint32(m_payload.size()));
    m_payload.push_back(tag);
}

template <typename T> void PackedRow::Builder::append(T value) {
    const char *bytes = reinterpret_cast<const char *>(&value);
    m_payload.insert(m_payload.end(), bytes, bytes + sizeof value);
}

void PackedRow::Builder::addNull() {
    begin(Null);
}

void PackedRow::Builder::addInt(qint32 value) {
    begin(Int);
    append(value);
}

void PackedRow::Builder::addBigInt(qint64 value) {
    begin(BigInt);
    append(value);
}

void PackedRow::Builder::addDouble(double value) {
    begin(Double);
    append(value);
}

void PackedRow::Builder::addBool(bool value) {
    begin(Bool);
    m_payload.push_back(value ? '\1' : '\0');
}

void PackedRow::Builder::addDate(qint64 julianDay) {
    begin(Date);
    append(julianDay);
}

void PackedRow::Builder::addTime(qint32 msecsOfDay) {
    begin(Time);
    append(msecsOfDay);
}

void PackedRow::Builder::addDateTime(qint64 julianDay, qint32 msecsOfDay) {
    begin(DateTime);
    append(julianDay);
    append(msecsOfDay);
}

void PackedRow::Builder::addText(const char *win1251, qsizetype length) {
    begin(Text);
    m_payload.insert(m_payload.end(), win1251, win1251 + length);
}

PackedRow PackedRow::Builder::finish() {
    while (int(m_offsets.size()) < m_fields)
        addNull();
    m_offsets.push_back(quint32(m_payload.size()));
    const quint32 count = quint32(m_fields);
    const size_t offsetBytes = m_offsets.size() * sizeof(quint32);
    QByteArray bytes(qsizetype(sizeof count + offsetBytes + m_payload.size()), Qt::Uninitialized);
    char *at = bytes.data();
    std::memcpy(at, &count, sizeof count);
    std::memcpy(at + sizeof count, m_offsets.data(), offsetBytes);
    if (!m_payload.empty())
        std::memcpy(at + sizeof count + offsetBytes, m_payload.data(), m_payload.size());
    m_offsets.clear();
    m_payload.clear(); // the builder is used again for the next row, with its buffers
    return PackedRow(std::move(bytes));
}
