#pragma once
// A periodic timer that a thread waits on with a time-out, the desktop
// stand-in for an auto-reset waitable timer: one wait consumes every period
// that has elapsed since the last one, so missed periods are dropped rather
// than caught up. Built on timerfd (CLOCK_MONOTONIC).
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
     * period has elapsed (all of them are consumed), false on time-out. */
    bool Wait(int timeoutMs);

  private:
    int fd_ = -1;
};

} // namespace pcsim
