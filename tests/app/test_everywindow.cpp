// Every window of the program, opened the way a user opens it, read as a screen reader reads it
// (through QAccessible, in this process), measured as a large desktop font needs it, and looked
// at in a dark palette. The windows are found, not listed: every command of the main window's
// menus that opens a window is run (except those that end the run, delete, or ask for a file),
// and every window that shows is taken on, together with the windows it opens; a window added
// to the program later is covered once a menu reaches it. The program runs with
// QT_SCALE_FACTOR 1.5 and 2 as well (CMakeLists.txt).

#include "app/programwindows.h"
#include "app/tfmmain.h"
#include "childrun.h"
#include "keyboard.h"
#include "registerfixture.h"
#include "support/dates.h"
#include "support/settingsfile.h"
#include "testdatabase.h"
#include "widgets/contrast.h"
#include "widgets/messagebox.h"
#include "widgets/palettes.h"
#include "windowcontrol.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStyle>
#include <QStyleFactory>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

namespace {

// Commands the tour does not run: they end the run, delete a patient, ask for a file (the file
// dialog is Qt's own), or hand over to the browser and the mail program.
const QSet<QString> kNotRun = {
    QStringLiteral("mmExit"),    QStringLiteral("mmDel"), QStringLiteral("mmBackup"),
    QStringLiteral("mmRestore"), QStringLiteral("mmWeb"), QStringLiteral("mmMail"),
    QStringLiteral("pmExport"),
};

const SeedBooks kBooks = {{QStringLiteral("Острый респираторный вирусный инфекционный процесс"),
                           QStringLiteral("Ангина")},
                          {QStringLiteral("ФГДС")},
                          {QStringLiteral("Петрова Е.В."), QStringLiteral("Сидоров А.А.")}};

const QList<SeedPatient> kPatients = {
    {.fio = QStringLiteral("Андреев Андрей Андреевич"),
     .sex = QStringLiteral("М"),
     .born = QDate(1980, 2, 3),
     .address = QStringLiteral("ул. Лесная, 5"),
     .visits = {{QDate(2024, 3, 20),
                 {1, 2},
                 QStringLiteral("лёгкое течение"),
                 {1},
                 QStringLiteral("кашель")},
                {QDate(2024, 2, 10), {2}}}},
    {.fio = QStringLiteral("Андреева Анна"), .sex = QStringLiteral("Ж")},
};

// The text a control shows, without the access key's "&".
QString shownText(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(u'&');
    text.replace(u'\x01', u'&');
    return text;
}

bool isProgramWindow(const QWidget *window) {
    // Qt's own windows (message boxes, file dialogs, popups) name their controls themselves.
    const Qt::WindowType type = window->windowType();
    return window->isWindow() && type != Qt::Popup && type != Qt::ToolTip &&
           !QString::fromLatin1(window->metaObject()->className()).startsWith(u'Q');
}

QString describe(const QWidget *widget) {
    QString name = widget->objectName();
    for (const QWidget *up = widget->parentWidget(); name.isEmpty() && up; up = up->parentWidget())
        name = up->objectName().isEmpty() ? QString()
                                          : QStringLiteral("a part of ") + up->objectName();
    return QStringLiteral("%1 %2 (%3)")
        .arg(widget->window()->objectName(), name,
             QString::fromLatin1(widget->metaObject()->className()));
}

// The name a screen reader reads for a control. A combo box's own name is the text in it (so Qt
// has it on Linux): it is named by the label that names it.
QString nameOf(QAccessibleInterface *node) {
    if (node->role() != QAccessible::ComboBox)
        return node->text(QAccessible::Name);
    QStringList labels;
    for (const auto &[label, relation] : node->relations(QAccessible::Label))
        labels << label->text(QAccessible::Name);
    return labels.join(u' ');
}

// The controls of the window the keyboard reaches that a screen reader finds no name for.
QStringList unnamedControls(QWidget *window) {
    QStringList unnamed;
    std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *node) {
        if (!node || !node->isValid())
            return;
        auto *widget = qobject_cast<QWidget *>(node->object());
        // Every control that may take the focus, as a screen reader finds them (a combo box's
        // line too, which passes the focus on to its box).
        if (widget && widget != window && widget->window() == window &&
            widget->focusPolicy() != Qt::NoFocus && nameOf(node).trimmed().isEmpty()) {
            unnamed << describe(widget);
        }
        if (widget && widget != window && widget->window() != window)
            return; // a popup of its own
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface *child = node->child(i);
            // The cells of a grid are read with their column's and row's names, below.
            if (child && child->object())
                walk(child);
        }
    };
    walk(QAccessible::queryAccessibleInterface(window));
    return unnamed;
}

// Grids whose columns or rows a screen reader finds no name for: it reads a cell's column and
// row headers with it.
QStringList unnamedGridHeaders(QWidget *window) {
    QStringList unnamed;
    for (QTableView *grid : window->findChildren<QTableView *>()) {
        QAbstractItemModel *model = grid->model();
        QAccessibleInterface *node = QAccessible::queryAccessibleInterface(grid);
        if (!model || !node || !node->tableInterface())
            continue;
        QAccessibleTableInterface *table = node->tableInterface();
        const int rows = std::min(table->rowCount(), 3);
        for (int column = 0; column < table->columnCount(); ++column) {
            if (grid->isColumnHidden(column))
                continue;
            const QString title =
                model->headerData(column, Qt::Horizontal, Qt::AccessibleTextRole).toString() +
                model->headerData(column, Qt::Horizontal).toString();
            if (title.trimmed().isEmpty())
                unnamed << describe(grid) + QStringLiteral(" column %1").arg(column);
            for (int row = 0; row < rows; ++row) {
                QAccessibleInterface *cell = table->cellAt(row, column);
                QAccessibleTableCellInterface *cellInterface =
                    cell ? cell->tableCellInterface() : nullptr;
                if (!cellInterface)
                    continue;
                const auto named = [](const QList<QAccessibleInterface *> &headers) {
                    for (QAccessibleInterface *header : headers) {
                        if (!header->text(QAccessible::Name).trimmed().isEmpty())
                            return true;
                    }
                    return false;
                };
                if (!named(cellInterface->rowHeaderCells()))
                    unnamed << describe(grid) + QStringLiteral(" row %1").arg(row);
                if (!named(cellInterface->columnHeaderCells()))
                    unnamed << describe(grid) + QStringLiteral(" column %1 header").arg(column);
            }
        }
    }
    return unnamed;
}

bool insideScrolledContents(const QWidget *widget, const QWidget *window) {
    for (const QWidget *up = widget->parentWidget(); up && up != window; up = up->parentWidget()) {
        if (up->objectName() == u"qt_scrollarea_viewport")
            return true;
    }
    return false;
}

// Labels, buttons and column titles narrower or lower than their text needs, or out of the
// window: cut. Controls of one parent laid over one another: covered.
QStringList cutTexts(QWidget *window) {
    QStringList cut;
    const auto fail = [&](const QWidget *widget, const QString &what) {
        cut << describe(widget) + u' ' + what +
                   QStringLiteral(" (window %1x%2)").arg(window->width()).arg(window->height());
    };
    QList<QWidget *> shown;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (widget->window() != window || !widget->isVisibleTo(window) ||
            insideScrolledContents(widget, window))
            continue;
        const QFontMetrics metrics = widget->fontMetrics();
        if (auto *label = qobject_cast<QLabel *>(widget)) {
            if (label->text().isEmpty() || label->pixmap().isNull() == false)
                continue;
            shown << label;
            if (label->wordWrap()) {
                if (label->height() < label->heightForWidth(label->width()))
                    fail(label, QStringLiteral("wraps lower than it is"));
            } else if (label->width() < label->sizeHint().width() ||
                       label->height() < metrics.height()) {
                fail(label, QStringLiteral("%1x%2, its text needs %3x%4")
                                .arg(label->width())
                                .arg(label->height())
                                .arg(label->sizeHint().width())
                                .arg(metrics.height()));
            }
        } else if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
            const QString text = shownText(button->text());
            if (text.isEmpty())
                continue;
            shown << button;
            // The text stays inside the button's bevel.
            int room = button->width() - 4;
            int need = metrics.horizontalAdvance(text);
            if (qobject_cast<QCheckBox *>(button) || qobject_cast<QRadioButton *>(button)) {
                room = button->width();
                need = button->sizeHint().width();
            }
            if (room < need || button->height() < metrics.height())
                fail(button,
                     QStringLiteral("%1 wide for \"%2\", needs %3").arg(room).arg(text).arg(need));
        } else if (auto *header = qobject_cast<QHeaderView *>(widget)) {
            if (header->orientation() != Qt::Horizontal || !header->model())
                continue;
            const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin);
            for (int section = 0; section < header->count(); ++section) {
                if (header->isSectionHidden(section))
                    continue;
                const QString title =
                    header->model()->headerData(section, Qt::Horizontal).toString();
                const int need = header->fontMetrics().horizontalAdvance(title) + margin;
                if (!title.isEmpty() && header->sectionSize(section) < need)
                    fail(header, QStringLiteral("column \"%1\" %2 wide, needs %3")
                                     .arg(title)
                                     .arg(header->sectionSize(section))
                                     .arg(need));
            }
        }
    }
    const QRect client = window->rect();
    for (QWidget *widget : shown) {
        const QRect at(widget->mapTo(window, QPoint(0, 0)), widget->size());
        if (!client.contains(at))
            fail(widget, QStringLiteral("out of the window"));
        for (QWidget *other :
             widget->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (other != widget && other->isVisibleTo(window) && !other->isWindow() &&
                other->geometry().intersects(widget->geometry()) &&
                !(qobject_cast<QLabel *>(widget) &&
                  qobject_cast<QLabel *>(widget)->buddy() == other))
                fail(widget, QStringLiteral("covered by ") + other->objectName());
        }
    }
    return cut;
}

// The colour a control writes with and the one it writes on, as its palette gives them.
std::pair<QPalette::ColorRole, QPalette::ColorRole> textRoles(const QWidget *widget) {
    if (qobject_cast<const QAbstractButton *>(widget) && !qobject_cast<const QCheckBox *>(widget) &&
        !qobject_cast<const QRadioButton *>(widget))
        return {QPalette::ButtonText, QPalette::Button};
    if (qobject_cast<const QHeaderView *>(widget))
        return {QPalette::ButtonText, QPalette::Button};
    if (qobject_cast<const QLineEdit *>(widget) ||
        qobject_cast<const QAbstractScrollArea *>(widget))
        return {QPalette::Text, QPalette::Base};
    return {widget->foregroundRole(), widget->backgroundRole()};
}

// Texts that read at less than 4.5 : 1 against their background.
QStringList faintTexts(QWidget *window) {
    QStringList faint;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (widget->window() != window || !widget->isVisibleTo(window) || !widget->isEnabled())
            continue;
        const QPalette palette = widget->palette();
        const auto [text, background] = textRoles(widget);
        const double ratio = contrast::ratio(palette.color(text), palette.color(background));
        if (ratio < 4.5)
            faint << describe(widget) + QStringLiteral(" %1").arg(ratio, 0, 'f', 2);
        if (auto *view = qobject_cast<QAbstractItemView *>(widget)) {
            const QColor selected = palette.color(QPalette::Highlight);
            if (contrast::ratio(palette.color(QPalette::HighlightedText), selected) < 4.5)
                faint << describe(widget) + QStringLiteral(" chosen row");
            QAbstractItemModel *model = view->model();
            for (int row = 0; model && row < std::min(model->rowCount(), 20); ++row) {
                const QVariant brush = model->data(model->index(row, 0), Qt::ForegroundRole);
                if (brush.canConvert<QBrush>() &&
                    contrast::ratio(brush.value<QBrush>().color(), palette.color(QPalette::Base)) <
                        4.5)
                    faint << describe(widget) + QStringLiteral(" row %1").arg(row);
            }
        }
    }
    return faint;
}

} // namespace

class TestEveryWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<QTemporaryDir> dir;
    QSet<QString> seen;      // the classes of the windows taken on
    QStringList findings;    // what was wrong, window by window
    QStringList closedOrder; // to tell which windows opened others

    // Takes a window on: reads it, then opens what it opens, then closes it when it is modal.
    static QString nameOf(const QWidget *window) {
        return QString::fromLatin1(window->metaObject()->className()) + u'/' + window->objectName();
    }
    bool wasSeen(const char *objectName) const {
        for (const QString &window : seen) {
            if (window.endsWith(u'/' + QLatin1String(objectName)))
                return true;
        }
        return false;
    }

    void takeOn(QWidget *window) {
        if (!seen.contains(nameOf(window))) {
            seen << nameOf(window);
            for (const QString &problem : unnamedControls(window) + unnamedGridHeaders(window))
                findings << QStringLiteral("no name: ") + problem;
            for (const QString &problem : cutTexts(window))
                findings << QStringLiteral("cut: ") + problem;
            for (const QString &problem : faintTexts(window))
                findings << QStringLiteral("faint: ") + problem;
        }
        explore(window);
    }

    // The windows that only another window opens, until they have been read.
    void explore(QWidget *window) {
        if (window->objectName() == u"fmCardEdit" &&
            !(wasSeen("fmSamePatient") && wasSeen("fmPriem"))) {
            auto *name = control<QLineEdit>(window, "dbedFIO");
            if (name->text().isEmpty() && !wasSeen("fmSamePatient")) {
                // A new card with the name of a stored one: the question about it.
                name->setFocus();
                typeText(name, kPatients.constFirst().fio);
                control<QPushButton>(window, "btOK")->click();
            } else if (!name->text().isEmpty() && !wasSeen("fmPriem")) {
                control<QPushButton>(window, "btAdd")->click(); // the visit editor
            }
        } else if (window->objectName() == u"fmPriem" && !wasSeen("fmPrint")) {
            control<QPushButton>(window, "btPrint")->click();
        }
    }

    bool eventFilter(QObject *watched, QEvent *event) override {
        auto *window = qobject_cast<QWidget *>(watched);
        if (event->type() == QEvent::Show && window && isProgramWindow(window)) {
            QPointer<QWidget> shown = window;
            QTimer::singleShot(0, this, [this, shown] {
                if (!shown)
                    return;
                takeOn(shown);
                // A modal window ends the event loop it runs; the progress window ends by itself.
                if (shown && shown->isVisible() && shown->isModal() &&
                    shown->objectName() != u"fmProgress")
                    shown->close();
            });
        }
        return false;
    }

    std::unique_ptr<TfmMain> startMainWindow() {
        auto fmMain = std::make_unique<TfmMain>(
            startupStateFor(db->path(), dir->filePath(QStringLiteral("Ventrel.ini"))));
        new ProgramWindows(fmMain.get());
        fmMain->show();
        if (!QTest::qWaitFor([&] { return fmMain->isLoaded(); }))
            qFatal("the main window did not load the register");
        return fmMain;
    }

    // Runs every command of the main window's menus that may run in a test.
    void runEveryCommand(TfmMain *fmMain) {
        QList<QMenu *> menus;
        for (QMenu *menu : fmMain->findChildren<QMenu *>()) {
            if (menu->parentWidget() && menu->parentWidget()->window() == fmMain)
                menus << menu;
        }
        QSet<QAction *> ran;
        for (QMenu *menu : menus) {
            Q_EMIT menu->aboutToShow(); // commands are enabled as their menu opens
            for (QAction *action : menu->actions()) {
                if (action->isSeparator() || action->menu() || ran.contains(action) ||
                    kNotRun.contains(action->objectName()))
                    continue;
                ran << action;
                Q_EMIT menu->aboutToShow();
                if (!action->isEnabled())
                    continue;
                action->trigger();
                QCoreApplication::processEvents();
                // A window that stays open by itself (help) is closed once read.
                for (QWidget *window : QApplication::topLevelWidgets()) {
                    if (window != fmMain && window->isVisible() && isProgramWindow(window) &&
                        !window->isModal())
                        window->close();
                }
            }
        }
    }

private Q_SLOTS:
    void init() {
        dates::setClock([] { return QDateTime(QDate(2024, 3, 31), QTime(10, 0)); });
        // Questions are answered "no", so that nothing is written; notes are read and closed.
        MessageBox::setAnswerer([](const QString &) { return QMessageBox::No; });
        db = std::make_unique<TestDatabase>();
        dir = std::make_unique<QTemporaryDir>();
        seedRegister(db->path(), kBooks, kPatients);
        seen.clear();
        findings.clear();
        qApp->installEventFilter(this);
    }

    void cleanup() {
        qApp->removeEventFilter(this);
        MessageBox::setAnswerer({});
        dates::setClock({});
        db.reset();
        dir.reset();
    }

    void everyWindow_data() {
        QTest::addColumn<int>("points"); // the application font; 0 for the ordinary one
        QTest::addColumn<bool>("dark");
        QTest::newRow("ordinary") << 0 << false;
        QTest::newRow("14 pt") << 14 << false;
        QTest::newRow("24 pt") << 24 << false;
        QTest::newRow("dark") << 0 << true;
    }

    // Every control the keyboard reaches has a name, every grid names its columns and rows,
    // every label, button and column title has the room its text needs and nothing covers it,
    // and every text reads at 4.5 : 1 against its background.
    void everyWindow() {
        QFETCH(int, points);
        QFETCH(bool, dark);
        const QFont ordinaryFont = QApplication::font();
        const QPalette ordinaryPalette = QApplication::palette();
        if (points > 0) {
            QFont font = ordinaryFont;
            font.setPointSize(points);
            QApplication::setFont(font);
        }
        palettes::applyToApplication(dark ? QStringLiteral("dark") : QString());

        {
            std::unique_ptr<TfmMain> fmMain = startMainWindow();
            takeOn(fmMain.get());
            runEveryCommand(fmMain.get());
            // Windows made and never shown on the way are read too.
            for (QWidget *window : QApplication::topLevelWidgets()) {
                if (isProgramWindow(window) && window->parentWidget() == fmMain.get() &&
                    !window->isVisible()) {
                    if (!seen.contains(nameOf(window)))
                        findings << QStringLiteral("never shown: ") + nameOf(window);
                }
            }
            fmMain->endRun(TfmMain::EndMode::Ordinary);
        }

        QApplication::setFont(ordinaryFont);
        QApplication::setPalette(ordinaryPalette);
        qInfo().noquote() << "windows read:" << QStringList(seen.values()).join(u' ');
        for (const QString &finding : std::as_const(findings))
            qWarning().noquote() << finding;
        QVERIFY2(findings.isEmpty(), "see the warnings above");
        // The tour reached the windows that only other windows open.
        for (const char *name : {"fmPriem", "fmPrint", "fmSamePatient", "fmProgress", "HelpWindow"})
            QVERIFY2(wasSeen(name), name);
    }
};

QTEST_MAIN(TestEveryWindow)
#include "test_everywindow.moc"
