#pragma once

#include "print/outpatientcard.h"
#include "print/rtfwriter.h"

#include <QList>
#include <QString>

class QPagedPaintDevice;
class QTextDocument;

// The outpatient card as a rich-text document, and the document on paper, in PDF and in RTF.
// The document is what the print window shows and the user may edit before printing, so the
// printout and the files are made from it, not from the rows.

// Replaces the document's content with the card: the default character format is "Arial",
// 14 points, and every paragraph carries its face and size, empty ones included.
void fillCardDocument(QTextDocument &document, const QList<CardParagraph> &card);

// The document's paragraphs with the face and size of every stretch of text, for the RTF file.
QList<RtfParagraph> rtfParagraphs(const QTextDocument &document);

// The margins of the card's page, those of its RTF file; the printer's own printable area may
// keep them wider.
void setCardPageLayout(QPagedPaintDevice &device);

// Lays the document out on the device's pages and paints them, page after page, as one job.
// Returns why it failed, or the empty text when the device took every page.
QString paintCardDocument(const QTextDocument &document, QPagedPaintDevice &device);

// Writes the document as a PDF file at the path, through a temporary file so that a failure
// leaves an earlier file whole. Returns why it failed, or the empty text.
QString writeCardPdf(const QTextDocument &document, const QString &path);
