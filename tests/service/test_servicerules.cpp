// The rules around the engine's services that need no engine: reading a backup's header and
// reading the engine's validation lines.

#include "service/backupheader.h"
#include "service/validationreport.h"

#include <QTest>

namespace {

// The header of a backup made by the engine, as it starts the file.
QByteArray header(const QByteArray &date, int version = 10) {
    QByteArray bytes(1, '\0');
    bytes += QByteArray("\x02\x04", 2) + char(version) + QByteArray(3, '\0');
    bytes += QByteArray("\x07\x09", 2) + "small.fdb";
    bytes += char(1) + QByteArray(1, char(date.size())) + date;
    bytes += QByteArray(1, '\0') + "\x0e\x0e\x04\x03"; // the database record follows
    return bytes;
}

} // namespace

class TestServiceRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void backupHeader_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("isBackup");
        QTest::addColumn<QDateTime>("made");
        QTest::addColumn<int>("version");
        QTest::newRow("two-digit day") << header("Thu Dec 10 05:38:04 2026") << true
                                       << QDateTime(QDate(2026, 12, 10), QTime(5, 38, 4)) << 10;
        QTest::newRow("padded one-digit day, older format")
            << header("Mon Mar  1 23:00:59 2010", 9) << true
            << QDateTime(QDate(2010, 3, 1), QTime(23, 0, 59)) << 9;
        QTest::newRow("unreadable date") << header("yesterday") << true << QDateTime() << 10;
        QTest::newRow("cut inside the header")
            << header("Thu Dec 10 05:38:04 2026").left(30) << false << QDateTime() << 0;
        QTest::newRow("text") << QByteArray("Это не копия.") << false << QDateTime() << 0;
        QTest::newRow("empty") << QByteArray() << false << QDateTime() << 0;
    }

    void backupHeader() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, isBackup);
        QFETCH(QDateTime, made);
        QFETCH(int, version);
        const auto read = readBackupHeader(bytes);
        QCOMPARE(read.has_value(), isBackup);
        if (read) {
            QCOMPARE(read->made, made);
            QCOMPARE(read->formatVersion, version);
        }
    }

    void validation_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("errors");
        QTest::addColumn<int>("warnings");
        QTest::addColumn<QString>("report");
        const QString clean = QStringLiteral("Проверка закончена: повреждений в базе не найдено.");
        QTest::newRow("clean")
            << QStringList{QStringLiteral("05:39:53.41 Validation started"),
                           QStringLiteral("05:39:53.41 Relation 134 (DOCS)"),
                           QStringLiteral("05:39:53.41   process pointer page    0 of    1"),
                           QStringLiteral("05:39:53.41 Index 1 (PK_DOCS)"),
                           QStringLiteral("05:39:53.41 Relation 134 (DOCS) is ok"),
                           QStringLiteral("05:39:53.41 Validation finished")}
            << 0 << 0 << clean;
        QTest::newRow("damaged pages")
            << QStringList{QStringLiteral("05:40:07.13 Relation 129 (CARD)"),
                           QStringLiteral(
                               "05:40:07.15 Error: Data page 800 {sequence 336}, line 19 is bad"),
                           QStringLiteral("05:40:07.16 Warning: Relation has 6 orphan backversions "
                                          "{0 in use}"),
                           QStringLiteral("05:40:07.16 Relation 129 (CARD) : 1 ERRORS found"),
                           QStringLiteral(""),
                           QStringLiteral("05:40:07.16 Relation 130 (DIAGNOZ)"),
                           QStringLiteral(
                               "05:40:07.16 Error: Data page 600 {sequence 8}, line 19 is bad"),
                           QStringLiteral("05:40:07.17 Relation 130 (DIAGNOZ) : 1 ERRORS found"),
                           QStringLiteral("05:40:07.17 Relation 131 (VMESHAT)"),
                           QStringLiteral("05:40:07.18 Validation finished")}
            << 2 << 1
            << QStringLiteral("Проверка закончена: в базе найдены повреждения.\n"
                              "таблица CARD: ошибок 1, предупреждений 1\n"
                              "таблица DIAGNOZ: ошибок 1");
        QTest::newRow("a table in use")
            << QStringList{QStringLiteral("Relation 128 (MAIN)"),
                           QStringLiteral("Acquire relation lock failed"),
                           QStringLiteral("Relation 128 (MAIN) : 1 ERRORS found")}
            << 1 << 0
            << QStringLiteral("Проверка закончена: в базе найдены повреждения.\n"
                              "таблица MAIN: ошибок 1");
        QTest::newRow("warnings only")
            << QStringList{QStringLiteral("05:40:07.13 Relation 129 (CARD)"),
                           QStringLiteral("05:40:07.16 Warning: Relation has 6 orphan backversions "
                                          "{0 in use}")}
            << 0 << 1 << clean + QStringLiteral("\nЗамечания:\nтаблица CARD: предупреждений 1");
    }

    void validation() {
        QFETCH(QStringList, lines);
        QFETCH(int, errors);
        QFETCH(int, warnings);
        QFETCH(QString, report);
        const ValidationFindings findings = readValidationLines(lines);
        QCOMPARE(findings.errors(), errors);
        QCOMPARE(findings.warnings(), warnings);
        QCOMPARE(validationReport(findings), report);
    }
};

QTEST_GUILESS_MAIN(TestServiceRules)
#include "test_servicerules.moc"
