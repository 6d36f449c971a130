#include "host/run/PeriodicTimer.h"

#include "host/run/CounterFd.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/timerfd.h>
#include <system_error>
#include <unistd.h>

namespace pcsim {

namespace {
void SetTimer(int fd, long firstNs, uint32_t periodMs) {
    itimerspec t{};
    t.it_value.tv_sec = firstNs / 1000000000L;
    t.it_value.tv_nsec = firstNs % 1000000000L; // zero disarms
    t.it_interval.tv_sec = periodMs / 1000;
    t.it_interval.tv_nsec = static_cast<long>(periodMs % 1000) * 1000000L;
    timerfd_settime(fd, 0, &t, nullptr);
}
} // namespace

PeriodicTimer::PeriodicTimer() : fd_(timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC)) {
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "timerfd_create");
}

PeriodicTimer::~PeriodicTimer() {
    close(fd_);
}

// timerfd_settime clears the count of unread expiries, which is what makes
// a pause take effect at once.
void PeriodicTimer::Arm(uint32_t periodMs) {
    if (periodMs == 0) {
        Disarm();
        return;
    }
    std::lock_guard<std::mutex> hold(lock_);
    armed_ = true;
    periodMs_ = periodMs;
    SetTimer(fd_, static_cast<long>(periodMs) * 1000000L, periodMs);
    change_.notify_all();
}

void PeriodicTimer::Disarm() {
    std::lock_guard<std::mutex> hold(lock_);
    armed_ = false;
    // One expiry a nanosecond from now and none after it: a thread asleep in
    // its read wakes, finds the timer disarmed and returns. Left unread it
    // does no harm: nothing reads while disarmed, and Arm clears it.
    SetTimer(fd_, 1, 0);
    change_.notify_all();
}

bool PeriodicTimer::Wait(int timeoutMs) {
    std::unique_lock<std::mutex> hold(lock_);
    if (!armed_) {
        change_.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                         [this] { return woken_ || armed_; });
        woken_ = false;
        return false;
    }
    woken_ = false; // the read below ends with the next expiry anyway
    const bool pollFirst = periodMs_ > static_cast<uint32_t>(timeoutMs);
    hold.unlock();
    if (pollFirst) {
        pollfd p{fd_, POLLIN, 0};
        int ready;
        do {
            ready = poll(&p, 1, timeoutMs);
        } while (ready < 0 && errno == EINTR);
        if (ready <= 0) return false;
    }
    const uint64_t count = ReadCounter(fd_);
    hold.lock();
    return armed_ && count > 0; // not the nanosecond shot of a Disarm
}

void PeriodicTimer::Wake() {
    std::lock_guard<std::mutex> hold(lock_);
    woken_ = true;
    change_.notify_all();
}

} // namespace pcsim
