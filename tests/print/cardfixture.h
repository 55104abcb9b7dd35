#pragma once

#include "print/cardrows.h"

// A full card of a woman with a maiden name: every section, two diagnoses, interventions and a
// list of recommendations long enough to run over a page.
inline CardRows fullCardRows() {
    CardRows rows;
    rows.fio = QStringLiteral("Петрова (Сидорова) Анна Ёжиковна");
    rows.fior = QStringLiteral("Сидорова Мария Петровна");
    rows.birth = QDate(1990, 1, 2);
    rows.address = QStringLiteral("ул. Мира, д. 1, кв. 2");
    rows.telephone = QStringLiteral("8 (900) 123-45-67");
    rows.complaints = QStringLiteral("боль в горле,\r\nкашель, температура 38,5");
    rows.status = QStringLiteral("зев гиперемирован, миндалины увеличены");
    rows.examination = QStringLiteral("ОАК, ОАМ");
    QStringList advice;
    for (int i = 1; i <= 40; ++i)
        advice << QStringLiteral("%1. Полоскание горла раствором фурацилина №%1.").arg(i);
    rows.recommendations = advice.join(QStringLiteral("\r\n"));
    rows.anamnesis = QStringLiteral("болеет 3 дня");
    rows.doctor = QStringLiteral("Сидоров С.С.");
    rows.visitDate = QDate(2024, 5, 10);
    rows.diagnoses = {{QStringLiteral("ОРВИ"), QStringLiteral("лёгкое течение")},
                      {QStringLiteral("Тонзиллит"), QString()}};
    rows.interventions = {QStringLiteral("Осмотр зева"), QStringLiteral("ЭКГ")};
    return rows;
}
