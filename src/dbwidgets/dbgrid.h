#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QTableView>

#include <functional>

class DataSource;
class Dataset;
class DatasetModel;
class GridBinding;

// A grid over a data source: named columns of fields, one row per dataset row, whole rows
// selected, the selected row and the dataset's current row always the same. Rows are shown
// only while the grid is: a hidden grid neither follows its dataset nor makes a detail dataset
// read its rows at every move of its master.
//
// Read-only unless made editable. An editable grid edits a cell in place when the user types in
// it or presses F2; a lookup column (a diagnosis' name) is chosen from its book in a LookupBox,
// by typing any part of the name; the cell closes on the entry chosen. Ins starts a new row, and
// typing in an empty grid starts its first row. Enter in a cell editor writes the cell and closes
// the editor, and goes no further (to a dialog's default button); Tab in a cell editor writes the
// cell and leaves the grid. Esc in a cell editor closes it and cancels the row's edit; Esc on the
// grid cancels the row's edit when there is one, and otherwise goes on to the window. With
// postOnLeaving, the row is posted when the focus leaves the grid for another control of its
// window.
class DbGrid : public QTableView {
    Q_OBJECT
public:
    struct Column {
        QString field;
        QString title;
        // Pixels the column keeps, at least its title's width; 0 for the column that takes the
        // width left.
        int width = 0;
    };

    explicit DbGrid(QWidget *parent = nullptr);

    void setDataSource(DataSource *source, const QList<Column> &columns);
    // The width a column of fixed width is given: its own, or its title's when that is wider.
    int fixedWidthOf(const Column &column) const;
    DataSource *dataSource() const { return m_source; }
    // The column showing the field, or -1.
    int columnOf(const QString &field) const;
    // The title of the column showing the field; empty when none does.
    QString columnTitle(const QString &field) const;
    // The model while the grid is shown; null while it is hidden.
    DatasetModel *datasetModel() const { return m_model; }

    void setEditable(bool editable);
    bool isEditable() const { return m_editable; }
    void setPostOnLeaving(bool post) { m_postOnLeaving = post; }
    // True while a cell editor is open.
    bool isEditingCell() const { return state() == EditingState; }
    // Opens the editor of the field's cell in the current row, starting a row when there is none.
    void editCell(const QString &field);
    // Writes what an open cell editor holds into its row and closes the editor, so that a
    // command of the window (OK by Ctrl+Enter) sees what the user typed.
    void submitCellEdit();
    // Asked before the grid moves its dataset off a row being edited (a click, the arrow keys,
    // Home, End); false keeps the grid on that row, still being edited.
    void setRowLeaving(std::function<bool()> mayLeave);
    // Rows to draw dimmed, as DatasetModel::setDimmedRows.
    void setDimmedRows(std::function<bool(const Dataset &, int row)> dimmed);
    // Starts a new row and opens the editor of its first cell (Ins). Raises DbError when the
    // dataset refuses.
    void insertRow();
    // Whether a lookup cell's text that names no entry leads to the book (bookWanted is heard).
    bool offersBooks() const;

Q_SIGNALS:
    // A double click anywhere in the grid, on a row or below the last one.
    void gridDoubleClicked();
    // A cell editor refused what was typed or pasted into the field; `reason` tells the user why.
    void cellInputRefused(const QString &field, const QString &reason);
    // A double click on a row, which is then the current row.
    void rowDoubleClicked();
    // Enter on text typed into a lookup cell that names no entry of its book: the user asks for
    // the book to choose the row's entry from. The cell has closed, its row as it was. A lookup
    // cell offers the book ("Нет в справочнике. Enter — ...") only while this is connected.
    void bookWanted(const QString &field, const QString &typed);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    // A cell too narrow for its text shows the whole text as its tooltip.
    bool viewportEvent(QEvent *event) override;

private:
    void attach();
    void detach();
    bool keyPressed(QKeyEvent *event);
    int firstEditableColumn() const;
    void focusMoved(QWidget *old, QWidget *now);

    QPointer<DataSource> m_source;
    QList<Column> m_columns;
    DatasetModel *m_model = nullptr;
    GridBinding *m_binding = nullptr;
    bool m_editable = false;
    bool m_postOnLeaving = false;
    std::function<bool()> m_mayLeaveRow;
    std::function<bool(const Dataset &, int row)> m_dimmed;
};
