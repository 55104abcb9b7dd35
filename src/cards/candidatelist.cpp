#include "cards/candidatelist.h"

#include "support/dates.h"

#include <QHeaderView>

#include <QTableWidget>
#include <algorithm>

namespace candidatelist {

void setUp(QTableWidget *table) {
    table->setColumnCount(5);
    table->setHorizontalHeaderLabels({QStringLiteral("Ф.И.О."), QStringLiteral("Дата рождения"),
                                      QStringLiteral("Возраст"), QStringLiteral("Адрес"),
                                      QStringLiteral("Последний приём")});
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setTabKeyNavigation(false);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    // Widths from the font, set once: a list refilled as a surname is typed is not measured anew.
    const QFontMetrics metrics = table->fontMetrics();
    const int date = metrics.horizontalAdvance(QStringLiteral("00.00.00000")) + 8;
    QHeaderView *columns = table->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setSectionResizeMode(3, QHeaderView::Stretch);
    columns->resizeSection(0, metrics.horizontalAdvance(QString(30, u'о')));
    columns->resizeSection(1, std::max(date, columns->sectionSizeHint(1)));
    columns->resizeSection(2, columns->sectionSizeHint(2));
    columns->resizeSection(4, std::max(date, columns->sectionSizeHint(4)));
    // The stretched address keeps room for its title; a narrow window scrolls instead.
    columns->setMinimumSectionSize(
        std::max(columns->minimumSectionSize(), columns->sectionSizeHint(3)));
}

void show(QTableWidget *table, const QList<samepatient::Candidate> &patients) {
    table->clearContents();
    table->setRowCount(int(patients.size()));
    const QDateTime now = dates::now();
    for (int row = 0; row < patients.size(); ++row) {
        const samepatient::Candidate &patient = patients.at(row);
        const int age = dates::ageSinceBirth(patient.born, now);
        const QStringList texts = {patient.fullName, dates::toText(patient.born),
                                   age > 0 ? QString::number(age) : QString(), patient.address,
                                   dates::toText(patient.lastVisit)};
        for (int column = 0; column < texts.size(); ++column) {
            auto *item = new QTableWidgetItem(texts.at(column));
            item->setData(Qt::UserRole, patient.id);
            item->setToolTip(texts.at(column));
            table->setItem(row, column, item);
        }
    }
    if (!patients.isEmpty())
        table->setCurrentCell(0, 0);
}

int current(const QTableWidget *table) {
    const QTableWidgetItem *item = table->item(table->currentRow(), 0);
    return item ? item->data(Qt::UserRole).toInt() : 0;
}

} // namespace candidatelist
