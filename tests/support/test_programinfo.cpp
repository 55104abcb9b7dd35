// What the program tells about itself: the letter to the developer and the about box.

#include "support/programinfo.h"

#include <QTest>

class TestProgramInfo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void letterCarriesTheFileVersion() {
        QCOMPARE(program::letterAddress(QStringLiteral("2.0.0.42")),
                 QStringLiteral("mailto:Илья%20Воронцов<ventrel@example.org>"
                                "?subject=О%20программе%20Вентрель%202.0 бета 3"
                                "&body=Здравствуйте,%20Илья!%0D%0A"
                                "Используем%20вашу%20программу%20Вентрель%20версии%202.0 бета 3"
                                "%20(2.0.0.42)%0D%0A%0D%0A"));
    }

    void aboutNamesBothFolders() {
        QCOMPARE(program::aboutText(QStringLiteral("/srv/base/"), QStringLiteral("/opt/v/")),
                 QStringLiteral("Вентрель\nВерсия: 2.0 бета 3 [07.05.2008]\n"
                                "Медицинская программа для учёта пациентов.\n\n"
                                "Почта: ventrel@example.org\n"
                                "Сайт: https://ventrel.example.org/\n\n"
                                "Папка базы:\n/srv/base/\n"
                                "Папка с данными:\n/opt/v/"));
    }
};

QTEST_GUILESS_MAIN(TestProgramInfo)
#include "test_programinfo.moc"
