#include "service/backupheader.h"

#include <QFile>
#include <QLocale>

namespace {

// The backup starts with a record of kind 0 made of attributes: a tag byte, a length byte and
// that many bytes of value, up to a tag 0.
constexpr char kBackupRecord = 0;
constexpr unsigned char kEndTag = 0;
constexpr unsigned char kDateTag = 1;    // the time it was made, as C's ctime() writes it
constexpr unsigned char kFormatTag = 2;  // the format version, a little-endian integer
constexpr qsizetype kHeaderBytes = 1024; // far more than any header takes

// "Thu Dec 10 05:38:04 2026"; the day of a single-digit date is padded with a blank.
QDateTime parseCtime(const QByteArray &text) {
    return QLocale::c().toDateTime(QString::fromLatin1(text).simplified(),
                                   QStringLiteral("ddd MMM d hh:mm:ss yyyy"));
}

int littleEndian(const QByteArray &value) {
    int result = 0;
    for (qsizetype i = std::min<qsizetype>(value.size(), 4) - 1; i >= 0; --i)
        result = (result << 8) | static_cast<unsigned char>(value[i]);
    return result;
}

} // namespace

std::optional<BackupHeader> readBackupHeader(const QByteArray &bytes) {
    if (bytes.isEmpty() || bytes[0] != kBackupRecord)
        return std::nullopt;
    BackupHeader header;
    bool sawFormat = false;
    for (qsizetype at = 1; at + 1 < bytes.size();) {
        const auto tag = static_cast<unsigned char>(bytes[at]);
        if (tag == kEndTag)
            return sawFormat ? std::optional(header) : std::nullopt;
        const auto length = static_cast<unsigned char>(bytes[at + 1]);
        const QByteArray value = bytes.mid(at + 2, length);
        if (value.size() != length)
            break;
        if (tag == kFormatTag) {
            header.formatVersion = littleEndian(value);
            sawFormat = header.formatVersion > 0;
        } else if (tag == kDateTag) {
            header.made = parseCtime(value);
        }
        at += 2 + length;
    }
    return std::nullopt;
}

std::optional<BackupHeader> readBackupHeaderOf(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return readBackupHeader(file.read(kHeaderBytes));
}
