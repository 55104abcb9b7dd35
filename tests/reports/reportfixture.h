#pragma once

// A small register whose reports are worked out by hand in the tests: namesakes among the
// patients and the doctors, a visit without a doctor, one without a date, a diagnosis row
// without a diagnosis, a patient without a date of birth and one born "after" her visit, a girl
// who turns 18 on the first of January, a patient seen before the period, and visits on both of
// its edges and the day after.
//
// The period the answers are for, 15.12.2024 – 15.01.2025, runs over a year end.

#include "data/connection.h"
#include "data/statement.h"
#include "data/transaction.h"
#include "testdatabase.h"

#include <QDate>

namespace reportfixture {

inline const QDate kFirst(2024, 12, 15);
inline const QDate kLast(2025, 1, 15);

// Doctors: 1 and 3 are namesakes.
constexpr int kPetrov = 1, kSidorov = 2, kPetrovNamesake = 3;

inline void fill(const QString &path) {
    Connection connection;
    connection.open(path);
    {
        Transaction transaction(connection);
        for (const char *sql : {
                 "insert into DOCS values (1, 'Петров П.П.', 'T')",
                 "insert into DOCS values (2, 'Сидоров С.С.', 'T')",
                 "insert into DOCS values (3, 'Петров П.П.', 'F')",
                 "insert into DIAG values (1, 'Грипп')",
                 "insert into DIAG values (2, 'Ангина')",
                 "insert into DIAG values (3, 'Бронхит')",
                 "insert into VMESH values (1, 'Осмотр')",
                 "insert into VMESH values (2, 'Перевязка')",
                 // ID, FIO, FIOR, DATAR, SEX, ANAMNEZ, ADR, TELD
                 "insert into MAIN values (1, 'Иванов Иван', null, '10.05.1980', 'М', null, "
                 "'ул. Ленина, 1', '111')",
                 "insert into MAIN values (2, 'Иванов Иван', null, '01.01.1990', 'М', null, "
                 "'ул. Мира, 2', null)",
                 "insert into MAIN values (3, 'Смирнова Анна', null, null, 'Ж', null, null, null)",
                 "insert into MAIN values (4, 'Козлова Мария', null, '01.01.2007', 'Ж', null, "
                 "'ул. Садовая; 4', null)",
                 "insert into MAIN values (5, 'Орлов Олег', null, '03.03.1950', 'М', null, null, "
                 "null)",
                 "insert into MAIN values (6, 'Новикова Нина', null, '01.01.2030', 'Ж', null, "
                 "null, null)",
                 // C_ID, C_KEY, C_DOC, C_DATE
                 "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE) values (1, 1, 1, '20.12.2024')",
                 "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE) values (2, 1, 1, '10.01.2025')",
                 "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE) values (3, 2, 3, '20.12.2024')",
                 "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE) values (4, 3, null, "
                 "'05.01.2025')",
                 "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE) values (5, 4, 2, '31.12.2024')",
                 "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE) values (6, 4, 2, '02.01.2025')",
                 "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE) values (7, 5, 1, '01.06.2024')",
                 "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE) values (8, 5, 2, '15.01.2025')",
                 "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE) values (9, 6, 2, '15.12.2024')",
                 "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE) values (10, 2, 1, null)",
                 "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE) values (11, 3, 2, '16.01.2025')",
                 // G_ID, G_KEY, G_DIAG, G_PRIM
                 "insert into DIAGNOZ values (1, 1, 1, 'тяжёлый')",
                 "insert into DIAGNOZ values (2, 1, 2, null)",
                 "insert into DIAGNOZ values (3, 2, 1, null)",
                 "insert into DIAGNOZ values (11, 2, 1, 'повторно')",
                 "insert into DIAGNOZ values (4, 3, 1, null)",
                 "insert into DIAGNOZ values (5, 4, null, 'без диагноза')",
                 "insert into DIAGNOZ values (6, 5, 3, null)",
                 "insert into DIAGNOZ values (7, 6, 3, null)",
                 "insert into DIAGNOZ values (8, 8, 1, null)",
                 "insert into DIAGNOZ values (9, 10, 2, null)",
                 "insert into DIAGNOZ values (10, 9, 2, null)",
                 // V_ID, V_KEY, V_VMESH
                 "insert into VMESHAT values (1, 1, 1)",
                 "insert into VMESHAT values (2, 1, 2)",
                 "insert into VMESHAT values (3, 4, 1)",
             }) {
            Statement(connection, transaction, QString::fromUtf8(sql)).execute();
        }
        transaction.commit();
    }
    connection.close();
}

} // namespace reportfixture
