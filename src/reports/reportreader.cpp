#include "reports/reportreader.h"

#include "data/dberror.h"
#include "data/shareddata.h"
#include "data/statement.h"
#include "data/transaction.h"
#include "reports/reportperiod.h"
#include "reports/reportsql.h"
#include "support/dates.h"

#include <QHash>

#include <limits>

namespace reports {

namespace {

const QString kNoDoctor = QStringLiteral("Врач не указан");
const QString kTotal = QStringLiteral("Итого");
constexpr int kNoDoctorKey = std::numeric_limits<int>::min();

// The statements of one report, read in a read-only transaction of their own, which ends however
// the reading ends: a connection may not be closed with one open.
class Reading {
public:
    explicit Reading(Connection &connection)
        : m_connection(connection),
          m_transaction(connection, Transaction::Isolation::ReadOnlySnapshot) {}
    ~Reading() {
        if (!m_transaction.isActive())
            return;
        try {
            m_transaction.rollback();
        } catch (const DbError &) {
            // Only after a refusal, which is on its way to the user and says more.
        }
    }
    Reading(const Reading &) = delete;
    Reading &operator=(const Reading &) = delete;

    // Runs a select and hands each row to `each`.
    template <typename Each> void select(const QString &sql, Each &&each) {
        Statement statement(m_connection, m_transaction, sql);
        statement.open();
        for (QVariantList row; statement.fetch(row);)
            each(statement, row);
    }
    void finish() { m_transaction.commit(); }

private:
    Connection &m_connection;
    Transaction m_transaction;
};

// One select in a reading of its own.
template <typename Each> void select(Connection &connection, const QString &sql, Each &&each) {
    Reading reading(connection);
    reading.select(sql, std::forward<Each>(each));
    reading.finish();
}

QStringList parameterLines(const Parameters &parameters) {
    QStringList lines{QStringLiteral("Период: ") + periodText(parameters.first, parameters.last)};
    if (config(parameters.kind).byDoctor) {
        lines << QStringLiteral("Врач: ") +
                     (parameters.doctor ? parameters.doctorName : QStringLiteral("все врачи"));
    }
    return lines;
}

Table heading(const Parameters &parameters) {
    Table table;
    table.title = config(parameters.kind).caption;
    table.parameters = parameterLines(parameters);
    return table;
}

QVariant count(const QVariant &value) {
    return QVariant(value.toLongLong());
}

// Adds the row that sums up the number columns from `from` on.
void addTotalRow(Table &table, int from) {
    QVariantList total{kTotal};
    for (qsizetype column = 1; column < table.columns.size(); ++column) {
        qlonglong sum = 0;
        for (const QVariantList &row : std::as_const(table.rows))
            sum += row[column].toLongLong();
        total << (column >= from ? QVariant(sum) : QVariant());
    }
    table.rows << total;
    table.totalRows = 1;
}

Table visitsByDoctor(Connection &connection, const Parameters &parameters) {
    Table table = heading(parameters);
    const bool byDay = countsByDay(parameters.first, parameters.last);
    const QList<QDate> days = columnDays(parameters.first, parameters.last);
    QHash<QDate, int> columnOf;
    table.columns << Column{QStringLiteral("Врач"), CellKind::Text};
    for (const QDate &day : days) {
        columnOf.insert(day, int(table.columns.size()));
        table.columns << Column{columnTitle(day, byDay), CellKind::Integer};
    }
    const int totalColumn = int(table.columns.size());
    table.columns << Column{QStringLiteral("Всего"), CellKind::Integer};

    // The engine gives a row for each doctor and day or month with visits; the table has a cell
    // for each, zero where there were none.
    QHash<int, qsizetype> rowOf;
    select(connection, sql::visitsByDoctor(parameters),
           [&](const Statement &, const QVariantList &row) {
               const int key = row[0].isValid() ? row[0].toInt() : kNoDoctorKey;
               auto found = rowOf.constFind(key);
               if (found == rowOf.cend()) {
                   QVariantList cells{key == kNoDoctorKey ? kNoDoctor : row[1].toString()};
                   for (int column = 1; column < table.columns.size(); ++column)
                       cells << QVariant(qlonglong(0));
                   found = rowOf.insert(key, table.rows.size());
                   table.rows << cells;
               }
               table.rows[*found][columnOf.value(row[2].toDate())] = count(row[3]);
           });
    for (QVariantList &row : table.rows) {
        qlonglong sum = 0;
        for (int column = 1; column < totalColumn; ++column)
            sum += row[column].toLongLong();
        row[totalColumn] = sum;
    }
    addTotalRow(table, 1);
    return table;
}

Table diagnoses(Connection &connection, const Parameters &parameters) {
    Table table = heading(parameters);
    table.columns << Column{QStringLiteral("Диагноз"), CellKind::Text}
                  << Column{QStringLiteral("Приёмов")} << Column{QStringLiteral("Пациентов")}
                  << Column{QStringLiteral("Мужчин")} << Column{QStringLiteral("Женщин")};
    for (const QString &group : ageGroupTitles())
        table.columns << Column{group};
    select(connection, sql::diagnoses(parameters), [&](const Statement &, const QVariantList &row) {
        QVariantList cells{row[0].toString()};
        for (qsizetype column = 1; column < row.size(); ++column)
            cells << count(row[column]);
        table.rows << cells;
    });
    return table;
}

Table patients(Connection &connection, const Parameters &parameters) {
    Table table = heading(parameters);
    table.columns << Column{QStringLiteral("Возраст"), CellKind::Text}
                  << Column{QStringLiteral("Пациентов")} << Column{QStringLiteral("Мужчин")}
                  << Column{QStringLiteral("Женщин")} << Column{QStringLiteral("Впервые")}
                  << Column{QStringLiteral("Наблюдались ранее")}
                  << Column{QStringLiteral("Приёмов")}
                  << Column{QStringLiteral("Приёмов на пациента"), CellKind::Decimal};
    // Every age group has its row, empty ones too.
    for (const QString &group : ageGroupTitles()) {
        QVariantList cells{group};
        for (int column = 1; column < 7; ++column)
            cells << QVariant(qlonglong(0));
        cells << QVariant();
        table.rows << cells;
    }
    select(connection, sql::patients(parameters), [&](const Statement &, const QVariantList &row) {
        const int group = row[0].toInt();
        if (group < 0 || group >= sql::AgeGroups)
            return;
        QVariantList &cells = table.rows[group];
        for (int column = 1; column < 7; ++column)
            cells[column] = count(row[column]);
    });
    addTotalRow(table, 1);
    // Visits per patient: of each row's own sums, to one decimal place in the views.
    for (QVariantList &cells : table.rows) {
        const qlonglong patientsSeen = cells[1].toLongLong();
        cells[7] = patientsSeen > 0 ? QVariant(double(cells[6].toLongLong()) / double(patientsSeen))
                                    : QVariant();
    }
    return table;
}

Table journal(Connection &connection, const Parameters &parameters) {
    Table table = heading(parameters);
    table.columns << Column{QStringLiteral("№")} << Column{QStringLiteral("Дата"), CellKind::Date}
                  << Column{QStringLiteral("Пациент"), CellKind::Text}
                  << Column{QStringLiteral("Возраст")}
                  << Column{QStringLiteral("Адрес"), CellKind::Text}
                  << Column{QStringLiteral("Диагнозы"), CellKind::Text}
                  << Column{QStringLiteral("Вмешательства"), CellKind::Text};
    const bool everyDoctor = !parameters.doctor;
    if (everyDoctor)
        table.columns << Column{QStringLiteral("Врач"), CellKind::Text};
    constexpr int kDiagnoses = 5;
    QHash<int, qsizetype> rowOf; // a visit's row, by its key
    Reading reading(connection);
    reading.select(sql::journal(parameters), [&](const Statement &, const QVariantList &row) {
        rowOf.insert(row[0].toInt(), table.rows.size());
        QVariantList cells{QVariant(qlonglong(table.rows.size() + 1)),
                           row[1],
                           row[2].toString(),
                           row[3].isValid() ? count(row[3]) : QVariant(),
                           row[4].toString(),
                           QString(),
                           QString()};
        if (everyDoctor)
            cells << row[5].toString();
        table.rows << cells;
    });
    // Each visit's diagnoses, then its interventions, in the order they were written.
    reading.select(
        sql::journalEntries(parameters), [&](const Statement &, const QVariantList &row) {
            const auto visit = rowOf.constFind(row[0].toInt());
            const QString text = row[3].toString();
            if (visit == rowOf.cend() || text.isEmpty())
                return;
            QVariant &cell = table.rows[*visit][kDiagnoses + row[1].toInt()];
            cell = cell.toString().isEmpty() ? text : cell.toString() + QStringLiteral("; ") + text;
        });
    reading.finish();
    return table;
}

} // namespace

QStringList ageGroupTitles() {
    return {QStringLiteral("0–14 лет"), QStringLiteral("15–17 лет"), QStringLiteral("18–59 лет"),
            QStringLiteral("60 лет и старше"), QStringLiteral("Возраст не указан")};
}

Table read(Connection &connection, const Parameters &parameters) {
    switch (parameters.kind) {
    case Kind::VisitsByDoctor:
        return visitsByDoctor(connection, parameters);
    case Kind::Diagnoses:
        return diagnoses(connection, parameters);
    case Kind::Patients:
        return patients(connection, parameters);
    case Kind::Journal:
        return journal(connection, parameters);
    }
    return Table();
}

QList<Doctor> readDoctors(Connection &connection) {
    QList<Doctor> doctors;
    select(connection, sql::doctors(), [&](const Statement &, const QVariantList &row) {
        doctors << Doctor{row[0].toInt(), row[1].toString(), isActiveFlag(row[2])};
    });
    return doctors;
}

Table readPatientList(Connection &connection, const QString &listSql, const QString &caption,
                      const QDateTime &now) {
    Table table;
    table.title = QStringLiteral("Список пациентов");
    table.parameters << caption << QStringLiteral("На ") + dates::toText(now.date());
    table.columns << Column{QStringLiteral("Пациент"), CellKind::Text}
                  << Column{QStringLiteral("Дата рождения"), CellKind::Date}
                  << Column{QStringLiteral("Возраст")}
                  << Column{QStringLiteral("Пол"), CellKind::Text}
                  << Column{QStringLiteral("Адрес"), CellKind::Text}
                  << Column{QStringLiteral("Телефоны"), CellKind::Text};
    QList<int> columns;
    select(connection, listSql, [&](const Statement &statement, const QVariantList &row) {
        if (columns.isEmpty()) {
            for (const char *name : {"FIO", "DATAR", "SEX", "ADR", "TELD"})
                columns << int(statement.columnNames().indexOf(QLatin1String(name)));
        }
        const auto value = [&](int i) { return columns[i] >= 0 ? row[columns[i]] : QVariant(); };
        const QDate born = value(1).toDate();
        // The age as the list shows it: none without a date of birth.
        const QVariant age =
            born.isValid() ? QVariant(qlonglong(dates::ageInYears(born, now))) : QVariant();
        table.rows << QVariantList{value(0).toString(),
                                   born.isValid() ? QVariant(born) : QVariant(),
                                   age,
                                   value(2).toString().trimmed(),
                                   value(3).toString(),
                                   value(4).toString()};
    });
    return table;
}

} // namespace reports
