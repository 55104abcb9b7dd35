#include "widgets/helpwindow.h"

#include "support/programinfo.h"
#include "widgets/fontgrowth.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPointer>
#include <QShortcut>
#include <QSplitter>
#include <QTextBrowser>
#include <QUrl>

#include <algorithm>

namespace {

// The topics in the order of the contents, with their titles.
struct Topic {
    int number;
    const char16_t *title;
};
constexpr Topic kTopics[] = {
    {32767, u"О программе и первые шаги"},
    {40, u"Справочник врачей"},
    {42, u"Справочник диагнозов"},
    {44, u"Справочник вмешательств"},
    {50, u"Карточка пациента"},
    {55, u"Объединение карточек"},
    {70, u"Карточка приёма"},
    {60, u"Просмотр карточки"},
    {90, u"Фильтр"},
    {120, u"Печать амбулаторной карты"},
    {130, u"Отчёты"},
    {140, u"Работа на сервере практики"},
};

QUrl pageOf(int topic) {
    return QUrl(QStringLiteral("qrc:/help/%1.html").arg(topic));
}

QPointer<HelpWindow> &instance() {
    static QPointer<HelpWindow> window;
    return window;
}

} // namespace

bool HelpWindow::hasTopic(int topic) {
    return QFile::exists(QStringLiteral(":/help/%1.html").arg(topic));
}

HelpWindow::HelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window), m_contents(new QListWidget), m_page(new QTextBrowser) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Справка — ") + program::kProductName);
    // Closing the program's main window ends the program even while help is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(fontgrowth::grown(QSize(760, 540)));

    for (const Topic &topic : kTopics) {
        auto *item = new QListWidgetItem(QString::fromUtf16(topic.title), m_contents);
        item->setData(Qt::UserRole, topic.number);
    }
    m_contents->setMaximumWidth(fontgrowth::grown(230));
    m_contents->setAccessibleName(QStringLiteral("Разделы справки"));
    m_page->setAccessibleName(QStringLiteral("Текст справки"));
    m_page->setOpenLinks(true);
    m_page->setOpenExternalLinks(true);

    auto *splitter = new QSplitter;
    splitter->addWidget(m_contents);
    splitter->addWidget(m_page);
    splitter->setStretchFactor(1, 1);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);

    auto *close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);

    connect(m_contents, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { showTopic(item->data(Qt::UserRole).toInt()); });
    connect(m_page, &QTextBrowser::sourceChanged, this, [this](const QUrl &url) {
        m_topic = url.fileName().section(u'.', 0, 0).toInt();
        // The contents mark the page shown, and none when it has no line of its own.
        int shown = -1;
        for (int row = 0; row < m_contents->count(); ++row) {
            if (m_contents->item(row)->data(Qt::UserRole).toInt() == m_topic)
                shown = row;
        }
        m_contents->setCurrentRow(shown);
    });
}

void HelpWindow::showTopic(int topic) {
    m_page->setSource(pageOf(hasTopic(topic) ? topic : kGeneralTopic));
}

void addHelpKey(QWidget *window, int topic) {
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), window);
    help->setContext(Qt::WindowShortcut);
    QObject::connect(help, &QShortcut::activated, window,
                     [window, topic] { showHelpTopic(topic, window); });
}

void showHelpTopic(int topic, QWidget *asker) {
    // A modal dialog blocks every window but its own children: help belongs to the window that
    // asks, so that it can be read and scrolled while that window waits.
    QWidget *owner = QApplication::activeModalWidget();
    if (!owner && asker)
        owner = asker->window();
    QPointer<HelpWindow> &window = instance();
    if (!window) {
        window = new HelpWindow(owner);
        // First shown over the middle of the window that asks.
        if (owner) {
            QRect place = window->geometry();
            place.moveCenter(owner->frameGeometry().center());
            window->move(std::max(0, place.x()), std::max(0, place.y()));
        }
    } else if (window->parentWidget() != owner) {
        const QRect place = window->geometry();
        window->setParent(owner, Qt::Window);
        window->setGeometry(place);
    }
    window->showTopic(topic);
    window->show();
    window->raise();
    window->activateWindow();
}

HelpWindow *helpWindow() {
    return instance();
}
