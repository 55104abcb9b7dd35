#include "reports/reportmodel.h"

#include "reports/csvexport.h"

using reports::CellKind;

void ReportModel::setTable(const reports::Table &table) {
    beginResetModel();
    m_table = table;
    endResetModel();
}

int ReportModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_table.rows.size());
}

int ReportModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_table.columns.size());
}

QVariant ReportModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return QVariant();
    const CellKind kind = m_table.columns[index.column()].kind;
    switch (role) {
    case Qt::DisplayRole:
        return reports::cellText(m_table.rows[index.row()].value(index.column()), kind);
    case Qt::TextAlignmentRole:
        if (kind == CellKind::Integer || kind == CellKind::Decimal)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::FontRole:
        if (m_table.isTotal(index.row())) {
            QFont bold = m_font;
            bold.setBold(true);
            return bold;
        }
        break;
    default:
        break;
    }
    return QVariant();
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section < m_table.columns.size() ? QVariant(m_table.columns[section].title)
                                                : QVariant();
    return QVariant();
}
