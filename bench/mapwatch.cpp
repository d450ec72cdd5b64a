// Starts a program and times it to its N-th mapped top-level window, as the X server
// reports the maps, then reads its resident memory and CPU time.
//
//   mapwatch [--count N] [--timeout S] [--settle S] [--list] -- PROGRAM [ARGS...]
//
// Runs on $DISPLAY, which should be a private X server with no window manager: the
// program's windows are then children of the root window and every map reaches us as
// a MapNotify on the root. Only windows whose _NET_WM_PID is the program's own count;
// override-redirect windows (tool tips, menus) never do.
//
// Prints one line:  mapped_ms=... cpu_ms=... rss_kb=... settled_rss_kb=... settled_cpu_ms=...
// where mapped_ms runs from just before the program's exec to the N-th map, cpu_ms is
// the program's CPU time at that moment (schedstat), and the settled figures are read
// --settle seconds later (default 2), once the first paints and timers have run.
// Then the program gets SIGTERM (SIGKILL after 20 s). Exit status 1 on a time-out.

#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

long rssKb(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (in >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            in >> kb;
            return kb;
        }
        std::getline(in, key);
    }
    return -1;
}

double cpuMs(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
    unsigned long long ns = 0;
    in >> ns;
    return double(ns) / 1e6;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(r);
    return a;
}

long windowPid(xcb_connection_t *c, xcb_window_t w, xcb_atom_t netWmPid)
{
    xcb_get_property_reply_t *r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, netWmPid, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    long pid = -1;
    if (r && xcb_get_property_value_length(r) == 4)
        pid = long(*static_cast<uint32_t *>(xcb_get_property_value(r)));
    free(r);
    return pid;
}

std::string windowName(xcb_connection_t *c, xcb_window_t w)
{
    xcb_get_property_reply_t *r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 64), nullptr);
    std::string name;
    if (r)
        name.assign(static_cast<const char *>(xcb_get_property_value(r)), size_t(xcb_get_property_value_length(r)));
    free(r);
    return name;
}

void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        usleep(100 * 1000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

} // namespace

int main(int argc, char **argv)
{
    int count = 1;
    double timeoutS = 120;
    double settleS = 2;
    bool list = false;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--count" && i + 1 < argc)
            count = std::atoi(argv[++i]);
        else if (a == "--timeout" && i + 1 < argc)
            timeoutS = std::atof(argv[++i]);
        else if (a == "--settle" && i + 1 < argc)
            settleS = std::atof(argv[++i]);
        else if (a == "--list")
            list = true;
        else if (a == "--") {
            ++i;
            break;
        } else {
            std::fprintf(stderr, "usage: mapwatch [--count N] [--timeout S] [--settle S] [--list] -- PROGRAM [ARGS...]\n");
            return 2;
        }
    }
    if (i >= argc) {
        std::fprintf(stderr, "mapwatch: no program given\n");
        return 2;
    }

    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "mapwatch: cannot open the display\n");
        return 2;
    }
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t netWmPid = atom(c, "_NET_WM_PID");
    xcb_flush(c);

    const Clock::time_point t0 = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[i], argv + i);
        std::perror("mapwatch: exec");
        _exit(127);
    }

    std::set<xcb_window_t> mapped;
    double mappedMs = -1;
    double mappedCpu = 0;
    long mappedRss = 0;
    pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (mappedMs < 0) {
        if (msSince(t0) > timeoutS * 1000) {
            std::fprintf(stderr, "mapwatch: %zu of %d windows mapped after %.0f s\n", mapped.size(), count, timeoutS);
            stop(pid);
            return 1;
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "mapwatch: the program ended with %zu of %d windows mapped\n", mapped.size(), count);
            return 1;
        }
        poll(&pfd, 1, 100);
        while (xcb_generic_event_t *ev = xcb_poll_for_event(c)) {
            if ((ev->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                auto *m = reinterpret_cast<xcb_map_notify_event_t *>(ev);
                if (!m->override_redirect && windowPid(c, m->window, netWmPid) == pid
                    && mapped.insert(m->window).second) {
                    if (list)
                        std::fprintf(stderr, "%8.1f ms  map %u  %s\n", msSince(t0), m->window,
                                     windowName(c, m->window).c_str());
                    if (int(mapped.size()) == count) {
                        mappedMs = msSince(t0);
                        mappedCpu = cpuMs(pid);
                        mappedRss = rssKb(pid);
                    }
                }
            }
            free(ev);
        }
    }

    usleep(useconds_t(settleS * 1e6));
    const long settledRss = rssKb(pid);
    const double settledCpu = cpuMs(pid);
    std::printf("mapped_ms=%.1f cpu_ms=%.1f rss_kb=%ld settled_rss_kb=%ld settled_cpu_ms=%.1f\n", mappedMs,
                mappedCpu, mappedRss, settledRss, settledCpu);
    std::fflush(stdout);
    stop(pid);
    xcb_disconnect(c);
    return 0;
}
