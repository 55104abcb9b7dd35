#include "widgets/windowbehaviour.h"

#include "support/settingsfile.h"
#include "widgets/edgerule.h"
#include "widgets/fontgrowth.h"
#include "widgets/helpwindow.h"
#include "widgets/messagebox.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include <algorithm>
#include <cstdio>

namespace {

enum class Key { Left, Top, Width, Height };

QList<Key> keysOf(WindowTraits::Keys keys) {
    switch (keys) {
    case WindowTraits::Keys::TopLeftWidthHeight:
        return {Key::Top, Key::Left, Key::Width, Key::Height};
    case WindowTraits::Keys::LeftTop:
        return {Key::Left, Key::Top};
    case WindowTraits::Keys::LeftTopWidthHeight:
        break;
    }
    return {Key::Left, Key::Top, Key::Width, Key::Height};
}

QString keyName(Key key) {
    switch (key) {
    case Key::Left:
        return QStringLiteral("Left");
    case Key::Top:
        return QStringLiteral("Top");
    case Key::Width:
        return QStringLiteral("Width");
    case Key::Height:
        return QStringLiteral("Height");
    }
    return QString();
}

// The window's outer bounds, frame and title bar included.
int outerValue(const QWidget *window, Key key) {
    const QRect outer = window->frameGeometry();
    switch (key) {
    case Key::Left:
        return outer.x();
    case Key::Top:
        return outer.y();
    case Key::Width:
        return outer.width();
    case Key::Height:
        return outer.height();
    }
    return 0;
}

// The frame's share of the outer size; nothing until the windowing system has framed the window.
QSize frameExtra(const QWidget *window) {
    return window->frameGeometry().size() - window->size();
}

void setOuterValue(QWidget *window, Key key, int value) {
    const QPoint at = window->frameGeometry().topLeft();
    const QSize extra = frameExtra(window);
    switch (key) {
    case Key::Left:
        window->move(value, at.y());
        break;
    case Key::Top:
        window->move(at.x(), value);
        break;
    case Key::Width:
        window->resize(value - extra.width(), window->height());
        break;
    case Key::Height:
        window->resize(window->width(), value - extra.height());
        break;
    }
}

QRect workArea() {
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// The windows minimised together with the whole program, to be brought back together.
QList<QPointer<QWidget>> &minimizedTogether() {
    static QList<QPointer<QWidget>> windows;
    return windows;
}
bool g_changingAll = false;

// Every window's behaviour, oldest first.
QList<WindowBehaviour *> &living() {
    static QList<WindowBehaviour *> behaviours;
    return behaviours;
}

void minimizeApplication(QWidget *origin) {
    g_changingAll = true;
    minimizedTogether().clear();
    minimizedTogether() << origin;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window == origin || !window->isVisible() || window->isMinimized())
            continue;
        minimizedTogether() << window;
        window->setWindowState(window->windowState() | Qt::WindowMinimized);
    }
    g_changingAll = false;
}

void restoreApplication() {
    g_changingAll = true;
    const QList<QPointer<QWidget>> windows = std::exchange(minimizedTogether(), {});
    for (const QPointer<QWidget> &window : windows) {
        if (window && window->isMinimized())
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    }
    g_changingAll = false;
}

// A stored size is fitted to the work area: a settings file that says 32767 would otherwise make
// a window of gigabytes that takes long to appear.
int fittedToWorkArea(Key key, int value) {
    const QRect area = workArea();
    if (area.isEmpty())
        return value;
    if (key == Key::Width)
        return std::min(value, area.width());
    if (key == Key::Height)
        return std::min(value, area.height());
    return value;
}

} // namespace

WindowBehaviour::WindowBehaviour(QWidget *window, SettingsFile &settings,
                                 const WindowTraits &traits)
    : m_window(window), m_settings(settings), m_traits(traits) {
    fontgrowth::growWindow(window);
    m_minimumOuterSize = window->minimumSize();
    living() << this;
    readSettings();
    window->installEventFilter(this);
    if (m_traits.helpTopic != 0) {
        auto *help = new QShortcut(QKeySequence(Qt::Key_F1), window);
        help->setContext(Qt::WindowShortcut);
        connect(help, &QShortcut::activated, this, &WindowBehaviour::showHelp);
    }
    if (m_traits.refresh) {
        auto *refresh = new QShortcut(QKeySequence(Qt::Key_F5), window);
        refresh->setContext(Qt::WindowShortcut);
        connect(refresh, &QShortcut::activated, this, [this] { m_traits.refresh(); });
    }
}

WindowBehaviour::~WindowBehaviour() {
    writeSettings();
    living().removeOne(this);
}

void WindowBehaviour::writeEverySettings(Report report) {
    const QList<WindowBehaviour *> behaviours = living();
    for (auto behaviour = behaviours.rbegin(); behaviour != behaviours.rend(); ++behaviour)
        (*behaviour)->writeSettings(report);
}

void WindowBehaviour::readSettings() {
    for (Key key : keysOf(m_traits.keys)) {
        const int value = fittedToWorkArea(
            key, m_settings.readInteger(m_traits.section, keyName(key), outerValue(m_window, key)));
        if (m_traits.placement != WindowTraits::Placement::SystemDefault)
            setOuterValue(m_window, key, value);
    }
    if (m_traits.placement != WindowTraits::Placement::SystemDefault &&
        m_traits.keys != WindowTraits::Keys::LeftTop) {
        m_storedOuterSize = m_window->frameGeometry().size();
    }
    applyEdgeRule();
}

void WindowBehaviour::writeSettings(Report report) {
    if (m_written || !m_window)
        return;
    m_written = true;
    for (Key key : keysOf(m_traits.keys)) {
        if (!m_settings.writeInteger(m_traits.section, keyName(key), outerValue(m_window, key))) {
            if (report == Report::Quietly) {
                fprintf(stderr, "%s\n", qPrintable(m_settings.writeErrorText()));
            } else {
                // The window may be half destroyed by now: the box belongs to no window.
                MessageBox::error(nullptr, m_settings.writeErrorText());
            }
            return;
        }
    }
}

void WindowBehaviour::showHelp() const {
    showHelpTopic(m_traits.helpTopic, m_window);
}

// In the middle of the whole screen, not of its work area; never above or left of its corner.
void WindowBehaviour::centreAtFirstShow() {
    if (!m_window || !m_window->isVisible())
        return;
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect whole = screen->geometry();
    const QSize size = m_window->frameGeometry().size();
    const QPoint centre(std::max(0, whole.x() + (whole.width() - size.width()) / 2),
                        std::max(0, whole.y() + (whole.height() - size.height()) / 2));
    const QPoint target = allowedPosition(QRect(centre, size));
    // With its frame known, the window is placed until the window manager has put it there, a
    // few times at the most: it may place a new window once more by its own rules.
    if (!frameExtra(m_window).isNull()) {
        if (m_window->frameGeometry().topLeft() == target || ++m_centringTries > 3) {
            m_centring = false;
            return;
        }
    }
    placeFrameAt(target);
}

QPoint WindowBehaviour::allowedPosition(const QRect &outer) const {
    const QRect area = workArea();
    if (!m_traits.edgeRule || area.isEmpty())
        return outer.topLeft();
    return snapToWorkArea(outer, area);
}

void WindowBehaviour::applyEdgeRule() {
    if (m_placing || (m_window->windowState() &
                      (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        return;
    }
    const QRect outer = m_window->frameGeometry();
    const QPoint allowed = allowedPosition(outer);
    if (allowed != outer.topLeft())
        placeFrameAt(allowed);
}

// Moves the window's outer edge, frame and title bar included, to the point. A window on the
// screen is moved by its frame even while the windowing system has not yet told its size.
void WindowBehaviour::placeFrameAt(const QPoint &point) {
    m_placing = true;
    QWindow *handle = m_window->windowHandle();
    if (m_window->testAttribute(Qt::WA_WState_Created) && handle)
        handle->setFramePosition(point);
    else
        m_window->move(point);
    m_placing = false;
}

// The stored size is the outer one; once the windowing system has put a frame round the window,
// the inside is made smaller by the frame so that the outer size is the stored one again.
void WindowBehaviour::fitStoredSizeToFrame() {
    if (!m_storedOuterSize.isValid())
        return;
    const QSize extra = frameExtra(m_window);
    if (extra.isNull())
        return;
    const QSize stored = std::exchange(m_storedOuterSize, QSize());
    m_placing = true;
    m_window->resize(stored - extra);
    m_placing = false;
}

// The design minimum is the outer size: once the frame is known, the inside may be made as
// much smaller as the frame takes. It is never less than the layout needs, which changes with
// the font and with texts the window shows (a count, a name).
void WindowBehaviour::fitMinimumSizeToFrame() {
    const QSize extra = frameExtra(m_window);
    const QSize inside =
        (m_minimumOuterSize - extra).expandedTo(fontgrowth::layoutMinimum(m_window));
    if (m_window->minimumSize() != inside)
        m_window->setMinimumSize(inside);
}

void WindowBehaviour::windowStateChanged(Qt::WindowStates oldState) {
    if (g_changingAll)
        return;
    const bool minimized = m_window->isMinimized();
    const bool wasMinimized = oldState & Qt::WindowMinimized;
    if (minimized && !wasMinimized &&
        m_traits.minimize == WindowTraits::Minimize::WholeApplication) {
        minimizeApplication(m_window);
    } else if (!minimized && wasMinimized && minimizedTogether().contains(m_window.data())) {
        restoreApplication();
    }
}

bool WindowBehaviour::eventFilter(QObject *watched, QEvent *event) {
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::Show:
        fitStoredSizeToFrame();
        fitMinimumSizeToFrame();
        if (const std::optional<QPoint> hiddenAt = std::exchange(m_hiddenAt, std::nullopt);
            hiddenAt && !m_window->testAttribute(Qt::WA_Moved)) {
            // Shown again, and never placed by the program: where the user left it, not where
            // a dialog would put itself (over its parent) at every show. A window's position is
            // that of its frame.
            m_placing = true;
            m_window->move(*hiddenAt);
            m_placing = false;
            applyEdgeRule();
        } else if (!std::exchange(m_shown, true) &&
                   m_traits.placement == WindowTraits::Placement::Centred) {
            // Before the window is on the screen, for a window manager places a new window where
            // it is asked to; and again once its frame is known, whenever the window manager
            // tells it.
            m_centring = true;
            centreAtFirstShow();
            QTimer::singleShot(0, this, &WindowBehaviour::centreAtFirstShow);
        } else {
            applyEdgeRule();
        }
        break;
    case QEvent::Move:
    case QEvent::Resize:
        if (m_window->isVisible()) {
            fitStoredSizeToFrame();
            fitMinimumSizeToFrame();
            if (m_centring && !m_placing && !frameExtra(m_window).isNull())
                centreAtFirstShow();
            else
                applyEdgeRule();
        }
        break;
    case QEvent::Hide:
        m_storedOuterSize = QSize();
        // A window only minimised keeps its place by itself.
        if (!event->spontaneous() && !m_window->isMinimized())
            m_hiddenAt = m_window->frameGeometry().topLeft();
        break;
    case QEvent::WindowStateChange:
        windowStateChanged(static_cast<QWindowStateChangeEvent *>(event)->oldState());
        break;
    default:
        break;
    }
    return false;
}
