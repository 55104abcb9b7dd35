#include "dbwidgets/lookupbox.h"

#include "data/dataset.h"
#include "data/dberror.h"
#include "dbwidgets/datasetmodel.h"
#include "widgets/guarded.h"

#include <QScopedValueRollback>
#include <QTimer>

LookupBox::LookupBox(QWidget *parent) : QComboBox(parent) {
    setEditable(false);
    setInsertPolicy(QComboBox::NoInsert);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(8);
    connect(this, &QComboBox::activated, this, &LookupBox::userChose);
}

void LookupBox::setList(Dataset *book, const QString &keyField, const QString &displayField) {
    m_book = book;
    m_keyField = keyField;
    delete std::exchange(m_model, nullptr);
    m_model = new DatasetModel(book, {{displayField, QString()}}, this);
    setModel(m_model);
    setModelColumn(0);
    // A search in the book, a new entry or a renamed one: the same key shows again.
    connect(m_model, &QAbstractItemModel::modelReset, this, &LookupBox::showKey);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &LookupBox::showKey);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &LookupBox::showKey);
    showKey();
}

QVariant LookupBox::currentKey() const {
    if (!m_book || currentIndex() < 0)
        return QVariant();
    try {
        return m_book->value(currentIndex(), m_keyField);
    } catch (const DbError &) {
        return QVariant(); // a field the book does not hold is a fault of the caller's setup
    }
}

void LookupBox::setCurrentKey(const QVariant &key) {
    m_key = key;
    showKey();
}

void LookupBox::showKey() {
    if (!m_book)
        return;
    int found = -1;
    if (!m_key.isNull()) {
        runGuarded(this, [&] {
            const int field = m_book->fieldIndex(m_keyField);
            for (int row = 0; row < m_book->fetchedCount() && found < 0; ++row) {
                if (m_book->value(row, field) == m_key)
                    found = row;
            }
        });
    }
    QScopedValueRollback showing(m_showing, true);
    setCurrentIndex(found);
}

void LookupBox::userChose(int index) {
    if (m_showing || index < 0)
        return;
    m_key = currentKey();
    m_chosenWhileDropped = true;
    Q_EMIT keyChosen(m_key);
}

void LookupBox::showPopup() {
    m_chosenWhileDropped = false;
    Q_EMIT droppedDown();
    QComboBox::showPopup();
}

void LookupBox::hidePopup() {
    QComboBox::hidePopup();
    // The list hides itself before it tells of the entry chosen in it: the close is told once
    // that has come, or has not.
    QTimer::singleShot(0, this,
                       [this] { Q_EMIT closedUp(std::exchange(m_chosenWhileDropped, false)); });
}
