#pragma once
// The host side of the contract with the device: the application thread
// (one main loop iteration every 25 ms, then a repaint request) and the tick
// thread (the 10 ms tick at raised priority), their periodic timers, pause
// and stop, the frame conversion for the window's paint, key bits and user
// events.
//
// Threads: Attach, StartThreads, SetPaused, Step, Stop, ConvertFrame,
// ConvertSteppedFrame, TakeSteppedFrame, SetKey and RaiseEvent are called on the window's thread
// only. The device threads reach the window only through the WindowSignal
// given to Attach.
//
// Frames: after every iteration the application thread takes the frame
// (marks it shown) itself, so the device never waits for the window: a
// hidden, minimised or covered window that does not paint does not stop
// the main loop. Each paint converts the current output frame, the one the
// device handed over last, so the picture is current whenever it is shown.
// After a single step the paused window shows the frame that step composed.
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "host/CommandLine.h"
#include "host/display/FrameConversion.h"

namespace pcsim {

class SerialPort;
class WindowSignal;

class SimulationRunner {
  public:
    static constexpr uint32_t kTickPeriodMs = 10;  // device tick
    static constexpr uint32_t kFramePeriodMs = 25; // device main loop
    static constexpr int kWaitTimeoutMs = 100;     // threads look at quit this often
    static constexpr int kStopTimeoutMs = 1000;    // Stop waits no longer for the threads

    /* Creates both timers (throws std::system_error if it cannot); paused. */
    SimulationRunner();
    /* Stop. */
    ~SimulationRunner();
    SimulationRunner(const SimulationRunner&) = delete;
    SimulationRunner& operator=(const SimulationRunner&) = delete;

    /* Remember where to send repaint and close requests, reset the device
     * to its power-up state on the monotonic clock, apply the device-setup
     * options, create the missing storage roots and run its start-up. */
    void Attach(std::shared_ptr<WindowSignal> window, const CommandLineOptions& options = {});
    /* The serial port whose transmit pump the application thread runs after
     * every main loop iteration while the port is open. Before StartThreads. */
    void SetSerialPort(std::shared_ptr<SerialPort> port);
    /* Start the application thread; it starts the tick thread. */
    void StartThreads();
    /* Pause (true) or run (false); returns the state before the call.
     * Either way a gfx_present waiting for the window is released. */
    bool SetPaused(bool pause);
    bool IsPaused() const;
    /* While paused: the ticks due in the next 25 ms of device time, on the
     * tick thread, then one main loop iteration on the application thread,
     * after which the window is asked to repaint and TakeSteppedFrame lets
     * its paint show that frame. Successive steps alternate 2 and 3 ticks,
     * as the 10 ms and 25 ms periods do. False (nothing done) when running
     * or when the threads have not started. */
    bool Step();
    /* The paint's question while paused: true once after each stepped
     * iteration, when its frame is to be converted and shown. */
    bool TakeSteppedFrame();
    /* End both threads: quit, release a waiting present, wait at most
     * kStopTimeoutMs. Returns false when a thread did not end in time; it
     * is then left behind (see ThreadsLeftBehind). No effect unless
     * attached; a second call does nothing. */
    bool Stop();
    /* Convert the current output frame into frameBits (320 x 240, bottom-up)
     * and mark it shown. With upright, the same pass also writes the
     * picture top row first there, uprightStride pixels a row. */
    void ConvertFrame(uint32_t* frameBits, uint32_t* upright = nullptr, int uprightStride = 0);
    /* The same limited to area (upright required): the pixels outside it
     * keep what an earlier conversion wrote. */
    void ConvertFrame(uint32_t* frameBits, uint32_t* upright, int uprightStride,
                      const FrameArea& area);
    /* The same for the frame the latest iteration composed, without marking
     * anything: what a paused window shows after a Step. */
    void ConvertSteppedFrame(uint32_t* frameBits, uint32_t* upright = nullptr,
                             int uprightStride = 0);
    /* The smallest area holding every pixel in which the current output
     * frame differs from what the conversions wrote (all of it before the
     * first); empty when a repaint would show nothing new. A moving page
     * changes a small part of the screen from one frame to the next. */
    FrameArea ChangedSinceConversion();
    bool FrameChangedSinceConversion() { return !ChangedSinceConversion().Empty(); }
    /* Set (pressed) or clear bit k-1 of key_input, k = 1..5. */
    void SetKey(int k, bool pressed);
    /* Deliver user event n (0 or 1) to the device. */
    void RaiseEvent(int n);

    /* True when some Stop had to give up waiting for a device thread in
     * this process: the program must then end without running static
     * destructors under that thread's feet. */
    static bool ThreadsLeftBehind();

  private:
    struct Shared;

    static void ApplicationThread(std::shared_ptr<Shared> state);
    static void TickThread(std::shared_ptr<Shared> state);
    /* Application thread: if a Step is waiting, have the tick thread run
     * its ticks and return true once they ran (false when none or quit). */
    static bool RunStepTicks(Shared& s);
    /* ConvertFrame and ConvertSteppedFrame: area of the frame chosen by read. */
    using FrameReader = void (*)(void (*)(const uint16_t*, void*), void*);
    void Convert(FrameReader read, uint32_t* frameBits, uint32_t* upright, int uprightStride,
                 const FrameArea& area);

    // What the device threads use lives in Shared, owned jointly with them,
    // so that a thread left behind by Stop never touches freed memory.
    std::shared_ptr<Shared> shared;
    bool started = false;            // attached and not yet stopped
    bool paused = true;              // no timer armed
    std::vector<uint16_t> converted; // the screen pixels as the conversions left them
    std::thread applicationThread;   // joined (or left behind) by Stop
};

} // namespace pcsim
