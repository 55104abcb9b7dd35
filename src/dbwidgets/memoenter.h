#pragma once

#include <QString>

// What Enter typed in a memo does. The text is the memo's as the field keeps it (lines ending in
// CR LF); `caretAtEnd` tells whether the caret (the start of the selection) stands after its last
// character.
struct MemoEnter {
    enum class Action {
        LineBreak, // left to the memo: an ordinary line break
        Leave,     // the memo takes `text` and the focus moves on to the next control
        Number,    // the memo takes `text`, the next number of the list, caret at the end
    };
    Action action = Action::LineBreak;
    QString text;
};
// Enter at the end of an empty text or of an empty last line leaves the box, the text trimmed of
// blanks and line breaks at both ends. In a numbered list (`numbered`, the recommendations), Enter
// at the end of a last line that begins with a one-digit number and "." starts the next line with
// the next number; Enter after a last line that holds only its number ("4. ") drops that line and
// leaves the box.
MemoEnter memoEnter(const QString &text, bool caretAtEnd, bool numbered);
