#pragma once

#include "cards/cardrules.h"
#include "data/unconfirmedwork.h"

#include <QDateTime>
#include <QDialog>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class TfmCardEdit;
}
class CaptionMessage;
class DataMapper;
class DiscardPoint;
class QAction;
class QKeyEvent;
class QLineEdit;
class QMenu;
class SettingsFile;
class SharedData;
class WindowBehaviour;

// The patient card editor `fmCardEdit`: adds a patient or changes a card, on the current row of
// the shared patients dataset, and opens, adds and deletes the patient's visits. Adding or
// editing is told by the dataset's state each time; the window keeps no mode of its own. OK
// posts the row and commits the transaction retaining it.
//
// Cancel goes back to the point the window set when it was shown: a new patient written so that
// its first visit could refer to it goes again, with all that showing wrote and did not commit.
// A patient reaches the register only through the card's checks, also when it is written for
// its first visit. A visit deleted after its question is committed at once.
class TfmCardEdit : public QDialog, private UnconfirmedWork::Editor {
    Q_OBJECT
public:
    // What the editor opens in other windows; a command whose window is not given is disabled.
    struct Hooks {
        // The visit editor, shown modally on the current row of ibdsCard.
        std::function<void()> visitEdit = {};
        // The visit editor, shown modally on the current row of ibdsCard with what a visit held
        // when the run ended before it was saved.
        std::function<void(const VisitDraft &)> visitRestore = {};
        // The outpatient card of the current visit, in the print window.
        std::function<void()> print = {};
    };

    TfmCardEdit(SharedData &data, SettingsFile &settings, QWidget *parent = nullptr);
    ~TfmCardEdit() override;

    void setHooks(Hooks hooks);
    // The next showing puts back what the card (and a visit opened over it) held when the run
    // ended before it was saved; the caller has made the patient current, or inserted it.
    void restoreOnShow(const Draft &draft);
    // The stored patient the user chose to open instead of the new card that may repeat it, once
    // the window has closed; asked once.
    std::optional<int> takeChosenPatient() { return std::exchange(m_chosenPatient, std::nullopt); }

    static constexpr int kHelpTopic = 50;

public Q_SLOTS:
    void btOKClick();
    void btCancelClick();
    void pmEditClick();
    void pmAddClick();
    void pmDelClick();
    void pmPrintClick();
    void sbtHelpClick();

    void setVisible(bool visible) override;
    // Esc however it reaches the dialog: the Cancel action.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createVisitMenu();
    void bindControls();
    void enableCommands();
    // The OK action; true when the card was saved and the window closed.
    bool okAction();
    void FormShow();
    // The visit label with the number of visits of the current patient.
    void showVisitCount();
    void FormCloseQuery();
    bool FormKeyDown(QKeyEvent *event);
    void pageTo(bool next);
    void capitalizeAsTyped(QLineEdit *box);
    // The exit handling of a box the focus leaves: sex, date of birth, age.
    void boxExit(QObject *box);
    void dbedFIOExit();
    void edVozrExit();
    void dbdtDataRExit();
    void dbcbbSexDblClick();
    // The card's checks; false, with the caption message and the red box, when one fails.
    bool passesChecks();
    void showProblem(cardrules::CardProblem problem);
    // Writes a new patient for its first visit, after the card's checks; false when they fail.
    bool postNewPatient();
    // Before a new card is saved: asks about the stored cards it may repeat. False when the
    // user goes back to the card, or chose a stored card (the window then closes).
    bool askAboutSamePatient();
    // Cancels what is pending, goes back to the discard point and closes the window.
    void discardAndClose();
    void restoreDraft();

    // UnconfirmedWork::Editor
    void describe(Draft &draft) override;
    void discard() override;
    bool askToClose() override;
    void resume(const Draft &draft) override;
    // The normal caption the caption timer puts back, or a null text to leave it.
    QString normalCaption() const;
    bool isNewAndEmpty() const;

    const std::unique_ptr<Ui::TfmCardEdit> m_ui;
    SharedData &m_data;
    std::unique_ptr<WindowBehaviour> m_behaviour;
    DataMapper *m_mapper = nullptr;
    CaptionMessage *m_caption = nullptr;
    Hooks m_hooks;
    QMenu *pmPriem = nullptr;
    QAction *pmEdit = nullptr;
    QAction *pmAdd = nullptr;
    QAction *pmDel = nullptr;
    QAction *pmPrint = nullptr;
    DiscardPoint *m_discard = nullptr;
    // The key of a new patient written in this showing for its first visit and not committed.
    QVariant m_newPatient;
    QDateTime m_begun; // when the card was opened
    std::optional<Draft> m_restore;
    bool m_leavingForOk = false;
    bool m_keepNew = false; // the user said this showing's new card is no repeat
    std::optional<int> m_chosenPatient;
    QMetaObject::Connection m_pagingConnection;
};
