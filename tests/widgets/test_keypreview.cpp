// A window's key preview: the window's handler sees each key of its controls once, before any
// filter of the control and before the control, and no key of a dialog opened over it.

#include "widgets/keypreview.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace {

// Who saw a key press, in order.
QStringList seen;

class RecordingEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent *event) override {
        seen << QStringLiteral("control");
        QLineEdit::keyPressEvent(event);
    }
};

// A filter a control gets from its window after the preview was set up, as a grid's keys or a
// box's Enter rules are.
class RecordingFilter : public QObject {
protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::KeyPress)
            seen << QStringLiteral("filter");
        return false;
    }
};

// A window whose handler consumes F12 and, for F2, moves the focus to the window itself and
// leaves the key to the controls.
class Window : public QDialog {
public:
    Window(const QString &name, bool controlFirst, QWidget *parent = nullptr) : QDialog(parent) {
        auto *layout = new QVBoxLayout(this);
        if (controlFirst)
            layout->addWidget(edit = new RecordingEdit(this));
        new KeyPreview(this, [this, name](QKeyEvent *key) {
            seen << name;
            if (key->key() == Qt::Key_F2)
                setFocus();
            return key->key() == Qt::Key_F12;
        });
        if (!controlFirst)
            layout->addWidget(edit = new RecordingEdit(this));
        edit->installEventFilter(&filter);
    }
    RecordingEdit *edit = nullptr;
    RecordingFilter filter;
};

void focusOn(QWidget *control) {
    control->window()->show();
    control->window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(control->window()));
    control->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), control);
}

} // namespace

class TestKeyPreview : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { seen.clear(); }

    void windowSeesTheKeyFirstAndOnce_data() {
        QTest::addColumn<bool>("controlFirst");
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("order");
        const QStringList all = {"window", "filter", "control"};
        QTest::newRow("control made before the preview") << true << int(Qt::Key_A) << all;
        QTest::newRow("control made after the preview") << false << int(Qt::Key_A) << all;
        QTest::newRow("key the window consumes")
            << true << int(Qt::Key_F12) << QStringList{"window"};
        // The key the control leaves travels on up to the window, which has the focus now.
        QTest::newRow("handler moves the focus to the window") << false << int(Qt::Key_F2) << all;
    }
    void windowSeesTheKeyFirstAndOnce() {
        QFETCH(bool, controlFirst);
        QFETCH(int, key);
        QFETCH(QStringList, order);
        Window window(QStringLiteral("window"), controlFirst);
        focusOn(window.edit);
        seen.clear();
        QTest::keyClick(window.edit, Qt::Key(key));
        QCOMPARE(seen, order);
    }

    // A dialog opened over the window, with a preview of its own: its keys are its own alone.
    void keysOfADialogOverTheWindowAreNotTheWindows() {
        Window window(QStringLiteral("window"), true);
        focusOn(window.edit);
        Window dialog(QStringLiteral("dialog"), true, &window);
        dialog.setModal(true);
        focusOn(dialog.edit);
        seen.clear();
        QTest::keyClick(dialog.edit, Qt::Key_A);
        QCOMPARE(seen, (QStringList{"dialog", "filter", "control"}));
        dialog.close();
        focusOn(window.edit);
        seen.clear();
        QTest::keyClick(window.edit, Qt::Key_A);
        QCOMPARE(seen, (QStringList{"window", "filter", "control"}));
    }
};

QTEST_MAIN(TestKeyPreview)
#include "test_keypreview.moc"
