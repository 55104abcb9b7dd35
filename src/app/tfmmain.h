#pragma once

#include "app/startup.h"
#include "data/shareddata.h"
#include "reports/reportconfig.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class CaptionMessage;
class PatientListModel;
class QAction;
class QComboBox;
class QKeyEvent;
class QLabel;
class QMenu;
class QMenuBar;
class QTableView;
class QToolButton;
class ServiceCommands;
class SettingsFile;
class WindowBehaviour;

// The main window `fmMain`: the patient list, the surname search and the period lists, and the
// starting point of every command. It owns what the whole run shares: the folders and the
// settings file that start-up settled, view mode, the connection with its transaction and the
// seven shared datasets, and every other window the program makes.
class TfmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfmMain(const StartupState &state, QWidget *parent = nullptr);
    // Other windows go first, newest first, each writing its settings; then this window writes
    // its own and what is not yet committed is committed.
    ~TfmMain() override;

    // The end of the run: what is not yet committed is committed, then every window writes its
    // settings, newest first, this one last. Runs once; the destructor runs it when nothing else
    // did. `Quietly` is for an end from outside (the X connection broke), when no box can show:
    // failures then go to the standard error output.
    enum class EndMode { Ordinary, Quietly };
    void endRun(EndMode mode);

    // The windows the commands open modally. Each is made by its own part of the program on
    // first use and kept; a command whose window is not given is disabled.
    enum class Book { Doctors, Diagnoses, Interventions };
    struct Windows {
        // The patient card editor on the current row of ibdsMain, which is new when adding.
        std::function<void()> cardEdit;
        std::function<void()> cardView;
        // The filter window, which fills the list and the status bar itself.
        std::function<void()> filter;
        // A reference book in maintenance mode.
        std::function<void(Book)> book;
        // The patient card editor on the current row of ibdsMain (new, or a stored patient),
        // with what a card and a visit over it held when the run ended before they were saved.
        std::function<void(const Draft &)> restore;
        // A report window of the menu "Отчёты".
        std::function<void(reports::Kind)> report;
    };
    void setWindows(Windows windows);
    const Windows &windows() const { return m_windowHooks; }

    SharedData &data() { return m_data; }
    SettingsFile &settings() { return *m_settings; }
    const StartupState &startupState() const { return m_state; }
    bool viewMode() const { return m_state.viewMode; }
    // The commands of the menu "Сервис" and the daily backup.
    ServiceCommands &serviceCommands() { return *m_services; }
    // True once the connection and the datasets were opened at the first show.
    bool isLoaded() const { return m_loaded; }

    CaptionMessage &captionMessage() { return *m_caption; }
    QString statusText() const;
    // The status bar names the list; every command that fills the list sets it.
    void setStatusText(const QString &text);

    // Keeps a window the program made until the end of the run, when the windows are destroyed
    // newest first.
    void adoptWindow(QWidget *window);

    static const QString kCaption;

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
    // Opens the database and the datasets and shows the start list; once, at the first show.
    void load();
    // Offers what the editors held when the last run ended without the user's word.
    void offerRecovery();
    // The register's name in a recovery file: the full path of its file.
    QString registerName() const;
    // At an end that cannot ask: keeps what the open editors hold in the recovery file and
    // takes it back from the register, before the end commits.
    void setAsideUnconfirmedWork(EndMode mode);
    // Opens the register again after a command of the menu "Сервис" closed it: with the start
    // list, or with the list shown before.
    void reopenDatabase(bool startList);
    bool FormKeyDown(QKeyEvent *event);
    bool walkMenus(QMenu *from, int key);
    void mCardPopup();
    void pmMainPopup();
    void cbbSearchChange();
    void startSearchFromList(const QString &letter);
    void showPeriodList(const QDate &since, const QString &status);
    bool listIsEmpty() const;
    void installHintHandler() { m_hintHandlerInstalled = true; }
    // Runs a command of another window; a refusal of the database is shown, not thrown on.
    void runCommand(const std::function<void()> &command);
    // Enables the commands whose windows exist.
    void enableCommands();
    // The reports: the items of the menu "Отчёты", and "Экспорт списка..." in the list's pop-up
    // menu, which writes the patients the list shows to a spreadsheet.
    void createReportCommands(QMenu *menu);
    void pmExportClick();

    Windows m_windowHooks;
    StartupState m_state;
    std::unique_ptr<SettingsFile> m_settings;
    SharedData m_data;
    std::unique_ptr<WindowBehaviour> m_behaviour;
    CaptionMessage *m_caption = nullptr;
    ServiceCommands *m_services = nullptr;
    QList<QPointer<QWidget>> m_windows;
    bool m_loaded = false;
    bool m_loadStarted = false;
    bool m_loadRan = false;
    bool m_ended = false;
    bool m_hintHandlerInstalled = false;

    QWidget *m_client = nullptr;
    QComboBox *cbbSearch = nullptr;
    QToolButton *sbtAdd = nullptr;
    QToolButton *sbtExit = nullptr;
    QTableView *dbgMain = nullptr;
    PatientListModel *m_model = nullptr;
    QLabel *m_statusLabel = nullptr;

    QMenu *mCard = nullptr;
    QMenu *m_lastMenu = nullptr; // the last menu of the main bar, next to Help
    QMenu *mHelp = nullptr;
    QMenuBar *m_helpBar = nullptr;
    QMenu *pmMain = nullptr;
    QAction *mmAdd = nullptr;
    QAction *mmView = nullptr;
    QAction *mmEdit = nullptr;
    QAction *mmDel = nullptr;
    QAction *mmFilter = nullptr;
    QAction *mmDocs = nullptr;
    QAction *mmDiag = nullptr;
    QAction *mmVmesh = nullptr;
    QAction *pmView = nullptr;
    QAction *pmEdit = nullptr;
    QAction *pmAdd = nullptr;
    QAction *pmExport = nullptr;
    QList<QAction *> m_reportItems;
};
