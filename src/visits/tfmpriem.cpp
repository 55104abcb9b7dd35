#include "visits/tfmpriem.h"

#include "data/discardpoint.h"
#include "data/shareddata.h"
#include "dbwidgets/datamapper.h"
#include "support/dates.h"
#include "ui_tfmpriem.h"
#include "widgets/dialogwindow.h"
#include "widgets/guarded.h"
#include "widgets/keypreview.h"
#include "widgets/labelhints.h"
#include "widgets/messagebox.h"
#include "widgets/windowbehaviour.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QToolTip>

using priemrules::MemoEnter;
using priemrules::QuickDay;
using priemrules::VisitProblem;

namespace {

const QString kC_DATE = QStringLiteral("C_DATE");
const QString kC_DOC = QStringLiteral("C_DOC");
const QString kC_REKOMEND = QStringLiteral("C_REKOMEND");

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

// The name a label gives its box, without the access key and the colon: "Жалобы".
QString fieldName(const QLabel *label) {
    QString name = label->text().remove(u'&');
    if (name.endsWith(u':'))
        name.chop(1);
    return name;
}

} // namespace

TfmPriem::TfmPriem(SharedData &data, SettingsFile &settings, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfmPriem>()), m_data(data) {
    m_ui->setupUi(this);
    setUpSizeableDialog(this);

    const QString dateHint = QStringLiteral("Щёлкните правую кнопку для выбора даты приёма");
    setHint(m_ui->lbDatePriem, dateHint);
    setHint(m_ui->dbdtDatePriem, dateHint);
    setHint(m_ui->sbDoc, QStringLiteral("Открыть справочник врачей"));
    setHint(m_ui->btOK, QStringLiteral("Сохранить изменения и закрыть карточку (Ctrl+Enter)"));
    setHint(m_ui->btCancel, QStringLiteral("Закрыть карточку, не сохраняя изменения (Esc)"));
    setHint(m_ui->btPrint, QStringLiteral("Печать амбулаторной карты"));
    setHint(m_ui->btAdd, QStringLiteral("Сохранить карточку и добавить новую"));
    setHint(m_ui->btAddCopy, QStringLiteral("Сохранить карточку и добавить копию этой карточки"));
    setHint(m_ui->sbtHelp, QStringLiteral("Показать справку по заполнению карточки (F1)"));
    setHint(m_ui->sbtPrev, QStringLiteral("Более ранняя карточка"));
    setHint(m_ui->sbtNext, QStringLiteral("Более поздняя карточка"));
    convertLabelHints(this);

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
        QAction *action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
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
    const std::pair<DbMemo *, QLabel *> memos[] = {
        {m_ui->dbmZhaloba, m_ui->lbZhaloba}, {m_ui->dbmStatus, m_ui->lbStatus},
        {m_ui->dbmObsled, m_ui->lbObsled},   {m_ui->dbmRekomend, m_ui->lbRekomend},
        {m_ui->dbmAnamnez, m_ui->lbAnamnez},
    };
    const char *const memoFields[] = {"C_ZHALOBA", "C_STATUS", "C_OBSLED", "C_REKOMEND",
                                      "C_ANAMNEZ"};
    for (size_t i = 0; i < std::size(memos); ++i) {
        auto [memo, label] = memos[i];
        m_mapper->addMapping(memo, QLatin1String(memoFields[i]));
        memo->installEventFilter(this);
        connect(memo, &DbMemo::inputRefused, this, [this, memo, label](const QString &reason) {
            tellRefused(memo, fieldName(label), reason);
        });
    }

    m_ui->dbgDiagnoz->setDataSource(&m_data.dsDiagnoz,
                                    {{QStringLiteral("G_DIAGNAME"), QStringLiteral("Диагноз"), 0},
                                     {QStringLiteral("G_PRIM"), QStringLiteral("Примечание"), 80}});
    m_ui->dbgVmeshat->setDataSource(
        &m_data.dsVmeshat, {{QStringLiteral("V_VMESHATNAME"), QStringLiteral("Вмешательства"), 0}});
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
    // What this showing wrote and did not discard stays, to be committed with the visit's
    // patient or the next visit.
    if (!event->spontaneous())
        runGuarded(this, [this] { m_discard->release(); });
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
    runGuarded(this, [this] { m_discard->set(); });
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

void TfmPriem::FormCloseQuery() {
    // A note typed into a cell and not yet taken is part of what there is to save.
    m_ui->dbgDiagnoz->submitCellEdit();
    m_ui->dbgVmeshat->submitCellEdit();
    bool silent = false;
    bool changed = false;
    if (!runGuarded(this, [&] {
            silent = isNewVisitEmpty() && !m_discard->hasWrites();
            changed = hasChanges();
        })) {
        return;
    }
    if (silent) {
        discardAndClose();
        return;
    }
    if (!changed) {
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
    if (problem == VisitProblem::None)
        return true;
    showProblem(problem);
    return false;
}

void TfmPriem::showProblem(VisitProblem problem) {
    QWidget *box = problem == VisitProblem::NoDoctor ? static_cast<QWidget *>(m_ui->dblDoc)
                                                     : m_ui->dbdtDatePriem;
    setWindowTitle(priemrules::problemTitle(problem));
    paintFailed(box, true);
    box->setFocus(Qt::OtherFocusReason);
}

void TfmPriem::btOKClick() {
    okAction();
}

bool TfmPriem::okAction() {
    if (!readyToSave())
        return false;
    const bool saved = runGuarded(this, [this] {
        for (Dataset *rows : {&m_data.ibdsDiagnoz, &m_data.ibdsVmeshat, &m_data.ibdsCard}) {
            if (rows->isEditing())
                rows->post();
        }
        m_data.ibTrans.commitRetaining();
    });
    if (!saved)
        return false; // the window stays, everything as it was
    done(Accepted);
    return true;
}

void TfmPriem::reject() {
    btCancelClick();
}

void TfmPriem::btCancelClick() {
    discardAndClose();
}

void TfmPriem::discardAndClose() {
    const bool discarded = runGuarded(this, [this] {
        for (Dataset *rows : {&m_data.ibdsDiagnoz, &m_data.ibdsVmeshat, &m_data.ibdsCard})
            rows->cancel();
        m_discard->rollBack();
    });
    if (discarded)
        done(Rejected);
}

void TfmPriem::btAddClick() {
    saveAndStartVisit(false);
}

void TfmPriem::btAddCopyClick() {
    saveAndStartVisit(true);
}

// The visit is saved with all that was written in this showing (its diagnoses, a visit left by
// stepping), so that discarding the new one cannot take them; the discard point moves on.
void TfmPriem::saveAndStartVisit(bool copy) {
    if (!readyToSave())
        return;
    Dataset &visits = m_data.ibdsCard;
    const bool started = runGuarded(this, [&] {
        for (Dataset *rows : {&m_data.ibdsDiagnoz, &m_data.ibdsVmeshat, &visits}) {
            if (rows->isEditing())
                rows->post();
        }
        if (m_discard->hasWrites()) {
            m_data.ibTrans.commitRetaining();
            m_discard->set();
        }
        QVariantList copied;
        if (copy) {
            for (const char *field : kCopiedFields)
                copied << visits.value(QLatin1String(field));
        }
        visits.insert();
        try {
            visits.setValue(kC_DATE, dates::today());
            for (qsizetype i = 0; i < copied.size(); ++i)
                visits.setValue(QLatin1String(kCopiedFields[i]), copied[i]);
        } catch (...) {
            visits.cancel();
            throw;
        }
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

// The visits are listed newest first: an earlier visit is the next row. The visit left is
// posted by the dataset, without the checks and without a commit; a new visit nothing was put
// into is dropped instead.
void TfmPriem::step(bool older) {
    runGuarded(this, [this, older] {
        Dataset &visits = m_data.ibdsCard;
        if (isNewVisitEmpty())
            visits.cancel();
        if (older)
            visits.next();
        else
            visits.prior();
    });
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
    auto *memo = qobject_cast<DbMemo *>(watched);
    switch (event->type()) {
    case QEvent::KeyPress:
        if (memo && memoKeyPress(memo, static_cast<QKeyEvent *>(event)))
            return true;
        break;
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

// dbmKeyPress: Enter on an empty last line leaves the box; in the recommendations, Enter after a
// numbered line starts the next number.
bool TfmPriem::memoKeyPress(DbMemo *memo, QKeyEvent *event) {
    if ((event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) || memo->isReadOnly()) {
        return false;
    }
    const QString text = memo->fieldText();
    const bool caretAtEnd = memo->textCursor().selectionStart() == memo->toPlainText().size();
    const MemoEnter enter = priemrules::memoEnter(text, caretAtEnd, memo == m_ui->dbmRekomend);
    switch (enter.action) {
    case MemoEnter::Action::Leave:
        if (enter.text != text)
            memo->setFieldText(enter.text);
        focusNextChild();
        return true;
    case MemoEnter::Action::Number:
        if (memo->maxLength() > 0 && DbMemo::fieldLength(enter.text) > memo->maxLength())
            return false; // no room for the number: the memo takes the Enter, or tells why not
        memo->moveCursor(QTextCursor::End);
        memo->insertPlainText(
            enter.text.mid(text.size()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        return true;
    case MemoEnter::Action::LineBreak:
        break;
    }
    return false;
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

void TfmPriem::tellRefused(QWidget *control, const QString &field, const QString &reason) {
    QPoint at = control->mapToGlobal(QPoint(0, control->height()));
    if (auto *memo = qobject_cast<DbMemo *>(control))
        at = memo->viewport()->mapToGlobal(memo->cursorRect().bottomLeft());
    QToolTip::showText(at, field + QStringLiteral(": ") + reason, control);
}

// ---- layout ---------------------------------------------------------------------------------

void TfmPriem::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    FormResize();
}

void TfmPriem::FormResize() {
    Ui::TfmPriem &ui = *m_ui;
    struct Placed {
        QWidget *control;
        QRect priemrules::PriemGeometry::*rect;
    };
    using G = priemrules::PriemGeometry;
    const Placed placed[] = {
        {ui.dbgDiagnoz, &G::dbgDiagnoz},
        {ui.lbStatus, &G::lbStatus},
        {ui.dbmStatus, &G::dbmStatus},
        {ui.lbRekomend, &G::lbRekomend},
        {ui.dbmRekomend, &G::dbmRekomend},
        {ui.lbZhaloba, &G::lbZhaloba},
        {ui.dbmZhaloba, &G::dbmZhaloba},
        {ui.lbObsled, &G::lbObsled},
        {ui.dbmObsled, &G::dbmObsled},
        {ui.lbAnamnez, &G::lbAnamnez},
        {ui.dbmAnamnez, &G::dbmAnamnez},
        {ui.dbgVmeshat, &G::dbgVmeshat},
        {ui.btOK, &G::btOK},
        {ui.btCancel, &G::btCancel},
        {ui.btPrint, &G::btPrint},
        {ui.btAdd, &G::btAdd},
        {ui.btAddCopy, &G::btAddCopy},
        {ui.sbtHelp, &G::sbtHelp},
        {ui.sbtPrev, &G::sbtPrev},
        {ui.sbtNext, &G::sbtNext},
    };
    G geometry;
    for (const Placed &p : placed)
        geometry.*p.rect = p.control->geometry();
    geometry = priemrules::layOutPriem(geometry, size());
    for (const Placed &p : placed)
        p.control->setGeometry(geometry.*p.rect);
    ui.sbtHelp->setVisible(geometry.helpAndPrevShown);
    ui.sbtPrev->setVisible(geometry.helpAndPrevShown);
}
