#include "cards/tfmcardview.h"

#include "cards/cardrules.h"
#include "cards/visitlist.h"
#include "data/shareddata.h"
#include "dbwidgets/refreshkey.h"
#include "support/dates.h"
#include "ui_tfmcardview.h"
#include "widgets/dialogwindow.h"
#include "widgets/fontgrowth.h"
#include "widgets/guarded.h"
#include "widgets/keypreview.h"
#include "widgets/labelhints.h"
#include "widgets/messagebox.h"
#include "widgets/windowbehaviour.h"

#include <QKeyEvent>

namespace {

QString text(const Dataset &dataset, int row, const QString &field) {
    return dataset.value(row, field).toString();
}

// The rich edits show plain text: CR LF as one line break.
void showText(QTextEdit *edit, QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    edit->setPlainText(text);
}

} // namespace

TfmCardView::TfmCardView(SharedData &data, SettingsFile &settings, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfmCardView>()), m_data(data) {
    m_ui->setupUi(this);
    setUpSizeableDialog(this);
    for (QTextEdit *edit : {m_ui->reFIO, m_ui->reCard})
        edit->setFont(fontgrowth::designFont(edit->font(), 13));
    showVisitList(m_ui->dbgDates, &m_data.dsCard);
    m_ui->dbgDates->setFixedWidth(visitListWidth(m_ui->dbgDates));

    showHints(this);

    connect(m_ui->dbgDates, &DbGrid::gridDoubleClicked, this, &TfmCardView::dbgDatesDblClick);
    connect(m_ui->btClose, &QPushButton::clicked, this, &TfmCardView::btCloseClick);
    connect(m_ui->btPrint, &QPushButton::clicked, this, &TfmCardView::btPrintClick);
    connect(m_ui->sbtHelp, &QToolButton::clicked, this, &TfmCardView::sbtHelpClick);
    new KeyPreview(this, [this](QKeyEvent *event) { return FormKeyDown(event); });

    WindowTraits traits;
    traits.section = QStringLiteral("fmCardView");
    traits.placement = WindowTraits::Placement::Centred;
    traits.minimize = WindowTraits::Minimize::ThisWindow;
    traits.helpTopic = kHelpTopic;
    traits.refresh = refreshingLists(this, m_data);
    m_behaviour = std::make_unique<WindowBehaviour>(this, settings, traits);
    setHooks({});
}

TfmCardView::~TfmCardView() = default;

void TfmCardView::setHooks(Hooks hooks) {
    m_hooks = std::move(hooks);
    m_ui->btPrint->setEnabled(bool(m_hooks.print));
}

void TfmCardView::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // The visit text follows the visit list's current row, whatever moves it. It is made once
    // the move is over: the visit's diagnoses and interventions follow the visit after it is
    // told.
    m_followSelection << connect(&m_data.ibdsCard, &Dataset::currentRowChanged, this,
                                 &TfmCardView::dbgDatesCellClick, Qt::QueuedConnection)
                      << connect(&m_data.ibdsCard, &Dataset::rowsReset, this,
                                 &TfmCardView::dbgDatesCellClick, Qt::QueuedConnection);
    FormShow();
}

void TfmCardView::hideEvent(QHideEvent *event) {
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    for (const QMetaObject::Connection &connection : std::as_const(m_followSelection))
        disconnect(connection);
    m_followSelection.clear();
}

void TfmCardView::FormShow() {
    showPatient();
    dbgDatesCellClick();
    if (m_ui->dbgDates->isEnabled())
        m_ui->dbgDates->setFocus();
}

void TfmCardView::showPatient() {
    runGuarded(this, [this] {
        const Dataset &patients = m_data.ibdsMain;
        const int row = patients.isOpen() ? patients.currentRow() : -1;
        cardrules::PatientSummary patient;
        if (row >= 0) {
            patient.fullName = text(patients, row, QStringLiteral("FIO"));
            patient.birth = patients.value(row, QStringLiteral("DATAR")).toDate();
            patient.address = text(patients, row, QStringLiteral("ADR"));
            patient.telephones = text(patients, row, QStringLiteral("TELD"));
            patient.anamnesis = text(patients, row, QStringLiteral("ANAMNEZ"));
        }
        showText(m_ui->reFIO, cardrules::summaryText(patient, dates::now()));
        Dataset &visits = m_data.ibdsCard;
        m_ui->lbPriemCount->setText(
            cardrules::visitCountLine(visits.isOpen() ? visits.recordCount() : 0));
    });
}

void TfmCardView::dbgDatesCellClick() {
    runGuarded(this, [this] {
        const Dataset &visits = m_data.ibdsCard;
        const int row = visits.isOpen() ? visits.currentRow() : -1;
        cardrules::VisitNotes visit;
        if (row >= 0) {
            visit.complaints = text(visits, row, QStringLiteral("C_ZHALOBA"));
            visit.status = text(visits, row, QStringLiteral("C_STATUS"));
            visit.examination = text(visits, row, QStringLiteral("C_OBSLED"));
            visit.recommendations = text(visits, row, QStringLiteral("C_REKOMEND"));
            visit.anamnesis = text(visits, row, QStringLiteral("C_ANAMNEZ"));
            Dataset &diagnoses = m_data.ibdsDiagnoz;
            for (int i = 0, rows = diagnoses.recordCount(); i < rows; ++i) {
                visit.diagnoses << cardrules::VisitNotes::Diagnosis{
                    text(diagnoses, i, QStringLiteral("G_DIAGNAME")),
                    text(diagnoses, i, QStringLiteral("G_PRIM"))};
            }
            Dataset &interventions = m_data.ibdsVmeshat;
            for (int i = 0, rows = interventions.recordCount(); i < rows; ++i)
                visit.interventions << text(interventions, i, QStringLiteral("V_VMESHATNAME"));
        }
        showText(m_ui->reCard, cardrules::visitText(visit));
    });
}

bool TfmCardView::FormKeyDown(QKeyEvent *event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (event->key() == Qt::Key_Escape || (enter && (event->modifiers() & Qt::ControlModifier))) {
        btCloseClick();
        return true;
    }
    return false;
}

void TfmCardView::dbgDatesDblClick() {
    if (!m_hooks.cardEdit)
        return;
    runGuarded(this, m_hooks.cardEdit);
    // The editor may have changed the card or paged to another patient: show what is current.
    showPatient();
    dbgDatesCellClick();
}

void TfmCardView::btPrintClick() {
    if (m_hooks.print)
        runGuarded(this, m_hooks.print);
}

void TfmCardView::btCloseClick() {
    done(Accepted);
}

void TfmCardView::sbtHelpClick() {
    m_behaviour->showHelp();
}
