#include "dbwidgets/datasetmodel.h"

#include "data/dataset.h"
#include "data/dberror.h"
#include "support/dates.h"
#include "widgets/contrast.h"
#include "widgets/guarded.h"
#include "widgets/messagebox.h"

#include <QAbstractItemView>
#include <QFont>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPalette>
#include <QWidget>

namespace {

constexpr int kFetchStep = 256;

// Whether a cell's new value is the one its field holds: empty text is null, as an empty box is.
bool sameAsStored(const QVariant &value, const QVariant &stored) {
    const bool empty =
        value.isNull() || (value.typeId() == QMetaType::QString && value.toString().isEmpty());
    if (empty || stored.isNull())
        return empty && stored.isNull();
    if (stored.typeId() == QMetaType::QDate)
        return value.toDate() == stored.toDate() ||
               value.toString() == dates::toText(stored.toDate());
    return value.toString() == stored.toString();
}

} // namespace

DatasetModel::DatasetModel(Dataset *dataset, const QList<Column> &columns, QObject *parent)
    : QAbstractTableModel(parent), m_dataset(dataset), m_columns(columns) {
    for (const Column &column : m_columns)
        m_fieldIndex << dataset->fieldIndex(column.field);
    m_rows = dataset->fetchedCount();

    connect(dataset, &Dataset::rowsAboutToBeReset, this, [this] {
        m_changingRows = true;
        beginResetModel();
        m_resetting = true;
    });
    connect(dataset, &Dataset::rowsReset, this, &DatasetModel::resetFromDataset);
    connect(dataset, &Dataset::rowsFetched, this, [this](int first, int last) {
        if (first != m_rows) {
            resetFromDataset();
            return;
        }
        beginInsertRows({}, first, last);
        m_rows = last + 1;
        endInsertRows();
    });
    connect(dataset, &Dataset::rowAboutToBeInserted, this, [this](int row) {
        m_changingRows = true;
        beginInsertRows({}, row, row);
    });
    connect(dataset, &Dataset::rowInserted, this, [this] {
        ++m_rows;
        endInsertRows();
        m_changingRows = false;
    });
    connect(dataset, &Dataset::rowAboutToBeRemoved, this, [this](int row) {
        m_changingRows = true;
        beginRemoveRows({}, row, row);
    });
    connect(dataset, &Dataset::rowRemoved, this, [this] {
        --m_rows;
        endRemoveRows();
        m_changingRows = false;
    });
    connect(dataset, &Dataset::rowChanged, this, [this](int row) {
        if (row >= 0 && row < m_rows)
            Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
}

void DatasetModel::resetFromDataset() {
    if (!m_resetting)
        beginResetModel();
    m_resetting = false;
    m_rows = m_dataset->fetchedCount();
    m_fetchFailed = false;
    endResetModel();
    m_changingRows = false;
}

int DatasetModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int DatasetModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DatasetModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_rows)
        return QVariant();
    try {
        if ((role == Qt::ForegroundRole || role == Qt::FontRole) && m_dimmed &&
            m_dimmed(*m_dataset, index.row())) {
            if (role == Qt::ForegroundRole) {
                // Fainter than the other rows, yet readable on the palette's background.
                const QPalette palette = QGuiApplication::palette();
                return QBrush(contrast::dimmedText(palette.color(QPalette::Text),
                                                   palette.color(QPalette::Base)));
            }
            QFont italic;
            italic.setItalic(true);
            return italic;
        }
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return QVariant();
        return m_dataset->displayText(index.row(), m_fieldIndex.value(index.column(), -1));
    } catch (const DbError &error) {
        reportLater(const_cast<DatasetModel *>(this), error);
        return QVariant();
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_columns.size())
        return m_columns[section].title;
    // A screen reader names a row by what its first column holds ("Иванов Иван"), a row
    // still empty by its number.
    if (orientation == Qt::Vertical && role == Qt::AccessibleTextRole && section >= 0 &&
        section < m_rows) {
        const QString first = columnCount() > 0 ? data(index(section, 0)).toString() : QString();
        return first.isEmpty() ? QStringLiteral("Строка %1").arg(section + 1) : first;
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool DatasetModel::canFetchMore(const QModelIndex &parent) const {
    if (parent.isValid() || m_fetchFailed)
        return false;
    try {
        return m_dataset->canFetchMore();
    } catch (const DbError &error) {
        m_fetchFailed = true;
        reportLater(const_cast<DatasetModel *>(this), error);
        return false;
    }
}

void DatasetModel::fetchMore(const QModelIndex &parent) {
    if (parent.isValid())
        return;
    try {
        m_dataset->fetchMore(kFetchStep);
    } catch (const DbError &error) {
        // The view asks again at every scroll: one refusal stops the reading until the list is
        // filled anew, so that the user sees one message, not one per scroll.
        m_fetchFailed = true;
        reportLater(this, error);
    }
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex &index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const int field = fieldOfColumn(index.column());
    if (m_editable && index.isValid() && field >= 0) {
        const FieldDef &def = m_dataset->field(field);
        if (def.isData() || def.kind == FieldKind::Lookup)
            flags |= Qt::ItemIsEditable;
    }
    return flags;
}

bool DatasetModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!(flags(index) & Qt::ItemIsEditable) || role != Qt::EditRole)
        return false;
    const FieldDef &def = m_dataset->field(fieldOfColumn(index.column()));
    const QString target = def.kind == FieldKind::Lookup ? def.keyField : def.name;
    return runGuarded(qobject_cast<QWidget *>(QObject::parent()), [&] {
        if (index.row() != m_dataset->currentRow())
            m_dataset->moveTo(index.row());
        if (sameAsStored(value, m_dataset->value(target)))
            return; // nothing changed: the row is not put into edit state
        if (!m_dataset->isEditing())
            m_dataset->edit();
        m_dataset->setValue(target, value);
    });
}

GridBinding::GridBinding(QAbstractItemView *view, DatasetModel *model)
    : QObject(view), m_view(view), m_model(model) {
    view->setModel(model);
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { viewMoved(current); });
    connect(model->dataset(), &Dataset::currentRowChanged, this,
            [this](int row) { datasetMoved(row); });
    // A reset clears the view's selection model; put the current row back afterwards.
    connect(model, &QAbstractItemModel::modelReset, this,
            [this] { datasetMoved(m_model->dataset()->currentRow()); });
    datasetMoved(model->dataset()->currentRow());
    view->installEventFilter(this);
}

bool GridBinding::eventFilter(QObject *watched, QEvent *event) {
    if (watched != m_view || event->type() != QEvent::KeyPress)
        return false;
    bool consumed = false;
    runGuarded(m_view, [&] { consumed = keyPressed(static_cast<QKeyEvent *>(event)); });
    return consumed;
}

bool GridBinding::keyPressed(const QKeyEvent *key) {
    if (key->modifiers() & (Qt::AltModifier | Qt::ShiftModifier))
        return false;
    Dataset *dataset = m_model->dataset();
    switch (key->key()) {
    case Qt::Key_Home:
        if (mayLeaveRow())
            dataset->first();
        return true;
    case Qt::Key_End:
        if (mayLeaveRow())
            dataset->last();
        return true;
    case Qt::Key_PageDown:
    case Qt::Key_Down: {
        // A page ahead of the current row is read before the view moves, so that the move is
        // not cut short at the end of what was read so far.
        const int rowHeight = std::max(1, m_view->sizeHintForRow(0));
        const int page = std::max(1, m_view->viewport()->height() / rowHeight);
        const int needed = std::max(dataset->currentRow(), 0) + page + 1;
        if (dataset->canFetchMore() && needed >= dataset->fetchedCount())
            dataset->fetchMore(needed - dataset->fetchedCount() + 1);
        return false;
    }
    default:
        return false;
    }
}

bool GridBinding::mayLeaveRow() const {
    return !m_mayLeave || !m_model->dataset()->isEditing() || m_mayLeave();
}

void GridBinding::viewMoved(const QModelIndex &current) {
    // While rows come or go the selection moves by itself; the dataset tells where it is
    // afterwards, so those moves are not passed on to it.
    if (m_syncing || !current.isValid() || m_model->isChangingRows())
        return;
    Dataset *dataset = m_model->dataset();
    if (current.row() == dataset->currentRow())
        return;
    if (!mayLeaveRow()) {
        datasetMoved(dataset->currentRow());
        return;
    }
    try {
        dataset->moveTo(current.row());
    } catch (const DbError &error) {
        MessageBox::dbError(m_view, error);
        datasetMoved(dataset->currentRow());
    }
}

void GridBinding::datasetMoved(int row) {
    if (!m_view || row >= m_model->rowCount())
        return;
    m_syncing = true;
    QItemSelectionModel *selection = m_view->selectionModel();
    const QModelIndex target =
        row < 0 ? QModelIndex() : m_model->index(row, std::max(0, m_view->currentIndex().column()));
    if (target.isValid()) {
        selection->setCurrentIndex(target,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else {
        selection->clear();
    }
    m_syncing = false;
}
