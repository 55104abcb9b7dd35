#include "app/programwindows.h"

#include "app/tfmmain.h"
#include "cards/tfmcardedit.h"
#include "cards/tfmcardview.h"

ProgramWindows::ProgramWindows(TfmMain *fmMain) : QObject(fmMain), m_main(fmMain) {
    TfmMain::Windows windows;
    windows.cardEdit = [this] { showCardEdit(); };
    windows.cardView = [this] { showCardView(); };
    m_main->setWindows(std::move(windows));
}

TfmCardEdit *ProgramWindows::fmCardEdit() {
    if (!m_cardEdit) {
        m_cardEdit = new TfmCardEdit(m_main->data(), m_main->settings(), m_main);
        m_main->adoptWindow(m_cardEdit);
        // The visit editor and the print window fill these once they are part of the program.
        m_cardEdit->setHooks({});
    }
    return m_cardEdit;
}

TfmCardView *ProgramWindows::fmCardView() {
    if (!m_cardView) {
        m_cardView = new TfmCardView(m_main->data(), m_main->settings(), m_main);
        m_main->adoptWindow(m_cardView);
        TfmCardView::Hooks hooks;
        hooks.cardEdit = [this] { showCardEdit(); };
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
