#pragma once

#include <QDialog>
#include <QList>

#include <functional>
#include <memory>

namespace Ui {
class TfmCardView;
}
class QKeyEvent;
class SettingsFile;
class SharedData;
class WindowBehaviour;

// The patient card viewer `fmCardView`: the current patient's card as text, read-only. The
// summary at the top, the visits on the left, the text of the selected visit on the right; the
// visit text follows the selection however it moves.
class TfmCardView : public QDialog {
    Q_OBJECT
public:
    // What the viewer opens in other windows; a command whose window is not given is disabled.
    struct Hooks {
        // The patient card editor on the current patient.
        std::function<void()> cardEdit;
        // The outpatient card of the current visit, in the print window.
        std::function<void()> print;
    };

    TfmCardView(SharedData &data, SettingsFile &settings, QWidget *parent = nullptr);
    ~TfmCardView() override;

    void setHooks(Hooks hooks);

    static constexpr int kHelpTopic = 60;

public Q_SLOTS:
    void dbgDatesDblClick();
    void btPrintClick();
    void btCloseClick();
    void sbtHelpClick();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void FormShow();
    bool FormKeyDown(QKeyEvent *event);
    // The summary and the count line of the current patient.
    void showPatient();
    // The text of the current visit.
    void dbgDatesCellClick();

    const std::unique_ptr<Ui::TfmCardView> m_ui;
    SharedData &m_data;
    std::unique_ptr<WindowBehaviour> m_behaviour;
    Hooks m_hooks;
    QList<QMetaObject::Connection> m_followSelection;
};
