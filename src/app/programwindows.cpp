#include "app/programwindows.h"

#include "app/tfmmain.h"
#include "cards/tfmcardedit.h"
#include "cards/tfmcardview.h"
#include "filter/tfmfilter.h"
#include "support/dates.h"
#include "visits/tfmprint.h"

ProgramWindows::ProgramWindows(TfmMain *fmMain)
    : QObject(fmMain), m_main(fmMain),
      m_print(new TfmPrint(fmMain->data(), fmMain->settings(), fmMain)) {
    m_main->adoptWindow(m_print);
    TfmMain::Windows windows;
    windows.cardEdit = [this] { showCardEdit(); };
    windows.cardView = [this] { showCardView(); };
    windows.filter = [this] { showFilter(); };
    m_main->setWindows(std::move(windows));
}

TfmCardEdit *ProgramWindows::fmCardEdit() {
    if (!m_cardEdit) {
        m_cardEdit = new TfmCardEdit(m_main->data(), m_main->settings(), m_main);
        m_main->adoptWindow(m_cardEdit);
        TfmCardEdit::Hooks hooks;
        // The visit editor fills its hook once it is part of the program.
        hooks.print = [this] { showPrint(); };
        m_cardEdit->setHooks(std::move(hooks));
    }
    return m_cardEdit;
}

TfmCardView *ProgramWindows::fmCardView() {
    if (!m_cardView) {
        m_cardView = new TfmCardView(m_main->data(), m_main->settings(), m_main);
        m_main->adoptWindow(m_cardView);
        TfmCardView::Hooks hooks;
        hooks.cardEdit = [this] { showCardEdit(); };
        hooks.print = [this] { showPrint(); };
        m_cardView->setHooks(std::move(hooks));
    }
    return m_cardView;
}

TfmFilter *ProgramWindows::fmFilter() {
    if (!m_filter) {
        m_filter = new TfmFilter(
            m_main->data(), m_main->settings(),
            [this](const QString &text) { m_main->setStatusText(text); }, m_main);
        m_main->adoptWindow(m_filter);
        // The visits of the last month at first; later openings keep what the user left.
        const QDate today = dates::today();
        m_filter->setDates(dates::monthBack(today), today);
    }
    return m_filter;
}

void ProgramWindows::showCardEdit() {
    TfmCardEdit *window = fmCardEdit();
    // The editor shows the age of the patient already current, as after any move.
    m_main->data().ibdsMainAfterScroll();
    window->exec();
}

void ProgramWindows::showCardView() {
    fmCardView()->exec();
}

void ProgramWindows::showFilter() {
    fmFilter()->exec();
}

void ProgramWindows::showPrint() {
    m_print->showVisit();
}
