#pragma once

#include "app/registersession.h"
#include "books/bookconfig.h"
#include "reports/reportconfig.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

namespace Ui {
class TfmMain;
}
class CaptionMessage;
class DbError;
class PatientListModel;
class QAction;
class QKeyEvent;
class QLabel;
class QMenu;
class QMenuBar;
class ServiceCommands;
class SettingsFile;
class WindowBehaviour;

// The main window `fmMain`: the patient list, the surname search and the period lists, and the
// starting point of every command. It keeps the register session of the run (the register, the
// settings file, what start-up settled) and every other window the program makes, and ends
// both.
class TfmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfmMain(const StartupState &state, QWidget *parent = nullptr);
    // Other windows go first, newest first, each writing its settings; then this window writes
    // its own and what is not yet committed is committed.
    ~TfmMain() override;

    // The end of the run: the register session ends (what the open editors hold unconfirmed is
    // set aside, the rest committed), then every window writes its settings, newest first, this
    // one last. Runs once; the destructor runs it when nothing else did. `Quietly` is for an end
    // from outside (the X connection broke), when no box can show: failures then go to the
    // standard error output.
    enum class EndMode { Ordinary, Quietly };
    void endRun(EndMode mode);

    // The windows the commands open modally. Each is made by its own part of the program on
    // first use and kept; a command whose window is not given is disabled.
    struct Windows {
        // The patient card editor on the current row of ibdsMain, which is new when adding.
        std::function<void()> cardEdit;
        std::function<void()> cardView;
        // The filter window, which fills the list and the status bar itself.
        std::function<void()> filter;
        // A reference book in maintenance mode.
        std::function<void(BookKind)> book;
        // The patient card editor on the current row of ibdsMain (new, or a stored patient),
        // with what a card and a visit over it held when the run ended before they were saved.
        std::function<void(const Draft &)> restore;
        // The merge of another card into the current patient's.
        std::function<void()> merge;
        // A report window of the menu "Отчёты".
        std::function<void(reports::Kind)> report;
    };
    void setWindows(Windows windows);
    const Windows &windows() const { return m_windowHooks; }

    RegisterSession &session() { return m_session; }
    SharedData &data() { return m_session.data(); }
    const SharedData &data() const { return m_session.data(); }
    SettingsFile &settings() { return m_session.settings(); }
    const StartupState &startupState() const { return m_session.state(); }
    bool viewMode() const { return startupState().viewMode; }
    // The commands of the menu "Сервис" and the daily backup.
    ServiceCommands &serviceCommands() { return *m_services; }
    // True once the connection and the datasets were opened at the first show.
    bool isLoaded() const { return m_session.isOpen(); }

    CaptionMessage &captionMessage() { return *m_caption; }
    QString statusText() const;
    // The status bar names the list; every command that fills the list sets it.
    void setStatusText(const QString &text);

    // Keeps a window the program made until the end of the run, when the windows are destroyed
    // newest first.
    void adoptWindow(QWidget *window);

    // The window's caption: the program's name, and on a server who is signed in where
    // ("Вентрель — ivanova@clinic-server").
    QString caption() const;

public Q_SLOTS:
    void mmAddClick();
    void mmEditClick();
    void mmViewClick();
    void mmDelClick();
    void mmFilterClick();
    void mmLastMonthClick();
    void mmLastYearClick();
    void mmExitClick();
    void mmDocsClick();
    void mmDiagClick();
    void mmVmeshClick();
    void mmTopicClick();
    void mmWebClick();
    void mmMailClick();
    void mmAboutClick();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenus();
    void createControls();
    void layOutControls();
    // Opens the register and shows the start list; once, at the first show.
    void load();
    // Offers what the editors held when the last run ended without the user's word.
    void offerRecovery();
    // The register was opened again after a command of the menu "Сервис" closed it.
    void reopened(bool startList);
    bool FormKeyDown(QKeyEvent *event);
    bool walkMenus(QMenu *from, int key);
    void mCardPopup();
    void pmMainPopup();
    void cbbSearchChange();
    void startSearchFromList(const QString &letter);
    void showPeriodList(const QDate &since, const QString &status);
    bool listIsEmpty() const;
    // A command's hint, shown in the caption for a few seconds once the register is loaded.
    void showMenuHint(const QAction *action);
    // The connection to the server broke: one question, "Повторить" reaches the register again
    // (the lists on the same rows, the open editors with what they held) or the run ends.
    void connectionLost(const DbError &error);
    // F5: the list shown read again from the register, on the same patient.
    void refreshList();
    // Runs a command of another window; a refusal of the database is shown, not thrown on.
    void runCommand(const std::function<void()> &command);
    // Enables the commands whose windows exist.
    void enableCommands();
    // The reports: the items of the menu "Отчёты", and "Экспорт списка..." in the list's pop-up
    // menu, which writes the patients the list shows to a spreadsheet.
    void createReportCommands(QMenu *menu);
    void pmExportClick();

    const std::unique_ptr<Ui::TfmMain> m_ui;
    RegisterSession m_session;
    Windows m_windowHooks;
    std::unique_ptr<WindowBehaviour> m_behaviour;
    CaptionMessage *m_caption = nullptr;
    ServiceCommands *m_services = nullptr;
    QList<QPointer<QWidget>> m_windows;
    bool m_loadStarted = false;
    bool m_loadRan = false;
    bool m_ended = false;
    bool m_leavingLostServer = false; // "Выход" chosen when the server was lost
    bool m_reconnecting = false;

    PatientListModel *m_model = nullptr;
    QLabel *m_statusLabel = nullptr;
    QMenu *m_lastMenu = nullptr; // the last menu of the main bar, next to Help
    QMenuBar *m_helpBar = nullptr;
    QMenu *pmMain = nullptr;
    QList<QAction *> m_reportItems; // the commands of the menu "Отчёты"
};
