#pragma once

#include <QByteArray>
#include <QVariant>

#include <vector>

// A row as read from the database, kept as compact bytes (text stays Windows-1251) and turned
// into values only when a field is asked for. A long patient list costs a few hundred bytes a
// row, and reading it costs no more than copying what the engine hands over.
class PackedRow {
public:
    class Builder;

    PackedRow() = default;
    int fieldCount() const;
    QVariant value(int field) const;

private:
    explicit PackedRow(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    // Layout: field count (uint32), then count + 1 offsets (uint32) into the payload, then
    // the payload: for each field a type tag and its bytes.
    QByteArray m_bytes;
};

class PackedRow::Builder {
public:
    explicit Builder(int fields);
    void addNull();
    void addInt(qint32 value);
    void addBigInt(qint64 value);
    void addDouble(double value);
    void addBool(bool value);
    void addDate(qint64 julianDay);
    void addTime(qint32 msecsOfDay);
    void addDateTime(qint64 julianDay, qint32 msecsOfDay);
    void addText(const char *win1251, qsizetype length);
    PackedRow finish();

private:
    void begin(char tag);
    template <typename T> void append(T value);

    int m_fields;
    std::vector<quint32> m_offsets;
    // A plain buffer: appending a field is then an inline copy, which matters at a few hundred
    // fields per screenful read.
    std::vector<char> m_payload;
};
