// The outpatient card as a document: its faces and sizes, and the same paragraphs read back by a
// real word processor from the RTF file and by poppler from the PDF file.

#include "cardfixture.h"
#include "externaltool.h"
#include "print/carddocument.h"
#include "print/outpatientcard.h"

#include <QFile>
#include <QFileInfo>
#include <QRawFont>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QXmlStreamReader>

namespace {

const QDateTime kNow(QDate(2024, 5, 12), QTime(10, 0));

struct Face {
    QString name;
    int points = 0;
    friend bool operator==(const Face &, const Face &) = default;
};

// A paragraph as a reader of a file saw it: its text and the faces of its stretches (or of the
// paragraph mark, when it is empty).
struct ReadParagraph {
    QString text;
    QList<Face> faces;
};

char *toString(const Face &face) {
    return QTest::toString(QStringLiteral("%1 %2pt").arg(face.name).arg(face.points));
}

Face faceOf(const QTextCharFormat &format) {
    return {format.fontFamilies().toStringList().value(0), int(format.fontPointSize())};
}

Face expectedFace(const CardParagraph &paragraph) {
    return {cardFaceName(paragraph.face), kCardPointSize};
}

QString plainText(const QList<CardParagraph> &card) {
    QStringList texts;
    for (const CardParagraph &paragraph : card)
        texts << paragraph.text;
    return texts.join(u' ').simplified();
}

// The paragraphs of a flat OpenDocument text, each stretch with the face and size that its own
// style, or else its paragraph's style, gives it.
QList<ReadParagraph> readFlatOdt(const QByteArray &xml) {
    QHash<QString, Face> styles;
    QList<ReadParagraph> paragraphs;
    QXmlStreamReader reader(xml);
    QString style;
    Face paragraphFace;
    QList<Face> spanFaces;
    auto merged = [](Face face, const Face &over) {
        if (!over.name.isEmpty())
            face.name = over.name;
        if (over.points != 0)
            face.points = over.points;
        return face;
    };
    while (!reader.atEnd()) {
        reader.readNext();
        const QStringView name = reader.qualifiedName();
        const QXmlStreamAttributes attributes = reader.attributes();
        if (reader.isStartElement() && name == u"style:style") {
            style = attributes.value(QLatin1String("style:name")).toString();
        } else if (reader.isStartElement() && name == u"style:text-properties" &&
                   !style.isEmpty()) {
            const QStringView size = attributes.value(QLatin1String("fo:font-size"));
            styles[style] = {attributes.value(QLatin1String("style:font-name")).toString(),
                             size.endsWith(u"pt") ? int(size.chopped(2).toDouble()) : 0};
        } else if (reader.isEndElement() && name == u"style:style") {
            style.clear();
        } else if (reader.isStartElement() && name == u"text:p") {
            paragraphFace =
                styles.value(attributes.value(QLatin1String("text:style-name")).toString());
            paragraphs.append(ReadParagraph());
            spanFaces = {paragraphFace};
        } else if (reader.isEndElement() && name == u"text:p") {
            if (paragraphs.last().faces.isEmpty())
                paragraphs.last().faces << paragraphFace;
        } else if (reader.isStartElement() && name == u"text:span") {
            spanFaces << merged(
                spanFaces.last(),
                styles.value(attributes.value(QLatin1String("text:style-name")).toString()));
        } else if (reader.isEndElement() && name == u"text:span") {
            spanFaces.removeLast();
        } else if (reader.isStartElement() && name == u"text:s") {
            paragraphs.last().text +=
                QString(attributes.value(QLatin1String("text:c")).toInt() +
                            (attributes.hasAttribute(QLatin1String("text:c")) ? 0 : 1),
                        u' ');
        } else if (reader.isCharacters() && !paragraphs.isEmpty() && !spanFaces.isEmpty() &&
                   !(reader.isWhitespace() && reader.text().contains(u'\n'))) {
            // (A line break between elements is the writer's indentation, not text.)
            paragraphs.last().text += reader.text();
            paragraphs.last().faces << spanFaces.last();
        }
    }
    return paragraphs;
}

} // namespace

class TestCardDocument : public QObject {
    Q_OBJECT

    QTemporaryDir temp;
    QList<CardParagraph> card = composeOutpatientCard(fullCardRows(), kNow);

private Q_SLOTS:
    void facesAndSizesParagraphByParagraph();
    void rtfFollowsEditsInTheView();
    void wordProcessorReadsTheRtf();
    void pdfHoldsTheParagraphsInTheirFaces();
    void pdfThatCannotBeWrittenSaysWhy();
};

// Every paragraph carries its face and size, empty ones included, so that an empty line has the
// height of the text around it; filling again replaces everything.
void TestCardDocument::facesAndSizesParagraphByParagraph() {
    QTextDocument document;
    fillCardDocument(document, composeOutpatientCard(CardRows(), kNow));
    fillCardDocument(document, card);

    QCOMPARE(document.defaultFont().family(), QStringLiteral("Arial"));
    QCOMPARE(document.defaultFont().pointSize(), kCardPointSize);
    QCOMPARE(document.blockCount(), card.size());
    QTextBlock block = document.begin();
    for (const CardParagraph &paragraph : card) {
        QCOMPARE(block.text(), paragraph.text);
        QCOMPARE(faceOf(block.charFormat()), expectedFace(paragraph));
        for (auto it = block.begin(); !it.atEnd(); ++it)
            QCOMPARE(faceOf(it.fragment().charFormat()), expectedFace(paragraph));
        block = block.next();
    }
}

// What the user typed into the view goes into the file; the typed text takes the face around it.
void TestCardDocument::rtfFollowsEditsInTheView() {
    QTextDocument document;
    fillCardDocument(document, card);
    QTextCursor cursor(document.findBlockByNumber(1));
    cursor.movePosition(QTextCursor::EndOfBlock);
    cursor.insertText(QStringLiteral(", инвалид II группы"));

    const QList<RtfParagraph> paragraphs = rtfParagraphs(document);
    QCOMPARE(paragraphs.size(), card.size());
    QString text;
    for (const RtfRun &run : paragraphs[1].runs) {
        text += run.text;
        QCOMPARE(run.face, QStringLiteral("Arial Black"));
        QCOMPARE(run.pointSize, kCardPointSize);
    }
    QCOMPARE(text, card[1].text + QStringLiteral(", инвалид II группы"));
    QCOMPARE(paragraphs[0].runs.first().face, QStringLiteral("Arial"));
    QCOMPARE(paragraphs[card.size() - 4].endFormat.face, QStringLiteral("Arial Black"));
}

void TestCardDocument::wordProcessorReadsTheRtf() {
    if (!hasTool("soffice"))
        QSKIP("LibreOffice (soffice, package libreoffice-writer) is not installed; "
              "tools/setup.sh installs it");
    QTextDocument document;
    fillCardDocument(document, card);
    const QString rtfPath = temp.filePath(QStringLiteral("report_patient.rtf"));
    QFile rtf(rtfPath);
    QVERIFY(rtf.open(QIODevice::WriteOnly));
    rtf.write(writeRtf(rtfParagraphs(document)));
    rtf.close();

    const QString profile =
        QUrl::fromLocalFile(temp.filePath(QStringLiteral("profile"))).toString();
    run(QStringLiteral("soffice"),
        {QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
         QStringLiteral("--convert-to"), QStringLiteral("fodt"), QStringLiteral("--outdir"),
         temp.path(), rtfPath});
    QFile fodt(temp.filePath(QStringLiteral("report_patient.fodt")));
    QVERIFY2(fodt.open(QIODevice::ReadOnly), "LibreOffice wrote no document");
    const QList<ReadParagraph> read = readFlatOdt(fodt.readAll());

    QCOMPARE(read.size(), card.size());
    for (qsizetype i = 0; i < card.size(); ++i) {
        QCOMPARE(read[i].text, card[i].text);
        for (const Face &face : read[i].faces)
            QCOMPARE(face, expectedFace(card[i]));
    }
}

void TestCardDocument::pdfHoldsTheParagraphsInTheirFaces() {
    for (const char *tool : {"pdftotext", "pdffonts", "pdftohtml", "pdfinfo"}) {
        if (!hasTool(tool))
            QSKIP("poppler's tools (package poppler-utils) are not installed; tools/setup.sh "
                  "installs them");
    }
    QTextDocument document;
    fillCardDocument(document, card);
    const QString path = temp.filePath(QStringLiteral("card.pdf"));
    QCOMPARE(writeCardPdf(document, path), QString());
    // A medical document: the owner's alone.
    QCOMPARE(QFileInfo(path).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    // Every paragraph's text, in order, over more than one page.
    const QString text = QString::fromUtf8(run(QStringLiteral("pdftotext"), {path, "-"}));
    QCOMPARE(text.simplified(), plainText(card));
    const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {path}));
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Title: +Ambulance card\\."))),
             qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages: +[2-9]"))), qPrintable(info));

    // Two faces, both embedded: those the system shows for "Arial" and for "Arial Black".
    QStringList embedded;
    for (const QString &line :
         QString::fromUtf8(run(QStringLiteral("pdffonts"), {path})).split(u'\n').mid(2)) {
        const QStringList columns = line.simplified().split(u' ');
        if (columns.size() > 4) {
            embedded << columns.first();
            QCOMPARE(columns[columns.size() - 5], QStringLiteral("yes"));
        }
    }
    QCOMPARE(embedded.size(), 2);
    for (CardFace face : {CardFace::Heading, CardFace::Body}) {
        QTextDocument probe;
        fillCardDocument(probe, {{QStringLiteral("А"), face}});
        const QRawFont font =
            QRawFont::fromFont(probe.begin().begin().fragment().charFormat().font());
        const QString family = font.familyName().remove(u' ');
        QVERIFY2(std::any_of(embedded.begin(), embedded.end(),
                             [&](const QString &name) { return name.startsWith(family); }),
                 qPrintable(family + QStringLiteral(" not in ") + embedded.join(u',')));
    }

    // Every line 14 points; the heading's face is not the rest's.
    const QByteArray xml =
        run(QStringLiteral("pdftohtml"), {"-xml", "-zoom", "1", "-i", "-stdout", path});
    QHash<QString, int> sizes;
    QStringList lineFonts;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == u"fontspec")
            sizes[reader.attributes().value(QLatin1String("id")).toString()] =
                reader.attributes().value(QLatin1String("size")).toInt();
        else if (reader.name() == u"text")
            lineFonts << reader.attributes().value(QLatin1String("font")).toString();
    }
    QVERIFY(!lineFonts.isEmpty());
    for (const QString &font : lineFonts)
        QCOMPARE(sizes.value(font), kCardPointSize);
    QVERIFY(!lineFonts.mid(1).contains(lineFonts.first()));
}

void TestCardDocument::pdfThatCannotBeWrittenSaysWhy() {
    QTextDocument document;
    fillCardDocument(document, card);
    const QString path = temp.filePath(QStringLiteral("missing/card.pdf"));
    QVERIFY(!writeCardPdf(document, path).isEmpty());
    QVERIFY(!QFile::exists(path));
}

QTEST_MAIN(TestCardDocument)
#include "test_carddocument.moc"
