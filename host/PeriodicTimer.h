#pragma once
// A periodic timer that a thread waits on with a time-out, the desktop
// stand-in for an auto-reset waitable timer: one wait consumes every period
// that has elapsed since the last one, so missed periods are dropped rather
// than caught up. Built on timerfd (CLOCK_MONOTONIC), with an eventfd beside
// it so that another thread can cut a wait short.
#include <cstdint>

namespace pcsim {

class PeriodicTimer {
  public:
    /* Creates the timer, not armed. Throws std::system_error when the
     * system has no timer to give. */
    PeriodicTimer();
    ~PeriodicTimer();
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    /* First expiry one period from now, then every period. Any expiry not
     * yet consumed is discarded. Safe while another thread waits. */
    void Arm(uint32_t periodMs);
    /* Stop the timer and discard any expiry not yet consumed. */
    void Disarm();
    /* Wait at most timeoutMs for the next expiry; true when at least one
     * period has elapsed (all of them are consumed), false on time-out or
     * when Wake cut the wait short. */
    bool Wait(int timeoutMs);
    /* Any thread: end the Wait in progress now (or the next one at once),
     * so that its thread looks at its requests without waiting for the
     * time-out. Wakes do not pile up: one Wait consumes them all. */
    void Wake();

  private:
    int fd_ = -1;
    int wakeFd_ = -1;
};

} // namespace pcsim
