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
    m_payload.append(tag);
}

template <typename T> void PackedRow::Builder::append(T value) {
    m_payload.append(reinterpret_cast<const char *>(&value), sizeof value);
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
    m_payload.append(value ? '\1' : '\0');
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
    m_payload.append(win1251, length);
}

PackedRow PackedRow::Builder::finish() {
    while (int(m_offsets.size()) < m_fields)
        addNull();
    m_offsets.push_back(quint32(m_payload.size()));
    QByteArray bytes;
    bytes.reserve(qsizetype(sizeof(quint32) * (m_offsets.size() + 1)) + m_payload.size());
    const quint32 count = quint32(m_fields);
    bytes.append(reinterpret_cast<const char *>(&count), sizeof count);
    bytes.append(reinterpret_cast<const char *>(m_offsets.data()),
                 qsizetype(m_offsets.size() * sizeof(quint32)));
    bytes.append(m_payload);
    m_offsets.clear();
    m_payload.resize(0); // the builder is used again for the next row
    return PackedRow(bytes);
}
