#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtEndian>

#include <utility>

// Builds the bytes of small Windows executables with a version resource, laid out as a resource
// compiler and a linker would: for the version reader's tests and its fuzzing target.
namespace peimage {

inline void put16(QByteArray &b, qsizetype at, quint16 v) {
    qToLittleEndian(v, b.data() + at);
}
inline void put32(QByteArray &b, qsizetype at, quint32 v) {
    qToLittleEndian(v, b.data() + at);
}
inline void append16(QByteArray &b, quint16 v) {
    b.resize(b.size() + 2);
    put16(b, b.size() - 2, v);
}
inline void append32(QByteArray &b, quint32 v) {
    b.resize(b.size() + 4);
    put32(b, b.size() - 4, v);
}
inline void pad4(QByteArray &b) {
    while (b.size() % 4)
        b.append('\0');
}
inline QByteArray utf16z(QStringView s) {
    QByteArray b;
    for (QChar c : s)
        append16(b, c.unicode());
    append16(b, 0);
    return b;
}

// One node of a version block: length, value length, type, key, value, children.
inline QByteArray node(QStringView key, const QByteArray &value, quint16 valueLength, bool text,
                       const QList<QByteArray> &children = {}) {
    QByteArray b(6, '\0');
    b += utf16z(key);
    pad4(b);
    b += value;
    for (const QByteArray &c : children) {
        pad4(b);
        b += c;
    }
    put16(b, 0, quint16(b.size()));
    put16(b, 2, valueLength);
    put16(b, 4, text ? 1 : 0);
    return b;
}

using Strings = QList<std::pair<QString, QString>>;

inline QByteArray stringTable(const QString &name, const Strings &strings) {
    QList<QByteArray> children;
    for (const auto &[key, text] : strings)
        children += node(key, utf16z(text), quint16(text.size() + 1), true);
    return node(name, {}, 0, true, children);
}

inline QByteArray translations(const QList<quint32> &entries, int valueLength = -1) {
    QByteArray value;
    for (quint32 e : entries)
        append32(value, e);
    const QByteArray var =
        node(u"Translation", value, quint16(valueLength < 0 ? value.size() : valueLength), false);
    return node(u"VarFileInfo", {}, 0, true, {var});
}

inline QByteArray fixedPart(quint32 mask, quint32 flags, quint32 type, quint32 subtype,
                            quint32 signature = 0xFEEF04BD) {
    QByteArray f;
    for (quint32 v : {signature, 0x10000u, 0x20000u, 42u, 0x20000u, 42u, mask, flags, 0x40004u,
                      type, subtype, 0u, 0u})
        append32(f, v);
    return f;
}

inline QByteArray versionBlock(const QByteArray &fixed, const QList<QByteArray> &children) {
    return node(u"VS_VERSION_INFO", fixed, quint16(fixed.size()), false, children);
}

constexpr qsizetype kResources = 0x200; // file offset of the resource section
constexpr quint32 kResourcesRva = 0x1000;
constexpr qsizetype kDataEntry = kResources + 0x48;
constexpr qsizetype kBlock = kResources + 0x58;

// A PE file whose only section holds the resource tree (version, name 1, Russian) and the block.
inline QByteArray peImage(const QByteArray &block, bool pe32Plus = false) {
    QByteArray b(kBlock, '\0');
    b[0] = 'M';
    b[1] = 'Z';
    put32(b, 0x3C, 0x40);
    b.replace(0x40, 4, QByteArray("PE\0\0", 4));
    const qsizetype optionalSize = pe32Plus ? 240 : 224;
    put16(b, 0x44, pe32Plus ? 0x8664 : 0x14C);
    put16(b, 0x46, 1);
    put16(b, 0x54, quint16(optionalSize));
    put16(b, 0x56, 0x0102);
    const qsizetype optional = 0x58;
    put16(b, optional, pe32Plus ? 0x20B : 0x10B);
    const qsizetype directories = optional + (pe32Plus ? 112 : 96);
    put32(b, directories - 4, 16);
    const quint32 sectionSize = quint32(kBlock - kResources + block.size());
    put32(b, directories + 2 * 8, kResourcesRva);
    put32(b, directories + 2 * 8 + 4, sectionSize);
    const qsizetype section = optional + optionalSize;
    b.replace(section, 5, ".rsrc");
    put32(b, section + 8, sectionSize);
    put32(b, section + 12, kResourcesRva);
    put32(b, section + 16, sectionSize);
    put32(b, section + 20, kResources);
    put32(b, section + 36, 0x40000040);

    // Three directory levels with one entry each, then the data entry.
    const auto directory = [&b](qsizetype at, quint32 id, quint32 target) {
        put16(b, at + 14, 1);
        put32(b, at + 16, id);
        put32(b, at + 20, target);
    };
    directory(kResources + 0x00, 16, 0x80000000 | 0x18);
    directory(kResources + 0x18, 1, 0x80000000 | 0x30);
    directory(kResources + 0x30, 0x419, 0x48);
    put32(b, kDataEntry, kResourcesRva + (kBlock - kResources));
    put32(b, kDataEntry + 4, quint32(block.size()));
    return b + block;
}

} // namespace peimage
