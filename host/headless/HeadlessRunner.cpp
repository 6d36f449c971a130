#include "host/headless/HeadlessRunner.h"

#include <algorithm>

#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "device/runtime/keys.h"
#include "device/runtime/sys.h"
#include "device/services/host_services.h"
#include "host/display/FrameConversion.h"
#include "host/headless/HeadlessObserver.h"
#include "host/run/DeviceSetup.h"
#include "host/storage/StorageSetup.h"

namespace pcsim {

HeadlessRunner::HeadlessRunner() : frameBits_(kScreenWidth * kScreenHeight, 0xFF000000u) {}

void HeadlessRunner::Paint() {
    display_take_frame(nullptr, nullptr);
    frameConverted_ = false;
}

const uint32_t* HeadlessRunner::ShownFrameBits() {
    if (!frameConverted_) {
        // No gfx_present runs between a paint and this call, so the current
        // output frame is still the one that paint took.
        display_take_frame(
            [](const uint16_t* frame, void* context) {
                ConvertFramePixels(frame, static_cast<uint32_t*>(context));
            },
            frameBits_.data());
        frameConverted_ = true;
    }
    return frameBits_.data();
}

bool HeadlessRunner::ReportIteration(uint32_t t) {
    for (HeadlessObserver* o : observers_) {
        if (!o->OnIteration(t, *this)) return false;
    }
    return true;
}

void HeadlessRunner::Schedule(uint32_t atMs, std::function<void()> action) {
    actions_.emplace(atMs, std::move(action));
}

void HeadlessRunner::RunDueActions(uint32_t t) {
    while (!actions_.empty() && actions_.begin()->first <= t) {
        // Taken out first: an action may schedule another one.
        std::function<void()> action = std::move(actions_.begin()->second);
        actions_.erase(actions_.begin());
        action();
    }
}

void HeadlessRunner::Run(uint32_t runMs, const std::vector<ScriptedPress>& presses) {
    CommandLineOptions options;
    options.headless = true;
    options.runMs = runMs;
    options.runMsGiven = true;
    options.presses = presses;
    Run(options);
}

void HeadlessRunner::Run(const CommandLineOptions& options) {
    const uint32_t runMs = options.runMs;
    const std::vector<ScriptedPress>& presses = options.presses;
    constexpr uint32_t kStepMs = 5;
    constexpr uint32_t kTickMs = 10;
    constexpr uint32_t kIterationMs = 25;

    device_memory_reset();
    svc_clock_use_virtual(kVirtualEpochMs);
    std::fill(frameBits_.begin(), frameBits_.end(), 0xFF000000u);
    frameConverted_ = true; // black until the first paint
    ticks_ = iterations_ = ranMs_ = 0;
    exitRequested_ = stopped_ = observerFailed_ = false;

    ApplyDeviceOptions(options);
    CreateStorageRoots();
    sys_init();
    sys_app_thread_start();
    RunDueActions(0);
    ScriptedKeyTimeline keyTimeline(presses);
    uint8_t keysBefore = 0;
    for (uint32_t t = kStepMs; t <= runMs; t += kStepMs) {
        if (stopFlag_ && stopFlag_->load()) {
            stopped_ = true;
            break;
        }
        ranMs_ = t;
        // A device sleep may have run the clock ahead (see svc_sleep_ms).
        svc_clock_advance_to(kVirtualEpochMs + t);
        const uint8_t keys = keyTimeline.BitsAt(t);
        for (int k = 1; k <= 5; ++k) key_input_set(k, (keys >> (k - 1)) & 1);
        if (keys != keysBefore) {
            for (HeadlessObserver* o : observers_) o->OnKeys(t, keysBefore, keys);
            keysBefore = keys;
        }
        RunDueActions(t);
        if (t % kTickMs == 0) {
            sys_tick_isr();
            ++ticks_;
        }
        if (t % kIterationMs == 0) {
            sys_main_loop_step();
            ++iterations_;
            Paint();
            if (!ReportIteration(t)) {
                observerFailed_ = true;
                break;
            }
            if (sys_exit_requested()) {
                exitRequested_ = true;
                break;
            }
        }
    }
    ShownFrameBits(); // the last shown screen, for FrameBits()
    actions_.clear();
}

} // namespace pcsim
