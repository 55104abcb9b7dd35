#include "print/rtfwriter.h"

#include "support/win1251codec.h"

namespace {

// The faces in the order they are first used; a run names its face by this index.
QStringList faceTable(const QList<RtfParagraph> &paragraphs) {
    QStringList faces;
    auto add = [&faces](const QString &face) {
        if (!faces.contains(face))
            faces << face;
    };
    for (const RtfParagraph &paragraph : paragraphs) {
        for (const RtfRun &run : paragraph.runs)
            add(run.face);
        add(paragraph.endFormat.face);
    }
    return faces;
}

// A face name is written like text, but braces and semicolons would end its entry early.
void appendText(QByteArray &out, QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        switch (c.unicode()) {
        case u'\\':
        case u'{':
        case u'}':
            out += '\\';
            out += char(c.unicode());
            continue;
        case u'\t':
            out += "\\tab ";
            continue;
        case 0x2028: // a line break inside a paragraph
        case u'\n':
        case u'\r':
            out += "\\line ";
            continue;
        default:
            break;
        }
        if (c.unicode() >= 0x20 && c.unicode() < 0x80) {
            out += char(c.unicode());
            continue;
        }
        if (const auto byte = win1251::encode(QString(c)); byte && c.unicode() >= 0x80) {
            out += "\\'" + byte->toHex();
            continue;
        }
        if (c.unicode() < 0x20)
            continue; // other control characters have no place in a document
        // Outside the code page: the character by number (signed 16 bits, a pair of halves
        // beyond the first plane), a question mark for readers that do not know \u.
        out += "\\u" + QByteArray::number(qint16(c.unicode())) + '?';
    }
}

void appendFormat(QByteArray &out, const QStringList &faces, const RtfRun &run) {
    out += "\\f" + QByteArray::number(faces.indexOf(run.face)) + "\\fs" +
           QByteArray::number(run.pointSize * 2) + ' ';
}

QByteArray twips(double millimetres) {
    return QByteArray::number(qRound(millimetres * 1440 / 25.4));
}

} // namespace

QByteArray writeRtf(const QList<RtfParagraph> &paragraphs, const RtfPage &page) {
    const QStringList faces = faceTable(paragraphs);
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049\n{\\fonttbl";
    for (qsizetype i = 0; i < faces.size(); ++i) {
        out += "{\\f" + QByteArray::number(i) + "\\fswiss\\fcharset204 ";
        QString name = faces[i];
        name.remove(u';');
        appendText(out, name);
        out += ";}";
    }
    out += "}\n\\paperw" + twips(page.width) + "\\paperh" + twips(page.height) + "\\margl" +
           twips(page.left) + "\\margr" + twips(page.right) + "\\margt" + twips(page.top) +
           "\\margb" + twips(page.bottom) + "\n\\viewkind4\\uc1\n";
    for (qsizetype p = 0; p < paragraphs.size(); ++p) {
        const RtfParagraph &paragraph = paragraphs[p];
        out += "\\pard\\plain\\lang1049";
        for (const RtfRun &run : paragraph.runs) {
            appendFormat(out, faces, run);
            appendText(out, run.text);
        }
        // The paragraph mark takes the format last set: an empty paragraph keeps its height.
        appendFormat(out, faces, paragraph.endFormat);
        // The last paragraph has no mark of its own, or the reader would add an empty one.
        out += p + 1 < paragraphs.size() ? "\\par\n" : "\n";
    }
    out += "}\n";
    return out;
}
