#include "visits/tfmpriem.h"

#include "data/discardpoint.h"
#include "data/drafts.h"
#include "data/shareddata.h"
#include "dbwidgets/datamapper.h"
#include "dbwidgets/overwritequestion.h"
#include "dbwidgets/refusals.h"
#include "support/dates.h"
#include "ui_tfmpriem.h"
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

#include <QApplication>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

using priemrules::QuickDay;
using priemrules::VisitProblem;

namespace {

const QString kC_DATE = QStringLiteral("C_DATE");
const QString kC_DOC = QStringLiteral("C_DOC");

// What "&Копия" carries over into the new visit: the doctor and the five texts.
const char *const kCopiedFields[] = {"C_DOC",    "C_ZHALOBA",  "C_ANAMNEZ",
                                     "C_STATUS", "C_REKOMEND", "C_OBSLED"};

// A focus change that is no leaving or entering of a box by the user: a menu or a drop-down
// list opening over it, another window coming in front.
bool isPassingFocus(const QEvent *event) {
    const Qt::FocusReason reason = static_cast<const QFocusEvent *>(event)->reason();
    return reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason;
}

bool isWithin(const QWidget *widget, const QWidget *ancestor) {
    for (; widget; widget = widget->parentWidget()) {
        if (widget == ancestor)
            return true;
    }
    return false;
}

} // namespace

TfmPriem::TfmPriem(SharedData &data, SettingsFile &settings, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfmPriem>()), m_data(data) {
    m_ui->setupUi(this);
    setUpSizeableDialog(this);
    // The controls stand where the design puts them, for a larger font in proportion.
    fontgrowth::growControls(this);

    showHints(this);

    createMenus();
    bindControls();

    connect(m_ui->btOK, &QPushButton::clicked, this, &TfmPriem::btOKClick);
    connect(m_ui->btCancel, &QPushButton::clicked, this, &TfmPriem::btCancelClick);
    connect(m_ui->btAdd, &QPushButton::clicked, this, &TfmPriem::btAddClick);
    connect(m_ui->btAddCopy, &QPushButton::clicked, this, &TfmPriem::btAddCopyClick);
    connect(m_ui->btPrint, &QPushButton::clicked, this, &TfmPriem::btPrintClick);
    connect(m_ui->sbtPrev, &QToolButton::clicked, this, &TfmPriem::sbtPrevClick);
    connect(m_ui->sbtNext, &QToolButton::clicked, this, &TfmPriem::sbtNextClick);
    connect(m_ui->sbDoc, &QToolButton::clicked, this, &TfmPriem::sbDocClick);
    connect(m_ui->sbtHelp, &QToolButton::clicked, this, &TfmPriem::sbtHelpClick);

    new KeyPreview(this, [this](QKeyEvent *event) { return FormKeyDown(event); });
    m_discard = new DiscardPoint(m_data, this);

    WindowTraits traits;
    traits.section = QStringLiteral("fmPriem");
    traits.placement = WindowTraits::Placement::SystemDefault;
    traits.helpTopic = kHelpTopic;
    m_behaviour = std::make_unique<WindowBehaviour>(this, settings, traits);
    enableCommands();
}

TfmPriem::~TfmPriem() = default;

void TfmPriem::createMenus() {
    popPriem = new QMenu(this);
    popPriem->setObjectName(QStringLiteral("popPriem"));
    auto addItem = [this](QMenu *menu, const char *name, const QString &caption,
                          void (TfmPriem::*handler)()) {
        return addMenuCommand(menu, name, caption, this, handler);
    };
    pmAdd = addItem(popPriem, "pmAdd", QStringLiteral("Добавить"), &TfmPriem::pmAddClick);
    pmSpr = addItem(popPriem, "pmSpr", QStringLiteral("Справочник..."), &TfmPriem::pmSprClick);
    pmDel = addItem(popPriem, "pmDel", QStringLiteral("Удалить"), &TfmPriem::pmDelClick);
    popPriem->setDefaultAction(pmSpr);
    for (DbGrid *grid : {m_ui->dbgDiagnoz, m_ui->dbgVmeshat}) {
        connect(grid, &QWidget::customContextMenuRequested, this, [this, grid](const QPoint &at) {
            m_menuGrid = grid;
            const bool diagnoses = grid == m_ui->dbgDiagnoz;
            pmSpr->setEnabled(
                bool(diagnoses ? m_hooks.chooseDiagnosis : m_hooks.chooseIntervention));
            bool rows = false;
            runGuarded(this, [&] { rows = !grid->dataSource()->dataset()->isEmpty(); });
            pmDel->setEnabled(rows);
            popPriem->popup(grid->viewport()->mapToGlobal(at));
        });
    }

    popDatePriem = new QMenu(this);
    popDatePriem->setObjectName(QStringLiteral("popDatePriem"));
    addItem(popDatePriem, "pmDay1", QStringLiteral("Сегодня"), &TfmPriem::pmDayClick);
    addItem(popDatePriem, "pmDay2", QStringLiteral("Вчера"), &TfmPriem::pmDay2Click);
    addItem(popDatePriem, "pmDay3", QStringLiteral("Позавчера"), &TfmPriem::pmDay3Click);
    for (QWidget *control :
         {static_cast<QWidget *>(m_ui->lbDatePriem), static_cast<QWidget *>(m_ui->dbdtDatePriem)}) {
        connect(
            control, &QWidget::customContextMenuRequested, this,
            [this, control](const QPoint &at) { popDatePriem->popup(control->mapToGlobal(at)); });
    }
}

void TfmPriem::bindControls() {
    m_ui->dblDoc->setList(&m_data.ibdsDocs, QStringLiteral("D_ID"), QStringLiteral("D_FIO"));
    m_mapper = new DataMapper(&m_data.dsCard, this);
    m_mapper->addMapping(m_ui->dbdtDatePriem, kC_DATE);
    m_mapper->addMapping(m_ui->dblDoc, kC_DOC);
    const std::pair<DbMemo *, const char *> memos[] = {
        {m_ui->dbmZhaloba, "C_ZHALOBA"}, {m_ui->dbmStatus, "C_STATUS"},
        {m_ui->dbmObsled, "C_OBSLED"},   {m_ui->dbmRekomend, "C_REKOMEND"},
        {m_ui->dbmAnamnez, "C_ANAMNEZ"},
    };
    // dbmKeyPress: Enter on an empty last line leaves a box; the recommendations number
    // themselves.
    for (auto [memo, field] : memos) {
        m_mapper->addMapping(memo, QLatin1String(field));
        memo->setEnterRule(DbMemo::EnterRule::LeaveOnEmptyLine);
    }
    m_ui->dbmRekomend->setEnterRule(DbMemo::EnterRule::NumberedList);
    m_ui->dbmRekomend->installEventFilter(this);
    tellRefusalsOfLabelledBoxes(this);

    m_ui->dbgDiagnoz->setDataSource(&m_data.dsDiagnoz,
                                    {{QStringLiteral("G_DIAGNAME"), QStringLiteral("Диагноз"), 0},
                                     {QStringLiteral("G_PRIM"), QStringLiteral("Примечание"), 80}});
    m_ui->dbgVmeshat->setDataSource(
        &m_data.dsVmeshat, {{QStringLiteral("V_VMESHATNAME"), QStringLiteral("Вмешательства"), 0}});
    m_ui->dbgDiagnoz->setRowLeaving([this] { return mayLeaveDiagnosisRow(); });
    for (DbGrid *grid : {m_ui->dbgDiagnoz, m_ui->dbgVmeshat}) {
        grid->setEditable(true);
        grid->setPostOnLeaving(true); // dbgDiagnozExit, dbgVmeshatExit
        connect(grid, &DbGrid::cellInputRefused, this,
                [this, grid](const QString &field, const QString &reason) {
                    tellRefused(grid, grid->columnTitle(field), reason);
                });
        // A diagnosis or intervention typed that the book lacks: the book, for the row.
        connect(grid, &DbGrid::bookWanted, this, [this, grid] {
            const std::function<void()> &choose =
                grid == m_ui->dbgDiagnoz ? m_hooks.chooseDiagnosis : m_hooks.chooseIntervention;
            if (choose)
                runGuarded(this, choose);
        });
    }

    // A red box turns back to the window colour when its value changes or its list drops down.
    DateBox *date = m_ui->dbdtDatePriem;
    connect(date, &QLineEdit::textChanged, this, [date] { paintFailed(date, false); });
    date->calendar()->window()->installEventFilter(this);
    connect(date, &DateBox::partialDateDropped, this, [this, date](const QString &typed) {
        tellRefused(date, fieldName(m_ui->lbDatePriem),
                    QStringLiteral("«%1» — не дата, осталась прежняя").arg(typed));
    });
    LookupBox *doctor = m_ui->dblDoc;
    connect(doctor, &LookupBox::keyChosen, this, [doctor] { paintFailed(doctor, false); });
    connect(doctor, &LookupBox::droppedDown, this, [doctor] { paintFailed(doctor, false); });
    // A doctor typed that the book lacks: "...", the book to choose or add the doctor in.
    connect(doctor, &LookupBox::bookWanted, this, &TfmPriem::sbDocClick);
    connect(doctor, &LookupBox::inputRefused, this, [this, doctor](const QString &reason) {
        tellRefused(doctor, fieldName(m_ui->lbDoc), reason);
    });
}

void TfmPriem::setHooks(Hooks hooks) {
    m_hooks = std::move(hooks);
    enableCommands();
}

void TfmPriem::enableCommands() {
    m_ui->sbDoc->setEnabled(bool(m_hooks.chooseDoctor));
    m_ui->btPrint->setEnabled(bool(m_hooks.print));
}

// ---- showing and closing --------------------------------------------------------------------

void TfmPriem::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfmPriem::hideEvent(QHideEvent *event) {
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    // Every way out has committed or discarded what this showing wrote.
    m_data.unconfirmed.closed(this);
    runGuarded(this, [this] { m_discard->release(); });
    m_newVisit.clear();
}

void TfmPriem::FormShow() {
    runGuarded(this, [this] {
        switch (m_data.ibdsCard.state()) {
        case Dataset::State::Insert:
            setPatientTitle(QStringLiteral("Карточка приёма. Добавление: "));
            break;
        case Dataset::State::Edit:
            setPatientTitle(QStringLiteral("Карточка приёма. Правка: "));
            break;
        default:
            setPatientTitle(QStringLiteral("Карточка приёма: "));
            break;
        }
    });
    paintFailed(m_ui->dbdtDatePriem, false);
    paintFailed(m_ui->dblDoc, false);
    m_newVisit.clear();
    m_begun = dates::now();
    runGuarded(this, [this] {
        m_discard->set();
        if (m_data.ibdsCard.state() == Dataset::State::Insert)
            startedVisit();
    });
    m_data.unconfirmed.opened(this);
    // A visit is filled from the top: the doctor's first key never lands on a button.
    m_ui->dbdtDatePriem->setFocus(Qt::OtherFocusReason);
    if (m_restore)
        QTimer::singleShot(0, this, &TfmPriem::restoreDraft);
}

void TfmPriem::startedVisit() {
    m_newVisit = m_data.ibdsCard.value(QStringLiteral("C_ID"));
    m_begun = dates::now();
}

bool TfmPriem::isNewVisit() const {
    const Dataset &visits = m_data.ibdsCard;
    return visits.state() == Dataset::State::Insert ||
           (!m_newVisit.isNull() && visits.value(QStringLiteral("C_ID")) == m_newVisit);
}

void TfmPriem::setPatientTitle(const QString &prefix) {
    setWindowTitle(prefix + m_data.ibdsMain.value(QStringLiteral("FIO")).toString());
}

bool TfmPriem::isNewVisitEmpty() const {
    Dataset &visits = m_data.ibdsCard;
    if (visits.state() != Dataset::State::Insert)
        return false;
    for (const char *field : kCopiedFields) {
        if (!visits.value(QLatin1String(field)).isNull())
            return false;
    }
    return m_data.ibdsDiagnoz.isEmpty() && m_data.ibdsVmeshat.isEmpty();
}

bool TfmPriem::hasChanges() const {
    auto changing = [](const Dataset &rows) { return rows.isEditing() && rows.isModified(); };
    return m_data.ibdsCard.isEditing() || changing(m_data.ibdsDiagnoz) ||
           changing(m_data.ibdsVmeshat) || m_discard->hasWrites();
}

void TfmPriem::closeEvent(QCloseEvent *event) {
    if (!isVisible()) {
        event->accept();
        return;
    }
    // The close question closes the window itself when it may.
    event->ignore();
    FormCloseQuery();
}

std::optional<TfmPriem::Pending> TfmPriem::pending() {
    // A note typed into a cell and not yet taken is part of what there is to save.
    m_ui->dbgDiagnoz->submitCellEdit();
    m_ui->dbgVmeshat->submitCellEdit();
    Pending pending;
    if (!runGuarded(this, [&] {
            pending.newAndEmpty = isNewVisitEmpty() && !m_discard->hasWrites();
            pending.changed = hasChanges();
        })) {
        return std::nullopt;
    }
    return pending;
}

void TfmPriem::FormCloseQuery() {
    const std::optional<Pending> pending = this->pending();
    if (!pending)
        return;
    if (pending->newAndEmpty) {
        discardAndClose();
        return;
    }
    if (!pending->changed) {
        done(Rejected);
        return;
    }
    switch (MessageBox::ask(this, QStringLiteral("Сохранить изменения в карточке приёма?"),
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        okAction(); // a failed check keeps the window open, the box to mend marked
        break;
    case QMessageBox::No:
        discardAndClose();
        break;
    default:
        break;
    }
}

// ---- saving and discarding ------------------------------------------------------------------

bool TfmPriem::readyToSave() {
    // A date typed only in part stays in its box to be mended: it is looked at before the box
    // is left, which would put the last whole date back.
    if (!m_ui->dbdtDatePriem->isComplete()) {
        showProblem(VisitProblem::PartialDate);
        return false;
    }
    // The box being left finishes first: the recommendations' lone "1. " goes, a cell being
    // edited is taken into its row and the row is posted.
    if (m_ui->btOK->isEnabled())
        m_ui->btOK->setFocus(Qt::OtherFocusReason);
    VisitProblem problem = VisitProblem::None;
    if (!runGuarded(this, [&] {
            problem = priemrules::checkVisit(m_data.ibdsCard.displayText(kC_DATE), true,
                                             m_ui->dblDoc->currentText());
        })) {
        return false;
    }
    if (problem == VisitProblem::None && hasNoteWithoutDiagnosis())
        problem = VisitProblem::NoteWithoutDiagnosis;
    if (problem == VisitProblem::None)
        return true;
    showProblem(problem);
    return false;
}

bool TfmPriem::hasNoteWithoutDiagnosis() const {
    const Dataset &rows = m_data.ibdsDiagnoz;
    return rows.isEditing() && rows.value(QStringLiteral("G_DIAG")).isNull() &&
           !rows.value(QStringLiteral("G_PRIM")).toString().trimmed().isEmpty();
}

// A note typed into a diagnosis row is kept with the row until a diagnosis is chosen for it or
// the user drops the row: written without one, the row and the note would go without a word.
bool TfmPriem::mayLeaveDiagnosisRow() {
    bool noteAlone = false;
    runGuarded(this, [&] { noteAlone = hasNoteWithoutDiagnosis(); });
    if (noteAlone) {
        tellRefused(m_ui->dbgDiagnoz, QStringLiteral("Примечание"),
                    QStringLiteral("выберите диагноз: без него примечание не сохраняется "
                                   "(Esc убирает строку)"));
    }
    return !noteAlone;
}

void TfmPriem::showProblem(VisitProblem problem) {
    QWidget *box = m_ui->dbdtDatePriem;
    if (problem == VisitProblem::NoDoctor)
        box = m_ui->dblDoc;
    else if (problem == VisitProblem::NoteWithoutDiagnosis)
        box = m_ui->dbgDiagnoz;
    showCaptionMessage(this, priemrules::problemTitle(problem));
    box->setFocus(Qt::OtherFocusReason);
    if (problem == VisitProblem::NoteWithoutDiagnosis)
        mayLeaveDiagnosisRow(); // tells what to do beside the grid
    else
        paintFailed(box, true);
}

void TfmPriem::btOKClick() {
    okAction();
}

bool TfmPriem::okAction() {
    if (!readyToSave() || !saveVisit(true))
        return false; // the window stays, everything as it was
    done(Accepted);
    return true;
}

bool TfmPriem::saveVisit(bool closing) {
    if (!mayOverwriteOthers(this, m_data, m_data.ibdsCard,
                            QStringLiteral("Этот приём изменил другой пользователь, пока вы его "
                                           "правили. Сохранить ваши изменения поверх его?"))) {
        return false;
    }
    return runGuarded(this, [&] {
        Dataset &visits = m_data.ibdsCard;
        // A new visit, or one given another date, takes its place among the others; the
        // others stay where they are.
        const bool visitMoves = visits.state() == Dataset::State::Insert ||
                                (visits.state() == Dataset::State::Edit &&
                                 visits.value(kC_DATE) != visits.oldValue(kC_DATE));
        for (Dataset *rows : {&m_data.ibdsDiagnoz, &m_data.ibdsVmeshat, &visits}) {
            if (rows->isEditing())
                rows->post();
        }
        if (closing || m_discard->hasWrites())
            m_data.ibTrans.commitRetaining();
        m_newVisit.clear();
        // A showing that ends here needs no point to come back to.
        if (!closing)
            m_discard->set();
        if (visitMoves)
            visits.reread();
    });
}

void TfmPriem::reject() {
    btCancelClick();
}

void TfmPriem::btCancelClick() {
    discardAndClose();
}

void TfmPriem::discardAndClose() {
    if (runGuarded(this, [this] { discard(); }))
        done(Rejected);
}

void TfmPriem::btAddClick() {
    saveAndStartVisit(false);
}

void TfmPriem::btAddCopyClick() {
    saveAndStartVisit(true);
}

// The visit is saved with all that was written in this showing (its diagnoses), so that
// discarding the new one cannot take them; the discard point moves on.
void TfmPriem::saveAndStartVisit(bool copy) {
    if (!readyToSave())
        return;
    Dataset &visits = m_data.ibdsCard;
    QVariantList copied;
    if (copy) {
        runGuarded(this, [&] {
            for (const char *field : kCopiedFields)
                copied << visits.value(QLatin1String(field));
        });
    }
    if (!saveVisit(false))
        return;
    const bool started = runGuarded(this, [&] {
        visits.insert();
        try {
            visits.setValue(kC_DATE, dates::today());
            for (qsizetype i = 0; i < copied.size(); ++i)
                visits.setValue(QLatin1String(kCopiedFields[i]), copied[i]);
        } catch (...) {
            visits.cancel();
            throw;
        }
        startedVisit();
    });
    if (!started)
        return;
    setPatientTitle(QStringLiteral("Добавление приёма: "));
    m_ui->dbdtDatePriem->setFocus(Qt::OtherFocusReason); // a new visit is filled from the top
}

// ---- stepping, dates, books, print ----------------------------------------------------------

void TfmPriem::sbtPrevClick() {
    step(true);
}

void TfmPriem::sbtNextClick() {
    step(false);
}

// The visits are listed newest first: an earlier visit is the next row. The visit left is saved
// as "OK" saves it, through the same checks; a new visit nothing was put into is dropped
// instead, for the newest visit before it. With nothing to step to, the step does nothing.
void TfmPriem::step(bool older) {
    Dataset &visits = m_data.ibdsCard;
    const std::optional<Pending> pending = this->pending();
    if (!pending)
        return;
    if (pending->newAndEmpty) {
        // A visit begun now is the newest: only earlier ones are there to step to.
        if (older) {
            runGuarded(this, [&] {
                if (visits.recordCount() < 2)
                    return;
                visits.cancel();
                m_newVisit.clear();
                visits.first();
            });
        }
        return;
    }
    QWidget *typingIn = focusWidget(); // the checks move the focus on to finish the box
    if (pending->changed && (!readyToSave() || !saveVisit(false)))
        return;
    runGuarded(this, [&] {
        if (older)
            visits.next();
        else
            visits.prior();
    });
    if (typingIn && typingIn != m_ui->btOK && typingIn->isEnabled())
        typingIn->setFocus(Qt::OtherFocusReason);
}

void TfmPriem::pmDayClick() {
    setQuickDate(QuickDay::Today);
}

void TfmPriem::pmDay2Click() {
    setQuickDate(QuickDay::Yesterday);
}

void TfmPriem::pmDay3Click() {
    setQuickDate(QuickDay::DayBeforeYesterday);
}

void TfmPriem::setQuickDate(QuickDay day) {
    runGuarded(this, [this, day] {
        Dataset &visits = m_data.ibdsCard;
        if (!visits.isEditing())
            visits.edit();
        visits.setValue(kC_DATE, priemrules::quickDate(day, dates::today()));
    });
}

void TfmPriem::sbDocClick() {
    if (m_hooks.chooseDoctor)
        runGuarded(this, m_hooks.chooseDoctor);
}

void TfmPriem::btPrintClick() {
    if (m_hooks.print)
        runGuarded(this, m_hooks.print);
}

void TfmPriem::sbtHelpClick() {
    m_behaviour->showHelp();
}

// ---- the grids' menu ------------------------------------------------------------------------

DbGrid *TfmPriem::menuGrid() const {
    const QWidget *focus = QApplication::focusWidget();
    for (DbGrid *grid : {m_ui->dbgDiagnoz, m_ui->dbgVmeshat}) {
        if (isWithin(focus, grid))
            return grid;
    }
    return popPriem->isVisible() ? m_menuGrid : nullptr;
}

void TfmPriem::pmAddClick() {
    if (DbGrid *grid = menuGrid())
        runGuarded(this, [grid] { grid->insertRow(); });
}

void TfmPriem::pmSprClick() {
    DbGrid *grid = menuGrid();
    if (!grid)
        return;
    const std::function<void()> &choose =
        grid == m_ui->dbgDiagnoz ? m_hooks.chooseDiagnosis : m_hooks.chooseIntervention;
    if (choose)
        runGuarded(this, choose);
}

void TfmPriem::pmDelClick() {
    DbGrid *grid = menuGrid();
    if (!grid)
        return;
    const QString question = grid == m_ui->dbgDiagnoz ? QStringLiteral("Удалить диагноз?")
                                                      : QStringLiteral("Удалить вмешательство?");
    if (MessageBox::ask(this, question, QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    runGuarded(this, [grid] { grid->dataSource()->dataset()->remove(); });
}

// ---- keys and boxes -------------------------------------------------------------------------

bool TfmPriem::FormKeyDown(QKeyEvent *event) {
    if (isCtrlEnter(event)) {
        btOKClick();
        return true;
    }
    if (event->key() == Qt::Key_Escape) {
        // Esc in a cell being edited closes just that cell (a drop-down list open over the window
        // takes its Esc before the window sees it).
        if (m_ui->dbgDiagnoz->isEditingCell() || m_ui->dbgVmeshat->isEditingCell())
            return false;
        btCancelClick();
        return true;
    }
    return false;
}

bool TfmPriem::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::FocusIn:
        if (watched == m_ui->dbmRekomend && !isPassingFocus(event))
            dbmRekomendEnter();
        break;
    case QEvent::FocusOut:
        if (watched == m_ui->dbmRekomend && !isPassingFocus(event))
            dbmRekomendExit();
        break;
    case QEvent::Show: // dbdtDatePriemDropDown
        if (watched == m_ui->dbdtDatePriem->calendar()->window())
            paintFailed(m_ui->dbdtDatePriem, false);
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

// An empty recommendations box starts the list as soon as it is entered.
void TfmPriem::dbmRekomendEnter() {
    DbMemo *memo = m_ui->dbmRekomend;
    if (!memo->toPlainText().isEmpty() || !isVisible())
        return;
    runGuarded(this, [this, memo] {
        Dataset &visits = m_data.ibdsCard;
        if (visits.isEmpty())
            return;
        if (!visits.isEditing())
            visits.edit();
        memo->setFieldText(priemrules::kFirstRecommendation);
        memo->moveCursor(QTextCursor::End);
    });
}

// A list begun and left without a word is no recommendation.
void TfmPriem::dbmRekomendExit() {
    DbMemo *memo = m_ui->dbmRekomend;
    if (memo->fieldText() == priemrules::kFirstRecommendation)
        memo->setFieldText(QString());
}

// ---- what the visit holds unconfirmed -------------------------------------------------------

void TfmPriem::describe(Draft &draft) {
    // A note typed into a cell and not yet taken is part of what was typed.
    m_ui->dbgDiagnoz->submitCellEdit();
    m_ui->dbgVmeshat->submitCellEdit();
    if (!m_data.ibdsCard.isOpen() || m_data.ibdsCard.isEmpty() || !hasChanges() ||
        isNewVisitEmpty()) {
        return;
    }
    if (draft.patient.fields.isEmpty())
        draft.patient = drafts::describePatient(m_data, false);
    draft.begun = m_begun;
    draft.visit = drafts::describeVisit(m_data, isNewVisit());
}

void TfmPriem::discard() {
    for (Dataset *rows : {&m_data.ibdsDiagnoz, &m_data.ibdsVmeshat, &m_data.ibdsCard})
        rows->cancel();
    m_discard->rollBack();
    m_newVisit.clear();
}

bool TfmPriem::askToClose() {
    close();
    return !isVisible();
}

void TfmPriem::resume(const Draft &draft) {
    m_discard->set();
    m_newVisit.clear();
    if (!draft.visit)
        return;
    Dataset &visits = m_data.ibdsCard;
    if (draft.visit->id.isNull() || !visits.locate(QStringLiteral("C_ID"), draft.visit->id)) {
        visits.insert();
        startedVisit();
    }
    drafts::applyVisit(m_data, *draft.visit);
}

void TfmPriem::restoreOnShow(const VisitDraft &draft) {
    m_restore = draft;
}

void TfmPriem::restoreDraft() {
    const std::optional<VisitDraft> draft = std::exchange(m_restore, std::nullopt);
    if (!draft || !isVisible())
        return;
    runGuarded(this, [&] { drafts::applyVisit(m_data, *draft); });
    setPatientTitle(isNewVisit() ? QStringLiteral("Карточка приёма. Добавление: ")
                                 : QStringLiteral("Карточка приёма. Правка: "));
}

// ---- layout ---------------------------------------------------------------------------------

void TfmPriem::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    FormResize();
}

void TfmPriem::FormResize() {
    using G = priemrules::PriemGeometry;
    if (m_placed.empty()) {
        for (const priemrules::PlacedControl &placed : priemrules::kPlacedControls)
            m_placed.emplace_back(findChild<QWidget *>(QLatin1String(placed.name)), placed.rect);
    }
    G geometry;
    for (const auto &[control, rect] : m_placed)
        geometry.*rect = control->geometry();
    geometry = priemrules::layOutPriem(geometry, size());
    for (const auto &[control, rect] : m_placed)
        control->setGeometry(geometry.*rect);
    m_ui->sbtHelp->setVisible(geometry.helpAndPrevShown);
    m_ui->sbtPrev->setVisible(geometry.helpAndPrevShown);
    m_ui->btPrint->setVisible(geometry.printShown);
}
