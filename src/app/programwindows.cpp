#include "app/programwindows.h"

#include "app/patientlists.h"
#include "app/servicecommands.h"
#include "app/tfmmain.h"
#include "books/tfmbook.h"
#include "cards/tfmcardedit.h"
#include "cards/tfmcardview.h"
#include "cards/tfmmerge.h"
#include "filter/tfmfilter.h"
#include "print/tfmprint.h"
#include "reports/tfmreport.h"
#include "support/dates.h"
#include "visits/tfmpriem.h"

ProgramWindows::ProgramWindows(TfmMain *fmMain)
    : QObject(fmMain), m_main(fmMain), m_session(fmMain->session()) {
    // The diagnoses book comes before the print window, so it is destroyed after it.
    book(BookKind::Diagnoses);
    m_print = new TfmPrint(fmMain->data(), fmMain->settings(), fmMain);
    m_main->adoptWindow(m_print);
    TfmMain::Windows windows;
    windows.cardEdit = [this] { showCardEdit(); };
    windows.cardView = [this] { showCardView(); };
    windows.filter = [this] { showFilter(); };
    windows.book = [this](BookKind kind) { showBook(kind); };
    windows.restore = [this](const Draft &draft) {
        fmCardEdit()->restoreOnShow(draft);
        showCardEdit();
    };
    windows.merge = [this] { showMerge(); };
    windows.report = [this](reports::Kind kind) { showReport(kind); };
    m_main->setWindows(std::move(windows));
}

TfmBook *ProgramWindows::book(BookKind kind) {
    QPointer<TfmBook> &window = m_books[int(kind)];
    if (!window) {
        SharedData &data = m_session.data();
        SettingsFile &settings = m_session.settings();
        switch (kind) {
        case BookKind::Doctors:
            window = new TfmDoc(data, settings, m_main);
            break;
        case BookKind::Diagnoses:
            window = new TfmDiag(data, settings, m_main);
            break;
        case BookKind::Interventions:
            window = new TfmVmesh(data, settings, m_main);
            break;
        }
        m_main->adoptWindow(window);
    }
    return window;
}

void ProgramWindows::showBook(BookKind kind) {
    book(kind)->showModal(TfmBook::Mode::Maintenance);
}

void ProgramWindows::chooseFromBook(BookKind kind) {
    book(kind)->showModal(TfmBook::Mode::Choosing);
}

TfmCardEdit *ProgramWindows::fmCardEdit() {
    if (!m_cardEdit) {
        m_cardEdit = new TfmCardEdit(m_session.data(), m_session.settings(), m_main);
        m_main->adoptWindow(m_cardEdit);
        TfmCardEdit::Hooks hooks;
        hooks.visitEdit = [this] { showPriem(); };
        hooks.visitRestore = [this](const VisitDraft &draft) {
            fmPriem()->restoreOnShow(draft);
            showPriem();
        };
        hooks.print = [this] { showPrint(); };
        m_cardEdit->setHooks(std::move(hooks));
    }
    return m_cardEdit;
}

TfmCardView *ProgramWindows::fmCardView() {
    if (!m_cardView) {
        m_cardView = new TfmCardView(m_session.data(), m_session.settings(), m_main);
        m_main->adoptWindow(m_cardView);
        TfmCardView::Hooks hooks;
        hooks.cardEdit = [this] { showCardEdit(); };
        hooks.print = [this] { showPrint(); };
        m_cardView->setHooks(std::move(hooks));
    }
    return m_cardView;
}

TfmPriem *ProgramWindows::fmPriem() {
    if (!m_priem) {
        m_priem = new TfmPriem(m_session.data(), m_session.settings(), m_main);
        m_main->adoptWindow(m_priem);
        TfmPriem::Hooks hooks;
        hooks.chooseDoctor = [this] { chooseFromBook(BookKind::Doctors); };
        hooks.chooseDiagnosis = [this] { chooseFromBook(BookKind::Diagnoses); };
        hooks.chooseIntervention = [this] { chooseFromBook(BookKind::Interventions); };
        hooks.print = [this] { showPrint(); };
        m_priem->setHooks(std::move(hooks));
    }
    return m_priem;
}

TfmFilter *ProgramWindows::fmFilter() {
    if (!m_filter) {
        m_filter = new TfmFilter(
            m_session.data(), m_session.settings(),
            [this](const QString &text) { m_main->setStatusText(text); }, m_main);
        m_main->adoptWindow(m_filter);
        // The visits of the last month at first; later openings keep what the user left.
        const QDate today = dates::today();
        m_filter->setDates(dates::monthBack(today), today);
    }
    return m_filter;
}

TfmMerge *ProgramWindows::fmMerge() {
    if (!m_merge) {
        m_merge = new TfmMerge(m_session.data(), m_session.settings(), m_main);
        m_main->adoptWindow(m_merge);
        TfmMerge::Hooks hooks;
        hooks.backUpFirst = [this] { return m_main->serviceCommands().backUpBeforeChange(); };
        m_merge->setHooks(std::move(hooks));
    }
    return m_merge;
}

void ProgramWindows::showMerge() {
    const int kept = m_session.data().ibdsMain.value(QStringLiteral("ID")).toInt();
    fmMerge()->showFor(kept);
}

void ProgramWindows::showCardEdit() {
    TfmCardEdit *window = fmCardEdit();
    // The editor shows the age of the patient already current, as after any move.
    m_session.data().ibdsMainAfterScroll();
    window->exec();
    // The user chose a stored card over a new one that may repeat it: the list shows that
    // patient, and the editor opens on it.
    while (const std::optional<int> chosen = window->takeChosenPatient()) {
        SharedData &data = m_session.data();
        data.showPatients(patientlists::onePatientSql(*chosen));
        m_main->setStatusText(patientlists::kFoundStatus);
        if (data.ibdsMain.isEmpty())
            return; // deleted meanwhile
        data.ibdsMainAfterScroll();
        window->exec();
    }
}

void ProgramWindows::showCardView() {
    fmCardView()->exec();
}

void ProgramWindows::showPriem() {
    fmPriem()->exec();
}

void ProgramWindows::showFilter() {
    fmFilter()->exec();
}

void ProgramWindows::showPrint() {
    m_print->showVisit();
}

TfmReport *ProgramWindows::report(reports::Kind kind) {
    QPointer<TfmReport> &window = m_reports[int(kind)];
    if (!window) {
        window = new TfmReport(kind, m_session.data(), m_session.settings(), m_main);
        m_main->adoptWindow(window);
    }
    return window;
}

void ProgramWindows::showReport(reports::Kind kind) {
    report(kind)->exec();
}
