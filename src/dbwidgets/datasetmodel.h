#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>

#include <functional>

class Dataset;
class QAbstractItemView;
class QKeyEvent;

// Shows chosen fields of a dataset as a table. Rows appear as the dataset reads them, so a long
// patient list shows its first screen at once and reads on as the user scrolls. An editable
// model writes a changed cell into its row, putting the row into edit state first; a lookup
// column (a diagnosis' name) takes the key of the entry chosen and writes it to its key field.
class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString field;
        QString title;
    };

    DatasetModel(Dataset *dataset, const QList<Column> &columns, QObject *parent = nullptr);

    Dataset *dataset() const { return m_dataset; }
    // True while the model is telling its views of rows that come, go or are replaced.
    bool isChangingRows() const { return m_changingRows; }
    // Index of the dataset field shown in a column.
    int fieldOfColumn(int column) const { return m_fieldIndex.value(column, -1); }
    void setEditable(bool editable) { m_editable = editable; }
    bool isEditable() const { return m_editable; }
    // Rows for which `dimmed` is true are drawn in italics, in the colour of disabled text when
    // they are not selected.
    using RowTest = std::function<bool(const Dataset &, int row)>;
    void setDimmedRows(RowTest dimmed) { m_dimmed = std::move(dimmed); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

private:
    void resetFromDataset();

    Dataset *m_dataset;
    QList<Column> m_columns;
    QList<int> m_fieldIndex;
    int m_rows = 0; // the rows this model has announced to its views
    bool m_resetting = false;
    bool m_changingRows = false;
    bool m_editable = false;
    RowTest m_dimmed;
    mutable bool m_fetchFailed = false; // reading more rows failed; not tried again until a reset
};

// Keeps a view's current row and its dataset's current row the same, both ways. A move the
// dataset refuses (a pending row that cannot be posted) is reported, and the view goes back;
// so does a move off a row being edited that the view's owner holds back (setRowLeaving).
// Home and End go to the first and the last row of the whole list, and the keys that move down
// read the rows they move onto first, however few the view has seen so far.
class GridBinding : public QObject {
    Q_OBJECT
public:
    GridBinding(QAbstractItemView *view, DatasetModel *model);

    // Asked before the view moves the dataset off a row being edited; false keeps the row.
    void setRowLeaving(std::function<bool()> mayLeave) { m_mayLeave = std::move(mayLeave); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool keyPressed(const QKeyEvent *key);
    bool mayLeaveRow() const;
    void viewMoved(const QModelIndex &current);
    void datasetMoved(int row);

    QPointer<QAbstractItemView> m_view;
    DatasetModel *m_model;
    std::function<bool()> m_mayLeave;
    bool m_syncing = false;
};
