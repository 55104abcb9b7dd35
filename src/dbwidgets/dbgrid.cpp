#include "dbwidgets/dbgrid.h"

#include "data/dataset.h"
#include "dbwidgets/datasetmodel.h"

#include "dbwidgets/lookupbox.h"
#include "dbwidgets/win1251validator.h"
#include "widgets/guarded.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace {

// The cell editors of an editable grid: a drop-down list of the book for a lookup column, a
// line limited to the field's size and code page for the rest.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &index) const override {
        const FieldDef &def = fieldOf(index);
        // A screen reader names the editor by its column's title.
        const QString title = index.model()->headerData(index.column(), Qt::Horizontal).toString();
        if (def.kind == FieldKind::Lookup) {
            auto *box = new LookupBox(parent);
            box->setAccessibleName(title);
            box->lineEdit()->setAccessibleName(title);
            box->setList(def.lookupDataset, def.lookupKeyField, def.lookupResultField);
            auto *self = const_cast<CellDelegate *>(this);
            // The entry chosen goes into the row at once, as a choice in the list is final; a
            // list closed on the choice closes the cell too, as Enter does.
            connect(box, &LookupBox::keyChosen, self,
                    [self, box] { Q_EMIT self->commitData(box); });
            connect(box, &LookupBox::closedUp, self, [self, box](bool chosen) {
                if (chosen)
                    Q_EMIT self->closeEditor(box, QAbstractItemDelegate::NoHint);
            });
            auto *grid = qobject_cast<DbGrid *>(self->parent());
            if (!grid)
                return box;
            connect(box, &LookupBox::inputRefused, grid,
                    [grid, field = def.name](const QString &reason) {
                        Q_EMIT grid->cellInputRefused(field, reason);
                    });
            // Text that names no entry: the cell closes, its row as it was, and the grid asks
            // for the book once the key that asked is over (the book, a window of its own,
            // takes the focus, and the cell's editor is gone by then).
            if (grid->offersBooks()) {
                connect(box, &LookupBox::bookWanted, self,
                        [self, box, grid, field = def.name](const QString &typed) {
                            Q_EMIT self->closeEditor(box, QAbstractItemDelegate::NoHint);
                            QMetaObject::invokeMethod(
                                grid,
                                [grid, field, typed] { Q_EMIT grid->bookWanted(field, typed); },
                                Qt::QueuedConnection);
                        });
            }
            return box;
        }
        auto *line = new QLineEdit(parent);
        line->setAccessibleName(title);
        line->setFrame(false);
        if (def.isText()) {
            line->setMaxLength(def.size);
            auto *validator = new Win1251Validator(line);
            line->setValidator(validator);
            // Too long, or characters the code page lacks: the editor tells which.
            connect(validator, &Win1251Validator::inputRefused, this,
                    [this, field = def.name](const QString &reason) {
                        if (auto *grid = qobject_cast<DbGrid *>(this->parent()))
                            Q_EMIT grid->cellInputRefused(field, reason);
                    });
        }
        return line;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override {
        const FieldDef &def = fieldOf(index);
        if (auto *box = qobject_cast<LookupBox *>(editor)) {
            runGuarded(editor, [&] {
                box->setCurrentKey(model(index)->dataset()->value(index.row(), def.keyField));
            });
        } else if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            line->setText(index.data(Qt::EditRole).toString());
        }
    }

    void setModelData(QWidget *editor, QAbstractItemModel *itemModel,
                      const QModelIndex &index) const override {
        if (auto *box = qobject_cast<LookupBox *>(editor)) {
            box->finishTyping(); // the entry named as typed, or the one chosen before
            itemModel->setData(index, box->key());
        } else if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            itemModel->setData(index, line->text());
        }
    }

protected:
    // Enter (and Esc) on what is typed into a lookup cell belong to the cell's box: it takes the
    // highlighted entry, closes its list, or asks for the book, instead of the cell closing on
    // the entry chosen before.
    bool eventFilter(QObject *object, QEvent *event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto *box = qobject_cast<LookupBox *>(object);
            const auto *key = static_cast<QKeyEvent *>(event);
            const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            if (box && ((enter && box->isTyping()) ||
                        ((enter || key->key() == Qt::Key_Escape) && box->matchList()->isVisible())))
                return false;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    static const DatasetModel *model(const QModelIndex &index) {
        return static_cast<const DatasetModel *>(index.model());
    }
    static const FieldDef &fieldOf(const QModelIndex &index) {
        return model(index)->dataset()->field(model(index)->fieldOfColumn(index.column()));
    }
};

bool isWithin(const QWidget *widget, const QWidget *ancestor) {
    for (; widget; widget = widget->parentWidget()) {
        if (widget == ancestor)
            return true;
    }
    return false;
}

} // namespace

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
    setItemDelegate(new CellDelegate(this));
    connect(qApp, &QApplication::focusChanged, this, &DbGrid::focusMoved);
}

void DbGrid::setEditable(bool editable) {
    m_editable = editable;
    setEditTriggers(editable
                        ? QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                              QAbstractItemView::SelectedClicked
                        : QAbstractItemView::NoEditTriggers);
    if (m_model)
        m_model->setEditable(editable);
}

int DbGrid::firstEditableColumn() const {
    for (int column = 0; m_model && column < m_model->columnCount(); ++column) {
        const FieldDef &def = m_model->dataset()->field(m_model->fieldOfColumn(column));
        if (def.isData() || def.kind == FieldKind::Lookup)
            return column;
    }
    return 0;
}

void DbGrid::editCell(const QString &field) {
    if (!m_model || !m_editable)
        return;
    runGuarded(this, [&] {
        Dataset *data = m_model->dataset();
        if (data->isEmpty())
            data->edit(); // an empty list starts its first row
        const QModelIndex cell = m_model->index(data->currentRow(), columnOf(field));
        setCurrentIndex(cell);
        edit(cell);
    });
}

void DbGrid::submitCellEdit() {
    if (!isEditingCell())
        return;
    if (QWidget *editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void DbGrid::insertRow() {
    if (!m_model || !m_editable)
        return;
    Dataset *data = m_model->dataset();
    data->insert();
    const QModelIndex cell = m_model->index(data->currentRow(), firstEditableColumn());
    setCurrentIndex(cell);
    edit(cell);
}

void DbGrid::setRowLeaving(std::function<bool()> mayLeave) {
    m_mayLeaveRow = std::move(mayLeave);
    if (m_binding)
        m_binding->setRowLeaving(m_mayLeaveRow);
}

void DbGrid::setDimmedRows(std::function<bool(const Dataset &, int row)> dimmed) {
    m_dimmed = std::move(dimmed);
    if (m_model)
        m_model->setDimmedRows(m_dimmed);
}

void DbGrid::setDataSource(DataSource *source, const QList<Column> &columns) {
    detach();
    m_source = source;
    m_columns = columns;
    if (isVisible())
        attach();
}

QString DbGrid::columnTitle(const QString &field) const {
    const int column = columnOf(field);
    return column < 0 ? QString() : m_columns[column].title;
}

bool DbGrid::offersBooks() const {
    return isSignalConnected(QMetaMethod::fromSignal(&DbGrid::bookWanted));
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
    m_model->setEditable(m_editable);
    m_model->setDimmedRows(m_dimmed);
    QItemSelectionModel *unused = selectionModel(); // the empty grid's, replaced by the model's
    m_binding = new GridBinding(this, m_model);
    m_binding->setRowLeaving(m_mayLeaveRow);
    if (unused != selectionModel())
        delete unused;
    QHeaderView *header = horizontalHeader();
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].width > 0) {
            header->setSectionResizeMode(int(i), QHeaderView::Interactive);
            header->resizeSection(int(i), fixedWidthOf(m_columns[i]));
        } else {
            header->setSectionResizeMode(int(i), QHeaderView::Stretch);
        }
    }
}

int DbGrid::fixedWidthOf(const Column &column) const {
    const QHeaderView *header = horizontalHeader();
    const int margins = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    // The sort indicator's room is kept free too, as the header keeps it.
    const int title = header->fontMetrics().horizontalAdvance(column.title) + margins + 8;
    return std::max(column.width, title);
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
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && m_model && index.row() == m_model->dataset()->currentRow())
        Q_EMIT rowDoubleClicked();
    Q_EMIT gridDoubleClicked();
}

void DbGrid::keyPressEvent(QKeyEvent *event) {
    bool consumed = false;
    runGuarded(this, [&] { consumed = keyPressed(event); });
    if (consumed)
        event->accept();
    else
        QTableView::keyPressEvent(event);
}

bool DbGrid::keyPressed(QKeyEvent *event) {
    if (!m_model)
        return false;
    Dataset *data = m_model->dataset();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (event->key() == Qt::Key_Escape && plain) {
        if (!data->isEditing()) {
            event->ignore(); // on to the window
            return false;
        }
        data->cancel();
        return true;
    }
    if (!m_editable || !plain)
        return false;
    const int column = firstEditableColumn();
    if (event->key() == Qt::Key_Insert && !(event->modifiers() & Qt::ShiftModifier)) {
        insertRow();
        return true;
    }
    // Typing in an empty grid starts its first row, with what was typed in it.
    const bool typing = !event->text().isEmpty() && event->text().at(0).isPrint();
    if (data->isEmpty() && (typing || event->key() == Qt::Key_F2)) {
        data->edit();
        const QModelIndex cell = m_model->index(data->currentRow(), column);
        setCurrentIndex(cell);
        edit(cell, typing ? AnyKeyPressed : EditKeyPressed, event);
        return true;
    }
    return false;
}

// Esc in a cell editor closes it and cancels the row's edit. Tab and Shift+Tab in a cell editor
// take the cell and go on to the next or previous control, as they do from the grid itself,
// rather than into the next cell's editor.
void DbGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) {
    const bool tabbing = !tabKeyNavigation() && (hint == QAbstractItemDelegate::EditNextItem ||
                                                 hint == QAbstractItemDelegate::EditPreviousItem);
    QTableView::closeEditor(editor, tabbing ? QAbstractItemDelegate::NoHint : hint);
    if (tabbing)
        focusNextPrevChild(hint == QAbstractItemDelegate::EditNextItem);
    if (hint == QAbstractItemDelegate::RevertModelCache && m_model &&
        m_model->dataset()->isEditing()) {
        runGuarded(this, [this] { m_model->dataset()->cancel(); });
    }
}

// The focus left the grid and its cell editors for another control of its window (not for a
// drop-down list, another program, or a window opened over this one, such as a book to choose
// the row's entry from, which writes into the row still being edited): the row is posted.
void DbGrid::focusMoved(QWidget *old, QWidget *now) {
    if (!m_postOnLeaving || !m_model || !now || !isWithin(old, this) || isWithin(now, this))
        return;
    if (now->window() != window())
        return;
    Dataset *data = m_model->dataset();
    // A row that may not be left yet stays as it is, being edited.
    if (data->isEditing() && (!m_mayLeaveRow || m_mayLeaveRow()))
        runGuarded(this, [data] { data->post(); });
}

QModelIndex DbGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    // The grid shows whole rows: Home and End go to the first and the last row.
    if (action == MoveHome || action == MoveEnd)
        modifiers |= Qt::ControlModifier;
    return QTableView::moveCursor(action, modifiers);
}

bool DbGrid::viewportEvent(QEvent *event) {
    if (event->type() != QEvent::ToolTip)
        return QTableView::viewportEvent(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString text = index.data().toString();
    const int room =
        visualRect(index).width() - 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    if (index.isValid() && viewport()->fontMetrics().horizontalAdvance(text) > room)
        QToolTip::showText(help->globalPos(), text, viewport(), visualRect(index));
    else
        QToolTip::hideText();
    return true;
}
