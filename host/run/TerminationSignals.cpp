#include "host/run/TerminationSignals.h"

#include "host/run/CounterFd.h"

#include <cerrno>
#include <csignal>
#include <sys/eventfd.h>
#include <unistd.h>

namespace pcsim {

namespace {
// The handler can reach nothing but these; lock-free atomics and write()
// are safe to use from it.
std::atomic<int> g_fd{-1};
std::atomic<bool> g_caught{false};
std::atomic<int> g_signal{0};
struct sigaction g_previousInt {};
struct sigaction g_previousTerm {};

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

void OnSignal(int signal) {
    const int savedErrno = errno;
    if (g_caught.exchange(true)) {
        // A second one while the program is still ending: take the signal's
        // own action, so that a close that hangs can still be cut short.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        sigaction(signal, &fallback, nullptr);
        raise(signal); // delivered as soon as this handler returns
        errno = savedErrno;
        return;
    }
    g_signal.store(signal);
    const int fd = g_fd.load();
    if (fd >= 0) BumpCounter(fd);
    errno = savedErrno;
}

void Drain(int fd) {
    if (fd >= 0) ReadCounter(fd);
}
} // namespace

TerminationSignals::TerminationSignals() {
    g_caught = false;
    g_signal = 0;
    // One descriptor for the life of the process, never closed: a handler
    // running on another thread may hold its number at any moment, and a
    // closed number could meanwhile name another file.
    if (g_fd.load() < 0) g_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    Drain(g_fd);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // file and timer calls on other threads carry on
    sigaction(SIGINT, &action, &g_previousInt);
    sigaction(SIGTERM, &action, &g_previousTerm);
}

TerminationSignals::~TerminationSignals() {
    sigaction(SIGINT, &g_previousInt, nullptr);
    sigaction(SIGTERM, &g_previousTerm, nullptr);
    Drain(g_fd); // the next instance starts without this one's signal
}

int TerminationSignals::Fd() const {
    return g_fd;
}

const std::atomic<bool>& TerminationSignals::Caught() const {
    return g_caught;
}

int TerminationSignals::Signal() const {
    return g_signal;
}

const char* TerminationSignals::SignalName() const {
    switch (g_signal.load()) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    default:
        return "";
    }
}

} // namespace pcsim
