#include "app/patientgrid.h"

#include "app/mainwindowlayout.h"
#include "data/dataset.h"
#include "data/dberror.h"
#include "widgets/contrast.h"
#include "widgets/fontgrowth.h"
#include "widgets/guarded.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {
const QList<DatasetModel::Column> kColumns = {
    {QStringLiteral("FIO"), QStringLiteral("Пациент")},
    {QStringLiteral("Age"), QStringLiteral("Возраст")},
};
} // namespace

PatientListModel::PatientListModel(Dataset *patients, QObject *parent)
    : DatasetModel(patients, kColumns, parent), m_patients(patients) {
    connect(patients, &Dataset::currentRowChanged, this, [this](int row) {
        const int previous = std::exchange(m_markedRow, row);
        const int count = rowCount();
        if (previous >= 0 && previous < count)
            Q_EMIT headerDataChanged(Qt::Vertical, previous, previous);
        if (row >= 0 && row < count)
            Q_EMIT headerDataChanged(Qt::Vertical, row, row);
    });
}

QVariant PatientListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section == m_markedRow ? QStringLiteral("▶") : QString();
    return DatasetModel::headerData(section, orientation, role);
}

QVariant PatientListModel::data(const QModelIndex &index, int role) const {
    if (role != Qt::AccessibleTextRole || index.column() != 0)
        return DatasetModel::data(index, role);
    const QString name = DatasetModel::data(index, Qt::DisplayRole).toString();
    QString address;
    try {
        if (index.row() < m_patients->fetchedCount())
            address = m_patients->value(index.row(), QStringLiteral("ADR")).toString();
    } catch (const DbError &error) {
        reportLater(const_cast<PatientListModel *>(this), error);
    }
    return address.isEmpty() ? name : name + QStringLiteral(", ") + address;
}

NameWithAddressDelegate::NameWithAddressDelegate(Dataset *patients, QObject *parent)
    : QStyledItemDelegate(parent), m_patients(patients) {}

void NameWithAddressDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                    const QModelIndex &index) const {
    QStyledItemDelegate::paint(painter, option, index);
    QString address;
    try {
        if (index.row() < m_patients->fetchedCount())
            address = m_patients->value(index.row(), QStringLiteral("ADR")).toString();
    } catch (const DbError &error) {
        reportLater(parent(), error);
        return;
    }
    if (address.isEmpty())
        return;
    const QString name = index.data().toString();
    // The name is drawn inside the cell's text margin; the address keeps its distance from
    // where the name really ends.
    const QWidget *view = option.widget;
    const QStyle *style = view ? view->style() : QApplication::style();
    const int textMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const int nameWidth = textMargin + option.fontMetrics.horizontalAdvance(name);

    painter->save();
    painter->setFont(fontgrowth::designPointFont(option.font, 8));
    // Dimmer than the name, and readable on the row's background, highlighted or not.
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette &palette = option.palette;
    painter->setPen(
        contrast::dimmedText(palette.color(selected ? QPalette::HighlightedText : QPalette::Text),
                             palette.color(selected ? QPalette::Highlight : QPalette::Base)));
    const QFontMetrics metrics = painter->fontMetrics();
    const QSize size(metrics.horizontalAdvance(address), metrics.height());
    const QPoint at = mainlayout::addressPosition(option.rect, nameWidth, size);
    painter->setClipRect(option.rect);
    painter->drawText(QRect(at, size), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, address);
    painter->restore();
}
