#pragma once

#include <QComboBox>
#include <QPointer>
#include <QString>
#include <QVariant>

class Dataset;
class DatasetModel;

// A drop-down list of the rows of a book (the doctors, say): it shows one field of each row
// (the doctor's name) and stands for another (the doctor's key). Letters typed while it has the
// focus find the first entry that begins with them. The list follows the book's dataset: a row
// added, renamed or narrowed away by a search shows at once.
//
// Bound through DataMapper, it shows and writes a field that holds the key (a visit's doctor);
// it also serves on its own (the filter's criteria) and as a grid's cell editor.
class LookupBox : public QComboBox {
    Q_OBJECT
public:
    explicit LookupBox(QWidget *parent = nullptr);

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

    void showPopup() override;
    void hidePopup() override;

Q_SIGNALS:
    // The user chose an entry, from the list or by typing.
    void keyChosen(const QVariant &key);
    void droppedDown();
    // The list closed; `chosen` when it closed on the user's choice.
    void closedUp(bool chosen);

private:
    void showKey();
    void userChose(int index);

    QPointer<Dataset> m_book;
    DatasetModel *m_model = nullptr;
    QString m_keyField;
    QVariant m_key;
    bool m_chosenWhileDropped = false;
    bool m_showing = false;
};
