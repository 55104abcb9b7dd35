#include "app/tfmmain.h"

#include "app/mainwindowlayout.h"
#include "app/openfailure.h"
#include "app/patientgrid.h"
#include "app/patientlists.h"
#include "app/recoveryoffer.h"
#include "app/servicecommands.h"
#include "data/dberror.h"
#include "data/recoveryfile.h"
#include "dbwidgets/win1251validator.h"
#include "reports/exportdialog.h"
#include "support/dates.h"
#include "support/fileversioninfo.h"
#include "support/programinfo.h"
#include "support/settingsfile.h"
#include "support/shell.h"
#include "widgets/captionmessage.h"
#include "widgets/guarded.h"
#include "widgets/helpwindow.h"
#include "widgets/keypreview.h"
#include "widgets/labelhints.h"
#include "widgets/messagebox.h"
#include "widgets/windowbehaviour.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSessionManager>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWindow>

#include <cstdio>

namespace {

// Window bounds at design: the settings file's defaults.
constexpr int kDesignLeft = 192;
constexpr int kDesignTop = 108;
constexpr int kDesignWidth = 534;
constexpr int kDesignHeight = 482;
constexpr int kHintTicks = 3;
constexpr int kMessageTicks = 10;
constexpr int kLoadAtTheLatest = 1000; // ms after the first show
// The mark that makes a menu hint show in the caption.
constexpr char16_t kCaptionHintMark = u'~';

QAction *addItem(QMenu *menu, const char *name, const QString &caption,
                 const QKeySequence &shortcut, const QString &hint) {
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    action->setShortcutVisibleInContextMenu(true);
    // A command's hint is shown in the caption: marked for the hint handler.
    if (!hint.isEmpty())
        action->setStatusTip(kCaptionHintMark + hint);
    return action;
}

QMenu *addMenu(QMenuBar *bar, const char *name, const QString &caption, const QString &hint) {
    QMenu *menu = bar->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    menu->menuAction()->setStatusTip(hint);
    return menu;
}

} // namespace

const QString TfmMain::kCaption = program::kProductName;

TfmMain::TfmMain(const StartupState &state, QWidget *parent)
    : QMainWindow(parent), m_state(state),
      m_settings(std::make_unique<SettingsFile>(state.settingsFile)) {
    setObjectName(QStringLiteral("fmMain"));
    setWindowTitle(kCaption);
    setMinimumSize(260, 200);
    move(kDesignLeft, kDesignTop);
    resize(kDesignWidth, kDesignHeight);

    createMenus();
    createControls();
    enableCommands();
    // The arrow keys walk round all four menus as if they stood in one bar.
    m_lastMenu = menuBar()->actions().constLast()->menu();
    for (QMenu *menu : {mCard, m_lastMenu, mHelp})
        menu->installEventFilter(this);
    if (m_state.viewMode) {
        pmMain->setDefaultAction(pmView);
    }

    m_caption = new CaptionMessage(this, [] { return kCaption; });
    new KeyPreview(this, [this](QKeyEvent *event) { return FormKeyDown(event); });

    // The desktop session ends: an open editor asks its own close question first, when the
    // session manager lets the program ask; otherwise the end sets its work aside.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &manager) {
        if (!manager.allowsInteraction())
            return;
        const bool closed = m_data.unconfirmed.askToClose();
        manager.release();
        if (!closed)
            manager.cancel();
    });

    WindowTraits traits;
    traits.section = objectName();
    traits.keys = WindowTraits::Keys::TopLeftWidthHeight;
    m_behaviour = std::make_unique<WindowBehaviour>(this, *m_settings, traits);
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
    m_settings.reset();
}

// The commit comes first: nothing that happens while the settings are written (a message that
// they could not be, a signal, the X server going away) can hold it back.
void TfmMain::endRun(EndMode mode) {
    if (std::exchange(m_ended, true))
        return;
    const auto report =
        mode == EndMode::Quietly ? WindowBehaviour::Report::Quietly : WindowBehaviour::Report::Box;
    setAsideUnconfirmedWork(mode);
    try {
        m_data.close();
    } catch (const DbError &error) {
        if (report == WindowBehaviour::Report::Quietly)
            fprintf(stderr, "%s\n", qPrintable(error.message()));
        else
            MessageBox::dbError(nullptr, error);
    }
    WindowBehaviour::writeEverySettings(report);
}

void TfmMain::setAsideUnconfirmedWork(EndMode mode) {
    const UnconfirmedWork::SetAside aside = m_data.unconfirmed.setAside();
    QString lost;
    if (aside.draft) {
        const QString failure = recoveryfile::write(recoveryfile::pathBeside(m_state.settingsFile),
                                                    registerName(), *aside.draft);
        if (!failure.isEmpty())
            lost = QStringLiteral("Несохранённую карточку не удалось записать для восстановления: "
                                  "%1")
                       .arg(failure);
    }
    QString refused;
    if (!aside.failure.isEmpty()) {
        // What the editors held may be in the register half-written: nothing of this run that is
        // not yet committed may reach it. Every confirmed change was committed when confirmed.
        refused = aside.failure;
        try {
            m_data.ibTrans.rollback();
        } catch (const DbError &error) {
            refused += u'\n' + error.message();
        }
    }
    for (const QString &problem : {lost, refused}) {
        if (problem.isEmpty())
            continue;
        if (mode == EndMode::Quietly)
            fprintf(stderr, "%s\n", qPrintable(problem));
        else
            MessageBox::error(nullptr, problem);
    }
}

QString TfmMain::registerName() const {
    const QFileInfo file(m_state.databaseFile);
    const QString canonical = file.canonicalFilePath();
    return canonical.isEmpty() ? file.absoluteFilePath() : canonical;
}

void TfmMain::offerRecovery() {
    const QString path = recoveryfile::pathBeside(m_state.settingsFile);
    const std::optional<Draft> draft = recoveryfile::read(path, registerName());
    if (!draft || !m_windowHooks.restore)
        return;
    switch (MessageBox::choose(this, recoveryoffer::question(*draft),
                               {{QMessageBox::Yes, QStringLiteral("Восстановить")},
                                {QMessageBox::Discard, QStringLiteral("Удалить")},
                                {QMessageBox::Cancel, QStringLiteral("Позже")}})) {
    case QMessageBox::Yes:
        break;
    case QMessageBox::Discard:
        recoveryfile::remove(path);
        return;
    default:
        return; // asked again at the next start
    }
    recoveryfile::remove(path);
    runGuarded(this, [&] {
        Dataset &patients = m_data.ibdsMain;
        const QVariant id = draft->patient.id;
        bool found = false;
        if (!id.isNull()) {
            m_data.showPatients(patientlists::onePatientSql(id.toInt()));
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
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));

    mCard = addMenu(bar, "mCard", QStringLiteral("&Пациент"),
                    QStringLiteral("Работа с карточками пациента"));
    mmAdd = addItem(mCard, "mmAdd", QStringLiteral("&Добавить..."), QKeySequence(Qt::Key_Insert),
                    QStringLiteral("Добавить нового пациента"));
    mmView = addItem(mCard, "mmView", QStringLiteral("П&росмотр..."), QKeySequence(Qt::Key_F3),
                     QStringLiteral("Открыть карточку пациента для просмотра"));
    mmEdit = addItem(mCard, "mmEdit", QStringLiteral("&Правка..."), QKeySequence(Qt::Key_F4),
                     QStringLiteral("Редактировать карточку пациента"));
    mmDel =
        addItem(mCard, "mmDel", QStringLiteral("&Удалить"), QKeySequence(Qt::CTRL | Qt::Key_Delete),
                QStringLiteral("Удалить карточку пациента"));
    mCard->addSeparator();
    mmFilter = addItem(mCard, "mmFilter", QStringLiteral("Фильтр..."), QKeySequence(Qt::Key_F7),
                       QStringLiteral("Фильтрация (поиск) по многим параметрам"));
    QAction *mmLastMonth = addItem(mCard, "mmLastMonth", QStringLiteral("За месяц"), {},
                                   QStringLiteral("Показать пациентов за последние 30 дней"));
    QAction *mmLastYear = addItem(mCard, "mmLastYear", QStringLiteral("За год"), {},
                                  QStringLiteral("Показать пациентов за последние 12 месяцев"));
    mCard->addSeparator();
    QAction *mmExit = addItem(mCard, "mmExit", QStringLiteral("В&ыход"),
                              QKeySequence(Qt::Key_Escape), QStringLiteral("Выйти из программы"));
    mCard->setDefaultAction(mmEdit);

    QMenu *mRep = addMenu(bar, "mRep", QStringLiteral("&Отчёты"), QString());

    QMenu *mSpr = addMenu(bar, "mSpr", QStringLiteral("Сп&равочники"), QString());
    mmDocs = addItem(mSpr, "mmDocs", QStringLiteral("Врачи..."), {},
                     QStringLiteral("Открыть справочник врачей"));
    mmDiag = addItem(mSpr, "mmDiag", QStringLiteral("Диагнозы..."), {},
                     QStringLiteral("Открыть справочник диагнозов"));
    mmVmesh = addItem(mSpr, "mmVmesh", QStringLiteral("Вмешательства..."), {},
                      QStringLiteral("Открыть справочник вмешательств"));

    QMenu *mServ = addMenu(bar, "mServ", QStringLiteral("&Сервис"), QString());
    QAction *mmBackup = addItem(mServ, "mmBackup", QStringLiteral("Резервная копия..."), {},
                                QStringLiteral("Сохранить резервную копию базы в файл"));
    QAction *mmRestore = addItem(mServ, "mmRestore", QStringLiteral("Восстановить из копии..."), {},
                                 QStringLiteral("Восстановить базу из резервной копии"));
    QAction *mmCheck = addItem(mServ, "mmCheck", QStringLiteral("Проверить базу"), {},
                               QStringLiteral("Проверить базу на повреждения"));
    m_services = new ServiceCommands(this, m_data, m_state,
                                     [this](bool startList) { reopenDatabase(startList); });

    // Help sits at the right end of the menu bar, in a bar of its own in the bar's corner.
    m_helpBar = new QMenuBar(bar);
    m_helpBar->setObjectName(QStringLiteral("HelpMenuBar"));
    mHelp = addMenu(m_helpBar, "mHelp", QStringLiteral("&Справка"), QString());
    bar->setCornerWidget(m_helpBar, Qt::TopRightCorner);

    QAction *mmTopic =
        addItem(mHelp, "mmTopic", QStringLiteral("Вызов справки"), QKeySequence(Qt::Key_F1),
                QStringLiteral("Показать справку к программе"));
    mHelp->addSeparator();
    QAction *mmWeb = addItem(mHelp, "mmWeb", QStringLiteral("Сайт в интернете"), {},
                             QStringLiteral("Открыть сайт программы в интернете"));
    QAction *mmMail = addItem(mHelp, "mmMail", QStringLiteral("Письмо автору"), {},
                              QStringLiteral("Написать письмо автору в вашей почтовой программе"));
    mHelp->addSeparator();
    QAction *mmAbout = addItem(mHelp, "mmAbout", QStringLiteral("О программе"), {},
                               QStringLiteral("Краткая информация о программе и авторе"));

    pmMain = new QMenu(this);
    pmMain->setObjectName(QStringLiteral("pmMain"));
    pmView = addItem(pmMain, "pmView", QStringLiteral("Просмотр"), QKeySequence(Qt::Key_F3), {});
    pmEdit = addItem(pmMain, "pmEdit", QStringLiteral("Правка"), QKeySequence(Qt::Key_F4), {});
    pmAdd =
        addItem(pmMain, "pmAdd", QStringLiteral("Добавить..."), QKeySequence(Qt::Key_Insert), {});
    pmMain->setDefaultAction(pmEdit);
    createReportCommands(mRep);

    connect(mCard, &QMenu::aboutToShow, this, &TfmMain::mCardPopup);
    connect(pmMain, &QMenu::aboutToShow, this, &TfmMain::pmMainPopup);
    connect(mmAdd, &QAction::triggered, this, &TfmMain::mmAddClick);
    connect(mmView, &QAction::triggered, this, &TfmMain::mmViewClick);
    connect(mmEdit, &QAction::triggered, this, &TfmMain::mmEditClick);
    connect(mmDel, &QAction::triggered, this, &TfmMain::mmDelClick);
    connect(mmFilter, &QAction::triggered, this, &TfmMain::mmFilterClick);
    connect(mmLastMonth, &QAction::triggered, this, &TfmMain::mmLastMonthClick);
    connect(mmLastYear, &QAction::triggered, this, &TfmMain::mmLastYearClick);
    connect(mmExit, &QAction::triggered, this, &TfmMain::mmExitClick);
    connect(mmDocs, &QAction::triggered, this, &TfmMain::mmDocsClick);
    connect(mmDiag, &QAction::triggered, this, &TfmMain::mmDiagClick);
    connect(mmVmesh, &QAction::triggered, this, &TfmMain::mmVmeshClick);
    connect(mmTopic, &QAction::triggered, this, &TfmMain::mmTopicClick);
    connect(mmWeb, &QAction::triggered, this, &TfmMain::mmWebClick);
    connect(mmMail, &QAction::triggered, this, &TfmMain::mmMailClick);
    connect(mmAbout, &QAction::triggered, this, &TfmMain::mmAboutClick);
    connect(mmBackup, &QAction::triggered, m_services, &ServiceCommands::mmBackupClick);
    connect(mmRestore, &QAction::triggered, m_services, &ServiceCommands::mmRestoreClick);
    connect(mmCheck, &QAction::triggered, m_services, &ServiceCommands::mmCheckClick);
    connect(pmView, &QAction::triggered, this, &TfmMain::mmViewClick);
    connect(pmEdit, &QAction::triggered, this, &TfmMain::mmEditClick);
    connect(pmAdd, &QAction::triggered, this, &TfmMain::mmAddClick);
}

void TfmMain::createControls() {
    m_client = new QWidget(this);
    setCentralWidget(m_client);
    // The window's own font, 11 pixels high, fits the captions into the buttons' design widths.
    QFont windowFont = m_client->font();
    windowFont.setPixelSize(11);
    m_client->setFont(windowFont);

    cbbSearch = new QComboBox(m_client);
    cbbSearch->setObjectName(QStringLiteral("cbbSearch"));
    cbbSearch->setEditable(true);
    // No history: the drop-down list stays empty.
    cbbSearch->setInsertPolicy(QComboBox::NoInsert);
    cbbSearch->setCompleter(nullptr);
    // A search text longer than a full name can be finds nothing and cannot be a new name.
    cbbSearch->lineEdit()->setMaxLength(50);
    cbbSearch->lineEdit()->setValidator(new Win1251Validator(cbbSearch));
    cbbSearch->setEditText(patientlists::kSearchPrompt);
    setHint(cbbSearch, QStringLiteral("Введите начало фамилии для поиска пациента по фамилии"));
    connect(cbbSearch->lineEdit(), &QLineEdit::textEdited, this, &TfmMain::cbbSearchChange);
    cbbSearch->installEventFilter(this);

    sbtAdd = new QToolButton(m_client);
    sbtAdd->setObjectName(QStringLiteral("sbtAdd"));
    sbtAdd->setText(QStringLiteral("Добавить пациента"));
    sbtAdd->setAutoRaise(true);
    sbtAdd->setFocusPolicy(Qt::NoFocus);
    connect(sbtAdd, &QToolButton::clicked, this, &TfmMain::mmAddClick);

    sbtExit = new QToolButton(m_client);
    sbtExit->setObjectName(QStringLiteral("sbtExit"));
    sbtExit->setText(QStringLiteral("Выход"));
    sbtExit->setAutoRaise(true);
    sbtExit->setFocusPolicy(Qt::NoFocus);
    connect(sbtExit, &QToolButton::clicked, this, &TfmMain::mmExitClick);

    dbgMain = new QTableView(m_client);
    dbgMain->setObjectName(QStringLiteral("dbgMain"));
    QFont cellFont = dbgMain->font();
    cellFont.setPixelSize(13);
    dbgMain->setFont(cellFont);
    dbgMain->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgMain->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgMain->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgMain->setTabKeyNavigation(false);
    dbgMain->setShowGrid(true);
    dbgMain->setWordWrap(false);
    dbgMain->setContextMenuPolicy(Qt::CustomContextMenu);
    m_model = new PatientListModel(&m_data.ibdsMain, dbgMain);
    new GridBinding(dbgMain, m_model);
    dbgMain->setItemDelegateForColumn(0, new NameWithAddressDelegate(&m_data.ibdsMain, dbgMain));
    QHeaderView *columns = dbgMain->horizontalHeader();
    columns->setFont(windowFont);
    columns->setSectionResizeMode(0, QHeaderView::Stretch);
    columns->setSectionResizeMode(1, QHeaderView::Fixed);
    // The title turns bold with the current row; it must fit then too.
    QFont boldTitle = windowFont;
    boldTitle.setBold(true);
    const int titleWidth = QFontMetrics(boldTitle).horizontalAdvance(QStringLiteral("Возраст")) +
                           2 * style()->pixelMetric(QStyle::PM_HeaderMargin) + 2;
    columns->resizeSection(1, std::max(50, titleWidth));
    QHeaderView *rows = dbgMain->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(QFontMetrics(cellFont).height() + 6);
    rows->setMinimumWidth(14);
    dbgMain->installEventFilter(this);
    dbgMain->viewport()->installEventFilter(this);
    connect(dbgMain, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { pmMain->popup(dbgMain->viewport()->mapToGlobal(at)); });
    // The list has the focus at start, so that the search box keeps its prompt until used.
    dbgMain->setFocus();
    setTabOrder(cbbSearch, dbgMain);

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    m_statusLabel = new QLabel(patientlists::kMonthStatus);
    statusBar()->addWidget(m_statusLabel, 1);

    m_client->installEventFilter(this);
    layOutControls();
}

void TfmMain::layOutControls() {
    // A caption is never cut: a button is as wide as its text needs, at least its design width.
    const mainlayout::Places places =
        mainlayout::placesFor(m_client->size(), cbbSearch->sizeHint().height(),
                              std::max(mainlayout::kAddWidth, sbtAdd->sizeHint().width()),
                              std::max(mainlayout::kExitWidth, sbtExit->sizeHint().width()));
    cbbSearch->setGeometry(places.search);
    sbtAdd->setGeometry(places.add);
    sbtExit->setGeometry(places.exit);
    dbgMain->setGeometry(places.list);
    sbtAdd->setVisible(places.addVisible);
    sbtExit->setVisible(places.exitVisible);
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
    const QDate since = dates::monthBack(dates::today());
    installHintHandler();
    try {
        m_data.open(m_state.databaseFile, patientlists::startListSql(since));
        m_loaded = true;
        // The day's backup runs behind the start, never holding it up.
        m_services->startDailyBackup(*m_settings);
    } catch (const DbError &error) {
        // The window stays, without a list; the user may still read help or leave.
        QGuiApplication::restoreOverrideCursor();
        setWindowTitle(kCaption);
        if (m_data.ibMain.isOpen())
            MessageBox::dbError(this, error);
        else // the file itself: which file, and why, in the user's words
            MessageBox::error(this, openfailure::message(m_state.databaseFile, error),
                              openfailure::detail(error));
        return;
    }
    setWindowTitle(kCaption);
    QGuiApplication::restoreOverrideCursor();
    QTimer::singleShot(0, this, &TfmMain::offerRecovery);
}

void TfmMain::reopenDatabase(bool startList) {
    const QString shownList = m_data.ibdsMain.selectSql();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        if (startList || shownList.isEmpty()) {
            m_data.open(m_state.databaseFile,
                        patientlists::startListSql(dates::monthBack(dates::today())));
            setStatusText(patientlists::kMonthStatus);
            cbbSearch->setEditText(patientlists::kSearchPrompt);
        } else {
            m_data.open(m_state.databaseFile, shownList);
        }
        m_loaded = true;
    } catch (const DbError &error) {
        m_loaded = false;
        QGuiApplication::restoreOverrideCursor();
        MessageBox::dbError(this, error);
        return;
    }
    QGuiApplication::restoreOverrideCursor();
}

bool TfmMain::listIsEmpty() const {
    return m_data.ibdsMain.isEmpty();
}

bool TfmMain::FormKeyDown(QKeyEvent *event) {
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

bool TfmMain::event(QEvent *event) {
    // Hints reach the main window as status tips. Marked ones are shown in the caption; none
    // is shown in the status bar, which names the list.
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent *>(event)->tip();
        if (m_hintHandlerInstalled && tip.startsWith(kCaptionHintMark))
            m_caption->show(tip.mid(1), kHintTicks);
        return true;
    }
    return QMainWindow::event(event);
}

// Left from the first menu and Right from the last one of the main bar open Help, which stands in
// a bar of its own at the right end; from Help the keys lead back.
bool TfmMain::walkMenus(QMenu *from, int key) {
    QMenu *to = nullptr;
    if (key == Qt::Key_Left)
        to = from == mCard ? mHelp : from == mHelp ? m_lastMenu : nullptr;
    else if (key == Qt::Key_Right)
        to = from == m_lastMenu ? mHelp : from == mHelp ? mCard : nullptr;
    if (!to)
        return false;
    from->close();
    QMenuBar *bar = to == mHelp ? m_helpBar : menuBar();
    QTimer::singleShot(0, bar, [bar, to] { bar->setActiveAction(to->menuAction()); });
    return true;
}

bool TfmMain::eventFilter(QObject *watched, QEvent *event) {
    // The window is painted as the exposure is handled, after this filter: the load follows.
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed())
        QTimer::singleShot(0, this, &TfmMain::load);
    if (event->type() == QEvent::KeyPress &&
        (watched == mCard || watched == m_lastMenu || watched == mHelp)) {
        auto *menu = static_cast<QMenu *>(watched);
        return walkMenus(menu, static_cast<QKeyEvent *>(event)->key());
    }
    if (watched == m_client && event->type() == QEvent::Resize) {
        layOutControls();
    } else if (watched == cbbSearch) {
        if (event->type() == QEvent::FocusIn &&
            cbbSearch->currentText() == patientlists::kSearchPrompt) {
            cbbSearch->setEditText(QString());
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if ((key == Qt::Key_Up || key == Qt::Key_Down) && dbgMain->isVisible() &&
                dbgMain->isEnabled()) {
                dbgMain->setFocus();
                return true;
            }
        }
    } else if (watched == dbgMain && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
            patientlists::startsSearchFromList(key->text())) {
            startSearchFromList(key->text());
            return true;
        }
    } else if (watched == dbgMain->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        runGuarded(this, [this] {
            if (m_state.viewMode)
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
    for (QAction *action : {mmAdd, mmEdit, pmEdit, pmAdd})
        action->setEnabled(canEdit);
    sbtAdd->setEnabled(canEdit);
    for (QAction *action : {mmView, pmView})
        action->setEnabled(bool(m_windowHooks.cardView));
    mmFilter->setEnabled(bool(m_windowHooks.filter));
    for (QAction *action : {mmDocs, mmDiag, mmVmesh})
        action->setEnabled(bool(m_windowHooks.book));
    for (QAction *action : std::as_const(m_reportItems))
        action->setEnabled(bool(m_windowHooks.report));
}

void TfmMain::mCardPopup() {
    bool hasRows = false;
    runGuarded(this, [&] { hasRows = !listIsEmpty(); });
    mmAdd->setEnabled(bool(m_windowHooks.cardEdit));
    mmView->setEnabled(hasRows && m_windowHooks.cardView);
    mmEdit->setEnabled(hasRows && m_windowHooks.cardEdit);
    if (!hasRows)
        mCard->setDefaultAction(mmAdd);
    else
        mCard->setDefaultAction(m_state.viewMode ? mmView : mmEdit);
}

void TfmMain::pmMainPopup() {
    bool hasRows = false;
    runGuarded(this, [&] { hasRows = !listIsEmpty(); });
    pmView->setEnabled(hasRows && m_windowHooks.cardView);
    pmEdit->setEnabled(hasRows && m_windowHooks.cardEdit);
    pmAdd->setEnabled(bool(m_windowHooks.cardEdit));
    pmExport->setEnabled(hasRows);
}

void TfmMain::cbbSearchChange() {
    QLineEdit *edit = cbbSearch->lineEdit();
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
        m_data.showPatients(patientlists::surnameSearchSql(text));
        setStatusText(patientlists::searchStatusText(text));
    });
}

void TfmMain::startSearchFromList(const QString &letter) {
    cbbSearch->setFocus();
    cbbSearch->setEditText(letter);
    cbbSearch->lineEdit()->end(false);
    cbbSearchChange();
}

void TfmMain::mmAddClick() {
    if (!m_windowHooks.cardEdit)
        return;
    Dataset &patients = m_data.ibdsMain;
    const bool started = runGuarded(this, [&] {
        patients.insert();
        const QString text = cbbSearch->currentText();
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
            m_data.ibdsMain.insert();
    });
    if (ready)
        runCommand(m_windowHooks.cardEdit);
}

void TfmMain::mmViewClick() {
    runGuarded(this, [this] {
        if (m_state.viewMode && listIsEmpty()) {
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
        m_data.ibdsMain.remove();
        // The user confirmed it: the deletion is kept at once, not left for a later commit
        // that a crash or a cancelled visit would never make.
        m_data.ibTrans.commitRetaining();
    });
}

void TfmMain::mmFilterClick() {
    if (m_windowHooks.filter)
        runCommand(m_windowHooks.filter);
}

void TfmMain::showPeriodList(const QDate &since, const QString &status) {
    runGuarded(this, [&] {
        m_data.showPatients(patientlists::periodListSql(since));
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
        runCommand([this] { m_windowHooks.book(Book::Doctors); });
}

void TfmMain::mmDiagClick() {
    if (m_windowHooks.book)
        runCommand([this] { m_windowHooks.book(Book::Diagnoses); });
}

void TfmMain::mmVmeshClick() {
    if (m_windowHooks.book)
        runCommand([this] { m_windowHooks.book(Book::Interventions); });
}

// ---- reports ---------------------------------------------------------------------------------

void TfmMain::createReportCommands(QMenu *menu) {
    for (const reports::Kind kind : reports::kinds()) {
        const reports::Config &report = reports::config(kind);
        QAction *item =
            addItem(menu, qPrintable(report.menuName), report.caption + QStringLiteral("..."), {},
                    QStringLiteral("Составить отчёт «%1»").arg(report.caption));
        connect(item, &QAction::triggered, this, [this, kind] {
            if (m_windowHooks.report)
                runCommand([this, kind] { m_windowHooks.report(kind); });
        });
        m_reportItems << item;
    }
    pmMain->addSeparator();
    pmExport = addItem(pmMain, "pmExport", QStringLiteral("Экспорт списка..."), {}, {});
    connect(pmExport, &QAction::triggered, this, &TfmMain::pmExportClick);
}

void TfmMain::pmExportClick() {
    reports::exportPatientList(this, m_data.ibMain, m_data.ibdsMain.selectSql(), statusText());
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
    MessageBox::tell(this, program::aboutText(m_state.databaseFolder, m_state.dataFolder));
}
