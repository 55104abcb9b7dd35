#include "dbwidgets/lookupbox.h"

#include "data/dataset.h"
#include "data/dberror.h"
#include "dbwidgets/datasetmodel.h"
#include "widgets/guarded.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QApplication>
#include <QCompleter>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QScopedValueRollback>
#include <QTimer>
#include <QToolTip>

namespace {

const QString kNotInBook = QStringLiteral("Нет в справочнике");

bool isEnterKey(const QKeyEvent *event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// Alt (or the Windows key) with a letter is an access key of the window. The platform leaves
// such a key to the focused control when no access key of the window matches it (a letter of
// another keyboard layout, say): it must not be typed or searched for there either.
bool isAccessKey(const QKeyEvent *event) {
    const QString text = event->text();
    return (event->modifiers() & (Qt::AltModifier | Qt::MetaModifier)) && !text.isEmpty() &&
           text.at(0).isPrint();
}

} // namespace

LookupBox::LookupBox(QWidget *parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // The combo box's own completion finds beginnings only, and its look-up of the text when the
    // editing finishes would take an entry while the list of matches is still open: what is
    // typed is looked at here, on Return and on leaving the box.
    setCompleter(nullptr);
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
    disconnect(lineEdit(), &QLineEdit::returnPressed, this, nullptr);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(8);
    connect(this, &QComboBox::activated, this, &LookupBox::userChose);
    connect(lineEdit(), &QLineEdit::textEdited, this, &LookupBox::typed);

    m_matches = new QCompleter(this);
    m_matches->setCompletionMode(QCompleter::PopupCompletion);
    m_matches->setFilterMode(Qt::MatchContains);
    m_matches->setCaseSensitivity(Qt::CaseInsensitive);
    m_matches->setMaxVisibleItems(10);
    m_matches->setWidget(this);
    connect(m_matches, qOverload<const QModelIndex &>(&QCompleter::activated), this,
            [this](const QModelIndex &index) { takeMatch(index.row()); });
    // Installed after the completer's own filter, so this one sees the list's keys first.
    m_matches->popup()->installEventFilter(this);

    m_notInBook = new QLabel(this, Qt::ToolTip);
    m_notInBook->setObjectName(QStringLiteral("lbNotInBook"));
    m_notInBook->setAttribute(Qt::WA_ShowWithoutActivating);
    m_notInBook->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_notInBook->setPalette(QToolTip::palette());
    m_notInBook->setForegroundRole(QPalette::ToolTipText);
    m_notInBook->setBackgroundRole(QPalette::ToolTipBase);
    m_notInBook->setAutoFillBackground(true);
    m_notInBook->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_notInBook->setMargin(2);

    // Another control of the window taking the focus ends the typing. A window opened over this
    // one (a message, the book) does not: the user comes back to the text.
    m_focusWatch =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
            if (old != this || !now || now == this)
                return;
            m_notInBook->hide();
            if (now->window() == window())
                finishTyping();
        });
}

LookupBox::~LookupBox() {
    // Destroying a focused widget moves the focus: nothing of this box may be looked at then.
    disconnect(m_focusWatch);
    m_matches->popup()->removeEventFilter(this);
}

void LookupBox::setList(Dataset *book, const QString &keyField, const QString &displayField) {
    m_book = book;
    m_keyField = keyField;
    m_typing = false;
    delete std::exchange(m_model, nullptr);
    m_model = new DatasetModel(book, {{displayField, QString()}}, this);
    setModel(m_model);
    setModelColumn(0);
    m_matches->setModel(m_model);
    // A search in the book, a new entry or a renamed one: the same key shows again.
    connect(m_model, &QAbstractItemModel::modelReset, this, &LookupBox::showKey);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &LookupBox::showKey);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &LookupBox::showKey);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &LookupBox::showKey);
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
    // The entry being typed over stays typed over while it is still the one chosen.
    if (m_typing && found == currentIndex())
        return;
    m_typing = false;
    m_notInBook->hide();
    m_matches->popup()->hide();
    QScopedValueRollback showing(m_showing, true);
    setCurrentIndex(found);
    lineEdit()->setText(itemText(found));
    lineEdit()->selectAll(); // a letter typed replaces the name shown
}

void LookupBox::userChose(int index) {
    if (m_showing || index < 0)
        return;
    m_typing = false;
    m_notInBook->hide();
    m_matches->popup()->hide();
    m_key = currentKey();
    m_chosenWhileDropped = true;
    Q_EMIT keyChosen(m_key);
}

QAbstractItemView *LookupBox::matchList() const {
    return m_matches->popup();
}

bool LookupBox::isMatchListShown() const {
    return m_matches->popup()->isVisible();
}

bool LookupBox::offersBook() const {
    return isSignalConnected(QMetaMethod::fromSignal(&LookupBox::bookWanted));
}

void LookupBox::typed(const QString &text) {
    m_typing = true;
    const QString wanted = text.trimmed();
    if (wanted.isEmpty()) {
        m_matches->popup()->hide();
        showNotInBook(false);
        return;
    }
    m_matches->setCompletionPrefix(text);
    if (m_matches->completionCount() == 0) { // reads every match
        m_matches->popup()->hide();
        showNotInBook(true);
        return;
    }
    showNotInBook(false);
    const bool dropping = !isMatchListShown();
    m_matches->complete();
    // The entry named as typed, else the first that begins so, else the first.
    const QAbstractItemModel *matches = m_matches->completionModel();
    int best = 0;
    bool beginning = false;
    for (int row = 0; row < matches->rowCount(); ++row) {
        const QString name = matches->index(row, 0).data().toString().trimmed();
        if (name.compare(wanted, Qt::CaseInsensitive) == 0) {
            best = row;
            break;
        }
        if (!beginning && name.startsWith(wanted, Qt::CaseInsensitive)) {
            best = row;
            beginning = true;
        }
    }
    matchList()->setCurrentIndex(matches->index(best, 0));
    if (dropping)
        Q_EMIT droppedDown();
}

int LookupBox::bookRowOfMatch(int matchRow) const {
    const auto *matches = qobject_cast<const QAbstractProxyModel *>(m_matches->completionModel());
    return matches ? matches->mapToSource(matches->index(matchRow, 0)).row() : -1;
}

int LookupBox::highlightedEntry() const {
    if (!isMatchListShown() || !matchList()->currentIndex().isValid())
        return -1;
    return bookRowOfMatch(matchList()->currentIndex().row());
}

void LookupBox::takeMatch(int matchRow) {
    const int row = bookRowOfMatch(matchRow);
    m_matches->popup()->hide();
    if (row < 0)
        return;
    takeEntry(row);
    Q_EMIT closedUp(true);
}

void LookupBox::takeEntry(int row) {
    {
        QScopedValueRollback showing(m_showing, true);
        setCurrentIndex(row);
        lineEdit()->setText(itemText(row));
    }
    userChose(row);
}

int LookupBox::exactEntry() const {
    const QString wanted = lineEdit()->text().trimmed();
    if (wanted.isEmpty())
        return -1;
    for (int row = 0; row < count(); ++row) {
        if (itemText(row).trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
            return row;
    }
    return -1;
}

int LookupBox::namedEntry() {
    const int highlighted = highlightedEntry();
    m_matches->popup()->hide();
    return highlighted >= 0 ? highlighted : exactEntry();
}

void LookupBox::typedReturn() {
    const int row = namedEntry();
    if (row >= 0) {
        takeEntry(row);
        Q_EMIT closedUp(true);
        return;
    }
    const QString text = lineEdit()->text().trimmed();
    if (text.isEmpty()) {
        stopTyping();
        return;
    }
    if (m_matches->completionCount() > 0) {
        typed(lineEdit()->text()); // the list of matches again, to choose from
        return;
    }
    if (offersBook()) {
        stopTyping();
        Q_EMIT bookWanted(text);
    }
}

void LookupBox::finishTyping() {
    if (!m_typing)
        return;
    // Leaving the box with the list open takes the entry highlighted in it, as Return does.
    const int row = namedEntry();
    if (row >= 0) {
        takeEntry(row);
        return;
    }
    const QString text = lineEdit()->text().trimmed();
    stopTyping();
    if (!text.isEmpty())
        Q_EMIT inputRefused(QStringLiteral("«%1» — %2").arg(text, kNotInBook.toLower()));
}

void LookupBox::stopTyping() {
    m_typing = false;
    showKey();
}

void LookupBox::showNotInBook(bool show) {
    if (!show || !isVisible()) {
        m_notInBook->hide();
        return;
    }
    m_notInBook->setText(offersBook() ? kNotInBook + QStringLiteral(". Enter — открыть справочник")
                                      : kNotInBook);
    m_notInBook->adjustSize();
    m_notInBook->move(mapToGlobal(QPoint(0, height())));
    m_notInBook->show();
}

void LookupBox::keyPressEvent(QKeyEvent *event) {
    if (isAccessKey(event)) {
        event->ignore();
        return;
    }
    if (!m_typing) {
        QComboBox::keyPressEvent(event);
        return;
    }
    if (isEnterKey(event)) {
        if (event->modifiers() & Qt::ControlModifier) {
            finishTyping(); // a command of the window (OK): what is typed is settled first
            QComboBox::keyPressEvent(event);
        } else {
            typedReturn();
            event->accept();
        }
        return;
    }
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    switch (plain ? event->key() : 0) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (isMatchListShown())
            QApplication::sendEvent(matchList(), event); // the list moves its highlight
        else
            typed(lineEdit()->text()); // the list of matches again
        event->accept();
        return;
    case Qt::Key_Escape: // the list closes, or the entry chosen before shows again
        if (isMatchListShown())
            m_matches->popup()->hide();
        else
            stopTyping();
        event->accept();
        return;
    default:
        QComboBox::keyPressEvent(event);
    }
}

void LookupBox::hideEvent(QHideEvent *event) {
    m_notInBook->hide();
    if (m_typing)
        stopTyping();
    QComboBox::hideEvent(event);
}

bool LookupBox::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_matches->popup() && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (isEnterKey(key) && !(key->modifiers() & Qt::ControlModifier)) {
            typedReturn();
            return true;
        }
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || isEnterKey(key)) {
            // Tab (and Ctrl+Enter, the window's OK) take the highlighted entry and go on from the
            // box as they do without the list: to the next control, through a grid's editor to
            // the grid's next control, or to the window.
            finishTyping();
            QKeyEvent resent(key->type(), key->key(), key->modifiers(), key->text());
            QApplication::sendEvent(this, &resent);
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void LookupBox::showPopup() {
    m_matches->popup()->hide();
    m_notInBook->hide();
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
