#include "host/PeriodicTimer.h"

#include <cerrno>
#include <poll.h>
#include <sys/timerfd.h>
#include <system_error>
#include <unistd.h>

namespace pcsim {

namespace {
void SetTimer(int fd, uint32_t periodMs) {
    itimerspec period{};
    period.it_interval.tv_sec = periodMs / 1000;
    period.it_interval.tv_nsec = static_cast<long>(periodMs % 1000) * 1000000L;
    period.it_value = period.it_interval; // zero disarms
    timerfd_settime(fd, 0, &period, nullptr);
}
} // namespace

PeriodicTimer::PeriodicTimer() : fd_(timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK)) {
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "timerfd_create");
}

PeriodicTimer::~PeriodicTimer() {
    close(fd_);
}

// timerfd_settime clears the count of unread expiries, which is what makes
// a pause take effect at once.
void PeriodicTimer::Arm(uint32_t periodMs) {
    SetTimer(fd_, periodMs);
}

void PeriodicTimer::Disarm() {
    SetTimer(fd_, 0);
}

bool PeriodicTimer::Wait(int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    int ready;
    do {
        ready = poll(&p, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) return false;
    uint64_t expiries = 0;
    // Non-blocking: a Disarm between poll and read leaves nothing to read.
    return read(fd_, &expiries, sizeof expiries) == static_cast<ssize_t>(sizeof expiries) &&
           expiries > 0;
}

} // namespace pcsim
