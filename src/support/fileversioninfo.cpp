#include "support/fileversioninfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QtEndian>

#include <iterator>
#include <optional>

namespace {

// Little-endian reads from the file's bytes. Every read is checked against the size; a read
// outside gives 0 and marks the reader failed, so a run of reads is checked once at its end.
class Reader {
public:
    explicit Reader(QByteArrayView bytes) : bytes_(bytes) {}

    qint64 size() const { return bytes_.size(); }
    bool ok() const { return ok_; }
    bool has(qint64 offset, qint64 length) const {
        return offset >= 0 && length >= 0 && offset <= size() && length <= size() - offset;
    }
    quint16 u16(qint64 offset) const {
        if (!has(offset, 2)) {
            ok_ = false;
            return 0;
        }
        return qFromLittleEndian<quint16>(bytes_.data() + offset);
    }
    quint32 u32(qint64 offset) const {
        if (!has(offset, 4)) {
            ok_ = false;
            return 0;
        }
        return qFromLittleEndian<quint32>(bytes_.data() + offset);
    }
    QByteArrayView slice(qint64 offset, qint64 length) const {
        return has(offset, length) ? bytes_.sliced(offset, length) : QByteArrayView();
    }

private:
    QByteArrayView bytes_;
    mutable bool ok_ = true;
};

constexpr quint16 kDosSignature = 0x5A4D;    // "MZ"
constexpr quint32 kPeSignature = 0x00004550; // "PE\0\0"
constexpr quint16 kPe32 = 0x10B;
constexpr quint16 kPe32Plus = 0x20B;
constexpr int kResourceDirectory = 2; // index among the optional header's data directories
constexpr quint32 kVersionResourceType = 16;
constexpr quint32 kVersionResourceName = 1;
constexpr quint32 kSubdirectory = 0x80000000;
constexpr quint32 kFixedInfoSignature = 0xFEEF04BD;
constexpr qint64 kFixedInfoSize = 52;

// The bytes of the version resource of a PE file, or nothing when it has none or when any
// structure on the way points outside the file.
std::optional<QByteArrayView> findVersionResource(QByteArrayView image) {
    const Reader r(image);
    if (r.u16(0) != kDosSignature)
        return {};
    const qint64 pe = r.u32(0x3C);
    if (r.u32(pe) != kPeSignature)
        return {};
    const qint64 coff = pe + 4;
    const qint64 sectionCount = r.u16(coff + 2);
    const qint64 optionalSize = r.u16(coff + 16);
    const qint64 optional = coff + 20;
    const quint16 magic = r.u16(optional);
    if (!r.ok())
        return {};
    qint64 directoryCountAt = 0;
    qint64 directoriesAt = 0;
    if (magic == kPe32) {
        directoryCountAt = 92;
        directoriesAt = 96;
    } else if (magic == kPe32Plus) {
        directoryCountAt = 108;
        directoriesAt = 112;
    } else {
        return {};
    }
    const qint64 resourceEntry = directoriesAt + 8 * kResourceDirectory;
    if (optionalSize < resourceEntry + 8 ||
        r.u32(optional + directoryCountAt) <= kResourceDirectory)
        return {};
    const quint32 resourceRva = r.u32(optional + resourceEntry);
    const qint64 sections = optional + optionalSize;
    if (!r.ok() || resourceRva == 0 || !r.has(sections, sectionCount * 40))
        return {};

    // The file bytes from an address of the loaded image to the end of its section's data.
    const auto bytesAt = [&](quint32 rva) -> QByteArrayView {
        for (qint64 s = sections; s < sections + sectionCount * 40; s += 40) {
            const quint32 address = r.u32(s + 12);
            const quint32 rawSize = r.u32(s + 16);
            const qint64 rawOffset = r.u32(s + 20);
            if (rva >= address && rva - address < rawSize) {
                const qint64 offset = rawOffset + (rva - address);
                const qint64 length = qMin<qint64>(rawSize - (rva - address), r.size() - offset);
                return length > 0 ? r.slice(offset, length) : QByteArrayView();
            }
        }
        return {};
    };

    // The resource tree: type, then name, then language. Offsets are from the tree's start.
    const Reader tree(bytesAt(resourceRva));
    // The data offset of the entry of a directory with the given identifier, or of its first
    // entry when no identifier is given.
    const auto entry = [&tree](quint32 directory,
                               std::optional<quint32> id) -> std::optional<quint32> {
        const qint64 count = qint64(tree.u16(directory + 12)) + tree.u16(directory + 14);
        for (qint64 k = 0; k < count && tree.ok(); ++k) {
            const qint64 at = qint64(directory) + 16 + 8 * k;
            const quint32 name = tree.u32(at);
            const quint32 data = tree.u32(at + 4);
            if (tree.ok() && (!id || name == *id))
                return data;
        }
        return {};
    };
    const auto type = entry(0, kVersionResourceType);
    if (!type || !(*type & kSubdirectory))
        return {};
    auto name = entry(*type & ~kSubdirectory, kVersionResourceName);
    if (!name)
        name = entry(*type & ~kSubdirectory, std::nullopt);
    if (!name || !(*name & kSubdirectory))
        return {};
    const auto language = entry(*name & ~kSubdirectory, std::nullopt);
    if (!language || (*language & kSubdirectory))
        return {};
    const quint32 dataRva = tree.u32(*language);
    const quint32 dataSize = tree.u32(*language + 4);
    if (!tree.ok())
        return {};
    const QByteArrayView data = bytesAt(dataRva);
    if (!r.ok() || dataSize > quint32(data.size()))
        return {};
    return data.first(dataSize);
}

qint64 align4(qint64 offset) {
    return (offset + 3) & ~qint64(3);
}

// One node of the version block: its length, the length of its value, whether the value is text,
// a key, the value aligned to four bytes, the children aligned to four bytes.
struct Node {
    qint64 end = 0;
    quint16 valueLength = 0;
    bool textValue = false;
    QString key;
    qint64 value = 0;
    qint64 children = 0;
};

std::optional<Node> readNode(const Reader &b, qint64 start, qint64 limit) {
    const qint64 length = b.u16(start);
    Node n;
    n.valueLength = b.u16(start + 2);
    n.textValue = b.u16(start + 4) == 1;
    if (!b.ok() || length < 6 || start + length > limit)
        return {};
    n.end = start + length;
    qint64 k = start + 6;
    for (;; k += 2) {
        if (k + 2 > n.end)
            return {};
        const quint16 c = b.u16(k);
        if (c == 0)
            break;
        n.key += QChar(c);
    }
    n.value = align4(k + 2);
    n.children = align4(n.value + (n.textValue ? 2 * qint64(n.valueLength) : n.valueLength));
    return n;
}

// The first child whose key equals key, letter case ignored.
std::optional<Node> child(const Reader &b, const std::optional<Node> &parent, QStringView key) {
    if (!parent)
        return {};
    for (qint64 at = parent->children; at + 6 <= parent->end;) {
        const std::optional<Node> c = readNode(b, at, parent->end);
        if (!c)
            return {};
        if (c->key.compare(key, Qt::CaseInsensitive) == 0)
            return c;
        at = align4(c->end);
    }
    return {};
}

// The text value of a node, up to its terminating zero and never past the node's end.
QString textValue(const Reader &b, const std::optional<Node> &node) {
    QString text;
    if (!node || node->valueLength == 0)
        return text;
    for (qint64 k = node->value; k + 2 <= node->end; k += 2) {
        const quint16 c = b.u16(k);
        if (c == 0)
            break;
        text += QChar(c);
    }
    return text;
}

QString fileFunction(quint32 type, quint32 subtype) {
    static const char *const drivers[] = {
        "Unknown Driver",    "Printer Driver", "Keyboard Driver",       "Language Driver",
        "Display Driver",    "Mouse Driver",   "Network Driver",        "System Driver",
        "InstallableDriver", "Sound Driver",   "Communications Driver",
    };
    static const char *const fonts[] = {"Unknown Font", "Raster Font", "Vector Font",
                                        "Truetype Font"};
    switch (type) {
    case 0:
        return QStringLiteral("Unknown");
    case 1:
        return QStringLiteral("Application");
    case 2:
        return QStringLiteral("DLL");
    case 3:
        return subtype < std::size(drivers) ? QString::fromLatin1(drivers[subtype]) : QString();
    case 4:
        return subtype < std::size(fonts) ? QString::fromLatin1(fonts[subtype]) : QString();
    case 5:
        return QStringLiteral("Virtual Defice Identifier = ") +
               QStringLiteral("%1").arg(subtype, 8, 16, QLatin1Char('0')).toUpper();
    case 7:
        return QStringLiteral("Static-link Library");
    default:
        return QString();
    }
}

} // namespace

TFileVersionInfo versionInfoFromImage(QByteArrayView image) {
    TFileVersionInfo info;
    const std::optional<QByteArrayView> resource = findVersionResource(image);
    if (!resource)
        return info;
    const Reader b(*resource);
    const std::optional<Node> root = readNode(b, 0, b.size());
    if (!root)
        return info;

    // Only the first translation is used, even when a later one has a text the first lacks.
    const std::optional<Node> translation =
        child(b, child(b, root, u"VarFileInfo"), u"Translation");
    if (translation && translation->valueLength >= 4 &&
        translation->value + 4 <= translation->end) {
        const quint16 language = b.u16(translation->value);
        const quint16 codePage = b.u16(translation->value + 2);
        const QString tableName = QStringLiteral("%1%2")
                                      .arg(language, 4, 16, QLatin1Char('0'))
                                      .arg(codePage, 4, 16, QLatin1Char('0'))
                                      .toUpper();
        const std::optional<Node> table = child(b, child(b, root, u"StringFileInfo"), tableName);
        const auto text = [&](QStringView key) { return textValue(b, child(b, table, key)); };
        info.CompanyName = text(u"CompanyName");
        info.FileDescription = text(u"FileDescription");
        info.FileVersion = text(u"FileVersion");
        info.InternalName = text(u"InternalName");
        info.LegalCopyright = text(u"LegalCopyRight");
        info.LegalTrademarks = text(u"LegalTradeMarks");
        info.OrigFilename = text(u"OriginalFileName");
        info.ProductName = text(u"ProductName");
        info.ProductVersion = text(u"ProductVersion");
        info.Comments = text(u"Comments");
        info.SpecialBuildText = text(u"SpecialBuild");
        info.PrivateBuildText = text(u"PrivateBuild");
    }

    // The fixed part is the root's own value.
    const qint64 fixed = root->value;
    if (root->valueLength >= kFixedInfoSize && fixed + kFixedInfoSize <= root->end &&
        b.u32(fixed) == kFixedInfoSignature) {
        const quint32 flags = b.u32(fixed + 24) & b.u32(fixed + 28);
        info.Debug = flags & 0x01;
        info.PreRelease = flags & 0x02;
        info.Patched = flags & 0x04;
        info.PrivateBuild = flags & 0x08;
        info.InfoInferred = flags & 0x10;
        info.SpecialBuild = flags & 0x20;
        info.FileFunction = fileFunction(b.u32(fixed + 36), b.u32(fixed + 40));
    }
    return info;
}

TFileVersionInfo ReadFileVersionInfo(const QString &path) {
    TFileVersionInfo info;
    const QFileInfo file(path);
    if (path.isEmpty() || !file.exists())
        return info;
    const QString fileType = QMimeDatabase().mimeTypeForFile(file).comment().left(80);
    if (file.isFile()) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly) && f.size() >= 64) {
            if (uchar *bytes = f.map(0, f.size())) {
                info = versionInfoFromImage(QByteArrayView(bytes, f.size()));
                f.unmap(bytes);
            }
        }
    }
    info.FileType = fileType;
    return info;
}

const TFileVersionInfo &OwnVersionInfo() {
    static const TFileVersionInfo own = [] {
        TFileVersionInfo info;
        if (QCoreApplication::instance())
            info = ReadFileVersionInfo(QCoreApplication::applicationFilePath());
        // The build's version stands whatever the executable's format carries.
        info.FileVersion = QStringLiteral(VENTREL_FILE_VERSION);
        return info;
    }();
    return own;
}

QString ProgramFileVersion() {
    return OwnVersionInfo().FileVersion;
}
