#pragma once

#include "cards/samepatient.h"

#include <QList>

class QTableWidget;

// The patients a card may repeat, as the warning before a new card and the merge window list
// them: full name, date of birth, age, address and the latest visit's date, a row each, the
// patient's key kept with the row.
namespace candidatelist {

void setUp(QTableWidget *table);
void show(QTableWidget *table, const QList<samepatient::Candidate> &patients);
// The key of the patient on the current row; 0 when no row is current.
int current(const QTableWidget *table);

} // namespace candidatelist
