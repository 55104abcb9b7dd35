#include "books/tfmbook.h"

#include "books/bookchecks.h"
#include "data/shareddata.h"
#include "dbwidgets/dbgrid.h"
#include "dbwidgets/refreshkey.h"
#include "ui_tfmbook.h"
#include "widgets/captionmessage.h"
#include "widgets/dialogwindow.h"
#include "widgets/fontgrowth.h"
#include "widgets/guarded.h"
#include "widgets/keypreview.h"
#include "widgets/labelhints.h"
#include "widgets/menucommand.h"
#include "widgets/messagebox.h"
#include "widgets/refusalhint.h"
#include "widgets/windowbehaviour.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QTimer>

namespace {

const QString kActive = QStringLiteral("D_ACTIVE");

// How long the caption tells that an entry in use was not deleted.
constexpr int kRefusedTicks = 10;
// The doctors' window cannot be sized: one list of names and the buttons.
const QSize kFixedSize(380, 320);

// A doctor not yet saved is written as active, and reads so until then.
bool isActiveDoctor(const QVariant &flag) {
    return flag.isNull() || isActiveFlag(flag);
}

} // namespace

TfmBook::TfmBook(BookKind kind, SharedData &data, SettingsFile &settings, QWidget *parent)
    : QDialog(parent), m_config(bookConfig(kind)), m_ui(std::make_unique<Ui::TfmBook>()),
      m_data(data) {
    m_ui->setupUi(this);
    setObjectName(m_config.windowName);
    setWindowTitle(m_config.caption);
    setUpMinimizableDialog(this);
    if (m_config.fixedSize)
        setFixedSize(fontgrowth::grown(kFixedSize).expandedTo(fontgrowth::layoutMinimum(this)));

    DbGrid *grid = m_ui->dbgBook;
    grid->setObjectName(m_config.gridName);
    grid->setAccessibleName(m_config.caption);
    grid->setDataSource(&(m_data.*m_config.source), {{m_config.nameField, m_config.columnTitle}});
    grid->setEditable(m_config.editableAtFirst);
    grid->setRowLeaving([this] { return saveRow(); });
    connect(grid, &DbGrid::cellInputRefused, this,
            [this, grid](const QString &, const QString &reason) {
                tellRefused(grid, m_config.columnTitle, reason);
            });
    if (m_config.hasActiveFlag) {
        // A doctor who no longer sees patients is kept, drawn dimmed.
        grid->setDimmedRows([](const Dataset &doctors, int row) {
            return !isActiveDoctor(doctors.value(row, kActive));
        });
    }
    createMenu();

    setHint(m_ui->btAdd, m_config.addHint);
    setHint(m_ui->btPatient, m_config.patientsHint);
    setHint(m_ui->sbtHelp, m_config.helpHint);

    connect(m_ui->btOK, &QPushButton::clicked, this, &TfmBook::btOKClick);
    connect(m_ui->btCancel, &QPushButton::clicked, this, &TfmBook::btCancelClick);
    connect(m_ui->btAdd, &QPushButton::clicked, this, &TfmBook::btAddClick);
    connect(m_ui->btPatient, &QPushButton::clicked, this, &TfmBook::btPatientClick);
    connect(m_ui->sbtHelp, &QToolButton::clicked, this, &TfmBook::sbtHelpClick);
    connect(m_ui->edSearch, &QLineEdit::textEdited, this, &TfmBook::edSearchChange);
    m_ui->edSearch->installEventFilter(this);

    new KeyPreview(this, [this](QKeyEvent *event) { return FormKeyDown(event); });
    m_caption = new CaptionMessage(this, [this] { return normalCaption(); });

    // Where a book first appears when the settings keep no place for it: in the middle of the
    // screen, not in its corner.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    WindowTraits traits;
    traits.section = m_config.windowName;
    traits.placement =
        m_config.fixedSize ? WindowTraits::Placement::Centred : WindowTraits::Placement::AsStored;
    traits.helpTopic = m_config.helpTopic;
    traits.refresh = refreshingLists(this, m_data);
    m_behaviour = std::make_unique<WindowBehaviour>(this, settings, traits);
}

TfmBook::~TfmBook() = default;

Dataset &TfmBook::book() const {
    return m_data.*m_config.dataset;
}

void TfmBook::createMenu() {
    m_menu = new QMenu(this);
    m_menu->setObjectName(m_config.menuName);
    DbGrid *grid = m_ui->dbgBook;
    auto addItem = [this](const char *name, const QString &caption, void (TfmBook::*handler)()) {
        return addMenuCommand(m_menu, name, caption, this, handler);
    };
    QAction *pmEdit = addItem("pmEdit", QStringLiteral("Правка"), &TfmBook::pmEditClick);
    // F2 acts through the menu while the list has the focus.
    pmEdit->setShortcut(QKeySequence(Qt::Key_F2));
    pmEdit->setShortcutVisibleInContextMenu(true);
    pmEdit->setShortcutContext(Qt::WidgetShortcut);
    grid->addAction(pmEdit);
    if (m_config.hasActiveFlag) {
        pmAct = addItem("pmAct", QStringLiteral("Активен"), &TfmBook::pmActClick);
        pmAct->setCheckable(true);
        m_menu->setDefaultAction(pmAct);
        m_menu->addSeparator();
    }
    addItem("pmAdd", QStringLiteral("Добавить"), &TfmBook::btAddClick);
    pmDel = addItem("pmDel", QStringLiteral("Удалить"), &TfmBook::pmDelClick);

    connect(grid, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        popupMenu();
        m_menu->popup(m_ui->dbgBook->viewport()->mapToGlobal(at));
    });
    connect(grid, &DbGrid::gridDoubleClicked, this, &TfmBook::dbgDblClick);
    // Only a double click on a doctor marks that doctor, not one below the last row.
    connect(grid, &DbGrid::rowDoubleClicked, this, [this] {
        if (m_mode == Mode::Maintenance && m_config.hasActiveFlag)
            pmActClick();
    });
}

void TfmBook::showModal(Mode mode) {
    setMode(mode);
    exec();
}

// ---- showing ----------------------------------------------------------------------------------

void TfmBook::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfmBook::FormShow() {
    m_written = false;
    // A refusal told in the caption belongs to the showing it happened in.
    m_caption->show(normalCaption(), 0);
    if (m_ui->dbgBook->isEnabled())
        m_ui->dbgBook->setFocus();
    m_ui->btPatient->setEnabled(m_mode == Mode::Maintenance);
    // Choosing shows the book read-only until Add or Edit is used.
    if (m_mode == Mode::Choosing)
        m_ui->dbgBook->setEditable(false);
}

bool TfmBook::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_ui->edSearch && event->type() == QEvent::FocusIn)
        edSearchEnter();
    return QDialog::eventFilter(watched, event);
}

bool TfmBook::FormKeyDown(QKeyEvent *event) {
    if (isCtrlEnter(event)) {
        btOKClick();
        return true;
    }
    if (event->key() == Qt::Key_Escape) {
        btCancelClick();
        return true;
    }
    if (event->key() == Qt::Key_Insert && withoutModifiers(event)) {
        btAddClick();
        return true;
    }
    return false;
}

// ---- saving a row -----------------------------------------------------------------------------

bool TfmBook::saveRow() {
    Dataset &entries = book();
    if (!entries.isEditing())
        return true;
    bool saved = false;
    runGuarded(this, [&] {
        if (!entries.isModified()) {
            entries.cancel(); // a new row left empty goes without a word
            saved = true;
            return;
        }
        if (!checkName())
            return;
        entries.post();
        m_written = true;
        saved = true;
    });
    return saved;
}

bool TfmBook::checkName() {
    Dataset &entries = book();
    const QString typed = entries.value(m_config.nameField).toString();
    const QString name = typed.trimmed();
    const QString problem = entries.checkValue(m_config.nameField, name,
                                               QStringLiteral("«%1»").arg(m_config.columnTitle));
    if (!problem.isEmpty()) {
        MessageBox::tell(this, problem);
        editNameLater();
        return false;
    }
    if (name != typed)
        entries.setValue(m_config.nameField, name);
    // A second entry of the same name splits the visits between the two: asked, unless the name
    // is the one the entry had.
    const QString old = entries.oldValue(m_config.nameField).toString().trimmed();
    if (name.compare(old, Qt::CaseInsensitive) != 0 &&
        bookchecks::namesakeCount(m_data, m_config, entries.value(m_config.keyField).toInt(),
                                  name) > 0 &&
        MessageBox::ask(this, bookrules::namesakeQuestion(name),
                        QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        editNameLater();
        return false;
    }
    return true;
}

void TfmBook::editNameLater() {
    QTimer::singleShot(0, this, [this] {
        if (!isVisible() || !book().isEditing())
            return;
        DbGrid *grid = m_ui->dbgBook;
        grid->setEditable(true);
        grid->setFocus();
        grid->editCell(m_config.nameField);
    });
}

// ---- lists ------------------------------------------------------------------------------------

bool TfmBook::showList(const QString &sql) {
    m_narrowed = sql != m_config.defaultSql;
    return runGuarded(this, [&] {
        Dataset &entries = book();
        entries.close();
        entries.setSelectSql(sql);
        entries.open();
    });
}

bool TfmBook::showWholeBook() {
    return !m_narrowed || showList(m_config.defaultSql);
}

void TfmBook::edSearchEnter() {
    // The prompt goes at the first visit of the box, without a search.
    if (m_ui->edSearch->text() == bookrules::kSearchPrompt)
        m_ui->edSearch->clear();
}

void TfmBook::edSearchChange() {
    const std::optional<QString> sql = bookrules::listSql(m_config, m_ui->edSearch->text());
    if (!sql)
        return;
    // The row being edited is saved first: the list it is in goes.
    m_ui->dbgBook->submitCellEdit();
    if (saveRow())
        showList(*sql);
}

bool TfmBook::currentEntry(QVariant *entry) const {
    const Dataset &entries = book();
    if (!entries.isOpen() || entries.isEmpty())
        return false;
    *entry = entries.value(m_config.keyField);
    return !entry->isNull();
}

// ---- OK and Cancel ----------------------------------------------------------------------------

void TfmBook::btOKClick() {
    m_ui->dbgBook->submitCellEdit();
    if (!saveRow())
        return;
    QVariant chosen;
    const bool choosing = m_mode == Mode::Choosing && currentEntry(&chosen);
    if (!showWholeBook())
        return;
    if (choosing && !runGuarded(this, [&] { writeChoice(chosen); }))
        return;
    if (keepWhatWasWritten())
        done(Accepted);
}

void TfmBook::writeChoice(const QVariant &entry) {
    Dataset &target = m_data.*m_config.referrer;
    // A visit without a diagnosis (intervention) row yet starts one here.
    if (!target.isEditing())
        target.edit();
    target.setValue(m_config.referrerField, entry);
}

// The book keeps its entries in a transaction of its own: what was saved here stays, also when
// the visit it was chosen for is discarded.
bool TfmBook::keepWhatWasWritten() {
    if (!m_written)
        return true;
    // Ended rather than retained: the book is read whole, and a transaction kept running would
    // hold the server's clean-up back until the run sits idle.
    if (!runGuarded(this, [this] { book().transaction().commit(); }))
        return false;
    m_written = false;
    return true;
}

void TfmBook::reject() {
    btCancelClick();
}

void TfmBook::btCancelClick() {
    runGuarded(this, [this] { book().cancel(); });
    // Rows saved by moving off them are saved: they are kept like OK keeps them.
    showWholeBook();
    keepWhatWasWritten();
    done(Rejected);
}

// ---- entries ----------------------------------------------------------------------------------

void TfmBook::btAddClick() {
    DbGrid *grid = m_ui->dbgBook;
    grid->submitCellEdit();
    if (!saveRow())
        return;
    grid->setEditable(true);
    if (!runGuarded(this, [this] { book().insert(); }))
        return;
    if (grid->isVisible() && grid->isEnabled()) {
        grid->setFocus();
        grid->editCell(m_config.nameField);
    }
}

void TfmBook::pmEditClick() {
    DbGrid *grid = m_ui->dbgBook;
    grid->setEditable(true);
    if (!runGuarded(this, [this] { book().edit(); }))
        return;
    grid->setFocus();
    grid->editCell(m_config.nameField);
}

void TfmBook::pmDelClick() {
    QVariant entry;
    if (!currentEntry(&entry))
        return;
    runGuarded(this, [&] {
        Dataset &entries = book();
        if (bookchecks::referenceCount(m_data, m_config, entry.toInt()) > 0) {
            m_caption->show(bookrules::kInUseCaption, kRefusedTicks);
            return;
        }
        if (MessageBox::ask(this, m_config.deleteQuestion, QMessageBox::Ok | QMessageBox::Cancel) !=
            QMessageBox::Ok) {
            return;
        }
        const bool stored = entries.state() != Dataset::State::Insert;
        entries.remove();
        if (stored)
            m_written = true;
    });
}

void TfmBook::pmActClick() {
    QVariant entry;
    if (!m_config.hasActiveFlag || !currentEntry(&entry))
        return;
    runGuarded(this, [this] {
        Dataset &doctors = book();
        if (!doctors.isEditing())
            doctors.edit();
        doctors.setValue(kActive, isActiveDoctor(doctors.value(kActive)) ? QStringLiteral("F")
                                                                         : QStringLiteral("T"));
    });
}

void TfmBook::popupMenu() {
    bool rows = false;
    bool active = false;
    runGuarded(this, [&] {
        rows = book().isOpen() && !book().isEmpty();
        active = rows && m_config.hasActiveFlag && isActiveDoctor(book().value(kActive));
    });
    pmDel->setEnabled(rows);
    if (pmAct) {
        // pmDocsPopup: the tick tells the current doctor's flag.
        pmAct->setEnabled(rows);
        pmAct->setChecked(active);
    }
}

void TfmBook::dbgDblClick() {
    if (m_mode == Mode::Choosing)
        btOKClick();
}

void TfmBook::btPatientClick() {
    QVariant entry;
    if (m_mode != Mode::Maintenance || !currentEntry(&entry))
        return;
    runGuarded(this, [&] { m_data.showPatients(m_config.patientsSql(entry.toInt())); });
}

void TfmBook::sbtHelpClick() {
    m_behaviour->showHelp();
}
