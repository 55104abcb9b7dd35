#include "support/fileversioninfo.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

Q_DECLARE_METATYPE(TFileVersionInfo)

char *toString(const TFileVersionInfo &v) {
    QStringList parts = {
        v.FileType,       v.CompanyName,      v.FileDescription,  v.FileVersion, v.InternalName,
        v.LegalCopyright, v.LegalTrademarks,  v.OrigFilename,     v.ProductName, v.ProductVersion,
        v.Comments,       v.SpecialBuildText, v.PrivateBuildText, v.FileFunction};
    const std::pair<bool, const char *> flags[] = {{v.Debug, "Debug"},
                                                   {v.PreRelease, "PreRelease"},
                                                   {v.SpecialBuild, "SpecialBuild"},
                                                   {v.PrivateBuild, "PrivateBuild"},
                                                   {v.Patched, "Patched"},
                                                   {v.InfoInferred, "InfoInferred"}};
    for (const auto &[set, name] : flags) {
        if (set)
            parts += QString::fromLatin1(name);
    }
    return qstrdup(parts.join(u'|').toUtf8().constData());
}

namespace {

// Builds the bytes of small Windows executables with a version resource, as a resource compiler
// and a linker would lay them out.

void put16(QByteArray &b, qsizetype at, quint16 v) {
    qToLittleEndian(v, b.data() + at);
}
void put32(QByteArray &b, qsizetype at, quint32 v) {
    qToLittleEndian(v, b.data() + at);
}
void append16(QByteArray &b, quint16 v) {
    b.resize(b.size() + 2);
    put16(b, b.size() - 2, v);
}
void append32(QByteArray &b, quint32 v) {
    b.resize(b.size() + 4);
    put32(b, b.size() - 4, v);
}
void pad4(QByteArray &b) {
    while (b.size() % 4)
        b.append('\0');
}
QByteArray utf16z(QStringView s) {
    QByteArray b;
    for (QChar c : s)
        append16(b, c.unicode());
    append16(b, 0);
    return b;
}

// One node of a version block: length, value length, type, key, value, children.
QByteArray node(QStringView key, const QByteArray &value, quint16 valueLength, bool text,
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

QByteArray stringTable(const QString &name, const Strings &strings) {
    QList<QByteArray> children;
    for (const auto &[key, text] : strings)
        children += node(key, utf16z(text), quint16(text.size() + 1), true);
    return node(name, {}, 0, true, children);
}

QByteArray translations(const QList<quint32> &entries, int valueLength = -1) {
    QByteArray value;
    for (quint32 e : entries)
        append32(value, e);
    const QByteArray var =
        node(u"Translation", value, quint16(valueLength < 0 ? value.size() : valueLength), false);
    return node(u"VarFileInfo", {}, 0, true, {var});
}

QByteArray fixedPart(quint32 mask, quint32 flags, quint32 type, quint32 subtype,
                     quint32 signature = 0xFEEF04BD) {
    QByteArray f;
    for (quint32 v : {signature, 0x10000u, 0x20000u, 42u, 0x20000u, 42u, mask, flags, 0x40004u,
                      type, subtype, 0u, 0u})
        append32(f, v);
    return f;
}

QByteArray versionBlock(const QByteArray &fixed, const QList<QByteArray> &children) {
    return node(u"VS_VERSION_INFO", fixed, quint16(fixed.size()), false, children);
}

constexpr qsizetype kResources = 0x200; // file offset of the resource section
constexpr quint32 kResourcesRva = 0x1000;
constexpr qsizetype kDataEntry = kResources + 0x48;
constexpr qsizetype kBlock = kResources + 0x58;

// A PE file whose only section holds the resource tree (version, name 1, Russian) and the block.
QByteArray peImage(const QByteArray &block, bool pe32Plus = false) {
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

const Strings kAllTexts = {
    {"CompanyName", "Вентрель-Софт"},    {"FileDescription", "Регистратура"},
    {"FileVersion", "2.0.0.42"},         {"InternalName", "ventrel"},
    {"LegalCopyright", "(c) 2004"},      {"LegalTrademarks", "Вентрель"},
    {"OriginalFilename", "Ventrel.exe"}, {"ProductName", "Вентрель"},
    {"ProductVersion", "2.0"},           {"Comments", "амбулатория"},
    {"SpecialBuild", "особая"},          {"PrivateBuild", "своя"},
};

TFileVersionInfo allTexts() {
    TFileVersionInfo v;
    v.CompanyName = "Вентрель-Софт";
    v.FileDescription = "Регистратура";
    v.FileVersion = "2.0.0.42";
    v.InternalName = "ventrel";
    v.LegalCopyright = "(c) 2004";
    v.LegalTrademarks = "Вентрель";
    v.OrigFilename = "Ventrel.exe";
    v.ProductName = "Вентрель";
    v.ProductVersion = "2.0";
    v.Comments = "амбулатория";
    v.SpecialBuildText = "особая";
    v.PrivateBuildText = "своя";
    return v;
}

// Debug and SpecialBuild are set and in the mask; Patched is set but masked out.
TFileVersionInfo withFixedPart(TFileVersionInfo v) {
    v.Debug = true;
    v.SpecialBuild = true;
    v.FileFunction = "Application";
    return v;
}
const QByteArray kFixed = fixedPart(0x3B, 0x25, 1, 0);

const QByteArray kRussian = translations({0x04E30419});
QByteArray fullBlock() {
    return versionBlock(
        kFixed,
        {node(u"StringFileInfo", {}, 0, true, {stringTable("041904E3", kAllTexts)}), kRussian});
}

QByteArray patched16(QByteArray b, qsizetype at, quint16 v) {
    put16(b, at, v);
    return b;
}
QByteArray patched32(QByteArray b, qsizetype at, quint32 v) {
    put32(b, at, v);
    return b;
}

} // namespace

class TestFileVersionInfo : public QObject {
    Q_OBJECT

private slots:
    void readsImage_data();
    void readsImage();
    void fileFunction_data();
    void fileFunction();
    void truncatedImageGivesNothing();
    void readsFiles();
    void ownVersion();
};

void TestFileVersionInfo::readsImage_data() {
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<TFileVersionInfo>("expected");

    const TFileVersionInfo full = withFixedPart(allTexts());
    const QByteArray image = peImage(fullBlock());
    QTest::newRow("PE32") << image << full;
    QTest::newRow("PE32+") << peImage(fullBlock(), true) << full;

    QTest::newRow("no translation table")
        << peImage(versionBlock(kFixed, {node(u"StringFileInfo", {}, 0, true,
                                              {stringTable("041904E3", kAllTexts)})}))
        << withFixedPart({});

    // The first translation is Russian; the English table, listed first, has more keys.
    TFileVersionInfo firstOnly;
    firstOnly.CompanyName = "Вентрель-Софт";
    QTest::newRow("key missing from the first translation")
        << peImage(versionBlock(
               kFixed, {node(u"StringFileInfo", {}, 0, true,
                             {stringTable("040904B0", {{"CompanyName", "Ventrel Soft"},
                                                       {"Comments", "outpatients"}}),
                              stringTable("041904E3", {{"CompanyName", "Вентрель-Софт"}})}),
                        translations({0x04E30419, 0x04B00409})}))
        << withFixedPart(firstOnly);

    QTest::newRow("translation shorter than one entry")
        << peImage(versionBlock(
               kFixed, {node(u"StringFileInfo", {}, 0, true, {stringTable("041904E3", kAllTexts)}),
                        translations({0x04E30419}, 2)}))
        << withFixedPart({});

    QTest::newRow("fixed part with a wrong signature")
        << peImage(versionBlock(
               fixedPart(0x3B, 0x25, 1, 0, 0xFEEF0000),
               {node(u"StringFileInfo", {}, 0, true, {stringTable("041904E3", kAllTexts)}),
                kRussian}))
        << allTexts();

    // Damage to the file's structures.
    const qsizetype stringFileInfo = image.indexOf(utf16z(u"StringFileInfo").chopped(2)) - 6;
    QTest::newRow("node of length 0 ends its list")
        << patched16(image, stringFileInfo, 0) << withFixedPart({});
    QTest::newRow("block longer than the resource")
        << patched16(image, kBlock, 0xFFFF) << TFileVersionInfo();
    QTest::newRow("resource larger than its section")
        << patched32(image, kDataEntry + 4, quint32(image.size() - kBlock + 1))
        << TFileVersionInfo();
    QTest::newRow("header offset past the end")
        << patched32(image, 0x3C, 0xFFFFFFF0) << TFileVersionInfo();
    QTest::newRow("section table past the end")
        << patched16(image, 0x46, 0xFFFF) << TFileVersionInfo();
    QTest::newRow("directory that points to itself")
        << patched32(image, kResources + 20, 0x80000000) << TFileVersionInfo();
    QTest::newRow("not a PE file") << QByteArray(4096, 'M') << TFileVersionInfo();
}

void TestFileVersionInfo::readsImage() {
    QFETCH(QByteArray, image);
    QFETCH(TFileVersionInfo, expected);
    QCOMPARE(versionInfoFromImage(image), expected);
}

void TestFileVersionInfo::fileFunction_data() {
    QTest::addColumn<quint32>("type");
    QTest::addColumn<quint32>("subtype");
    QTest::addColumn<QString>("text");

    QTest::newRow("unknown") << 0u << 7u << "Unknown";
    QTest::newRow("DLL") << 2u << 0u << "DLL";
    QTest::newRow("first driver") << 3u << 0u << "Unknown Driver";
    QTest::newRow("last driver") << 3u << 10u << "Communications Driver";
    QTest::newRow("driver past the list") << 3u << 11u << "";
    QTest::newRow("last font") << 4u << 3u << "Truetype Font";
    QTest::newRow("font past the list") << 4u << 4u << "";
    QTest::newRow("virtual device") << 5u << 0x1A2Bu << "Virtual Defice Identifier = 00001A2B";
    QTest::newRow("type 6") << 6u << 0u << "";
    QTest::newRow("static library") << 7u << 0u << "Static-link Library";
    QTest::newRow("type 8") << 8u << 0u << "";
}

void TestFileVersionInfo::fileFunction() {
    QFETCH(quint32, type);
    QFETCH(quint32, subtype);
    QFETCH(QString, text);
    const QByteArray image = peImage(versionBlock(fixedPart(0x3F, 0, type, subtype), {}));
    QCOMPARE(versionInfoFromImage(image).FileFunction, text);
}

// Cut anywhere, the file no longer holds the whole resource; nothing may be read past the cut.
void TestFileVersionInfo::truncatedImageGivesNothing() {
    const QByteArray image = peImage(fullBlock());
    for (qsizetype size = 0; size < image.size(); ++size) {
        const QByteArray cut = image.first(size);
        QCOMPARE(versionInfoFromImage(cut), TFileVersionInfo());
    }
}

void TestFileVersionInfo::readsFiles() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto write = [&dir](const QString &name, const QByteArray &bytes) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write("Ventrel.exe", peImage(fullBlock()));
    write("note.txt", QByteArray(4096, 'a'));

    TFileVersionInfo exe = ReadFileVersionInfo(dir.filePath("Ventrel.exe"));
    QVERIFY(!exe.FileType.isEmpty());
    exe.FileType.clear();
    QCOMPARE(exe, withFixedPart(allTexts()));

    // Of a file that is no executable only the kind is known.
    TFileVersionInfo note = ReadFileVersionInfo(dir.filePath("note.txt"));
    QVERIFY(!note.FileType.isEmpty());
    QVERIFY(note.FileType.size() <= 80);
    note.FileType.clear();
    QCOMPARE(note, TFileVersionInfo());

    QCOMPARE(ReadFileVersionInfo(dir.filePath("missing.exe")), TFileVersionInfo());
}

void TestFileVersionInfo::ownVersion() {
    QCOMPARE(ProgramFileVersion(), QStringLiteral(VENTREL_FILE_VERSION));
    QVERIFY(
        QRegularExpression("^\\d+\\.\\d+\\.\\d+\\.\\d+$").match(ProgramFileVersion()).hasMatch());
}

QTEST_GUILESS_MAIN(TestFileVersionInfo)
#include "test_fileversioninfo.moc"
