// The RTF writer: the file's frame and how text is written. That a word processor reads it back
// with the same paragraphs, faces and sizes is tested with the card document.

#include "print/rtfwriter.h"

#include <QTest>

class TestRtfWriter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writesFrameFontTableAndParagraphs();
    void escapesText_data();
    void escapesText();
};

// Faces in the order they are first used, Windows-1251 declared, the page in twips, sizes in
// half points, an empty paragraph keeping its face and size, and no mark after the last one.
void TestRtfWriter::writesFrameFontTableAndParagraphs() {
    const RtfRun arial{QString(), QStringLiteral("Arial"), 14};
    const RtfRun black{QString(), QStringLiteral("Arial Black"), 14};
    const QList<RtfParagraph> paragraphs = {
        {{{QStringLiteral("Карта"), arial.face, 14}}, arial},
        {{}, black},
        {{{QStringLiteral("Ok "), black.face, 14}, {QStringLiteral("12"), arial.face, 10}}, black},
    };
    QCOMPARE(
        writeRtf(paragraphs, RtfPage{148, 210, 10, 12, 14, 16}),
        QByteArray("{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049\n"
                   "{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}"
                   "{\\f1\\fswiss\\fcharset204 Arial Black;}}\n"
                   "\\paperw8391\\paperh11906\\margl567\\margr794\\margt680\\margb907\n"
                   "\\viewkind4\\uc1\n"
                   "\\pard\\plain\\lang1049\\f0\\fs28 \\'ca\\'e0\\'f0\\'f2\\'e0\\f0\\fs28 \\par\n"
                   "\\pard\\plain\\lang1049\\f1\\fs28 \\par\n"
                   "\\pard\\plain\\lang1049\\f1\\fs28 Ok \\f0\\fs20 12\\f1\\fs28 \n"
                   "}\n"));
}

void TestRtfWriter::escapesText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("RTF's own characters") << "{a}\\b" << QByteArray("\\{a\\}\\\\b");
    QTest::newRow("tab and line break") << "a\tb\u2028c" << QByteArray("a\\tab b\\line c");
    QTest::newRow("code page letters and signs")
        << "Ёё№«»€" << QByteArray("\\'a8\\'b8\\'b9\\'ab\\'bb\\'88");
    QTest::newRow("outside the code page") << "中" << QByteArray("\\u20013?");
    QTest::newRow("beyond the first plane") << "😀" << QByteArray("\\u-10179?\\u-8704?");
    QTest::newRow("other control characters dropped") << "a\x01\x1f"
                                                         "b"
                                                      << QByteArray("ab");
}

void TestRtfWriter::escapesText() {
    QFETCH(QString, text);
    QFETCH(QByteArray, written);
    const RtfRun arial{QString(), QStringLiteral("Arial"), 14};
    const QByteArray rtf = writeRtf({{{{text, arial.face, 14}}, arial}});
    const QByteArray prefix = "\\f0\\fs28 ";
    const qsizetype start = rtf.indexOf(prefix) + prefix.size();
    QCOMPARE(rtf.mid(start, rtf.indexOf("\\f", start) - start), written);
    for (char c : rtf)
        QVERIFY2(uchar(c) < 0x80, "the file is plain ASCII");
}

QTEST_APPLESS_MAIN(TestRtfWriter)
#include "test_rtfwriter.moc"
