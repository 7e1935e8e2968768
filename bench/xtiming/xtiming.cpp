// Times windows coming up on an X display, to a fraction of a millisecond,
// for bench/run. It listens for MapNotify events instead of polling, so the
// figure it prints is the moment the X server made the window viewable. Its
// own queries stay off the measured time and out of the X server's way while
// the program and the window manager work: it asks only when a window is
// mapped, and only about windows that may be the one awaited.
//
//   xtiming launch <title> <timeout-s> <log> <program> [args...]
//       Starts the program, its output going to the file <log>, and waits
//       until a window of it titled <title> is viewable. Prints "<ms> <pid>
//       <window>": milliseconds from just before the exec, the program's
//       process id and the window; then stays, as the program's parent, until
//       it ends, and exits with its exit code. Ending xtiming ends the program.
//   xtiming press <window> <keysym> <title> <timeout-s>
//       Gives <window> the input focus, presses and releases <keysym> through
//       XTEST, and waits until another window of the same process titled
//       <title> is viewable. Prints the milliseconds from the key press.
//
// Exit codes: 1 timed out or the program ended early, 2 bad use; otherwise
// press gives 0 and launch the program's own.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsBetween(Clock::time_point start, Clock::time_point end)
{
    return std::chrono::duration<double, std::milli>(end - start).count();
}

int usage()
{
    std::fprintf(stderr, "usage: xtiming launch <title> <timeout-s> <log> <program> [args...]\n"
                         "       xtiming press <window> <keysym> <title> <timeout-s>\n");
    return 2;
}

class Connection {
public:
    Connection()
        : display_(XOpenDisplay(nullptr))
    {}
    ~Connection() { close(); }
    void close()
    {
        if (display_)
            XCloseDisplay(display_);
        display_ = nullptr;
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* get() const { return display_; }

private:
    Display* display_;
};

// A window property as bytes; nothing when the window has none (or is gone).
std::optional<std::string> property(Display* display, Window window, Atom name)
{
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, name, 0, 1024, False, AnyPropertyType, &type, &format, &items, &after,
                           &data)
            != Success
        || type == None) {
        if (data)
            XFree(data);
        return std::nullopt;
    }
    std::string bytes;
    if (data && format == 8)
        bytes.assign(reinterpret_cast<const char*>(data), items);
    else if (data && format == 32 && items > 0)
        bytes = std::to_string(*reinterpret_cast<const unsigned long*>(data));
    XFree(data);
    return bytes;
}

// Windows that come and go are expected: a property read or an attribute
// query of a window already destroyed must not end the helper.
int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

class Watcher {
public:
    Watcher(Display* display, std::string title)
        : display_(display)
        , title_(std::move(title))
        , netWmName_(XInternAtom(display, "_NET_WM_NAME", False))
        , netWmPid_(XInternAtom(display, "_NET_WM_PID", False))
    {
        XSetErrorHandler(ignoreErrors);
        // Every top-level window created from now on is reported to us.
        XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
        XSync(display_, False);
    }

    void ignore(Window window) { ignored_.insert(window); }
    void onlyProcess(pid_t pid) { pid_ = pid; }

    struct Sighting {
        Window window;
        Clock::time_point at;
    };

    // Waits for a viewable top-level window with the title; nothing on
    // timeout or when keepWaiting() turns false. The time is taken as the
    // MapNotify that made the window viewable is read, before the queries
    // that confirm it, so that their round trips are not counted.
    template <typename KeepWaiting>
    std::optional<Sighting> waitForWindow(Clock::time_point deadline, KeepWaiting keepWaiting)
    {
        while (Clock::now() < deadline && keepWaiting()) {
            while (XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                const Clock::time_point at = Clock::now();
                if (event.type == CreateNotify && event.xcreatewindow.parent == DefaultRootWindow(display_))
                    watch(event.xcreatewindow.window);
                else if (event.type == MapNotify) {
                    if (const std::optional<Window> found = viewableCandidate(event.xmap.window))
                        return Sighting{*found, at};
                }
            }
            waitForEvents(deadline);
        }
        return std::nullopt;
    }

    // The window and those already on the screen before we started listening.
    void watchExisting()
    {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) {
            for (unsigned int i = 0; i < count; ++i)
                watchTree(children[i]);
            XFree(children);
        }
    }

private:
    // Client windows sit one level down when the window manager reparents
    // them into its frames.
    void watchTree(Window window)
    {
        watch(window);
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display_, window, &root, &parent, &children, &count)) {
            for (unsigned int i = 0; i < count; ++i)
                watch(children[i]);
            XFree(children);
        }
    }

    void watch(Window window)
    {
        if (ignored_.count(window))
            return;
        // Its own MapNotify comes to us wherever the window manager puts it.
        XSelectInput(display_, window, StructureNotifyMask);
        watched_.try_emplace(window);
    }

    // A watched window is matched against the title and process once, at
    // its first mapping: toolkits name a window before they map it. Only
    // the matching windows are then asked whether they are viewable (a
    // client becomes viewable when its window manager frame is mapped), so
    // that a mapping costs a few round trips, not one per window on screen.
    std::optional<Window> viewableCandidate(Window mapped)
    {
        if (const auto it = watched_.find(mapped); it != watched_.end() && !it->second)
            it->second = matches(mapped);
        for (const auto& [window, match] : watched_) {
            XWindowAttributes attributes;
            if (match.value_or(false) && XGetWindowAttributes(display_, window, &attributes)
                && attributes.map_state == IsViewable)
                return window;
        }
        return std::nullopt;
    }

    bool matches(Window window)
    {
        std::optional<std::string> name = property(display_, window, netWmName_);
        if (!name)
            name = property(display_, window, XA_WM_NAME);
        if (!name || *name != title_)
            return false;
        return !pid_ || property(display_, window, netWmPid_) == std::to_string(pid_);
    }

    void waitForEvents(Clock::time_point deadline)
    {
        // Wake up at least every 20 ms to check the process and the deadline.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left < 0 ? 0 : (left < 20 ? left : 20)));
    }

    Display* display_;
    std::string title_;
    Atom netWmName_;
    Atom netWmPid_;
    pid_t pid_ = 0;
    // Whether each watched window has the title and process; empty until
    // its first mapping.
    std::map<Window, std::optional<bool>> watched_;
    std::set<Window> ignored_;
};

Clock::time_point deadlineIn(const char* seconds)
{
    return Clock::now() + std::chrono::seconds(std::atoi(seconds));
}

int launch(int argc, char** argv)
{
    if (argc < 6)
        return usage();
    const std::string title = argv[2];
    const Clock::time_point deadline = deadlineIn(argv[3]);
    // Opened here so that the program, which outlives us, never holds our
    // standard output open.
    const int log = open(argv[4], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (log < 0) {
        std::perror("xtiming: log");
        return 1;
    }
    Connection display;
    if (!display.get()) {
        std::fprintf(stderr, "xtiming: cannot open the display\n");
        return 1;
    }
    Watcher watcher(display.get(), title);

    const pid_t parent = getpid();
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0)
        return 1;
    if (pid == 0) {
        // The program ends with us, whoever ends us.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(1);
        ::close(ConnectionNumber(display.get()));
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        execv(argv[5], argv + 5);
        std::perror("xtiming: exec");
        _exit(127);
    }
    ::close(log);
    watcher.onlyProcess(pid);
    bool running = true;
    const auto window = watcher.waitForWindow(deadline, [&] {
        running = waitpid(pid, nullptr, WNOHANG) == 0;
        return running;
    });
    if (!window) {
        std::fprintf(stderr, "xtiming: no window \"%s\" %s\n", title.c_str(),
                     running ? "before the timeout" : "(the program ended)");
        if (running) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        return 1;
    }
    std::printf("%.3f %d %lu\n", millisecondsBetween(start, window->at), static_cast<int>(pid), window->window);
    std::fflush(stdout);
    // No more events: the wait for the program may be long.
    display.close();
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return 1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int press(int argc, char** argv)
{
    if (argc != 6)
        return usage();
    const Window window = std::strtoul(argv[2], nullptr, 0);
    const KeySym keysym = XStringToKeysym(argv[3]);
    const std::string title = argv[4];
    const Clock::time_point deadline = deadlineIn(argv[5]);
    if (keysym == NoSymbol)
        return usage();
    Connection display;
    if (!display.get()) {
        std::fprintf(stderr, "xtiming: cannot open the display\n");
        return 1;
    }
    Display* d = display.get();
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(d, &eventBase, &errorBase, &major, &minor)) {
        std::fprintf(stderr, "xtiming: the X server has no XTEST\n");
        return 1;
    }
    const KeyCode key = XKeysymToKeycode(d, keysym);

    Watcher watcher(d, title);
    watcher.ignore(window);
    const std::optional<std::string> pid = property(d, window, XInternAtom(d, "_NET_WM_PID", False));
    if (pid)
        watcher.onlyProcess(static_cast<pid_t>(std::atoi(pid->c_str())));
    watcher.watchExisting();

    XSetInputFocus(d, window, RevertToParent, CurrentTime);
    XSync(d, False);
    // The focus reaches the program as a FocusIn event; give it time to act
    // on it so that the key goes to its focused button.
    usleep(100 * 1000);

    const Clock::time_point start = Clock::now();
    XTestFakeKeyEvent(d, key, True, CurrentTime);
    XTestFakeKeyEvent(d, key, False, CurrentTime);
    XFlush(d);
    const auto shown = watcher.waitForWindow(deadline, [] { return true; });
    if (!shown) {
        std::fprintf(stderr, "xtiming: no window \"%s\" after the key press\n", title.c_str());
        return 1;
    }
    std::printf("%.3f %lu\n", millisecondsBetween(start, shown->at), shown->window);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    if (std::strcmp(argv[1], "launch") == 0)
        return launch(argc, argv);
    if (std::strcmp(argv[1], "press") == 0)
        return press(argc, argv);
    return usage();
}
