#include "cards/tfmsamepatient.h"

#include "cards/candidatelist.h"
#include "ui_tfmsamepatient.h"
#include "widgets/dialogwindow.h"
#include "widgets/fontgrowth.h"

#include <optional>

namespace {

struct Seam {
    std::optional<TfmSamePatient::Choice> next;
    TfmSamePatient::Answerer answerer;
};

Seam &seam() {
    static Seam instance;
    return instance;
}

} // namespace

TfmSamePatient::Choice TfmSamePatient::ask(QWidget *parent,
                                           const QList<samepatient::Candidate> &found) {
    if (std::optional<Choice> prepared = std::exchange(seam().next, std::nullopt))
        return *prepared;
    if (seam().answerer)
        return seam().answerer(found);
    TfmSamePatient window(parent);
    window.showFound(found);
    window.exec();
    return window.choice();
}

void TfmSamePatient::setNextAnswer(const Choice &choice) {
    seam().next = choice;
}

void TfmSamePatient::setAnswerer(Answerer answerer) {
    seam().answerer = std::move(answerer);
}

TfmSamePatient::TfmSamePatient(QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfmSamePatient>()) {
    m_ui->setupUi(this);
    setUpSizeableDialog(this);
    candidatelist::setUp(m_ui->dbgFound);
    fontgrowth::growWindow(this);
    connect(m_ui->btOpen, &QPushButton::clicked, this, &TfmSamePatient::btOpenClick);
    connect(m_ui->btKeepNew, &QPushButton::clicked, this, &TfmSamePatient::btKeepNewClick);
    connect(m_ui->btCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->dbgFound, &QTableWidget::cellDoubleClicked, this, &TfmSamePatient::btOpenClick);
}

TfmSamePatient::~TfmSamePatient() = default;

void TfmSamePatient::showFound(const QList<samepatient::Candidate> &found) {
    candidatelist::show(m_ui->dbgFound, found);
    m_ui->dbgFound->setFocus();
}

void TfmSamePatient::btOpenClick() {
    const int patient = candidatelist::current(m_ui->dbgFound);
    if (patient == 0)
        return;
    m_choice = {Answer::Open, patient};
    accept();
}

void TfmSamePatient::btKeepNewClick() {
    m_choice = {Answer::KeepNew, 0};
    accept();
}
