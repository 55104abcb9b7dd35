#pragma once

#include "data/unconfirmedwork.h"
#include "visits/priemrules.h"

#include <QDateTime>
#include <QDialog>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace Ui {
class TfmPriem;
}
class DataMapper;
class DbGrid;
class DbMemo;
class DiscardPoint;
class QAction;
class QKeyEvent;
class QMenu;
class SettingsFile;
class SharedData;
class WindowBehaviour;

// The visit card editor `fmPriem`: one visit of the current patient, on the current row of the
// shared visits dataset, with its diagnoses and interventions. It keeps no data and no mode of
// its own: what it does follows the state of ibdsCard (a new visit, one being edited, one only
// browsed).
//
// Saving commits the shared transaction retaining it; every way of leaving a visit that saves
// it ("OK", "&Добавить", "&Копия", "<< Ра&нее", "По&зже >>") checks it first. Discarding goes
// back to the point the window set when it was shown, or after its last commit: it undoes what
// was written in this showing (the visit, its diagnosis and intervention rows, a visit written
// before its first diagnosis) and nothing before it, so a new patient that the card editor wrote
// for its first visit stays.
class TfmPriem : public QDialog, private UnconfirmedWork::Editor {
    Q_OBJECT
public:
    // What the editor opens in other windows; a command whose window is not given is disabled.
    struct Hooks {
        // The doctors book, modally, for choosing the visit's doctor ("...").
        std::function<void()> chooseDoctor = {};
        // The diagnoses and the interventions book, modally, for choosing the current row of the
        // visit's diagnoses or interventions ("Справочник...").
        std::function<void()> chooseDiagnosis = {};
        std::function<void()> chooseIntervention = {};
        // The outpatient card of the current visit, in the print window.
        std::function<void()> print = {};
    };

    TfmPriem(SharedData &data, SettingsFile &settings, QWidget *parent = nullptr);
    ~TfmPriem() override;

    void setHooks(Hooks hooks);
    // The next showing puts back what the visit held when the run ended before it was saved;
    // the caller has made the visit current, or inserted it.
    void restoreOnShow(const VisitDraft &draft);

    static constexpr int kHelpTopic = 70;

public Q_SLOTS:
    void btOKClick();
    void btCancelClick();
    void btAddClick();
    void btAddCopyClick();
    void sbtPrevClick();
    void sbtNextClick();
    void btPrintClick();
    void sbDocClick();
    void pmAddClick();
    void pmSprClick();
    void pmDelClick();
    void pmDayClick();
    void pmDay2Click();
    void pmDay3Click();
    void sbtHelpClick();

    // Esc however it reaches the dialog: "Отмена".
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenus();
    void bindControls();
    void enableCommands();
    void FormShow();
    void FormCloseQuery();
    bool FormKeyDown(QKeyEvent *event);
    void FormResize();

    // "OK": true when the visit was saved and the window closed.
    bool okAction();
    // Cancels what is pending, goes back to the discard point and closes the window.
    void discardAndClose();
    // Posts the visit with its rows and commits what this showing wrote, then puts a new visit,
    // or one given another date, in its place in the list (newest first); the discard point
    // moves on unless the window is `closing` (which always commits). False when the database
    // refused, the window unchanged.
    bool saveVisit(bool closing);
    // "&Добавить" and "&Копия": saves the visit and starts a new one, a copy when `copy`.
    void saveAndStartVisit(bool copy);
    void step(bool older);
    void setQuickDate(priemrules::QuickDay day);

    // Lets the box being left finish (the recommendations' "1. ", a cell being edited, the grid's
    // row) and checks the visit; false, with the problem shown, when it cannot be saved.
    bool readyToSave();
    void showProblem(priemrules::VisitProblem problem);
    bool hasNoteWithoutDiagnosis() const;
    bool mayLeaveDiagnosisRow();
    // The window's title: `prefix` and the current patient's full name.
    void setPatientTitle(const QString &prefix);
    bool isNewVisitEmpty() const;
    // What the visit holds unsaved, a note typed into a cell and not yet taken included; nothing
    // when the database refused to tell.
    struct Pending {
        bool newAndEmpty = false; // a new visit nothing was put into
        bool changed = false;
    };
    std::optional<Pending> pending();
    // Something of this showing is not saved: the visit or a diagnosis or intervention row being
    // changed, or a row written since the discard point.
    bool hasChanges() const;

    void dbmRekomendEnter();
    void dbmRekomendExit();
    // The grid the menu of the grids works on: the one it was opened over, or the focused one.
    DbGrid *menuGrid() const;
    // A visit started in this window: new, and not yet saved.
    void startedVisit();
    bool isNewVisit() const;
    void restoreDraft();

    // UnconfirmedWork::Editor
    void describe(Draft &draft) override;
    void discard() override;
    bool askToClose() override;
    void resume(const Draft &draft) override;

    const std::unique_ptr<Ui::TfmPriem> m_ui;
    SharedData &m_data;
    std::unique_ptr<WindowBehaviour> m_behaviour;
    DataMapper *m_mapper = nullptr;
    DiscardPoint *m_discard = nullptr;
    Hooks m_hooks;
    QMenu *popPriem = nullptr;
    QAction *pmAdd = nullptr;
    QAction *pmSpr = nullptr;
    QAction *pmDel = nullptr;
    QMenu *popDatePriem = nullptr;
    DbGrid *m_menuGrid = nullptr;
    // The key of a new visit of this showing while it is not committed; null otherwise.
    QVariant m_newVisit;
    QDateTime m_begun; // when the visit being edited was opened or started
    std::optional<VisitDraft> m_restore;
    // The controls the layout moves, with their places in its geometry.
    std::vector<std::pair<QWidget *, QRect priemrules::PriemGeometry::*>> m_placed;
};
