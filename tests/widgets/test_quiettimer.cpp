// The timer that waits for the user to leave the program alone.

#include "widgets/quiettimer.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

class TestQuietTimer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Typing keeps it waiting; once the typing stops it fires, and again after further quiet.
    void firesOnlyAfterQuiet() {
        QLineEdit box;
        box.show();
        QuietTimer timer(1000, nullptr);
        QSignalSpy quiet(&timer, &QuietTimer::quiet);
        for (int i = 0; i < 30; ++i) {
            QTest::keyClick(&box, Qt::Key_A);
            QTest::qWait(50);
        }
        QCOMPARE(quiet.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(quiet.count(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(quiet.count(), 2, 5000);
    }
};

QTEST_MAIN(TestQuietTimer)
#include "test_quiettimer.moc"
