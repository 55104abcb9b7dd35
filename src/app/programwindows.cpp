#include "app/programwindows.h"

#include "app/tfmmain.h"
#include "cards/tfmcardedit.h"
#include "cards/tfmcardview.h"
#include "visits/tfmprint.h"

ProgramWindows::ProgramWindows(TfmMain *fmMain)
    : QObject(fmMain), m_main(fmMain),
      m_print(new TfmPrint(fmMain->data(), fmMain->settings(), fmMain)) {
    m_main->adoptWindow(m_print);
    TfmMain::Windows windows;
    windows.cardEdit = [this] { showCardEdit(); };
    windows.cardView = [this] { showCardView(); };
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

void ProgramWindows::showCardEdit() {
    TfmCardEdit *window = fmCardEdit();
    // The editor shows the age of the patient already current, as after any move.
    m_main->data().ibdsMainAfterScroll();
    window->exec();
}

void ProgramWindows::showCardView() {
    fmCardView()->exec();
}

void ProgramWindows::showPrint() {
    m_print->showVisit();
}
