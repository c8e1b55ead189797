// Measures a window program's start-up from outside, so the program needs no switch of its own:
//
//   startup_probe [--quiet-ms=N] [--keep] -- PROGRAM [ARGS...]
//       starts PROGRAM on $DISPLAY and prints "pid=P mapped_ms=M idle_ms=I": M when its first
//       top-level window was mapped, I when it last used the processor before a quiet spell of N ms
//       (150 unless told) after the map, both from just before the start. Then it ends PROGRAM,
//       unless --keep leaves it running for the caller.
//   startup_probe --idle=PID [--quiet-ms=N]
//       waits until PID has used no processor time for N ms and prints "idle_ms=I" from the call.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto timeLimit = std::chrono::seconds(30);

double millisecondsSince(Clock::time_point start, Clock::time_point then)
{
    return std::chrono::duration<double, std::milli>(then - start).count();
}

// Processor time of every thread of the process, in nanoseconds; -1 once it is gone.
long long processorTime(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* folder = opendir(tasks.c_str());
    if (!folder)
        return -1;
    long long total = 0;
    while (const dirent* entry = readdir(folder)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string path = tasks + '/' + entry->d_name + "/schedstat";
        if (std::FILE* file = std::fopen(path.c_str(), "r")) {
            long long running = 0;
            if (std::fscanf(file, "%lld", &running) == 1)
                total += running;
            std::fclose(file);
        }
    }
    closedir(folder);
    return total;
}

// When the process last used the processor before a quiet spell; nothing before `from` counts.
bool waitIdle(pid_t pid, Clock::time_point from, std::chrono::milliseconds quiet, Clock::time_point& lastBusy)
{
    long long last = processorTime(pid);
    lastBusy = from;
    const auto deadline = Clock::now() + timeLimit;
    while (Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const auto now = Clock::now();
        const long long used = processorTime(pid);
        if (used < 0)
            return false;
        if (used != last) {
            last = used;
            lastBusy = now;
        } else if (now - lastBusy >= quiet) {
            return true;
        }
    }
    return false;
}

bool ownedBy(Display* display, Window window, pid_t pid)
{
    const Atom wmPid = XInternAtom(display, "_NET_WM_PID", True);
    if (wmPid == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    bool owned = false;
    if (XGetWindowProperty(display, window, wmPid, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                           &data) == Success &&
        data) {
        owned =
            format == 32 && items == 1 && static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == pid;
        XFree(data);
    }
    return owned;
}

int usage()
{
    std::fprintf(stderr, "usage: startup_probe [--quiet-ms=N] [--keep] -- PROGRAM [ARGS...]\n"
                         "       startup_probe --idle=PID [--quiet-ms=N]\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    std::chrono::milliseconds quiet(150);
    bool keep = false;
    pid_t idlePid = 0;
    int programAt = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--quiet-ms=", 0) == 0)
            quiet = std::chrono::milliseconds(std::atoi(arg.c_str() + 11));
        else if (arg.rfind("--idle=", 0) == 0)
            idlePid = static_cast<pid_t>(std::atoi(arg.c_str() + 7));
        else if (arg == "--keep")
            keep = true;
        else if (arg == "--") {
            programAt = i + 1;
            break;
        } else
            return usage();
    }

    if (idlePid > 0) {
        const auto start = Clock::now();
        Clock::time_point lastBusy;
        if (!waitIdle(idlePid, start, quiet, lastBusy)) {
            std::fprintf(stderr, "startup_probe: process %d did not fall idle\n", idlePid);
            return 1;
        }
        std::printf("idle_ms=%.1f\n", millisecondsSince(start, lastBusy));
        return 0;
    }
    if (programAt == 0 || programAt >= argc)
        return usage();

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "startup_probe: cannot open the X display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        // The caller reads this probe's own line: a program left running must not hold that pipe.
        const int nothing = open("/dev/null", O_RDWR);
        dup2(nothing, STDIN_FILENO);
        dup2(nothing, STDOUT_FILENO);
        execvp(argv[programAt], argv + programAt);
        std::perror("startup_probe: exec");
        _exit(127);
    }
    if (pid < 0) {
        std::perror("startup_probe: fork");
        return 1;
    }

    auto end = [&](int status) {
        if (!keep || status != 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        XCloseDisplay(display);
        return status;
    };

    bool mapped = false;
    Clock::time_point mappedAt;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (!mapped) {
        if (Clock::now() - start > timeLimit || waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "startup_probe: %s showed no window\n", argv[programAt]);
            return end(1);
        }
        if (!XPending(display))
            poll(&connection, 1, 5);
        while (!mapped && XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && ownedBy(display, event.xmap.window, pid)) {
                mapped = true;
                mappedAt = Clock::now();
            }
        }
    }

    Clock::time_point lastBusy;
    if (!waitIdle(pid, mappedAt, quiet, lastBusy)) {
        std::fprintf(stderr, "startup_probe: %s did not fall idle\n", argv[programAt]);
        return end(1);
    }
    std::printf("pid=%d mapped_ms=%.1f idle_ms=%.1f\n", pid, millisecondsSince(start, mappedAt),
                millisecondsSince(start, lastBusy));
    std::fflush(stdout);
    return end(0);
}
