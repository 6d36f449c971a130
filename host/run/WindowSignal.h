#pragma once
// How the device threads ask the window's thread for something (repaint,
// close) without touching any window object: they set a request bit and
// bump an eventfd that the window's event loop watches. Nothing but this
// object and the device state crosses the thread border.
#include <atomic>
#include <cstdint>

namespace pcsim {

class WindowSignal {
  public:
    static constexpr uint32_t kRepaint = 1u; // a new frame may be ready
    static constexpr uint32_t kClose = 2u;   // the device asked to stop

    /* Throws std::system_error when no eventfd can be created. */
    WindowSignal();
    ~WindowSignal();
    WindowSignal(const WindowSignal&) = delete;
    WindowSignal& operator=(const WindowSignal&) = delete;

    /* Any thread: add requests and wake the window's thread. */
    void Raise(uint32_t requests);
    /* Window's thread: the requests raised since the last call (0 if none);
     * also drains the eventfd so that its watcher goes quiet. */
    uint32_t Take();
    /* The descriptor that becomes readable when requests are pending. */
    int Fd() const { return fd_; }

  private:
    int fd_ = -1;
    std::atomic<uint32_t> pending_{0};
};

} // namespace pcsim
