#pragma once
// The 64-bit counter of an eventfd or a timerfd, through which the host's
// threads wake each other (and a signal handler wakes the window): a read
// takes the count and resets it, a write adds to it. A call interrupted by
// a signal is simply made again.
#include <cerrno>
#include <cstdint>
#include <unistd.h>

namespace pcsim {

/* The count, now reset; 0 when there was none to read (a non-blocking
 * descriptor) or the read failed. */
inline uint64_t ReadCounter(int fd) {
    uint64_t count = 0;
    ssize_t got;
    do {
        got = read(fd, &count, sizeof count);
    } while (got < 0 && errno == EINTR);
    return got == static_cast<ssize_t>(sizeof count) ? count : 0;
}

/* Add one, waking a reader. Async-signal-safe. */
inline void BumpCounter(int fd) {
    const uint64_t one = 1;
    while (write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

} // namespace pcsim
