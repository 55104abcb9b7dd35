// The visit card editor's rules that need no widget: the quick dates, the checks before saving,
// and the layout arithmetic.

#include "visits/priemrules.h"

#include <QTest>

using namespace priemrules;

class TestPriemRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void quickDates_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("day");
        QTest::addColumn<QDate>("date");
        const int today = int(QuickDay::Today);
        const int yesterday = int(QuickDay::Yesterday);
        const int before = int(QuickDay::DayBeforeYesterday);
        QTest::newRow("today") << QDate(2024, 3, 31) << today << QDate(2024, 3, 31);
        QTest::newRow("yesterday on 1 January")
            << QDate(2024, 1, 1) << yesterday << QDate(2023, 12, 31);
        QTest::newRow("two days back on 2 January")
            << QDate(2024, 1, 2) << before << QDate(2023, 12, 31);
        QTest::newRow("1 March, leap year") << QDate(2024, 3, 1) << before << QDate(2024, 2, 28);
        QTest::newRow("1 March") << QDate(2023, 3, 1) << before << QDate(2023, 2, 27);
        QTest::newRow("2 March, leap year") << QDate(2024, 3, 2) << before << QDate(2024, 2, 29);
        QTest::newRow("2 March") << QDate(2023, 3, 2) << before << QDate(2023, 2, 28);
    }
    void quickDates() {
        QFETCH(QDate, today);
        QFETCH(int, day);
        QFETCH(QDate, date);
        QCOMPARE(quickDate(QuickDay(day), today), date);
    }

    void checksInOrder() {
        QCOMPARE(checkVisit(QString(), true, QString()), VisitProblem::NoDate);
        QCOMPARE(checkVisit(QStringLiteral("31.03.2024"), false, QStringLiteral("Петрова")),
                 VisitProblem::PartialDate);
        QCOMPARE(checkVisit(QStringLiteral("31.03.2024"), true, QString()), VisitProblem::NoDoctor);
        QCOMPARE(checkVisit(QStringLiteral("31.03.2024"), true, QStringLiteral("Петрова")),
                 VisitProblem::None);
        QCOMPARE(problemTitle(VisitProblem::NoDate), QStringLiteral("Заполните дату приёма"));
        QCOMPARE(problemTitle(VisitProblem::NoDoctor), QStringLiteral("Выберите врача"));
    }

    // The window as it is designed: client 619 × 482, buttons 75 × 25.
    static PriemGeometry designGeometry() {
        PriemGeometry g;
        g.dbgDiagnoz = {8, 48, 301, 122};
        g.lbStatus = {8, 170, 150, 13};
        g.dbmStatus = {8, 183, 301, 122};
        g.lbRekomend = {8, 305, 150, 13};
        g.dbmRekomend = {8, 318, 301, 131};
        g.lbZhaloba = {313, 48, 150, 13};
        g.dbmZhaloba = {313, 61, 301, 109};
        g.lbObsled = {313, 170, 200, 13};
        g.dbmObsled = {313, 183, 301, 122};
        g.lbAnamnez = {313, 305, 200, 13};
        g.dbmAnamnez = {313, 318, 301, 50};
        g.dbgVmeshat = {313, 372, 301, 77};
        g.btOK = {8, 453, 75, 25};
        g.btCancel = {87, 453, 75, 25};
        g.btPrint = {234, 453, 75, 25};
        g.btAdd = {313, 453, 75, 25};
        g.btAddCopy = {392, 453, 75, 25};
        g.sbtHelp = {539, 453, 75, 25};
        g.sbtPrev = {460, 19, 75, 22};
        g.sbtNext = {539, 19, 75, 22};
        return g;
    }

    // At the design size the layout is the design itself, from any size it was at before.
    void designSizeGivesTheDesign() {
        const PriemGeometry design = designGeometry();
        const PriemGeometry large = layOutPriem(design, QSize(900, 700));
        QCOMPARE(large.btOK.y(), 700 - 25 - 4);
        const PriemGeometry g = layOutPriem(large, QSize(619, 482));
        QCOMPARE(g.btOK, QRect(8, 453, 75, 25));
        QCOMPARE(g.btCancel, QRect(87, 453, 75, 25));
        QCOMPARE(g.dbgDiagnoz, QRect(8, 48, 301, 122));
        QCOMPARE(g.dbmZhaloba, QRect(313, 61, 301, 109));
        QCOMPARE(g.lbStatus.y(), 170);
        QCOMPARE(g.dbmStatus, QRect(8, 183, 301, 122));
        QCOMPARE(g.dbmObsled, QRect(313, 183, 301, 122));
        QCOMPARE(g.dbmRekomend, QRect(8, 318, 301, 131));
        QCOMPARE(g.dbmAnamnez, QRect(313, 318, 301, 50));
        QCOMPARE(g.dbgVmeshat, QRect(313, 372, 301, 77));
        QCOMPARE(g.btPrint.x(), 234);
        QCOMPARE(g.btAdd.x(), 313);
        QCOMPARE(g.btAddCopy.x(), 392);
        QCOMPARE(g.sbtHelp.topLeft(), QPoint(539, 453));
        QCOMPARE(g.sbtNext.topLeft(), QPoint(539, 19));
        QCOMPARE(g.sbtPrev.topLeft(), QPoint(460, 19));
        QVERIFY(g.helpAndPrevShown);
    }

    void helpAndEarlierNeedRoom_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("shown");
        QTest::newRow("483") << 483 << false;
        QTest::newRow("484") << 484 << true;
    }
    void helpAndEarlierNeedRoom() {
        QFETCH(int, width);
        QFETCH(bool, shown);
        QCOMPARE(layOutPriem(designGeometry(), QSize(width, 482)).helpAndPrevShown, shown);
    }

    // "Пе&чать" never covers "Отмена": with no room left between them it is not shown.
    void printNeverCoversCancel_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("shown");
        QTest::newRow("the smallest") << 384 << false;
        QTest::newRow("481") << 481 << false;
        QTest::newRow("482") << 482 << true;
        QTest::newRow("design") << 619 << true;
    }
    void printNeverCoversCancel() {
        QFETCH(int, width);
        QFETCH(bool, shown);
        const PriemGeometry g = layOutPriem(designGeometry(), QSize(width, 482));
        QCOMPARE(g.printShown, shown);
        if (shown)
            QVERIFY(g.btPrint.x() > g.btCancel.x() + g.btCancel.width());
    }
};

QTEST_GUILESS_MAIN(TestPriemRules)
#include "test_priemrules.moc"
