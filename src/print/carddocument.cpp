#include "print/carddocument.h"

#include "support/programinfo.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>
#include <memory>

namespace {

// "Arial Black" is a black face: asking for that weight finds the heavy style of whatever
// family the system offers in its place, where a plain request would find the regular one.
QTextCharFormat charFormat(CardFace face) {
    QTextCharFormat format;
    format.setFontFamilies(QStringList{cardFaceName(face)});
    format.setFontPointSize(kCardPointSize);
    format.setFontWeight(face == CardFace::Body ? QFont::Black : QFont::Normal);
    return format;
}

RtfRun rtfRun(const QString &text, const QTextCharFormat &format, const QFont &defaultFont) {
    const QStringList families = format.fontFamilies().toStringList();
    const double points = format.fontPointSize();
    return {text, families.isEmpty() ? defaultFont.family() : families.first(),
            points > 0 ? int(std::lround(points)) : defaultFont.pointSize()};
}

} // namespace

void fillCardDocument(QTextDocument &document, const QList<CardParagraph> &card) {
    document.clear();
    QFont font(cardFaceName(CardFace::Heading));
    font.setPointSize(kCardPointSize);
    document.setDefaultFont(font);
    QTextCursor cursor(&document);
    for (qsizetype i = 0; i < card.size(); ++i) {
        const QTextCharFormat format = charFormat(card[i].face);
        if (i == 0)
            cursor.setBlockCharFormat(format);
        else
            cursor.insertBlock(QTextBlockFormat(), format);
        cursor.insertText(card[i].text, format);
    }
}

QList<RtfParagraph> rtfParagraphs(const QTextDocument &document) {
    QList<RtfParagraph> paragraphs;
    const QFont defaultFont = document.defaultFont();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        RtfParagraph paragraph;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid())
                paragraph.runs << rtfRun(fragment.text(), fragment.charFormat(), defaultFont);
        }
        paragraph.endFormat = rtfRun(QString(), block.charFormat(), defaultFont);
        paragraphs << paragraph;
    }
    return paragraphs;
}

void setCardPageLayout(QPagedPaintDevice &device) {
    const RtfPage page;
    device.setPageMargins(QMarginsF(page.left, page.top, page.right, page.bottom),
                          QPageLayout::Millimeter);
}

QString paintCardDocument(const QTextDocument &document, QPagedPaintDevice &device) {
    // A copy laid out for the device's pages and resolution; the view keeps its own layout.
    const std::unique_ptr<QTextDocument> copy(document.clone());
    copy->documentLayout()->setPaintDevice(&device);
    const QSizeF pageSize(device.width(), device.height());
    copy->setPageSize(pageSize);

    QPainter painter;
    if (!painter.begin(&device))
        return QStringLiteral("Печать не началась.");
    for (int page = 0; page < copy->pageCount(); ++page) {
        if (page > 0 && !device.newPage())
            return QStringLiteral("Не удалось начать страницу %1.").arg(page + 1);
        const QRectF area(QPointF(0, page * pageSize.height()), pageSize);
        painter.save();
        painter.translate(0, -area.top());
        copy->drawContents(&painter, area);
        painter.restore();
    }
    if (!painter.end())
        return QStringLiteral("Задание печати не завершено.");
    return QString();
}

QString writeCardPdf(const QTextDocument &document, const QString &path) {
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setTitle(QStringLiteral("Ambulance card."));
        writer.setCreator(program::kProductName);
        setCardPageLayout(writer);
        const QString error = paintCardDocument(document, writer);
        if (!error.isEmpty())
            return error;
    }
    QSaveFile file(path);
    // A medical document: its owner alone may read it, as the card handed to the word processor.
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(pdf.data()) != pdf.size() || !file.commit()) {
        return file.errorString();
    }
    return QString();
}
