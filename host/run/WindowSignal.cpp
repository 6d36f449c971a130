#include "host/run/WindowSignal.h"

#include <cerrno>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

#include "host/run/CounterFd.h"

namespace pcsim {

WindowSignal::WindowSignal() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

WindowSignal::~WindowSignal() {
    close(fd_);
}

void WindowSignal::Raise(uint32_t requests) {
    // Wake the reader only for requests it has not seen yet: a window that
    // is slow to paint gets one wake-up, not one per device iteration.
    if ((pending_.fetch_or(requests, std::memory_order_acq_rel) & requests) == requests) return;
    BumpCounter(fd_);
}

uint32_t WindowSignal::Take() {
    ReadCounter(fd_);
    return pending_.exchange(0, std::memory_order_acq_rel);
}

} // namespace pcsim
