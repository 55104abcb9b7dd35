#include "dbwidgets/dbmemo.h"

#include "support/win1251codec.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocumentFragment>

namespace {

// Line breaks of any kind as the one the editor uses.
QString withPlainLineBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace

DbMemo::DbMemo(QWidget *parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void DbMemo::setMaxLength(int length) {
    m_maxLength = length;
}

int DbMemo::fieldLength(const QString &text) {
    return int(text.size() + text.count(u'\n'));
}

QString DbMemo::fieldText() const {
    QString text = toPlainText();
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

void DbMemo::setFieldText(const QString &text) {
    setPlainText(withPlainLineBreaks(text));
}

QString DbMemo::fitting(const QString &typed) const {
    QString text;
    for (QChar c : withPlainLineBreaks(typed)) {
        if (win1251::canEncode(QString(c)))
            text += c;
    }
    if (m_maxLength <= 0)
        return text;
    const int room = m_maxLength - fieldLength(toPlainText()) +
                     fieldLength(textCursor().selection().toPlainText());
    int taken = 0;
    qsizetype count = 0;
    while (count < text.size()) {
        const int length = fieldLength(QString(text.at(count)));
        if (taken + length > room)
            break;
        taken += length;
        ++count;
    }
    return text.left(count);
}

QString DbMemo::refusalReason(const QString &typed) const {
    const QString plain = withPlainLineBreaks(typed);
    const qsizetype bad = win1251::firstUnencodable(plain);
    if (bad >= 0) {
        const int length = plain.at(bad).isHighSurrogate() && bad + 1 < plain.size() ? 2 : 1;
        return QStringLiteral("знака «%1» нет в кодировке Windows-1251")
            .arg(plain.mid(bad, length));
    }
    return QStringLiteral("не более %1 знаков, перевод строки — два знака").arg(m_maxLength);
}

void DbMemo::keyPressEvent(QKeyEvent *event) {
    const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QString typed = lineBreak ? QStringLiteral("\n") : event->text();
    const bool printable = lineBreak || (!typed.isEmpty() && typed.at(0).unicode() >= 32 &&
                                         typed.at(0).unicode() != 127);
    if (printable && !isReadOnly() && fitting(typed) != withPlainLineBreaks(typed)) {
        event->accept(); // refused: does not fit, or not in the code page
        Q_EMIT inputRefused(refusalReason(typed));
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void DbMemo::inputMethodEvent(QInputMethodEvent *event) {
    const QString commit = event->commitString();
    if (commit.isEmpty()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent fitted(event->preeditString(), event->attributes());
    const QString fits = fitting(commit);
    fitted.setCommitString(fits, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&fitted);
    if (fits != withPlainLineBreaks(commit))
        Q_EMIT inputRefused(refusalReason(commit));
}

void DbMemo::insertFromMimeData(const QMimeData *source) {
    if (!source->hasText())
        return;
    const QString pasted = source->text();
    const QString fits = fitting(pasted);
    insertPlainText(fits);
    if (fits != withPlainLineBreaks(pasted))
        Q_EMIT inputRefused(refusalReason(pasted));
}
