#include "host/PeriodicTimer.h"

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
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
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        const int error = errno;
        close(fd_);
        throw std::system_error(error, std::generic_category(), "eventfd");
    }
}

PeriodicTimer::~PeriodicTimer() {
    close(wakeFd_);
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
    pollfd p[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    int ready;
    do {
        ready = poll(p, 2, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) return false;
    uint64_t count = 0;
    if (p[1].revents & POLLIN) {
        // Non-blocking: draining an already drained counter just fails.
        [[maybe_unused]] const ssize_t drained = read(wakeFd_, &count, sizeof count);
    }
    if (!(p[0].revents & POLLIN)) return false;
    // Non-blocking: a Disarm between poll and read leaves nothing to read.
    return read(fd_, &count, sizeof count) == static_cast<ssize_t>(sizeof count) && count > 0;
}

void PeriodicTimer::Wake() {
    const uint64_t one = 1;
    ssize_t written;
    do {
        written = write(wakeFd_, &one, sizeof one);
    } while (written < 0 && errno == EINTR);
}

} // namespace pcsim
