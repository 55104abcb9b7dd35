#include "dbwidgets/dbgrid.h"

#include "data/dataset.h"
#include "dbwidgets/datasetmodel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>

DbGrid::DbGrid(QWidget *parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void DbGrid::setDataSource(DataSource *source, const QList<Column> &columns) {
    detach();
    m_source = source;
    m_columns = columns;
    if (isVisible())
        attach();
}

int DbGrid::columnOf(const QString &field) const {
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].field.compare(field, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void DbGrid::attach() {
    if (m_model || !m_source)
        return;
    QList<DatasetModel::Column> columns;
    for (const Column &column : std::as_const(m_columns))
        columns << DatasetModel::Column{column.field, column.title};
    m_model = new DatasetModel(m_source->dataset(), columns, this);
    QItemSelectionModel *unused = selectionModel(); // the empty grid's, replaced by the model's
    m_binding = new GridBinding(this, m_model);
    if (unused != selectionModel())
        delete unused;
    QHeaderView *header = horizontalHeader();
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].width > 0) {
            header->setSectionResizeMode(int(i), QHeaderView::Interactive);
            header->resizeSection(int(i), m_columns[i].width);
        } else {
            header->setSectionResizeMode(int(i), QHeaderView::Stretch);
        }
    }
}

void DbGrid::detach() {
    if (!m_model)
        return;
    delete std::exchange(m_binding, nullptr);
    QItemSelectionModel *selection = selectionModel(); // a view leaves it to its owner
    setModel(nullptr);
    delete selection;
    delete std::exchange(m_model, nullptr);
}

void DbGrid::showEvent(QShowEvent *event) {
    attach();
    QTableView::showEvent(event);
}

void DbGrid::hideEvent(QHideEvent *event) {
    QTableView::hideEvent(event);
    // A window only minimised keeps its rows.
    if (!event->spontaneous())
        detach();
}

void DbGrid::mouseDoubleClickEvent(QMouseEvent *event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        Q_EMIT gridDoubleClicked();
}

QModelIndex DbGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    // The grid shows whole rows: Home and End go to the first and the last row.
    if (action == MoveHome || action == MoveEnd)
        modifiers |= Qt::ControlModifier;
    return QTableView::moveCursor(action, modifiers);
}
