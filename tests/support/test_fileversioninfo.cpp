#include "support/fileversioninfo.h"

#include "peimage.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

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

using namespace peimage;

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
