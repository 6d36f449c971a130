#pragma once
// Deterministic run of the device without a window.
//
// Virtual time starts at kVirtualEpochMs and advances in 5 ms steps up to
// the requested length. At each step t (ms since the start), in this order:
// the clock is set; the scripted keys down at t are written to the raw key
// bits (a key is down while atMs <= t < atMs + durationMs); if
// the step is a multiple of 10 ms, one tick (sys_tick_isr) runs; if it is a
// multiple of 25 ms, one main loop iteration runs and then the current
// output frame is converted exactly as the window's paint converts it and
// marked shown. A device exit request ends the run after its iteration.
// The same length therefore always produces the same screen.
#include <cstdint>
#include <vector>

#include "host/CommandLine.h"
#include "host/ScriptedPress.h"

namespace pcsim {

class HeadlessRunner {
  public:
    static constexpr uint32_t kVirtualEpochMs = 0x10000; // non-zero: 0 means "not latched"

    HeadlessRunner();

    /* Reset the device, apply the device-setup options, start it and run
     * options.runMs of virtual time with the scripted inputs. */
    void Run(const CommandLineOptions& options);
    /* The same with nothing but a length and key presses. */
    void Run(uint32_t runMs, const std::vector<ScriptedPress>& presses = {});

    /* The last converted screen: 320 x 240, bottom-up, 0xAARRGGBB. */
    const uint32_t* FrameBits() const { return frameBits_.data(); }
    uint32_t Ticks() const { return ticks_; }
    uint32_t Iterations() const { return iterations_; }
    bool ExitRequested() const { return exitRequested_; }

  private:
    void Paint();

    std::vector<uint32_t> frameBits_;
    uint32_t ticks_ = 0;
    uint32_t iterations_ = 0;
    bool exitRequested_ = false;
};

} // namespace pcsim
