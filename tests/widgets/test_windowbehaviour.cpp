// The behaviour every window shares: settings, first placement, the edge rule, minimising with
// the whole program, help, the caption message and label hints.

#include "support/settingsfile.h"
#include "widgets/captionmessage.h"
#include "widgets/helpwindow.h"
#include "widgets/labelhints.h"
#include "widgets/messagebox.h"
#include "widgets/windowbehaviour.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <memory>

namespace {

// A window with the shared behaviour, as every window of the program has it: a member made
// with the window, gone (and its keys written) before the window.
class Window : public QWidget {
public:
    Window(SettingsFile &settings, const WindowTraits &traits, QWidget *parent = nullptr)
        : QWidget(parent, parent ? Qt::Dialog : Qt::Window) {
        setGeometry(300, 200, 400, 250);
        behaviour = std::make_unique<WindowBehaviour>(this, settings, traits);
    }
    std::unique_ptr<WindowBehaviour> behaviour;
};

WindowTraits traitsOf(const QString &section,
                      WindowTraits::Keys keys = WindowTraits::Keys::LeftTopWidthHeight) {
    WindowTraits traits;
    traits.section = section;
    traits.keys = keys;
    return traits;
}

} // namespace

class TestWindowBehaviour : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SettingsFile> settings;

    void writeSettings(const QByteArray &content) {
        QFile file(settings->path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    QByteArray settingsText() const {
        QFile file(settings->path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        settings = std::make_unique<SettingsFile>(dir->filePath(QStringLiteral("Ventrel.ini")));
    }
    void cleanup() {
        for (QWidget *window : QApplication::topLevelWidgets())
            window->hide();
    }

    // A dialog the windowing system placed, and the user moved, comes back where it was when it
    // was hidden: not where a dialog would put itself over its owner at every show.
    void aDialogShownAgainComesBackWhereTheUserLeftIt() {
        WindowTraits traits = traitsOf(QStringLiteral("fmPriem"));
        traits.placement = WindowTraits::Placement::SystemDefault;
        QWidget owner;
        owner.setGeometry(100, 100, 600, 500);
        owner.show();
        QDialog dialog(&owner);
        dialog.resize(300, 200);
        WindowBehaviour behaviour(&dialog, *settings, traits);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.windowHandle()->setFramePosition(QPoint(130, 140)); // moved by the user
        QTRY_COMPARE(dialog.frameGeometry().topLeft(), QPoint(130, 140));
        dialog.hide();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_COMPARE(dialog.frameGeometry().topLeft(), QPoint(130, 140));
    }

    void storedBoundsAreAppliedAndWrittenBack() {
        writeSettings("[fmDiag]\r\nLeft=100\r\nTop=120\r\nWidth=abc\r\nHeight=300\r\n");
        auto window = std::make_unique<Window>(*settings, traitsOf(QStringLiteral("fmDiag")));
        QCOMPARE(window->frameGeometry(), QRect(100, 120, 400, 300));
        window->move(150, 160);
        window.reset();
        QCOMPARE(settingsText(),
                 QByteArray("[fmDiag]\r\nLeft=150\r\nTop=160\r\nWidth=400\r\nHeight=300\r\n"));
    }

    // A stored size far beyond any screen is fitted to the work area as it is read, for every
    // window, rather than making a window of gigabytes.
    void storedSizeIsFittedToTheWorkArea() {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        writeSettings("[fmMain]\r\nTop=10\r\nLeft=20\r\nWidth=32767\r\nHeight=32767\r\n");
        Window window(*settings,
                      traitsOf(QStringLiteral("fmMain"), WindowTraits::Keys::TopLeftWidthHeight));
        QCOMPARE(window.frameGeometry().size(), area.size());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.frameGeometry().width() <= area.width());
        QVERIFY(window.frameGeometry().height() <= area.height());
    }

    void keysAreWrittenInTheirOrder_data() {
        QTest::addColumn<int>("keys");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("main window")
            << int(WindowTraits::Keys::TopLeftWidthHeight)
            << QByteArray("[fmTest]\nTop=200\nLeft=300\nWidth=400\nHeight=250\n");
        QTest::newRow("others") << int(WindowTraits::Keys::LeftTopWidthHeight)
                                << QByteArray(
                                       "[fmTest]\nLeft=300\nTop=200\nWidth=400\nHeight=250\n");
        QTest::newRow("fixed size")
            << int(WindowTraits::Keys::LeftTop) << QByteArray("[fmTest]\nLeft=300\nTop=200\n");
    }
    void keysAreWrittenInTheirOrder() {
        QFETCH(int, keys);
        QFETCH(QByteArray, written);
        // No section yet: the design bounds stay and are written.
        { Window window(*settings, traitsOf(QStringLiteral("fmTest"), WindowTraits::Keys(keys))); }
        QCOMPARE(settingsText(), written);
    }

    void firstPlacement_data() {
        QTest::addColumn<int>("placement");
        QTest::addColumn<QRect>("shownAt");
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QTest::newRow("as stored")
            << int(WindowTraits::Placement::AsStored) << QRect(100, 120, 350, 260);
        QTest::newRow("centred") << int(WindowTraits::Placement::Centred)
                                 << QRect((screen.width() - 350) / 2, (screen.height() - 260) / 2,
                                          350, 260);
        // Where the window was made, its frame round it.
        QTest::newRow("system default")
            << int(WindowTraits::Placement::SystemDefault) << QRect(298, 198, 404, 254);
    }
    void firstPlacement() {
        QFETCH(int, placement);
        QFETCH(QRect, shownAt);
        writeSettings("[fmTest]\nLeft=100\nTop=120\nWidth=350\nHeight=260\n");
        WindowTraits traits = traitsOf(QStringLiteral("fmTest"));
        traits.placement = WindowTraits::Placement(placement);
        Window window(*settings, traits);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(window.frameGeometry(), shownAt);
        // Later shows leave the window where it was.
        window.hide();
        window.move(110, 130);
        window.show();
        QCOMPARE(window.frameGeometry().topLeft(), QPoint(110, 130));
    }

    void edgeRuleAppliesWhereverTheWindowGoes() {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        Window snapping(*settings, traitsOf(QStringLiteral("fmTest")));
        WindowTraits free = traitsOf(QStringLiteral("fmPrint"));
        free.edgeRule = false;
        Window loose(*settings, free);
        for (Window *window : {&snapping, &loose}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            window->resize(300, 200);
            window->move(area.left() + 15, area.top() + 100);
        }
        QTRY_COMPARE(snapping.frameGeometry().topLeft(), QPoint(area.left(), area.top() + 100));
        QTRY_COMPARE(loose.frameGeometry().topLeft(), QPoint(area.left() + 15, area.top() + 100));
        // Sizing the window towards the right edge pulls it onto that edge.
        snapping.move(area.left() + 200, area.top() + 100);
        snapping.resize(area.width() - 210, 200);
        QTRY_COMPARE(snapping.frameGeometry().right(), area.right());
        // Stored bounds off the screen are pulled back when the window is placed.
        writeSettings("[fmFar]\nLeft=-500\nTop=100\n");
        Window far(*settings, traitsOf(QStringLiteral("fmFar")));
        QCOMPARE(far.frameGeometry().topLeft(), QPoint(area.left(), 100));
    }

    void minimisingTakesTheWholeProgram_data() {
        QTest::addColumn<int>("minimize");
        QTest::addColumn<bool>("mainMinimized");
        QTest::newRow("whole program") << int(WindowTraits::Minimize::WholeApplication) << true;
        QTest::newRow("this window only") << int(WindowTraits::Minimize::ThisWindow) << false;
    }
    void minimisingTakesTheWholeProgram() {
        QFETCH(int, minimize);
        QFETCH(bool, mainMinimized);
        Window main(*settings, traitsOf(QStringLiteral("fmMain")));
        WindowTraits traits = traitsOf(QStringLiteral("fmDialog"));
        traits.minimize = WindowTraits::Minimize(minimize);
        Window dialog(*settings, traits, &main);
        main.show();
        dialog.show();
        dialog.setWindowState(Qt::WindowMinimized);
        QCOMPARE(main.isMinimized(), mainMinimized);
        // Brought back, the window brings the others back with it.
        dialog.setWindowState(Qt::WindowNoState);
        QVERIFY(!main.isMinimized());
    }

    void f1OpensTheWindowsTopic() {
        WindowTraits traits = traitsOf(QStringLiteral("fmDoc"));
        traits.helpTopic = 40;
        Window window(*settings, traits);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F1);
        QVERIFY(helpWindow());
        QCOMPARE(helpWindow()->currentTopic(), 40);
        // Every topic the windows ask for has a page; others fall back to the general one.
        for (int topic : {32767, 40, 42, 44, 55, 60, 90, 120, 130})
            QVERIFY2(HelpWindow::hasTopic(topic), qPrintable(QString::number(topic)));
        helpWindow()->showTopic(0);
        QCOMPARE(helpWindow()->currentTopic(), HelpWindow::kGeneralTopic);
        // The contents mark the page shown: the visit's page is not the patient card's.
        auto *contents = helpWindow()->findChild<QListWidget *>();
        for (int topic : {50, 70}) {
            helpWindow()->showTopic(topic);
            QCOMPARE(contents->currentItem()->data(Qt::UserRole).toInt(), topic);
        }
        helpWindow()->close();
    }

    void unwritableSettingsAreReported() {
        settings =
            std::make_unique<SettingsFile>(dir->filePath(QStringLiteral("gone/Ventrel.ini")));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        { Window window(*settings, traitsOf(QStringLiteral("fmTest"))); }
        QCOMPARE(MessageBox::lastText(), QStringLiteral("Unable to write to ") + settings->path());
    }

    void captionMessageCountsTicks() {
        QWidget window;
        QString normal = QStringLiteral("Фильтр");
        CaptionMessage caption(&window, [&] { return normal; });
        window.setWindowTitle(QStringLiteral("at design"));
        // The first tick after creation puts the normal caption once.
        caption.tick();
        QCOMPARE(window.windowTitle(), normal);
        QVERIFY(!caption.isRunning());

        caption.show(QStringLiteral("Нет таких записей."), 10);
        QVERIFY(caption.isRunning());
        // A screen reader asking for the window's name hears the message.
        QCOMPARE(QAccessible::queryAccessibleInterface(&window)->text(QAccessible::Name),
                 QStringLiteral("Нет таких записей."));
        for (int tick = 0; tick < 9; ++tick)
            caption.tick();
        QCOMPARE(window.windowTitle(), QStringLiteral("Нет таких записей."));
        // A second message replaces the first and counts anew.
        caption.show(QStringLiteral("second"), 3);
        caption.tick();
        caption.tick();
        QCOMPARE(window.windowTitle(), QStringLiteral("second"));
        caption.tick();
        QCOMPARE(window.windowTitle(), normal);

        // No normal caption: the message simply stays.
        normal = QString();
        caption.show(QStringLiteral("stays"), 0);
        caption.tick();
        QCOMPARE(window.windowTitle(), QStringLiteral("stays"));
    }

    void labelHintsShowOnTwoLines() {
        QWidget window;
        auto *label = new QLabel(&window);
        auto *button = new QPushButton(&window);
        const QString hint =
            QStringLiteral("Фамилия имя отчество|Девичью фамилию введите после основной в скобках");
        // As a .ui names them.
        label->setProperty("hint", hint);
        button->setProperty("hint", hint);
        showHints(&window);
        QCOMPARE(label->toolTip(),
                 QStringLiteral(
                     "Фамилия имя отчество\nДевичью фамилию введите после основной в скобках"));
        QCOMPARE(button->toolTip(), QStringLiteral("Фамилия имя отчество"));
        QCOMPARE(button->statusTip(),
                 QStringLiteral("Девичью фамилию введите после основной в скобках"));
    }
};

QTEST_MAIN(TestWindowBehaviour)
#include "test_windowbehaviour.moc"
