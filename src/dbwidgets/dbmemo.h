#pragma once

#include <QPlainTextEdit>

// A memo for a text field: as a Windows memo stores it, a line break is CR LF and counts as two of
// the field's characters. Typing, pasting and dropping take only what fits into the field and what
// its code page (Windows-1251) can hold: common signs it lacks take their plain equivalents
// ("≥" ">="), and any other character it lacks refuses the whole input. What is refused is told;
// Tab moves on to the next control. Enter may also leave the memo from an empty last line, and
// number a list as it is typed (memoenter.h).
class DbMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    enum class EnterRule {
        LineBreak,        // Enter breaks the line, as in any text box
        LeaveOnEmptyLine, // Enter on an empty last line leaves the box
        NumberedList,     // as LeaveOnEmptyLine, and Enter after a numbered line starts the next
    };

    explicit DbMemo(QWidget *parent = nullptr);

    void setEnterRule(EnterRule rule) { m_enterRule = rule; }

    // The most characters the field holds, line breaks counted as two; 0 means no limit.
    void setMaxLength(int length);
    int maxLength() const { return m_maxLength; }

    // The text as the field keeps it, lines ending in CR LF.
    QString fieldText() const;
    void setFieldText(const QString &text);

    // The characters a text takes in the field.
    static int fieldLength(const QString &text);

Q_SIGNALS:
    // Typed, pasted or dropped text was refused, in whole or in part; `reason` tells the user why
    // ("не более 600 знаков").
    void inputRefused(const QString &reason);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // What goes in place of the selection for `typed`, and why it is not all of it.
    struct Entry {
        QString text;    // the input in the code page, as much of it as there is room for
        QString refusal; // empty when `text` is the whole input
    };
    Entry entering(const QString &typed) const;
    // Enter by the memo's rule; false when it is an ordinary line break.
    bool enterByRule();

    int m_maxLength = 0;
    EnterRule m_enterRule = EnterRule::LineBreak;
};
