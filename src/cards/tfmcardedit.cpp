#include "cards/tfmcardedit.h"

#include "cards/tfmsamepatient.h"
#include "cards/visitlist.h"

#include "data/discardpoint.h"
#include "data/drafts.h"
#include "data/shareddata.h"
#include "dbwidgets/datamapper.h"
#include "dbwidgets/overwritequestion.h"
#include "dbwidgets/refreshkey.h"
#include "dbwidgets/refusals.h"
#include "support/dates.h"
#include "ui_tfmcardedit.h"
#include "widgets/captionmessage.h"
#include "widgets/dialogwindow.h"
#include "widgets/guarded.h"
#include "widgets/keypreview.h"
#include "widgets/labelhints.h"
#include "widgets/menucommand.h"
#include "widgets/messagebox.h"
#include "widgets/windowbehaviour.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>

namespace {

const QString kFIO = QStringLiteral("FIO");
const QString kSEX = QStringLiteral("SEX");
const QString kDATAR = QStringLiteral("DATAR");

} // namespace

TfmCardEdit::TfmCardEdit(SharedData &data, SettingsFile &settings, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfmCardEdit>()), m_data(data) {
    m_ui->setupUi(this);
    setUpSizeableDialog(this);

    // The age box is worked out, not stored: it looks like a button face.
    QPalette agePalette;
    agePalette.setColor(QPalette::Base, palette().color(QPalette::Button));
    m_ui->edVozr->setPalette(agePalette);

    showHints(this);

    createVisitMenu();
    bindControls();

    connect(m_ui->btOK, &QPushButton::clicked, this, &TfmCardEdit::btOKClick);
    connect(m_ui->btCancel, &QPushButton::clicked, this, &TfmCardEdit::btCancelClick);
    connect(m_ui->btAdd, &QPushButton::clicked, this, &TfmCardEdit::pmAddClick);
    connect(m_ui->sbtHelp, &QToolButton::clicked, this, &TfmCardEdit::sbtHelpClick);

    // The main window's rules write the age of each new current patient and the count of visits.
    connect(&m_data, &SharedData::patientAgeChanged, this,
            [this](int age) { m_ui->edVozr->setText(cardrules::ageBoxText(age)); });
    connect(&m_data, &SharedData::visitCountChanged, this,
            [this](int visits) { m_ui->lbDates->setText(cardrules::visitLabelText(visits)); });

    new KeyPreview(this, [this](QKeyEvent *event) { return FormKeyDown(event); });
    m_caption = new CaptionMessage(this, [this] { return normalCaption(); });
    m_discard = new DiscardPoint(m_data, this);

    WindowTraits traits;
    traits.section = QStringLiteral("fmCardEdit");
    traits.placement = WindowTraits::Placement::Centred;
    traits.helpTopic = kHelpTopic;
    traits.refresh = refreshingLists(this, m_data);
    m_behaviour = std::make_unique<WindowBehaviour>(this, settings, traits);
    enableCommands();
}

TfmCardEdit::~TfmCardEdit() = default;

void TfmCardEdit::createVisitMenu() {
    pmPriem = new QMenu(this);
    pmPriem->setObjectName(QStringLiteral("pmPriem"));
    auto addItem = [this](const char *name, const QString &caption, const QKeySequence &key,
                          void (TfmCardEdit::*handler)()) {
        QAction *action = addMenuCommand(pmPriem, name, caption, this, handler);
        action->setShortcut(key);
        action->setShortcutVisibleInContextMenu(true);
        // The keys act through the menu while the visit list has the focus.
        action->setShortcutContext(Qt::WidgetShortcut);
        m_ui->dbgDates->addAction(action);
        return action;
    };
    pmEdit = addItem("pmEdit", QStringLiteral("Правка..."), QKeySequence(Qt::Key_F4),
                     &TfmCardEdit::pmEditClick);
    pmAdd = addItem("pmAdd", QStringLiteral("Добавить..."), QKeySequence(Qt::Key_Insert),
                    &TfmCardEdit::pmAddClick);
    pmDel = addItem("pmDel", QStringLiteral("Удалить"), QKeySequence(Qt::CTRL | Qt::Key_Delete),
                    &TfmCardEdit::pmDelClick);
    pmPrint =
        addItem("pmPrint", QStringLiteral("Печать"), QKeySequence(), &TfmCardEdit::pmPrintClick);
    pmPriem->setDefaultAction(pmEdit);

    DbGrid *grid = m_ui->dbgDates;
    showVisitList(grid, &m_data.dsCard);
    connect(grid, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        pmPriem->popup(m_ui->dbgDates->viewport()->mapToGlobal(at));
    });
    connect(grid, &DbGrid::gridDoubleClicked, this, &TfmCardEdit::pmEditClick);
}

void TfmCardEdit::bindControls() {
    m_mapper = new DataMapper(&m_data.dsMain, this);
    m_mapper->addMapping(m_ui->dbedFIO, kFIO);
    m_mapper->addMapping(m_ui->dbedFIOR, QStringLiteral("FIOR"));
    m_mapper->addMapping(m_ui->dbdtDataR, kDATAR);
    m_mapper->addMapping(m_ui->dbcbbSex, kSEX);
    m_mapper->addMapping(m_ui->dbedAdr, QStringLiteral("ADR"));
    m_mapper->addMapping(m_ui->dbedTel, QStringLiteral("TELD"));
    m_mapper->addMapping(m_ui->dbmAnamnez, QStringLiteral("ANAMNEZ"));

    for (QLineEdit *box : {m_ui->dbedFIO, m_ui->dbedFIOR}) {
        // dbedFIOChange, dbedFIORChange
        connect(box, &QLineEdit::textChanged, this, [box] { paintFailed(box, false); });
        connect(box, &QLineEdit::textEdited, this, [this, box] { capitalizeAsTyped(box); });
    }
    connect(m_ui->dbdtDataR, &QLineEdit::textChanged, this,
            [this] { paintFailed(m_ui->dbdtDataR, false); });
    // dbcbbSexChange
    connect(m_ui->dbcbbSex, &QComboBox::currentTextChanged, this,
            [this] { paintFailed(m_ui->dbcbbSex, false); });

    for (QWidget *box :
         {static_cast<QWidget *>(m_ui->dbedFIO), static_cast<QWidget *>(m_ui->edVozr),
          static_cast<QWidget *>(m_ui->dbdtDataR)}) {
        box->installEventFilter(this);
    }
    m_ui->dbcbbSex->lineEdit()->installEventFilter(this);
    tellRefusalsOfLabelledBoxes(this);
}

void TfmCardEdit::setHooks(Hooks hooks) {
    m_hooks = std::move(hooks);
    enableCommands();
}

void TfmCardEdit::enableCommands() {
    const bool visits = bool(m_hooks.visitEdit);
    for (QAction *action : {pmEdit, pmAdd})
        action->setEnabled(visits);
    m_ui->btAdd->setEnabled(visits);
    pmPrint->setEnabled(bool(m_hooks.print));
}

QString TfmCardEdit::normalCaption() const {
    switch (m_data.ibdsMain.state()) {
    case Dataset::State::Edit:
        return QStringLiteral("Карточка пациента: Правка");
    case Dataset::State::Insert:
        return QStringLiteral("Карточка пациента: Добавление");
    default:
        return QString();
    }
}

// ---- showing and closing --------------------------------------------------------------------

void TfmCardEdit::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Paging to another patient counts that patient's visits, once they have followed.
    m_pagingConnection = connect(&m_data.ibdsMain, &Dataset::currentRowChanged, this,
                                 &TfmCardEdit::showVisitCount, Qt::QueuedConnection);
    FormShow();
}

void TfmCardEdit::hideEvent(QHideEvent *event) {
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    disconnect(m_pagingConnection);
    // Every way out has committed or discarded what this showing wrote.
    m_data.unconfirmed.closed(this);
    runGuarded(this, [this] { m_discard->release(); });
    m_newPatient.clear();
}

void TfmCardEdit::FormShow() {
    m_newPatient.clear();
    m_keepNew = false;
    m_chosenPatient.reset();
    m_begun = dates::now();
    runGuarded(this, [this] { m_discard->set(); });
    m_data.unconfirmed.opened(this);
    m_ui->dbedFIO->setFocus();
    for (QWidget *box :
         {static_cast<QWidget *>(m_ui->dbedFIO), static_cast<QWidget *>(m_ui->dbcbbSex),
          static_cast<QWidget *>(m_ui->dbdtDataR)}) {
        paintFailed(box, false);
    }
    // The caption is this showing's own: a message left from another patient's card goes.
    switch (m_data.ibdsMain.state()) {
    case Dataset::State::Insert:
        setWindowTitle(QStringLiteral("Карточка пациента. Добавление"));
        break;
    case Dataset::State::Edit:
        setWindowTitle(QStringLiteral("Карточка пациента. Правка"));
        break;
    default:
        setWindowTitle(QStringLiteral("Карточка пациента"));
        break;
    }
    showVisitCount();
    if (m_restore)
        QTimer::singleShot(0, this, &TfmCardEdit::restoreDraft);
}

void TfmCardEdit::showVisitCount() {
    runGuarded(this, [this] {
        Dataset &visits = m_data.ibdsCard;
        m_ui->lbDates->setText(
            cardrules::visitLabelText(visits.isOpen() ? visits.recordCount() : 0));
    });
}

void TfmCardEdit::setVisible(bool visible) {
    QDialog::setVisible(visible);
    // A dialog selects the whole text of the box it gives the focus to; the name, often the
    // surname searched for, is typed on instead.
    if (visible && focusWidget() == m_ui->dbedFIO)
        m_ui->dbedFIO->end(false);
}

bool TfmCardEdit::isNewAndEmpty() const {
    const Dataset &patients = m_data.ibdsMain;
    if (patients.state() != Dataset::State::Insert)
        return false;
    for (const char *field : {"FIO", "FIOR", "DATAR", "SEX", "ANAMNEZ", "ADR", "TELD"}) {
        if (!patients.value(QLatin1String(field)).isNull())
            return false;
    }
    return true;
}

void TfmCardEdit::closeEvent(QCloseEvent *event) {
    if (!isVisible()) {
        event->accept();
        return;
    }
    // The close question closes the window itself when it may.
    event->ignore();
    FormCloseQuery();
}

void TfmCardEdit::FormCloseQuery() {
    Dataset &patients = m_data.ibdsMain;
    if (isNewAndEmpty()) {
        discardAndClose();
        return;
    }
    // A new patient written for its first visit is still to be saved or discarded.
    if (!patients.isEditing() && !m_discard->hasWrites()) {
        done(Rejected);
        return;
    }
    switch (MessageBox::ask(this, QStringLiteral("Сохранить изменения в карточке пациента?"),
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        okAction(); // a failed check keeps the window open, the box to mend marked
        break;
    case QMessageBox::No:
        btCancelClick();
        break;
    default:
        break;
    }
}

// ---- OK and Cancel ----------------------------------------------------------------------------

void TfmCardEdit::btOKClick() {
    okAction();
}

bool TfmCardEdit::okAction() {
    // The focus goes to OK, and the box being left finishes first (sex from the name, date from
    // the age), so the checks see what the user sees.
    QWidget *leaving = focusWidget();
    m_leavingForOk = true;
    if (m_ui->btOK->isEnabled())
        m_ui->btOK->setFocus(Qt::OtherFocusReason);
    m_leavingForOk = false;
    if (leaving && leaving != m_ui->btOK)
        boxExit(leaving);
    if (!passesChecks() || !askAboutSamePatient())
        return false;
    Dataset &patients = m_data.ibdsMain;
    if (!mayOverwriteOthers(this, m_data, patients,
                            QStringLiteral("Карточку этого пациента изменил другой пользователь, "
                                           "пока вы её правили. Сохранить ваши изменения поверх "
                                           "его?"))) {
        return false;
    }
    const bool saved = runGuarded(this, [this, &patients] {
        if (patients.isEditing())
            patients.post();
        // Also when the row was written earlier, for its first visit.
        if (m_discard->hasWrites())
            m_data.ibTrans.commitRetaining();
        m_newPatient.clear();
    });
    if (!saved)
        return false;
    done(Accepted);
    return true;
}

bool TfmCardEdit::passesChecks() {
    const Dataset &patients = m_data.ibdsMain;
    cardrules::CardProblem problem = cardrules::CardProblem::None;
    if (!runGuarded(this, [&] {
            problem = cardrules::checkCard(patients.value(kFIO).toString(),
                                           patients.value(kSEX).toString(),
                                           patients.value(kDATAR).toDate(), dates::today());
        })) {
        return false;
    }
    if (problem == cardrules::CardProblem::None)
        return true;
    showProblem(problem);
    return false;
}

void TfmCardEdit::showProblem(cardrules::CardProblem problem) {
    QWidget *box = nullptr;
    switch (problem) {
    case cardrules::CardProblem::FullName:
        box = m_ui->dbedFIO;
        break;
    case cardrules::CardProblem::Sex:
        box = m_ui->dbcbbSex;
        break;
    case cardrules::CardProblem::BirthDate:
        box = m_ui->dbdtDataR;
        break;
    case cardrules::CardProblem::None:
        return;
    }
    showCaptionMessage(this, cardrules::problemCaption(problem));
    paintFailed(box, true);
    box->setFocus(Qt::OtherFocusReason);
}

void TfmCardEdit::reject() {
    btCancelClick();
}

void TfmCardEdit::btCancelClick() {
    discardAndClose();
}

void TfmCardEdit::discardAndClose() {
    if (runGuarded(this, [this] { discard(); }))
        done(Rejected);
}

// ---- keys -------------------------------------------------------------------------------------

bool TfmCardEdit::FormKeyDown(QKeyEvent *event) {
    if (isCtrlEnter(event)) {
        btOKClick();
        return true;
    }
    if (event->key() == Qt::Key_Escape) {
        btCancelClick();
        return true;
    }
    if (event->key() == Qt::Key_Insert && withoutModifiers(event)) {
        pmAddClick();
        return false;
    }
    if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
        // In the anamnesis the keys scroll the text; the card pages from the other controls.
        if (qobject_cast<QPlainTextEdit *>(focusWidget()))
            return false;
        pageTo(event->key() == Qt::Key_PageDown);
        return true;
    }
    return false;
}

// Saves a changed card, then moves the patient list: inside the open editor in browse state,
// behind the closed one after a successful OK.
void TfmCardEdit::pageTo(bool next) {
    Dataset &patients = m_data.ibdsMain;
    // A new patient written for its first visit is saved as a changed card is.
    if (patients.isEditing() || m_discard->hasWrites()) {
        if (!okAction())
            return;
    }
    runGuarded(this, [&patients, next] {
        if (next)
            patients.next();
        else
            patients.prior();
    });
}

// ---- boxes ------------------------------------------------------------------------------------

bool TfmCardEdit::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::FocusOut && !m_leavingForOk) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // A menu, a calendar or another program taking the focus is no leaving of the box.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            boxExit(watched);
    } else if (event->type() == QEvent::MouseButtonDblClick &&
               watched == m_ui->dbcbbSex->lineEdit()) {
        dbcbbSexDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfmCardEdit::boxExit(QObject *box) {
    runGuarded(this, [this, box] {
        if (box == m_ui->dbedFIO)
            dbedFIOExit();
        else if (box == m_ui->edVozr)
            edVozrExit();
        else if (box == m_ui->dbdtDataR)
            dbdtDataRExit();
    });
}

void TfmCardEdit::capitalizeAsTyped(QLineEdit *box) {
    const QString text = box->text();
    const QString capitalized = cardrules::capitalizeAsTyped(text);
    if (capitalized == text)
        return;
    const int caret = box->cursorPosition();
    box->setText(capitalized);
    box->setCursorPosition(caret);
}

void TfmCardEdit::dbedFIOExit() {
    Dataset &patients = m_data.ibdsMain;
    if (!patients.isEditing() || !patients.value(kSEX).toString().isEmpty())
        return;
    const QString sex = cardrules::inferSex(m_ui->dbedFIO->text());
    if (!sex.isEmpty())
        patients.setValue(kSEX, sex);
}

void TfmCardEdit::dbcbbSexDblClick() {
    Dataset &patients = m_data.ibdsMain;
    runGuarded(this, [&patients] {
        if (!patients.isEditing())
            patients.edit();
        patients.setValue(kSEX, cardrules::toggledSex(patients.value(kSEX).toString()));
    });
}

void TfmCardEdit::edVozrExit() {
    Dataset &patients = m_data.ibdsMain;
    if (!patients.value(kDATAR).isNull())
        return;
    const QString text = m_ui->edVozr->text();
    const QString digits = cardrules::digitsOnly(text);
    if (digits != text)
        m_ui->edVozr->setText(digits);
    const QDate born = cardrules::birthDateForAge(digits.toInt(), dates::today());
    if (!born.isValid())
        return;
    if (!patients.isEditing())
        patients.edit();
    patients.setValue(kDATAR, born);
}

void TfmCardEdit::dbdtDataRExit() {
    if (!m_data.ibdsMain.isEditing())
        return;
    const QDate born = m_ui->dbdtDataR->date();
    if (born.isValid() && born > dates::today()) {
        m_ui->edVozr->clear(); // a date in the future tells no age
        return;
    }
    const int age = dates::ageSinceBirth(born);
    if (age > 0)
        m_ui->edVozr->setText(QString::number(age));
}

// ---- visits -----------------------------------------------------------------------------------

// A visit refers to its patient: a new patient is written first (not committed), once it
// passes the card's checks. The box being edited finishes first, as leaving it would (the sex
// from the name, the date of birth from the age).
bool TfmCardEdit::postNewPatient() {
    Dataset &patients = m_data.ibdsMain;
    if (patients.state() != Dataset::State::Insert)
        return true;
    if (QWidget *box = focusWidget())
        boxExit(box);
    if (!passesChecks() || !askAboutSamePatient())
        return false;
    patients.post();
    m_newPatient = patients.value(QStringLiteral("ID"));
    return true;
}

bool TfmCardEdit::askAboutSamePatient() {
    const Dataset &patients = m_data.ibdsMain;
    if (patients.state() != Dataset::State::Insert || m_keepNew)
        return true;
    QList<samepatient::Candidate> found;
    if (!runGuarded(this, [&] {
            found = samepatient::find(
                m_data.ibMain, m_data.ibTrans, patients.value(kFIO).toString(),
                patients.value(kDATAR).toDate(), patients.value(QStringLiteral("ID")));
        })) {
        return false;
    }
    if (found.isEmpty())
        return true;
    const TfmSamePatient::Choice choice = TfmSamePatient::ask(this, found);
    switch (choice.answer) {
    case TfmSamePatient::Answer::KeepNew:
        m_keepNew = true;
        return true;
    case TfmSamePatient::Answer::Open:
        // The new card goes as with Cancel; the opener shows the chosen one.
        m_chosenPatient = choice.patient;
        discardAndClose();
        return false;
    case TfmSamePatient::Answer::Cancel:
        break;
    }
    return false;
}

void TfmCardEdit::pmEditClick() {
    if (!m_hooks.visitEdit)
        return;
    runGuarded(this, [this] {
        if (!postNewPatient())
            return;
        if (m_data.ibdsCard.isEmpty())
            m_data.ibdsCard.insert();
        m_hooks.visitEdit();
    });
    showVisitCount(); // a visit discarded there may have taken rows written before
}

void TfmCardEdit::pmAddClick() {
    if (!m_hooks.visitEdit)
        return;
    Dataset &visits = m_data.ibdsCard;
    bool started = false;
    runGuarded(this, [this, &visits, &started] {
        if (!postNewPatient())
            return;
        visits.insert();
        try {
            visits.setValue(QStringLiteral("C_DATE"), dates::today());
        } catch (...) {
            visits.cancel();
            throw;
        }
        started = true;
    });
    if (started)
        runGuarded(this, m_hooks.visitEdit);
    showVisitCount();
}

void TfmCardEdit::pmDelClick() {
    bool none = true;
    runGuarded(this, [this, &none] { none = m_data.ibdsCard.isEmpty(); });
    if (none)
        return; // nothing to delete: no question, as in the main window
    if (MessageBox::ask(this, QStringLiteral("Удалить карточку приёма?"),
                        QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok) {
        return;
    }
    // The user confirmed it: the deletion, with its diagnoses and interventions, is kept at once
    // (as a patient deleted from the main list is), not left for a later commit; the card's
    // Cancel does not bring it back.
    runGuarded(this, [this] {
        m_data.ibdsCard.remove();
        m_data.ibTrans.commitRetaining();
        m_newPatient.clear();
        m_discard->set();
    });
}

void TfmCardEdit::pmPrintClick() {
    if (m_hooks.print)
        runGuarded(this, m_hooks.print);
}

void TfmCardEdit::sbtHelpClick() {
    m_behaviour->showHelp();
}

// ---- what the card holds unconfirmed ----------------------------------------------------------

void TfmCardEdit::describe(Draft &draft) {
    const Dataset &patients = m_data.ibdsMain;
    if (!patients.isOpen() || patients.isEmpty())
        return;
    const bool isNew =
        patients.state() == Dataset::State::Insert ||
        (!m_newPatient.isNull() && patients.value(QStringLiteral("ID")) == m_newPatient);
    draft.begun = m_begun;
    draft.patient = drafts::describePatient(m_data, isNew);
    draft.patient.changed = !isNewAndEmpty() && ((patients.isEditing() && patients.isModified()) ||
                                                 (isNew && m_discard->hasWrites()));
}

void TfmCardEdit::discard() {
    m_data.ibdsMain.cancel();
    m_discard->rollBack();
    m_newPatient.clear();
}

bool TfmCardEdit::askToClose() {
    close();
    return !isVisible();
}

void TfmCardEdit::resume(const Draft &draft) {
    m_discard->set();
    m_newPatient.clear();
    Dataset &patients = m_data.ibdsMain;
    if (!draft.patient.changed)
        return;
    const QVariant id = draft.patient.id;
    if (id.isNull() || !patients.locate(QStringLiteral("ID"), id))
        patients.insert();
    drafts::applyPatient(m_data, draft.patient);
    // A new patient was written for its first visit, which is being filled over the card.
    if (id.isNull() && draft.visit) {
        patients.post();
        m_newPatient = patients.value(QStringLiteral("ID"));
    }
}

void TfmCardEdit::restoreOnShow(const Draft &draft) {
    m_restore = draft;
}

// What the card held goes back into it, unsaved, and a visit begun over it opens again with
// what was typed into it, for the user to look over and save.
void TfmCardEdit::restoreDraft() {
    const std::optional<Draft> draft = std::exchange(m_restore, std::nullopt);
    if (!draft || !isVisible())
        return;
    if (!runGuarded(this, [&] { drafts::applyPatient(m_data, draft->patient); }))
        return;
    if (!draft->visit || !m_hooks.visitRestore)
        return;
    runGuarded(this, [&] {
        if (!postNewPatient())
            return;
        Dataset &visits = m_data.ibdsCard;
        if (draft->visit->id.isNull() || !visits.locate(QStringLiteral("C_ID"), draft->visit->id))
            visits.insert();
        m_hooks.visitRestore(*draft->visit);
    });
    showVisitCount();
}
