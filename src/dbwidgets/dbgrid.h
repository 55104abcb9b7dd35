#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QTableView>

class DataSource;
class DatasetModel;
class GridBinding;

// A read-only grid over a data source: named columns of fields, one row per dataset row, whole
// rows selected, the selected row and the dataset's current row always the same. Rows are
// shown only while the grid is: a hidden grid neither follows its dataset nor makes a detail
// dataset read its rows at every move of its master.
class DbGrid : public QTableView {
    Q_OBJECT
public:
    struct Column {
        QString field;
        QString title;
        int width = 0; // pixels the column keeps; 0 for the column that takes the width left
    };

    explicit DbGrid(QWidget *parent = nullptr);

    void setDataSource(DataSource *source, const QList<Column> &columns);
    DataSource *dataSource() const { return m_source; }
    // The column showing the field, or -1.
    int columnOf(const QString &field) const;
    // The model while the grid is shown; null while it is hidden.
    DatasetModel *datasetModel() const { return m_model; }

Q_SIGNALS:
    // A double click anywhere in the grid, on a row or below the last one.
    void gridDoubleClicked();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    void attach();
    void detach();

    QPointer<DataSource> m_source;
    QList<Column> m_columns;
    DatasetModel *m_model = nullptr;
    GridBinding *m_binding = nullptr;
};
