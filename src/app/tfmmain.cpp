#include "app/tfmmain.h"

#include "app/mainwindowlayout.h"
#include "app/openfailurebox.h"
#include "app/patientgrid.h"
#include "app/patientlists.h"
#include "app/recoveryoffer.h"
#include "app/servicecommands.h"
#include "app/tfmserver.h"
#include "data/dberror.h"
#include "dbwidgets/refreshkey.h"
#include "dbwidgets/win1251validator.h"
#include "reports/exportdialog.h"
#include "support/dates.h"
#include "support/fileversioninfo.h"
#include "support/programinfo.h"
#include "support/settingsfile.h"
#include "support/shell.h"
#include "ui_tfmmain.h"
#include "widgets/captionmessage.h"
#include "widgets/fontgrowth.h"
#include "widgets/guarded.h"
#include "widgets/helpwindow.h"
#include "widgets/keypreview.h"
#include "widgets/labelhints.h"
#include "widgets/menucommand.h"
#include "widgets/messagebox.h"
#include "widgets/quiettimer.h"
#include "widgets/windowbehaviour.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QSessionManager>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <cstdio>

namespace {

// Where the window stands at design, before the settings file's place is read.
constexpr QPoint kDesignPosition(192, 108);
constexpr int kHintTicks = 3;
constexpr int kMessageTicks = 10;
constexpr int kLoadAtTheLatest = 1000;         // ms after the first show
constexpr int kIdleCommitInterval = 30 * 1000; // ms

} // namespace

QString TfmMain::caption() const {
    const StartupState &state = startupState();
    if (!state.server)
        return program::kProductName;
    return program::kProductName + QStringLiteral(" — ") + state.user + u'@' + state.server->host;
}

TfmMain::TfmMain(const StartupState &state, QWidget *parent)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::TfmMain>()), m_session(state) {
    m_ui->setupUi(this);
    setWindowTitle(caption());
    move(kDesignPosition);
    showHints(this);

    createMenus();
    createControls();
    enableCommands();
    connect(&m_session, &RegisterSession::reopened, this, &TfmMain::reopened);

    m_caption = new CaptionMessage(this, [this] { return caption(); });
    new KeyPreview(this, [this](QKeyEvent *event) { return FormKeyDown(event); });

    // The desktop session ends: an open editor asks its own close question first, when the
    // session manager lets the program ask; otherwise the end sets its work aside.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &manager) {
        if (!manager.allowsInteraction())
            return;
        const bool closed = data().unconfirmed.askToClose();
        manager.release();
        if (!closed)
            manager.cancel();
    });

    if (startupState().server) {
        MessageBox::setConnectionLostHandler(
            [this](const DbError &error) { connectionLost(error); });
        // A run that sits idle must not hold the server's clean-up back: its transactions are
        // ended while nothing is being edited and the user has left the program alone, for the
        // lists are read again then.
        auto *idle = new QuietTimer(kIdleCommitInterval, this);
        connect(idle, &QuietTimer::quiet, this, [this] {
            if (!QApplication::activeModalWidget() && !m_reconnecting)
                runGuarded(this, [this] { m_session.commitIdle(); });
        });
    }

    WindowTraits traits;
    traits.section = objectName();
    traits.keys = WindowTraits::Keys::TopLeftWidthHeight;
    m_behaviour = std::make_unique<WindowBehaviour>(this, settings(), traits);
}

void TfmMain::connectionLost(const DbError &error) {
    if (m_reconnecting || m_leavingLostServer || m_ended)
        return; // one question at a time; what fails meanwhile fails for the same reason
    QScopedValueRollback reconnecting(m_reconnecting, true);
    m_session.connectionLost();
    const QString question =
        QStringLiteral("Нет связи с сервером %1.\n\nНесохранённое в открытых окнах не потеряно: "
                       "оно останется в них, когда связь восстановится.")
            .arg(startupState().server->server());
    // The engine's own words go to the standard error output, for whoever looks into it.
    fprintf(stderr, "%s\n", qPrintable(error.message()));
    for (;;) {
        if (MessageBox::choose(this, question,
                               {{QMessageBox::Retry, QStringLiteral("Повторить")},
                                {QMessageBox::Close, QStringLiteral("Выход")}}) !=
            QMessageBox::Retry) {
            // The end sets what the editors hold aside in the recovery file; what fails on the
            // way out fails for the same reason and is not asked about again.
            m_leavingLostServer = true;
            QCoreApplication::exit(1);
            return;
        }
        try {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            m_session.reconnect();
            QGuiApplication::restoreOverrideCursor();
            return;
        } catch (const DbError &again) {
            QGuiApplication::restoreOverrideCursor();
            fprintf(stderr, "%s\n", qPrintable(again.message()));
        }
    }
}

void TfmMain::refreshList() {
    refreshingLists(this, data())();
}

TfmMain::~TfmMain() {
    endRun(EndMode::Ordinary);
    while (!m_windows.isEmpty())
        delete m_windows.takeLast().data();
    // A window made as a child but never adopted goes too, newest first.
    const QList<QWidget *> children = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (auto child = children.rbegin(); child != children.rend(); ++child) {
        const Qt::WindowType type = (*child)->windowType();
        if (type == Qt::Window || type == Qt::Dialog)
            delete *child;
    }
    m_behaviour.reset();
}

// The register's end comes first: nothing that happens while the settings are written (a message
// that they could not be, a signal, the X server going away) can hold it back.
void TfmMain::endRun(EndMode mode) {
    if (std::exchange(m_ended, true))
        return;
    const auto report =
        mode == EndMode::Quietly ? WindowBehaviour::Report::Quietly : WindowBehaviour::Report::Box;
    for (const QString &problem : m_session.end()) {
        if (report == WindowBehaviour::Report::Quietly)
            fprintf(stderr, "%s\n", qPrintable(problem));
        else
            MessageBox::error(nullptr, problem);
    }
    WindowBehaviour::writeEverySettings(report);
}

void TfmMain::offerRecovery() {
    const std::optional<Draft> draft = m_session.recoveryDraft();
    if (!draft || !m_windowHooks.restore)
        return;
    switch (MessageBox::choose(this, recoveryoffer::question(*draft),
                               {{QMessageBox::Yes, QStringLiteral("Восстановить")},
                                {QMessageBox::Discard, QStringLiteral("Удалить")},
                                {QMessageBox::Cancel, QStringLiteral("Позже")}})) {
    case QMessageBox::Yes:
        break;
    case QMessageBox::Discard:
        m_session.forgetRecovery();
        return;
    default:
        return; // asked again at the next start
    }
    m_session.forgetRecovery();
    runGuarded(this, [&] {
        Dataset &patients = data().ibdsMain;
        const QVariant id = draft->patient.id;
        bool found = false;
        if (!id.isNull()) {
            data().showPatients(patientlists::onePatientSql(id.toInt()));
            setStatusText(patientlists::kRestoredStatus);
            found = !patients.isEmpty();
        }
        // A patient no longer in the register comes back as a new card, with all it held.
        Draft restored = *draft;
        if (!found) {
            restored.patient.id.clear();
            restored.patient.changed = true;
            if (restored.visit)
                restored.visit->id.clear();
            patients.insert();
        }
        m_windowHooks.restore(restored);
    });
}

void TfmMain::createMenus() {
    Ui::TfmMain &ui = *m_ui;
    QMenuBar *bar = menuBar();
    for (QMenu *menu : bar->findChildren<QMenu *>(Qt::FindDirectChildrenOnly)) {
        // The commands of a menu show their hints in the caption as they are pointed at.
        connect(menu, &QMenu::hovered, this, &TfmMain::showMenuHint);
        menu->menuAction()->setObjectName(menu->objectName());
        menu->menuAction()->setStatusTip(menu->statusTip());
    }

    // Help sits at the right end of the menu bar, in a bar of its own in the bar's corner.
    m_helpBar = new QMenuBar(bar);
    m_helpBar->setObjectName(QStringLiteral("HelpMenuBar"));
    bar->removeAction(ui.mHelp->menuAction());
    ui.mHelp->setParent(m_helpBar, ui.mHelp->windowFlags());
    m_helpBar->addAction(ui.mHelp->menuAction());
    bar->setCornerWidget(m_helpBar, Qt::TopRightCorner);
    // The arrow keys walk round all four menus as if they stood in one bar.
    m_lastMenu = bar->actions().constLast()->menu();
    for (QMenu *menu : {ui.mCard, m_lastMenu, ui.mHelp})
        menu->installEventFilter(this);
    ui.mCard->setDefaultAction(ui.mmEdit);

    m_services = new ServiceCommands(this, m_session);
    m_services->showDailyBackupIn(ui.mmDailyBackup, ui.mServ);

    pmMain = new QMenu(this);
    pmMain->setObjectName(QStringLiteral("pmMain"));
    pmMain->addActions({ui.pmView, ui.pmEdit, ui.pmAdd});
    pmMain->setDefaultAction(viewMode() ? ui.pmView : ui.pmEdit);
    pmMain->addSeparator();
    pmMain->addActions({ui.pmMerge, ui.pmExport});
    createReportCommands(ui.mRep);

    connect(ui.mCard, &QMenu::aboutToShow, this, &TfmMain::mCardPopup);
    connect(pmMain, &QMenu::aboutToShow, this, &TfmMain::pmMainPopup);
    const std::pair<QAction *, void (TfmMain::*)()> commands[] = {
        {ui.mmAdd, &TfmMain::mmAddClick},           {ui.mmView, &TfmMain::mmViewClick},
        {ui.mmEdit, &TfmMain::mmEditClick},         {ui.mmDel, &TfmMain::mmDelClick},
        {ui.mmFilter, &TfmMain::mmFilterClick},     {ui.mmLastMonth, &TfmMain::mmLastMonthClick},
        {ui.mmLastYear, &TfmMain::mmLastYearClick}, {ui.mmExit, &TfmMain::mmExitClick},
        {ui.mmDocs, &TfmMain::mmDocsClick},         {ui.mmDiag, &TfmMain::mmDiagClick},
        {ui.mmVmesh, &TfmMain::mmVmeshClick},       {ui.mmTopic, &TfmMain::mmTopicClick},
        {ui.mmWeb, &TfmMain::mmWebClick},           {ui.mmMail, &TfmMain::mmMailClick},
        {ui.mmAbout, &TfmMain::mmAboutClick},       {ui.pmView, &TfmMain::mmViewClick},
        {ui.pmEdit, &TfmMain::mmEditClick},         {ui.pmAdd, &TfmMain::mmAddClick},
    };
    for (const auto &[action, handler] : commands)
        connect(action, &QAction::triggered, this, handler);
    connect(ui.pmMerge, &QAction::triggered, this, [this] {
        if (m_windowHooks.merge && !listIsEmpty())
            runCommand(m_windowHooks.merge);
    });
    connect(ui.mmServer, &QAction::triggered, this, [this] {
        TfmServer window(startupState(), settings(), this);
        window.exec();
    });
    connect(ui.mmBackup, &QAction::triggered, m_services, &ServiceCommands::mmBackupClick);
    connect(ui.mmRestore, &QAction::triggered, m_services, &ServiceCommands::mmRestoreClick);
    connect(ui.mmCheck, &QAction::triggered, m_services, &ServiceCommands::mmCheckClick);
}

void TfmMain::createControls() {
    Ui::TfmMain &ui = *m_ui;
    // The window's own font, 11 pixels high, fits the captions into the buttons' design widths.
    const QFont windowFont = fontgrowth::designFont(ui.client->font(), 11);
    ui.client->setFont(windowFont);

    // No history: the drop-down list stays empty.
    ui.cbbSearch->setCompleter(nullptr);
    // A search text longer than a full name can be finds nothing and cannot be a new name.
    ui.cbbSearch->lineEdit()->setMaxLength(50);
    ui.cbbSearch->lineEdit()->setValidator(new Win1251Validator(ui.cbbSearch));
    ui.cbbSearch->setEditText(patientlists::kSearchPrompt);
    connect(ui.cbbSearch->lineEdit(), &QLineEdit::textEdited, this, &TfmMain::cbbSearchChange);
    ui.cbbSearch->installEventFilter(this);
    connect(ui.sbtAdd, &QToolButton::clicked, this, &TfmMain::mmAddClick);
    connect(ui.sbtExit, &QToolButton::clicked, this, &TfmMain::mmExitClick);

    QTableView *list = ui.dbgMain;
    const QFont cellFont = fontgrowth::designFont(list->font(), 13);
    list->setFont(cellFont);
    m_model = new PatientListModel(&data().ibdsMain, list);
    new GridBinding(list, m_model);
    list->setItemDelegateForColumn(0, new NameWithAddressDelegate(&data().ibdsMain, list));
    QHeaderView *columns = list->horizontalHeader();
    columns->setFont(windowFont);
    columns->setSectionResizeMode(0, QHeaderView::Stretch);
    columns->setSectionResizeMode(1, QHeaderView::Fixed);
    // The title turns bold with the current row; it must fit then too.
    QFont boldTitle = windowFont;
    boldTitle.setBold(true);
    const int titleWidth = QFontMetrics(boldTitle).horizontalAdvance(QStringLiteral("Возраст")) +
                           2 * style()->pixelMetric(QStyle::PM_HeaderMargin) + 2;
    columns->resizeSection(1, std::max(fontgrowth::grown(50), titleWidth));
    QHeaderView *rows = list->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(QFontMetrics(cellFont).height() + 6);
    rows->setMinimumWidth(fontgrowth::grown(14));
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
    connect(list, &QWidget::customContextMenuRequested, this,
            [this, list](const QPoint &at) { pmMain->popup(list->viewport()->mapToGlobal(at)); });
    // The list has the focus at start, so that the search box keeps its prompt until used.
    list->setFocus();

    m_statusLabel = new QLabel(patientlists::kMonthStatus);
    statusBar()->addWidget(m_statusLabel, 1);

    ui.client->installEventFilter(this);
    layOutControls();
}

void TfmMain::layOutControls() {
    Ui::TfmMain &ui = *m_ui;
    // A caption is never cut: a button is as wide and as high as its text needs, at least its
    // design size; the search box grows with the font.
    const mainlayout::Places places =
        mainlayout::placesFor(ui.client->size(), ui.cbbSearch->sizeHint().height(),
                              std::max(mainlayout::kAddWidth, ui.sbtAdd->sizeHint().width()),
                              std::max(mainlayout::kExitWidth, ui.sbtExit->sizeHint().width()),
                              std::max({mainlayout::kButtonHeight, ui.sbtAdd->sizeHint().height(),
                                        ui.sbtExit->sizeHint().height()}),
                              fontgrowth::grown(mainlayout::kSearchWidth));
    ui.cbbSearch->setGeometry(places.search);
    ui.sbtAdd->setGeometry(places.add);
    ui.sbtExit->setGeometry(places.exit);
    ui.dbgMain->setGeometry(places.list);
    ui.sbtAdd->setVisible(places.addVisible);
    ui.sbtExit->setVisible(places.exitVisible);
}

QString TfmMain::statusText() const {
    return m_statusLabel->text();
}

void TfmMain::setStatusText(const QString &text) {
    m_statusLabel->setText(text);
}

void TfmMain::adoptWindow(QWidget *window) {
    m_windows << window;
}

void TfmMain::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (m_loadStarted)
        return;
    m_loadStarted = true;
    // The user sees the window, its caption and the wait cursor first; the database is opened
    // once the window has been painted on the screen (or after a second, should the windowing
    // system never say so, as for a window started minimised).
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    setWindowTitle(QStringLiteral("Загрузка баз..."));
    windowHandle()->installEventFilter(this);
    QTimer::singleShot(kLoadAtTheLatest, this, &TfmMain::load);
}

void TfmMain::load() {
    if (std::exchange(m_loadRan, true))
        return;
    windowHandle()->removeEventFilter(this);
    // What was painted reaches the screen before the wait.
    QGuiApplication::sync();
    try {
        m_session.open();
        // The day's backup runs behind the start, never holding it up.
        m_services->startDailyBackup();
    } catch (const DbError &error) {
        // The window stays, without a list; the user may still read help or leave.
        QGuiApplication::restoreOverrideCursor();
        setWindowTitle(caption());
        tellOpenFailure(this, startupState().databaseFile, data().ibMain.isOpen(), error);
        return;
    }
    setWindowTitle(caption());
    QGuiApplication::restoreOverrideCursor();
    QTimer::singleShot(0, this, &TfmMain::offerRecovery);
}

void TfmMain::reopened(bool startList) {
    if (!startList)
        return;
    setStatusText(patientlists::kMonthStatus);
    m_ui->cbbSearch->setEditText(patientlists::kSearchPrompt);
}

void TfmMain::showMenuHint(const QAction *action) {
    // Hints show once the register is loaded; the caption says "Загрузка баз..." before.
    if (m_loadRan && !action->statusTip().isEmpty())
        m_caption->show(action->statusTip(), kHintTicks);
}

bool TfmMain::event(QEvent *event) {
    // The status bar names the list: the hints of the controls and commands never take it.
    if (event->type() == QEvent::StatusTip)
        return true;
    return QMainWindow::event(event);
}

bool TfmMain::listIsEmpty() const {
    return data().ibdsMain.isEmpty();
}

bool TfmMain::FormKeyDown(QKeyEvent *event) {
    if (event->key() == Qt::Key_F5 && withoutModifiers(event)) {
        refreshList();
        return true;
    }
    if (isEnter(event) && withoutModifiers(event)) {
        runGuarded(this, [this] {
            if (listIsEmpty())
                mmAddClick();
            else
                mmEditClick();
        });
        return true;
    }
    return false;
}

// Left from the first menu and Right from the last one of the main bar open Help, which stands in
// a bar of its own at the right end; from Help the keys lead back.
bool TfmMain::walkMenus(QMenu *from, int key) {
    QMenu *to = nullptr;
    if (key == Qt::Key_Left)
        to = from == m_ui->mCard ? m_ui->mHelp : from == m_ui->mHelp ? m_lastMenu : nullptr;
    else if (key == Qt::Key_Right)
        to = from == m_lastMenu ? m_ui->mHelp : from == m_ui->mHelp ? m_ui->mCard : nullptr;
    if (!to)
        return false;
    from->close();
    QMenuBar *bar = to == m_ui->mHelp ? m_helpBar : menuBar();
    QTimer::singleShot(0, bar, [bar, to] { bar->setActiveAction(to->menuAction()); });
    return true;
}

bool TfmMain::eventFilter(QObject *watched, QEvent *event) {
    // The window is painted as the exposure is handled, after this filter: the load follows.
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed())
        QTimer::singleShot(0, this, &TfmMain::load);
    if (event->type() == QEvent::KeyPress &&
        (watched == m_ui->mCard || watched == m_lastMenu || watched == m_ui->mHelp)) {
        auto *menu = static_cast<QMenu *>(watched);
        return walkMenus(menu, static_cast<QKeyEvent *>(event)->key());
    }
    if (watched == m_ui->client && event->type() == QEvent::Resize) {
        layOutControls();
    } else if (watched == m_ui->cbbSearch) {
        if (event->type() == QEvent::FocusIn &&
            m_ui->cbbSearch->currentText() == patientlists::kSearchPrompt) {
            m_ui->cbbSearch->setEditText(QString());
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if ((key == Qt::Key_Up || key == Qt::Key_Down) && m_ui->dbgMain->isVisible() &&
                m_ui->dbgMain->isEnabled()) {
                m_ui->dbgMain->setFocus();
                return true;
            }
        }
    } else if (watched == m_ui->dbgMain && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
            patientlists::startsSearchFromList(key->text())) {
            startSearchFromList(key->text());
            return true;
        }
    } else if (watched == m_ui->dbgMain->viewport() &&
               event->type() == QEvent::MouseButtonDblClick) {
        runGuarded(this, [this] {
            if (viewMode())
                mmViewClick();
            else
                mmEditClick();
        });
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfmMain::setWindows(Windows windows) {
    m_windowHooks = std::move(windows);
    enableCommands();
}

void TfmMain::enableCommands() {
    const bool canEdit = bool(m_windowHooks.cardEdit);
    for (QAction *action : {m_ui->mmAdd, m_ui->mmEdit, m_ui->pmEdit, m_ui->pmAdd})
        action->setEnabled(canEdit);
    m_ui->sbtAdd->setEnabled(canEdit);
    for (QAction *action : {m_ui->mmView, m_ui->pmView})
        action->setEnabled(bool(m_windowHooks.cardView));
    m_ui->pmMerge->setEnabled(bool(m_windowHooks.merge));
    m_ui->mmFilter->setEnabled(bool(m_windowHooks.filter));
    for (QAction *action : {m_ui->mmDocs, m_ui->mmDiag, m_ui->mmVmesh})
        action->setEnabled(bool(m_windowHooks.book));
    for (QAction *action : std::as_const(m_reportItems))
        action->setEnabled(bool(m_windowHooks.report));
}

void TfmMain::mCardPopup() {
    bool hasRows = false;
    runGuarded(this, [&] { hasRows = !listIsEmpty(); });
    m_ui->mmAdd->setEnabled(bool(m_windowHooks.cardEdit));
    m_ui->mmView->setEnabled(hasRows && m_windowHooks.cardView);
    m_ui->mmEdit->setEnabled(hasRows && m_windowHooks.cardEdit);
    if (!hasRows)
        m_ui->mCard->setDefaultAction(m_ui->mmAdd);
    else
        m_ui->mCard->setDefaultAction(viewMode() ? m_ui->mmView : m_ui->mmEdit);
}

void TfmMain::pmMainPopup() {
    bool hasRows = false;
    runGuarded(this, [&] { hasRows = !listIsEmpty(); });
    m_ui->pmView->setEnabled(hasRows && m_windowHooks.cardView);
    m_ui->pmEdit->setEnabled(hasRows && m_windowHooks.cardEdit);
    m_ui->pmAdd->setEnabled(bool(m_windowHooks.cardEdit));
    m_ui->pmMerge->setEnabled(hasRows && m_windowHooks.merge);
    m_ui->pmExport->setEnabled(hasRows);
}

void TfmMain::cbbSearchChange() {
    QLineEdit *edit = m_ui->cbbSearch->lineEdit();
    QString text = edit->text();
    if (text.isEmpty())
        return;
    const QString capitalized = patientlists::withCapitalFirstLetter(text);
    if (capitalized != text) {
        const int caret = edit->cursorPosition();
        edit->setText(capitalized);
        edit->setCursorPosition(caret);
        text = capitalized;
    }
    if (text.size() < patientlists::kSearchFrom)
        return;
    runGuarded(this, [&] {
        data().showPatients(patientlists::surnameSearchSql(text));
        setStatusText(patientlists::searchStatusText(text));
    });
}

void TfmMain::startSearchFromList(const QString &letter) {
    m_ui->cbbSearch->setFocus();
    m_ui->cbbSearch->setEditText(letter);
    m_ui->cbbSearch->lineEdit()->end(false);
    cbbSearchChange();
}

void TfmMain::mmAddClick() {
    if (!m_windowHooks.cardEdit)
        return;
    Dataset &patients = data().ibdsMain;
    const bool started = runGuarded(this, [&] {
        patients.insert();
        const QString text = m_ui->cbbSearch->currentText();
        if (!text.isEmpty() && text != patientlists::kSearchPrompt) {
            try {
                patients.setValue(QStringLiteral("FIO"), text);
            } catch (const DbError &) {
                patients.cancel();
                throw;
            }
        }
    });
    if (started)
        runCommand(m_windowHooks.cardEdit);
}

void TfmMain::runCommand(const std::function<void()> &command) {
    runGuarded(this, command);
}

void TfmMain::mmEditClick() {
    if (!m_windowHooks.cardEdit)
        return;
    const bool ready = runGuarded(this, [this] {
        if (listIsEmpty())
            data().ibdsMain.insert();
    });
    if (ready)
        runCommand(m_windowHooks.cardEdit);
}

void TfmMain::mmViewClick() {
    runGuarded(this, [this] {
        if (viewMode() && listIsEmpty()) {
            m_caption->show(QStringLiteral("Нет пациентов в списке. Просмотр невозможен"),
                            kMessageTicks);
            return;
        }
        if (m_windowHooks.cardView)
            m_windowHooks.cardView();
    });
}

void TfmMain::mmDelClick() {
    runGuarded(this, [this] {
        // Nothing to delete: no question, as when the menu item is chosen on an empty list.
        if (listIsEmpty())
            return;
        if (MessageBox::ask(this, QStringLiteral("Удалить карточку пациента?"),
                            QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok) {
            return;
        }
        data().ibdsMain.remove();
        // The user confirmed it: the deletion is kept at once, not left for a later commit
        // that a crash or a cancelled visit would never make.
        data().ibTrans.commitRetaining();
    });
}

void TfmMain::mmFilterClick() {
    if (m_windowHooks.filter)
        runCommand(m_windowHooks.filter);
}

void TfmMain::showPeriodList(const QDate &since, const QString &status) {
    runGuarded(this, [&] {
        data().showPatients(patientlists::periodListSql(since));
        setStatusText(status);
    });
}

void TfmMain::mmLastMonthClick() {
    showPeriodList(dates::monthBack(dates::today()), patientlists::kMonthStatus);
}

void TfmMain::mmLastYearClick() {
    showPeriodList(dates::yearBack(dates::today()), patientlists::kYearStatus);
}

void TfmMain::mmExitClick() {
    close();
}

void TfmMain::mmDocsClick() {
    if (m_windowHooks.book)
        runCommand([this] { m_windowHooks.book(BookKind::Doctors); });
}

void TfmMain::mmDiagClick() {
    if (m_windowHooks.book)
        runCommand([this] { m_windowHooks.book(BookKind::Diagnoses); });
}

void TfmMain::mmVmeshClick() {
    if (m_windowHooks.book)
        runCommand([this] { m_windowHooks.book(BookKind::Interventions); });
}

// ---- reports ---------------------------------------------------------------------------------

void TfmMain::createReportCommands(QMenu *menu) {
    for (const reports::Kind kind : reports::kinds()) {
        const reports::Config &report = reports::config(kind);
        QAction *item =
            addMenuCommand(menu, qPrintable(report.menuName),
                           report.caption + QStringLiteral("..."), this, [this, kind] {
                               if (m_windowHooks.report)
                                   runCommand([this, kind] { m_windowHooks.report(kind); });
                           });
        item->setStatusTip(QStringLiteral("Составить отчёт «%1»").arg(report.caption));
        m_reportItems << item;
    }
    connect(m_ui->pmExport, &QAction::triggered, this, &TfmMain::pmExportClick);
}

void TfmMain::pmExportClick() {
    reports::exportPatientList(this, data().ibMain, data().ibdsMain.selectSql(), statusText());
}

void TfmMain::mmTopicClick() {
    showHelpTopic(HelpWindow::kGeneralTopic, this);
}

void TfmMain::mmWebClick() {
    OpenWithShell(program::kWebAddress, ShowMode::Maximized);
}

void TfmMain::mmMailClick() {
    // The address is written as a person would type it; the shell gets it percent-encoded.
    const QUrl letter(program::letterAddress(ProgramFileVersion()), QUrl::TolerantMode);
    OpenWithShell(letter.toString(QUrl::FullyEncoded), ShowMode::Maximized);
}

void TfmMain::mmAboutClick() {
    MessageBox::tell(this,
                     program::aboutText(startupState().databaseFolder, startupState().dataFolder));
}
