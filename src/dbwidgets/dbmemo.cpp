#include "dbwidgets/dbmemo.h"

#include "dbwidgets/memoenter.h"

#include "support/win1251input.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
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

DbMemo::Entry DbMemo::entering(const QString &typed) const {
    const QTextCursor cursor = textCursor();
    const QChar before = document()->characterAt(cursor.selectionStart() - 1);
    const win1251::Input input = win1251::adaptInput(withPlainLineBreaks(typed), before);
    if (!input.refused.isEmpty())
        return {QString(), win1251::refusalReason(input.refused)};
    if (m_maxLength <= 0)
        return {input.text, QString()};
    const int room =
        m_maxLength - fieldLength(toPlainText()) + fieldLength(cursor.selection().toPlainText());
    int taken = 0;
    qsizetype count = 0;
    while (count < input.text.size()) {
        const int length = fieldLength(QString(input.text.at(count)));
        if (taken + length > room)
            break;
        taken += length;
        ++count;
    }
    if (count == input.text.size())
        return {input.text, QString()};
    return {input.text.left(count),
            QStringLiteral("не более %1 знаков, перевод строки — два знака").arg(m_maxLength)};
}

bool DbMemo::enterByRule() {
    if (m_enterRule == EnterRule::LineBreak)
        return false;
    const QString text = fieldText();
    const bool caretAtEnd = textCursor().selectionStart() == toPlainText().size();
    const MemoEnter enter = memoEnter(text, caretAtEnd, m_enterRule == EnterRule::NumberedList);
    switch (enter.action) {
    case MemoEnter::Action::Leave:
        if (enter.text != text)
            setFieldText(enter.text);
        QWidget::focusNextPrevChild(true); // on to the next control, as Tab goes
        return true;
    case MemoEnter::Action::Number:
        if (m_maxLength > 0 && fieldLength(enter.text) > m_maxLength)
            return false; // no room for the number: an ordinary Enter, or told why not
        moveCursor(QTextCursor::End);
        insertPlainText(
            enter.text.mid(text.size()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        return true;
    case MemoEnter::Action::LineBreak:
        break;
    }
    return false;
}

void DbMemo::keyPressEvent(QKeyEvent *event) {
    const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (lineBreak && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
        !isReadOnly() && enterByRule()) {
        event->accept();
        return;
    }
    const QString typed = lineBreak ? QStringLiteral("\n") : event->text();
    const bool printable = lineBreak || (!typed.isEmpty() && typed.at(0).unicode() >= 32 &&
                                         typed.at(0).unicode() != 127);
    if (printable && !isReadOnly()) {
        const Entry entry = entering(typed);
        if (!entry.refusal.isEmpty()) {
            event->accept(); // refused whole: does not fit, or not in the code page
            Q_EMIT inputRefused(entry.refusal);
            return;
        }
        if (entry.text != typed) { // a sign typed that the code page lacks, in its plain form
            event->accept();
            insertPlainText(entry.text);
            return;
        }
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
    const Entry entry = entering(commit);
    fitted.setCommitString(entry.text, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&fitted);
    if (!entry.refusal.isEmpty())
        Q_EMIT inputRefused(entry.refusal);
}

void DbMemo::insertFromMimeData(const QMimeData *source) {
    if (!source->hasText())
        return;
    const Entry entry = entering(source->text());
    if (!entry.text.isEmpty())
        insertPlainText(entry.text);
    if (!entry.refusal.isEmpty())
        Q_EMIT inputRefused(entry.refusal);
}
