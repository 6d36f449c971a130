#pragma once
// A periodic timer that a thread waits on with a time-out, the desktop
// stand-in for an auto-reset waitable timer: one wait consumes every period
// that has elapsed since the last one, so missed periods are dropped rather
// than caught up. Built on a blocking timerfd (CLOCK_MONOTONIC): a running
// device thread sleeps in one read per period, the cheapest wake-up the
// system has; a condition variable serves the timer while it is not armed.
#include <condition_variable>
#include <cstdint>
#include <mutex>

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
    /* Stop the timer and discard any expiry not yet consumed; a Wait in
     * progress ends at once with false. */
    void Disarm();
    /* Wait for the next expiry; true when at least one period has elapsed
     * (all of them are consumed), false on time-out or when Wake or Disarm
     * cut the wait short. Not armed, the wait lasts at most timeoutMs; armed
     * with a period longer than timeoutMs, it is a poll of that length;
     * armed with a shorter one, it ends with the next expiry. */
    bool Wait(int timeoutMs);
    /* Any thread: end the Wait in progress (or the next one at once), so
     * that its thread looks at its requests: at once while the timer is not
     * armed, at the next expiry while it is (a period away at most). Wakes
     * do not pile up: one Wait consumes them all. */
    void Wake();

  private:
    int fd_ = -1;
    std::mutex lock_;                // guards the members below
    std::condition_variable change_; // armed_ or woken_ changed
    bool armed_ = false;
    bool woken_ = false;
    uint32_t periodMs_ = 0;
};

} // namespace pcsim
