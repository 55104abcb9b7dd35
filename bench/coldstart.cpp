// Times a program's cold start the way the X server sees it, beside an empty Qt Widgets window:
// from the start of the process to its window mapped, first painted, and painted for the last
// time before it goes quiet (for Вентрель: its window, then its start list on the screen).
//     ventrel-coldstart [--runs N] [--quiet MS] <empty window program> <program> [arguments...]
// Runs on the X server of $DISPLAY, which should show nothing else: tools/bench.sh starts an Xvfb
// of its own for it. The two programs take turns, so that a busy machine slows both alike.

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A program that paints nothing in this time has failed to start.
constexpr milliseconds kLongestStart{60000};
// A program that has not ended this long after SIGTERM is killed.
constexpr milliseconds kLongestEnd{30000};

// When the program's window was mapped and painted, in milliseconds from the start of the process.
struct ColdStart {
    double mapped = 0;
    double firstPaint = 0;
    double lastPaint = 0;
};

double millisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Ends the program the ordinary way (Вентрель commits its run) and waits for it.
void endProgram(pid_t child) {
    kill(child, SIGTERM);
    const Clock::time_point giveUp = Clock::now() + kLongestEnd;
    while (waitpid(child, nullptr, WNOHANG) != child) {
        if (Clock::now() > giveUp) {
            std::fprintf(stderr, "the program did not end on SIGTERM: killed\n");
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
            return;
        }
        usleep(20000);
    }
}

// Watches the top-level windows of the X server: each new one gets a damage object as it is
// made, before it can paint, so every paint of it is reported. Events are timed as they are read.
class ScreenWatch {
public:
    ScreenWatch();
    ~ScreenWatch() { xcb_disconnect(m_connection); }
    ScreenWatch(const ScreenWatch &) = delete;
    ScreenWatch &operator=(const ScreenWatch &) = delete;

    bool ready() const { return m_ready; }
    // Starts the command and times its first window until no paint has come for `quiet`.
    std::optional<ColdStart> time(char **command, milliseconds quiet);

private:
    void dropPendingEvents();

    xcb_connection_t *m_connection;
    xcb_window_t m_root = XCB_NONE;
    uint8_t m_damageNotify = 0;
    bool m_ready = false;
};

ScreenWatch::ScreenWatch() {
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        std::fprintf(stderr, "cannot reach the X server of DISPLAY\n");
        return;
    }
    xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screen);
    m_root = screen.data->root;

    const xcb_query_extension_reply_t *damage =
        xcb_get_extension_data(m_connection, &xcb_damage_id);
    if (!damage || !damage->present) {
        std::fprintf(stderr, "the X server has no damage extension\n");
        return;
    }
    m_damageNotify = damage->first_event + XCB_DAMAGE_NOTIFY;
    // The server takes no damage request before the version is agreed.
    std::free(xcb_damage_query_version_reply(
        m_connection,
        xcb_damage_query_version(m_connection, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
        nullptr));

    const uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &events);
    xcb_flush(m_connection);
    m_ready = true;
}

std::optional<ColdStart> ScreenWatch::time(char **command, milliseconds quiet) {
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return std::nullopt;
    }
    if (child == 0) {
        execvp(command[0], command);
        std::perror(command[0]);
        _exit(127);
    }

    ColdStart times;
    xcb_window_t window = XCB_NONE; // the program's first window mapped: the one timed
    std::optional<Clock::time_point> lastPaint;
    bool ended = false;
    for (;;) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            const Clock::time_point now = Clock::now();
            const uint8_t type = event->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY) {
                const auto *made = reinterpret_cast<xcb_create_notify_event_t *>(event);
                if (made->parent == m_root && !made->override_redirect) {
                    xcb_damage_create(m_connection, xcb_generate_id(m_connection), made->window,
                                      XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
                    xcb_flush(m_connection);
                }
            } else if (type == XCB_MAP_NOTIFY) {
                const auto *mapped = reinterpret_cast<xcb_map_notify_event_t *>(event);
                if (window == XCB_NONE && !mapped->override_redirect) {
                    window = mapped->window;
                    times.mapped = millisecondsBetween(start, now);
                }
            } else if (type == m_damageNotify) {
                const auto *painted = reinterpret_cast<xcb_damage_notify_event_t *>(event);
                if (window != XCB_NONE && painted->drawable == window) {
                    if (!lastPaint)
                        times.firstPaint = millisecondsBetween(start, now);
                    times.lastPaint = millisecondsBetween(start, now);
                    lastPaint = now;
                }
            }
            std::free(event);
        }
        if (xcb_connection_has_error(m_connection)) {
            std::fprintf(stderr, "the connection to the X server broke\n");
            std::exit(1);
        }
        if (waitpid(child, nullptr, WNOHANG) == child) {
            std::fprintf(stderr, "%s ended before it went quiet\n", command[0]);
            ended = true;
            break;
        }
        const Clock::time_point now = Clock::now();
        const Clock::time_point until = lastPaint ? *lastPaint + quiet : start + kLongestStart;
        if (now >= until)
            break;
        // A short wait at most, so that a program that ends early is noticed.
        const auto wait = std::min(std::chrono::ceil<milliseconds>(until - now), milliseconds{100});
        pollfd x{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        poll(&x, 1, int(wait.count()));
    }
    if (!ended)
        endProgram(child);
    dropPendingEvents();
    if (ended)
        return std::nullopt;
    if (!lastPaint) {
        std::fprintf(stderr, "%s painted no window in %lld s\n", command[0],
                     static_cast<long long>(kLongestStart.count() / 1000));
        return std::nullopt;
    }
    return times;
}

// What the ended program's windows still report is dropped, so the next run starts clean.
void ScreenWatch::dropPendingEvents() {
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
        std::free(event);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string baseName(const char *path) {
    const char *slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

void printRun(const std::string &name, int run, const ColdStart &times) {
    std::printf("%-20s run %2d: mapped %7.1f ms, painted %7.1f ms, last paint %7.1f ms\n",
                name.c_str(), run, times.mapped, times.firstPaint, times.lastPaint);
    std::fflush(stdout);
}

int usage() {
    std::fprintf(stderr, "usage: ventrel-coldstart [--runs N] [--quiet MS] <empty window program> "
                         "<program> [arguments...]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv) {
    int runs = 7;
    // Longer than Вентрель's load on a busy machine, which paints nothing.
    milliseconds quiet{3000};
    int first = 1;
    for (; first + 1 < argc && std::strncmp(argv[first], "--", 2) == 0; first += 2) {
        const int value = std::atoi(argv[first + 1]);
        if (std::strcmp(argv[first], "--runs") == 0 && value > 0)
            runs = value;
        else if (std::strcmp(argv[first], "--quiet") == 0 && value > 0)
            quiet = milliseconds{value};
        else
            return usage();
    }
    if (argc - first < 2)
        return usage();
    char *referenceCommand[] = {argv[first], nullptr};
    char **programCommand = argv + first + 1; // ends with the null pointer that ends argv
    const std::string referenceName = baseName(referenceCommand[0]);
    const std::string programName = baseName(programCommand[0]);

    ScreenWatch screen;
    if (!screen.ready())
        return 1;
    // One run of each that is not counted: the file cache then holds both programs and the
    // register for every counted run.
    if (!screen.time(referenceCommand, quiet) || !screen.time(programCommand, quiet))
        return 1;

    std::vector<double> referencePainted, programMapped, programPainted, programLastPaint;
    std::vector<double> paintedRatios, lastPaintRatios;
    for (int run = 1; run <= runs; ++run) {
        const std::optional<ColdStart> reference = screen.time(referenceCommand, quiet);
        if (!reference)
            return 1;
        printRun(referenceName, run, *reference);
        const std::optional<ColdStart> program = screen.time(programCommand, quiet);
        if (!program)
            return 1;
        printRun(programName, run, *program);
        referencePainted.push_back(reference->firstPaint);
        programMapped.push_back(program->mapped);
        programPainted.push_back(program->firstPaint);
        programLastPaint.push_back(program->lastPaint);
        paintedRatios.push_back(program->firstPaint / reference->firstPaint);
        lastPaintRatios.push_back(program->lastPaint / reference->firstPaint);
    }

    std::printf("cold start, median of %d runs, in ms from the start of the process:\n", runs);
    std::printf("  %s: painted %.1f\n", referenceName.c_str(), median(referencePainted));
    std::printf("  %s: mapped %.1f, painted %.1f, last paint before %lld ms of quiet %.1f\n",
                programName.c_str(), median(programMapped), median(programPainted),
                static_cast<long long>(quiet.count()), median(programLastPaint));
    // Each run of the program is set against the reference run just before it.
    std::printf("  %s to %s painted, median of the runs' ratios: painted %.2fx, last paint "
                "%.2fx\n",
                programName.c_str(), referenceName.c_str(), median(paintedRatios),
                median(lastPaintRatios));
    return 0;
}
