#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

#include <optional>

class QWidget;
class SettingsFile;

// What sets one window of the program apart in the behaviour every window shares.
struct WindowTraits {
    // The settings keys of the window's bounds, in the order they are read and written.
    enum class Keys { LeftTopWidthHeight, TopLeftWidthHeight, LeftTop };
    // Where the window appears at its first show in a run.
    enum class Placement {
        AsStored,     // at the stored place and size
        Centred,      // in the middle of the screen, at the stored size
        SystemDefault // where and as large as the windowing system puts it; stored values unused
    };
    enum class Minimize { WholeApplication, ThisWindow };

    QString section; // the settings section: the window's name, e.g. "fmMain"
    Keys keys = Keys::LeftTopWidthHeight;
    Placement placement = Placement::AsStored;
    bool edgeRule = true;
    Minimize minimize = Minimize::WholeApplication;
    int helpTopic = 0; // the topic F1 opens; 0 when the window gives F1 no topic of its own
    // What F5 does in a window that shows lists: reads them again; nothing when empty.
    std::function<void()> refresh;
};

// The behaviour every window of the program shares:
// - it takes its place and size from its section of the settings file when it is made, and
//   writes them back when it goes (outer bounds in screen pixels, in the order of its keys);
// - it appears at its first show as its traits say, and at every later show where it was when
//   it was hidden;
// - its design minimum size (the .ui's) is its outer size, frame and title bar included, and no
//   less than its layout needs; a desktop font larger than ordinary grows it and the design
//   size (fontgrowth::growWindow);
// - wherever it is put, by the program or by the user moving or sizing it, an edge that comes
//   within 20 pixels of the work area's edge snaps onto it (snapToWorkArea);
// - minimising it minimises every window of the program, and they come back together;
// - F1 opens its help topic, and F5 reads its lists again.
//
// Make it a member of the window, constructed with it: it writes the keys when it is destroyed,
// while the window is still whole (or earlier, by writeSettings()).
class WindowBehaviour : public QObject {
    Q_OBJECT
public:
    WindowBehaviour(QWidget *window, SettingsFile &settings, const WindowTraits &traits);
    ~WindowBehaviour() override;

    const WindowTraits &traits() const { return m_traits; }

    // How a key that cannot be written is reported: in a message box, or, when no box can be
    // shown (the program is being ended from outside), on the standard error output.
    enum class Report { Box, Quietly };
    // Writes the window's keys now (once: later calls and the destructor write nothing). A key
    // that cannot be written is reported and the keys after it are not tried.
    void writeSettings(Report report = Report::Box);
    // Writes the keys of every window that has not written them yet, newest window first, as
    // if they were all being destroyed now.
    static void writeEverySettings(Report report);
    // Opens the window's help topic; the handler of its Help button.
    void showHelp() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void readSettings();
    void centreAtFirstShow();
    void applyEdgeRule();
    QPoint allowedPosition(const QRect &outer) const;
    void placeFrameAt(const QPoint &point);
    void fitStoredSizeToFrame();
    void fitMinimumSizeToFrame();
    void windowStateChanged(Qt::WindowStates oldState);

    QPointer<QWidget> m_window;
    SettingsFile &m_settings;
    WindowTraits m_traits;
    QSize m_storedOuterSize;          // applied again once the window's frame is known
    QSize m_minimumOuterSize;         // the design minimum, the frame included
    std::optional<QPoint> m_hiddenAt; // the outer top left when the window was last hidden
    bool m_shown = false;
    bool m_centring = false; // shown for the first time, not yet centred with its frame known
    int m_centringTries = 0;
    bool m_placing = false;
    bool m_written = false;
};
