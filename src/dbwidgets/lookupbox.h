#pragma once

#include <QComboBox>
#include <QPointer>
#include <QString>
#include <QVariant>

class Dataset;
class DatasetModel;
class QAbstractItemView;
class QCompleter;
class QLabel;

// A drop-down list of the rows of a book (the doctors, say): it shows one field of each row
// (the doctor's name) and stands for another (the doctor's key). The list follows the book's
// dataset: a row added, renamed or narrowed away by the book's search shows at once.
//
// What the user types is looked for anywhere in the entries' names, spaces included, in any
// letter case, as the book's own search looks: a list of the entries that contain it drops down
// under the box and narrows with each letter, the entry named exactly as typed (else the first
// one beginning with it, else the first one) highlighted. Return takes the highlighted entry, and
// so does leaving the box while the list is open (Tab). A text that names no entry is never
// swapped for another entry: the box says "Нет в справочнике" under itself, and Return asks for
// the book (bookWanted) where someone listens; leaving the box puts back the entry chosen before
// and says why (inputRefused). The matches are looked for in
// the view only: the book's dataset keeps its rows, which other windows look names up in.
//
// Keys held with Alt are access keys of the window, never letters typed into the box.
//
// Bound through DataMapper, it shows and writes a field that holds the key (a visit's doctor);
// it also serves on its own (the filter's criteria) and as a grid's cell editor.
class LookupBox : public QComboBox {
    Q_OBJECT
public:
    explicit LookupBox(QWidget *parent = nullptr);
    ~LookupBox() override;

    void setList(Dataset *book, const QString &keyField, const QString &displayField);
    Dataset *book() const { return m_book; }

    // The key of the entry shown; null when none is.
    QVariant currentKey() const;
    // The key last set or chosen, whether the list shows its entry or not.
    const QVariant &key() const { return m_key; }
    // Shows the entry with this key, or nothing when the list has none (a null key, or an entry
    // the book's search has narrowed away). The key is kept: it shows again when the list
    // holds it again.
    void setCurrentKey(const QVariant &key);
    // The book's row of the entry shown, or -1.
    int currentBookRow() const { return currentIndex(); }

    // True while the box holds text the user typed that is not (yet) the entry shown.
    bool isTyping() const { return m_typing; }
    // Ends the typing as leaving the box does: the entry highlighted in the open list of matches,
    // else the one named exactly as typed, is taken; any other text gives way to the entry
    // chosen before, and inputRefused tells so.
    void finishTyping();
    // The list of the entries that contain what is typed.
    QAbstractItemView *matchList() const;
    // The note "Нет в справочнике" shown under the box while what is typed names no entry.
    QLabel *notInBookNote() const { return m_notInBook; }

    void showPopup() override;
    void hidePopup() override;

Q_SIGNALS:
    // The user chose an entry, from a list or by typing.
    void keyChosen(const QVariant &key);
    // A list dropped down: the drop-down list, or the list of matches as the user types.
    void droppedDown();
    // The drop-down list closed, `chosen` when on the user's choice; or the list of matches
    // closed on a choice (Return, a click), always `chosen`.
    void closedUp(bool chosen);
    // Return on a text that names no entry: the user asks for the book to choose from (or to add
    // the entry to). The box shows the entry chosen before again.
    void bookWanted(const QString &typed);
    // What was typed named no entry and gave way to the entry chosen before; `reason` says so.
    void inputRefused(const QString &reason);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showKey();
    void userChose(int index);
    void typed(const QString &text);
    // The book's row of a row of the list of matches, or -1.
    int bookRowOfMatch(int matchRow) const;
    // The book's row of the entry highlighted in the open list of matches, or -1.
    int highlightedEntry() const;
    // Takes the entry of a row of the list of matches and closes the list on it.
    void takeMatch(int matchRow);
    // Shows the entry of the book's row and takes it, as the user's choice.
    void takeEntry(int row);
    // Return on what was typed: the highlighted match, the entry named exactly so, the list
    // again, or the book.
    void typedReturn();
    // The book's row of the entry named exactly as typed (letter case aside), or -1.
    int exactEntry() const;
    // The book's row of the entry the typing names: the one highlighted in the open list of
    // matches, else the one named exactly as typed; -1 when none. The list closes.
    int namedEntry();
    // Back to the entry chosen before, the typing forgotten.
    void stopTyping();
    void showNotInBook(bool show);
    bool isMatchListShown() const;
    bool offersBook() const;

    QPointer<Dataset> m_book;
    DatasetModel *m_model = nullptr;
    QCompleter *m_matches = nullptr;
    QLabel *m_notInBook = nullptr;
    QMetaObject::Connection m_focusWatch;
    QString m_keyField;
    QVariant m_key;
    bool m_chosenWhileDropped = false;
    bool m_showing = false;
    bool m_typing = false;
};
