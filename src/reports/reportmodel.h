#pragma once

#include "reports/reporttable.h"

#include <QAbstractTableModel>
#include <QFont>

// A report's table in the window's grid: the cells as the printout writes them, numbers to the
// right, the total rows in bold.
class ReportModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setTable(const reports::Table &table);
    // The font of the view, which the total rows show in bold.
    void setFont(const QFont &font) { m_font = font; }
    const reports::Table &table() const { return m_table; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    reports::Table m_table;
    QFont m_font;
};
