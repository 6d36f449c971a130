#pragma once
// Deterministic run of the device without a window.
//
// Virtual time starts at kVirtualEpochMs and advances in 5 ms steps up to
// the requested length. At each step t (ms since the start), in this order:
// the clock is set (moved forward to the step's time; a device sleep, which
// advances the virtual clock itself, may have run it further, and then it
// stays until the steps catch up, so it never goes back); the scripted
// keys down at t are written to the raw key bits (a key is down while
// atMs <= t < atMs + durationMs); if the step is a multiple of 10 ms, one tick (sys_tick_isr) runs; if it is a
// multiple of 25 ms, one main loop iteration runs and then the current
// output frame is converted exactly as the window's paint converts it and
// marked shown. A device exit request ends the run after its iteration.
// The same length therefore always produces the same screen.
//
// Scheduled actions (host-side inputs such as user events or a USB stick)
// run at the first step t >= their time, after the clock and the keys are
// set and before the tick; an action at 0 runs once the device has started,
// before the first step. Actions due at one step run in the order they were
// scheduled.
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "host/CommandLine.h"
#include "host/ScriptedPress.h"

namespace pcsim {

class HeadlessRunner {
  public:
    static constexpr uint32_t kVirtualEpochMs = 0x10000; // non-zero: 0 means "not latched"

    HeadlessRunner();

    /* Reset the device, apply the device-setup options, create the missing
     * storage roots, start it and run options.runMs of virtual time with
     * the scripted inputs. */
    void Run(const CommandLineOptions& options);
    /* The same with nothing but a length and key presses. */
    void Run(uint32_t runMs, const std::vector<ScriptedPress>& presses = {});

    /* Run action at virtual time atMs of the next Run (see above). Run
     * consumes every scheduled action, whether or not its time came. */
    void Schedule(uint32_t atMs, std::function<void()> action);

    /* The last converted screen: 320 x 240, bottom-up, 0xAARRGGBB. */
    const uint32_t* FrameBits() const { return frameBits_.data(); }
    uint32_t Ticks() const { return ticks_; }
    uint32_t Iterations() const { return iterations_; }
    bool ExitRequested() const { return exitRequested_; }

  private:
    void Paint();
    /* Run and forget every scheduled action due at t. */
    void RunDueActions(uint32_t t);

    std::multimap<uint32_t, std::function<void()>> actions_; // by due time, stable within one time
    std::vector<uint32_t> frameBits_;
    uint32_t ticks_ = 0;
    uint32_t iterations_ = 0;
    bool exitRequested_ = false;
};

} // namespace pcsim
