#pragma once

#include "cards/cardrules.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class TfmCardEdit;
}
class CaptionMessage;
class DataMapper;
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
// posts the row and commits the transaction retaining it; Cancel drops the changes.
class TfmCardEdit : public QDialog {
    Q_OBJECT
public:
    // What the editor opens in other windows; a command whose window is not given is disabled.
    struct Hooks {
        // The visit editor, shown modally on the current row of ibdsCard.
        std::function<void()> visitEdit;
        // The outpatient card of the current visit, in the print window.
        std::function<void()> print;
    };

    TfmCardEdit(SharedData &data, SettingsFile &settings, QWidget *parent = nullptr);
    ~TfmCardEdit() override;

    void setHooks(Hooks hooks);

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
    void showProblem(cardrules::CardProblem problem);
    void postNewPatient();
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
    // Something of this card (the patient row, a visit) was written since the window was shown
    // and may not yet be committed: OK commits even when the row is no longer being edited.
    bool m_cardWritten = false;
    bool m_leavingForOk = false;
    QMetaObject::Connection m_pagingConnection;
};
