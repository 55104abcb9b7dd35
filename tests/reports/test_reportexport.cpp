// The spreadsheets a report or the main list is written to, read back by LibreOffice Calc, and
// the writing of the files: whole or not at all, the owner's alone, never over a file the
// command line was not told to replace.

#include "externaltool.h"
#include "reports/csvexport.h"
#include "reports/exportfile.h"
#include "reports/xlsxexport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace reports;

namespace {

// A table with what a spreadsheet could take wrongly: the separator, quotation marks and a line
// break inside a text, spaces around one, a decimal, a date, an empty cell, a total row.
Table sample() {
    Table table;
    table.title = QStringLiteral("Проба");
    table.parameters << QStringLiteral("Период: 01.01.2024 – 31.01.2024");
    table.columns << Column{QStringLiteral("Пациент"), CellKind::Text}
                  << Column{QStringLiteral("Приёмов"), CellKind::Integer}
                  << Column{QStringLiteral("На пациента"), CellKind::Decimal}
                  << Column{QStringLiteral("Дата"), CellKind::Date};
    table.rows << QVariantList{QStringLiteral("Иванов; Иван"), qlonglong(3), 1.5,
                               QDate(2024, 1, 31)}
               << QVariantList{QStringLiteral("О'Нил \"Джон\"\nстрока"), qlonglong(0), QVariant(),
                               QVariant()}
               << QVariantList{QStringLiteral(" с пробелом "), qlonglong(12345), 2.0,
                               QDate(2024, 1, 2)}
               << QVariantList{QStringLiteral("Итого"), qlonglong(12348), 1.25, QVariant()};
    table.totalRows = 1;
    return table;
}

// The cells of a CSV file as LibreOffice writes it: "," between them, a quoted cell (text)
// kept with its quotation marks, its doubled ones made single; a number or a date bare.
QList<QStringList> cellsOf(const QString &text) {
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                cell += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
                cell += c;
            } else {
                cell += c;
            }
        } else if (c == u'"') {
            quoted = true;
            cell += c;
        } else if (c == u',') {
            row << cell;
            cell.clear();
        } else if (c == u'\n') {
            rows << (row << cell);
            row.clear();
            cell.clear();
        } else if (c != u'\r') {
            cell += c;
        }
    }
    if (!cell.isEmpty() || !row.isEmpty())
        rows << (row << cell);
    return rows;
}

} // namespace

class TestReportExport : public QObject {
    Q_OBJECT

    QTemporaryDir temp;

    // The file as LibreOffice Calc reads it, written out again as plain CSV.
    QList<QStringList> readBack(const QString &path, const QString &importFilter) {
        const QString profile =
            QUrl::fromLocalFile(temp.filePath(QStringLiteral("profile"))).toString();
        const QString out = temp.filePath(QStringLiteral("read"));
        QStringList arguments{QStringLiteral("-env:UserInstallation=") + profile,
                              QStringLiteral("--headless")};
        if (!importFilter.isEmpty())
            arguments << QStringLiteral("--infilter=") + importFilter;
        arguments << QStringLiteral("--convert-to")
                  << QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1")
                  << QStringLiteral("--outdir") << out << path;
        run(QStringLiteral("soffice"), arguments);
        QFile csv(QDir(out).filePath(QFileInfo(path).completeBaseName() + QStringLiteral(".csv")));
        if (!csv.open(QIODevice::ReadOnly))
            return {};
        return cellsOf(QString::fromUtf8(csv.readAll()));
    }

    // The table's rows as Calc gives them back: texts quoted, numbers and dates bare, in the
    // forms Calc shows them in.
    static QList<QStringList> sampleRows(const QStringList &decimals, const QStringList &dates) {
        return {
            {"\"Пациент\"", "\"Приёмов\"", "\"На пациента\"", "\"Дата\""},
            {"\"Иванов; Иван\"", "3", decimals.value(0), dates.value(0)},
            {"\"О'Нил \"Джон\"\nстрока\"", "0", "", ""},
            {"\" с пробелом \"", "12345", decimals.value(1), dates.value(1)},
            {"\"Итого\"", "12348", decimals.value(2), ""},
        };
    }

private Q_SLOTS:
    void csvBytes() {
        const QByteArray expected = QByteArrayLiteral("\xEF\xBB\xBF") +
                                    QStringLiteral("Пациент;Приёмов;На пациента;Дата\r\n"
                                                   "\"Иванов; Иван\";3;1,5;31.01.2024\r\n"
                                                   "\"О'Нил \"\"Джон\"\"\nстрока\";0;;\r\n"
                                                   "\" с пробелом \";12345;2;02.01.2024\r\n"
                                                   "Итого;12348;1,25;\r\n")
                                        .toUtf8();
        QCOMPARE(toCsv(sample()), expected);
    }

    // Calc takes the CSV as UTF-8 with ";" between the cells and the Russian decimal comma.
    void calcReadsTheCsv() {
        if (!hasTool("soffice"))
            QSKIP("LibreOffice Calc (package libreoffice-calc) is not installed; tools/setup.sh "
                  "installs it");
        const QString path = temp.filePath(QStringLiteral("проба.csv"));
        QCOMPARE(writeTable(sample(), Format::Csv, path, Existing::Keep), QString());
        const QList<QStringList> rows = readBack(path, QStringLiteral("CSV:59,34,76,1,,1049"));
        QCOMPARE(rows.size(), 5);
        // Dates are read as dates: Calc writes them back in its own (English) form.
        const QList<QStringList> expected =
            sampleRows({"1.5", "2", "1.25"}, {rows[1].value(3), rows[3].value(3)});
        QCOMPARE(rows, expected);
        QVERIFY2(!rows[1][3].startsWith(u'"') && !rows[1][3].isEmpty(), qPrintable(rows[1][3]));
    }

    // The workbook: the title and the parameters above the table, numbers as numbers, dates as
    // dates in the Russian form.
    void calcReadsTheWorkbook() {
        if (!hasTool("soffice"))
            QSKIP("LibreOffice Calc (package libreoffice-calc) is not installed; tools/setup.sh "
                  "installs it");
        const QString path = temp.filePath(QStringLiteral("проба.xlsx"));
        QCOMPARE(writeTable(sample(), Format::Xlsx, path, Existing::Keep), QString());
        QList<QStringList> rows = readBack(path, QString());
        QCOMPARE(rows.size(), 8);
        QCOMPARE(rows[0].value(0), QStringLiteral("\"Проба\""));
        QCOMPARE(rows[1].value(0), QStringLiteral("\"Период: 01.01.2024 – 31.01.2024\""));
        QCOMPARE(rows.mid(3), sampleRows({"1.50", "2.00", "1.25"}, {"31.01.2024", "02.01.2024"}));
    }

    // The owner's alone; never over a file it may not replace; nothing half-written.
    void filesAreWrittenWhole() {
        const QString path = temp.filePath(QStringLiteral("файл.csv"));
        QCOMPARE(writeTable(sample(), Format::Csv, path, Existing::Keep), QString());
        QCOMPARE(QFileInfo(path).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const QByteArray written = toCsv(sample());

        QVERIFY(!writeTable(Table(), Format::Csv, path, Existing::Keep).isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), written);
        file.close();

        // A write that fails leaves the older file and no temporary one.
        const QStringList before = QDir(temp.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(writeWhole(path, Existing::Replace,
                            [](const QString &) { return QStringLiteral("диск полон"); }),
                 QStringLiteral("диск полон"));
        QCOMPARE(QDir(temp.path()).entryList(QDir::Files | QDir::Hidden), before);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), written);
        file.close();

        QCOMPARE(writeTable(Table(), Format::Csv, path, Existing::Replace), QString());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArrayLiteral("\xEF\xBB\xBF\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestReportExport)
#include "test_reportexport.moc"
