#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A stretch of text in one face and size.
struct RtfRun {
    QString text;
    QString face;
    int pointSize = 12;
};

// A paragraph: its runs in order. A paragraph without runs is written empty, in the face and
// size of `endFormat`.
struct RtfParagraph {
    QList<RtfRun> runs;
    RtfRun endFormat; // the face and size of the paragraph mark; its text is not written
};

// The paper and its margins, in millimetres.
struct RtfPage {
    double width = 210;
    double height = 297;
    double left = 20, top = 15, right = 15, bottom = 15;
};

// A Rich Text Format document of the paragraphs that a word processor opens with the same
// paragraphs, faces, sizes and Cyrillic text: the font table names every face used (Cyrillic
// character set), the code page is Windows-1251, and every character outside plain ASCII is
// written as an escape, those of the code page as \'xx and any other as \uN, so the file itself
// is plain ASCII.
QByteArray writeRtf(const QList<RtfParagraph> &paragraphs, const RtfPage &page = RtfPage());
