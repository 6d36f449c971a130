#pragma once
// Deterministic run of the device without a window.
//
// Virtual time starts at kVirtualEpochMs and advances in 5 ms steps up to
// the requested length. At each step t (ms since the start), in this order:
// the clock is set (moved forward to the step's time; a device sleep, which
// advances the virtual clock itself, may have run it further, and then it
// stays until the steps catch up, so it never goes back); the scripted
// keys down at t are written to the raw key bits (a key is down while
// atMs <= t < atMs + durationMs); if the step is a multiple of 10 ms, one
// tick (sys_tick_isr) runs; if it is a multiple of 25 ms, one main loop
// iteration runs and then its frame is handed over (marked shown) as the
// window's paint would; observers are then told of the iteration. A frame
// is converted (exactly as the window's paint converts it) only when
// someone asks for it: an observer that writes it, and the last shown
// screen at the end of the run. A device exit request, an observer's
// failure or the stop flag ends the run after the step it happens in. The
// same length therefore always produces the same screen.
//
// Observers hear of key changes right after the keys are set, before the
// step's scheduled actions.
//
// Scheduled actions (host-side inputs such as user events or a USB stick)
// run at the first step t >= their time, after the clock and the keys are
// set and before the tick; an action at 0 runs once the device has started,
// before the first step. Actions due at one step run in the order they were
// scheduled.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "host/CommandLine.h"
#include "host/headless/ScriptedPress.h"

namespace pcsim {

class HeadlessObserver;

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
    /* Tell observer (not owned) about every following Run. */
    void AddObserver(HeadlessObserver* observer) { observers_.push_back(observer); }
    /* End a run at the next step once *flag is true (a signal handler sets
     * it); nullptr for none. */
    void SetStopFlag(const std::atomic<bool>* flag) { stopFlag_ = flag; }

    /* During a run (from an observer): the screen shown after the latest
     * iteration, converted on the first call after it. */
    const uint32_t* ShownFrameBits();

    /* After a run: the last shown screen, 320 x 240, bottom-up, 0xAARRGGBB
     * (black when no iteration ran). */
    const uint32_t* FrameBits() const { return frameBits_.data(); }
    uint32_t Ticks() const { return ticks_; }
    uint32_t Iterations() const { return iterations_; }
    /* Virtual milliseconds the last run covered. */
    uint32_t RanMs() const { return ranMs_; }
    bool ExitRequested() const { return exitRequested_; }
    /* The last run ended because the stop flag was set. */
    bool Stopped() const { return stopped_; }
    /* The last run ended because an observer failed. */
    bool ObserverFailed() const { return observerFailed_; }

  private:
    /* Hand the iteration's frame over, as the window's paint does, without
     * converting it. */
    void Paint();
    /* Run and forget every scheduled action due at t. */
    void RunDueActions(uint32_t t);
    /* False when an observer ended the run. */
    bool ReportIteration(uint32_t t);

    std::multimap<uint32_t, std::function<void()>> actions_; // by due time, stable within one time
    std::vector<HeadlessObserver*> observers_;
    const std::atomic<bool>* stopFlag_ = nullptr;
    std::vector<uint32_t> frameBits_;
    bool frameConverted_ = false; // frameBits_ holds the frame of the latest iteration
    uint32_t ticks_ = 0;
    uint32_t iterations_ = 0;
    uint32_t ranMs_ = 0;
    bool exitRequested_ = false;
    bool stopped_ = false;
    bool observerFailed_ = false;
};

} // namespace pcsim
