#pragma once
// SIGINT and SIGTERM as a request to end the program the way File > Exit
// does, instead of killing it on the spot: the handler only records the
// signal and bumps an eventfd (both async-signal-safe). The window watches
// the descriptor from its event loop; a headless run polls the flag between
// steps.
#include <atomic>

namespace pcsim {

class TerminationSignals {
  public:
    /* Installs the handlers (restarting interrupted system calls); at most
     * one instance at a time. Without an eventfd only the flag is set. A
     * second signal, while the first is still being acted on, takes the
     * signal's default action: the program ends at once. */
    TerminationSignals();
    /* Puts the previous handlers back. */
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    /* Readable once a signal has come; -1 when there is no descriptor. */
    int Fd() const;
    /* Set by the first SIGINT or SIGTERM. */
    const std::atomic<bool>& Caught() const;
    /* The number of the last signal caught, 0 before any. */
    int Signal() const;
    /* "SIGINT", "SIGTERM", or "" before any. */
    const char* SignalName() const;
};

} // namespace pcsim
