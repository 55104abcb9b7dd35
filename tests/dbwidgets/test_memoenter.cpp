// What Enter does in a memo: leaving the box from an empty last line, and numbering a list.

#include "dbwidgets/memoenter.h"

#include <QTest>

Q_DECLARE_METATYPE(MemoEnter::Action)

class TestMemoEnter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void memoEnter_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("caretAtEnd");
        QTest::addColumn<bool>("numbered");
        QTest::addColumn<MemoEnter::Action>("action");
        QTest::addColumn<QString>("result");
        using A = MemoEnter::Action;
        QTest::newRow("empty box: leave at once") << "" << true << false << A::Leave << "";
        QTest::newRow("end of a line: break it") << "кашель" << true << false << A::LineBreak << "";
        QTest::newRow("empty last line: leave, trimmed") << " кашель\r\n"
                                                         << true << false << A::Leave << "кашель";
        QTest::newRow("caret inside: an ordinary break") << "кашель\r\n"
                                                         << false << false << A::LineBreak << "";
        QTest::newRow("first number continued")
            << "1. Покой" << true << true << A::Number << "1. Покой\r\n2. ";
        QTest::newRow("the last line counts")
            << "1. Покой\r\n2. Питьё" << true << true << A::Number << "1. Покой\r\n2. Питьё\r\n3. ";
        // A number with nothing after it goes, and the box is left; a lone first number leaves
        // the box empty.
        QTest::newRow("a line of just the first number") << "1. " << true << true << A::Leave << "";
        QTest::newRow("an empty number ends the list")
            << "1. Покой\r\n2. Питьё\r\n3. " << true << true << A::Leave << "1. Покой\r\n2. Питьё";
        QTest::newRow("an empty tenth number ends the list")
            << "9. Сон\r\n10. " << true << true << A::Leave << "9. Сон";
        QTest::newRow("an empty number, space taken away")
            << "1. Покой\r\n2." << true << true << A::Leave << "1. Покой";
        QTest::newRow("an empty number inside the list stays")
            << "1. \r\n2. Питьё" << true << true << A::Number << "1. \r\n2. Питьё\r\n3. ";
        QTest::newRow("caret before an empty number")
            << "1. Покой\r\n2. " << false << true << A::LineBreak << "";
        QTest::newRow("empty number only in the recommendations")
            << "4. " << true << false << A::LineBreak << "";
        QTest::newRow("after 9 comes 10")
            << "9. Сон" << true << true << A::Number << "9. Сон\r\n10. ";
        QTest::newRow("two digits: no number") << "10. Сон" << true << true << A::LineBreak << "";
        QTest::newRow("no dot after the digit") << "1) Сон" << true << true << A::LineBreak << "";
        QTest::newRow("numbers only in the recommendations")
            << "1. Покой" << true << false << A::LineBreak << "";
        QTest::newRow("numbered list left on an empty line")
            << "1. Покой\r\n"
            << true << true << A::Leave << "1. Покой";
        QTest::newRow("caret inside a numbered list")
            << "1. Покой" << false << true << A::LineBreak << "";
    }
    void memoEnter() {
        QFETCH(QString, text);
        QFETCH(bool, caretAtEnd);
        QFETCH(bool, numbered);
        QFETCH(MemoEnter::Action, action);
        QFETCH(QString, result);
        const MemoEnter enter = ::memoEnter(text, caretAtEnd, numbered);
        QCOMPARE(enter.action, action);
        if (action != MemoEnter::Action::LineBreak)
            QCOMPARE(enter.text, result);
    }
};

QTEST_GUILESS_MAIN(TestMemoEnter)
#include "test_memoenter.moc"
