// The patient card rules: the name as typed, the sex from the name, age and date of birth, the
// OK checks and the viewer's texts.

#include "cards/cardrules.h"

#include <QTest>

using namespace cardrules;

class TestCardRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sexFromTheName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("sex");
        QTest::newRow("surname -ова") << "Иванова Мария Петровна"
                                      << "Ж";
        QTest::newRow("surname -ев, no patronymic") << "Петров Иван"
                                                    << "М";
        QTest::newRow("surname -ева") << "Зверева Ольга"
                                      << "Ж";
        QTest::newRow("surname -ина before -ин") << "Ильина Анна"
                                                 << "Ж";
        QTest::newRow("surname -ин") << "Ильин Олег"
                                     << "М";
        QTest::newRow("patronymic -вна") << "Ким Анна Сергеевна"
                                         << "Ж";
        QTest::newRow("patronymic -чна") << "Ким Анна Ильинична"
                                         << "Ж";
        QTest::newRow("patronymic -ич") << "Ким Олег Ильич"
                                        << "М";
        QTest::newRow("no patronymic") << "Ким Олег"
                                       << "";
        QTest::newRow("capitals: case counts") << "ИВАНОВА МАРИЯ"
                                               << "";
        QTest::newRow("maiden name in brackets") << "Иванова (Петрова) Мария"
                                                 << "Ж";
        QTest::newRow("two spaces: empty given name, then the patronymic") << "Ким  Ильич"
                                                                           << "М";
        QTest::newRow("patronymic is all after the second space") << "Ким Олег Ильич Младший"
                                                                  << "";
        QTest::newRow("word shorter than the ending") << "Ов"
                                                      << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void sexFromTheName() {
        QFETCH(QString, name);
        QFETCH(QString, sex);
        QCOMPARE(inferSex(name), sex);
    }

    void sexToggle() {
        QCOMPARE(toggledSex(QString()), QStringLiteral("М"));
        QCOMPARE(toggledSex(QStringLiteral("М")), QStringLiteral("Ж"));
        QCOMPARE(toggledSex(QStringLiteral("Ж")), QStringLiteral("М"));
        QCOMPARE(toggledSex(QStringLiteral("X")), QStringLiteral("Ж"));
    }

    void capitalization_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("each word") << "иванов иван"
                                   << "Иванов Иван";
        QTest::newRow("after a bracket") << "мария (петрова)"
                                         << "Мария (Петрова)";
        QTest::newRow("not after a hyphen") << "анна-мария"
                                            << "Анна-мария";
        QTest::newRow("after a comma") << "иванов,петров"
                                       << "Иванов,Петров";
        QTest::newRow("ё") << "ёлкин"
                           << "Ёлкин";
        QTest::newRow("Latin stays") << "ivanov ivan"
                                     << "ivanov ivan";
        QTest::newRow("nothing made small") << "ИВАНОВ иВАН"
                                            << "ИВАНОВ ИВАН";
    }
    void capitalization() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QCOMPARE(capitalizeAsTyped(typed), shown);
    }

    void ageAndBirthDate_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QDate>("born");
        const QDate born1994(1994, 1, 1);
        QTest::newRow("30 лет") << "30 лет"
                                << "30" << born1994;
        QTest::newRow("digits only") << "30"
                                     << "30" << born1994;
        QTest::newRow("no digits") << "лет"
                                   << "" << QDate();
        QTest::newRow("zero") << "0"
                              << "0" << QDate();
        QTest::newRow("before the year 1") << "2024"
                                           << "2024" << QDate();
    }
    void ageAndBirthDate() {
        QFETCH(QString, typed);
        QFETCH(QString, digits);
        QFETCH(QDate, born);
        QCOMPARE(digitsOnly(typed), digits);
        QCOMPARE(birthDateForAge(digits.toInt(), QDate(2024, 7, 1)), born);
    }

    void ageBox() {
        QCOMPARE(ageBoxText(0), QString());
        QCOMPARE(ageBoxText(1), QStringLiteral("1"));
        QCOMPARE(visitLabelText(0), QStringLiteral("&Приёмы (нет):"));
        QCOMPARE(visitLabelText(3), QStringLiteral("&Приёмы (3):"));
    }

    void okChecks_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QDate>("born");
        QTest::addColumn<int>("problem");
        QTest::addColumn<QString>("caption");
        const QDate past(1990, 5, 5);
        QTest::newRow("4 characters")
            << "Ким "
            << "М" << past << int(CardProblem::FullName) << "Заполните Ф.И.О.";
        QTest::newRow("5 characters") << "Ким О"
                                      << "М" << past << int(CardProblem::None) << "";
        QTest::newRow("no sex") << "Ким Олег"
                                << "" << past << int(CardProblem::Sex) << "Заполните пол";
        QTest::newRow("name before sex")
            << "Ким"
            << "" << past << int(CardProblem::FullName) << "Заполните Ф.И.О.";
        QTest::newRow("born in the future")
            << "Ким Олег"
            << "М" << QDate(2024, 7, 2) << int(CardProblem::BirthDate) << "Проверьте дату рождения";
        QTest::newRow("born today") << "Ким Олег"
                                    << "М" << QDate(2024, 7, 1) << int(CardProblem::None) << "";
        QTest::newRow("no date of birth") << "Ким Олег"
                                          << "Ж" << QDate() << int(CardProblem::None) << "";
    }
    void okChecks() {
        QFETCH(QString, name);
        QFETCH(QString, sex);
        QFETCH(QDate, born);
        QFETCH(int, problem);
        QFETCH(QString, caption);
        const CardProblem found = checkCard(name, sex, born, QDate(2024, 7, 1));
        QCOMPARE(int(found), problem);
        QCOMPARE(problemCaption(found), caption);
    }

    void summary_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("telephones");
        QTest::addColumn<QDate>("born");
        QTest::addColumn<QString>("anamnesis");
        QTest::addColumn<QString>("text");
        // Now is 31 March 2024, 10:00.
        QTest::newRow("everything")
            << "ул. Лесная, 5"
            << "123-45-67" << QDate(1990, 5, 5) << "Аллергия на пенициллин."
            << "Ф.И.О.: Ким Олег\r\nВозраст: 33 (05.05.1990)\r\nАдрес: ул. Лесная, 5\r\n"
               "Телефон: 123-45-67\r\nАллергия на пенициллин.";
        QTest::newRow("no date of birth, address or telephones")
            << ""
            << "" << QDate() << ""
            << "Ф.И.О.: Ким Олег\r\nВозраст: н/д\r\nАдрес: н/д";
        QTest::newRow("less than a year old") << ""
                                              << "" << QDate(2023, 6, 1) << ""
                                              << "Ф.И.О.: Ким Олег\r\nВозраст: н/д\r\nАдрес: н/д";
        QTest::newRow("born in the future") << ""
                                            << "" << QDate(2030, 1, 1) << ""
                                            << "Ф.И.О.: Ким Олег\r\nВозраст: н/д\r\nАдрес: н/д";
        QTest::newRow("anamnesis trimmed")
            << ""
            << "" << QDate() << "\r\nДиабет.\r\n"
            << "Ф.И.О.: Ким Олег\r\nВозраст: н/д\r\nАдрес: н/д\r\n\r\nДиабет.";
    }
    void summary() {
        QFETCH(QString, address);
        QFETCH(QString, telephones);
        QFETCH(QDate, born);
        QFETCH(QString, anamnesis);
        QFETCH(QString, text);
        const PatientSummary patient{QStringLiteral("Ким Олег"), born, address, telephones,
                                     anamnesis};
        QCOMPARE(summaryText(patient, QDateTime(QDate(2024, 3, 31), QTime(10, 0))), text);
    }

    void countLine() {
        QCOMPARE(visitCountLine(3), QStringLiteral("Всего 3 приёма, сегодня 4"));
        QCOMPARE(visitCountLine(0), QStringLiteral("Всего 0 приёма, сегодня 1"));
    }

    void visit_data() {
        QTest::addColumn<QStringList>("diagnoses"); // name and note, by turns
        QTest::addColumn<QString>("complaints");
        QTest::addColumn<QString>("recommendations");
        QTest::addColumn<QStringList>("interventions");
        QTest::addColumn<QString>("text");
        QTest::newRow("no visit") << QStringList() << ""
                                  << "" << QStringList() << "Диагноз отсутствует.";
        QTest::newRow("diagnoses with and without a note")
            << QStringList{"ОРВИ", "лёгкое течение", "Ангина", ""} << ""
            << "" << QStringList() << "ОРВИ лёгкое течение, Ангина";
        QTest::newRow("complaints tidied")
            << QStringList() << "кашель,насморк"
            << "" << QStringList() << "Диагноз отсутствует.\r\n\r\nЖалобы: кашель, насморк";
        QTest::newRow("broken lines joined, recommendations on their own line")
            << QStringList() << "кашель,\r\nнасморк"
            << "1. Покой.\r\n2. Чай." << QStringList()
            << "Диагноз отсутствует.\r\n\r\nЖалобы: кашель, насморк\r\n\r\n"
               "Рекомендации:\r\n1. Покой.\r\n2. Чай.";
        QTest::newRow("interventions last, without a heading")
            << QStringList{"Гастрит", ""} << ""
            << "" << QStringList{"ФГДС", "УЗИ"} << "Гастрит\r\n\r\nФГДС, УЗИ";
    }
    void visit() {
        QFETCH(QStringList, diagnoses);
        QFETCH(QString, complaints);
        QFETCH(QString, recommendations);
        QFETCH(QStringList, interventions);
        QFETCH(QString, text);
        VisitNotes notes;
        for (qsizetype i = 0; i + 1 < diagnoses.size(); i += 2)
            notes.diagnoses << VisitNotes::Diagnosis{diagnoses[i], diagnoses[i + 1]};
        notes.complaints = complaints;
        notes.recommendations = recommendations;
        notes.interventions = interventions;
        QCOMPARE(visitText(notes), text);
    }

    void everySectionInItsOrder() {
        VisitNotes notes;
        notes.complaints = QStringLiteral("Ж");
        notes.status = QStringLiteral("С");
        notes.examination = QStringLiteral("О");
        notes.recommendations = QStringLiteral("Р");
        notes.anamnesis = QStringLiteral("А");
        QCOMPARE(visitText(notes),
                 QStringLiteral("Диагноз отсутствует.\r\n\r\nЖалобы: Ж\r\n\r\nСтатус: С\r\n\r\n"
                                "Обследование: О\r\n\r\nРекомендации:\r\nР\r\n\r\n"
                                "Анамнез заболевания: А"));
    }
};

QTEST_GUILESS_MAIN(TestCardRules)
#include "test_cardrules.moc"
