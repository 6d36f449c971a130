#pragma once
// Common fixture: a freshly reset device on a virtual clock, and a driver
// that interleaves ticks and main loop iterations like the host does.
#include <gtest/gtest.h>

#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "device/runtime/sys.h"
#include "device/services/host_services.h"
#include "device/storage/fs.h"

class DeviceTest : public ::testing::Test {
  protected:
    static constexpr uint32_t kEpochMs = 0x10000;

    void SetUp() override {
        device_memory_reset();
        // No storage unless a test gives it one (StorageTest): the working
        // directory is shared by tests that run in parallel. Nothing can
        // be made below a device file, so every file operation fails.
        fs_set_base("/dev/null/no-storage");
        svc_clock_use_virtual(kEpochMs);
        now_ms_ = 0;
    }

    /* One main loop iteration followed by the host's paint, so that the
     * next gfx_present does not wait. */
    static void LoopStep() {
        sys_main_loop_step();
        mark_frame_shown();
    }

    /* Advance virtual time by ms in 5 ms steps: a tick on every 10 ms and an
     * iteration on every 25 ms boundary, tick first. */
    void Run(uint32_t ms) {
        for (uint32_t end = now_ms_ + ms; now_ms_ < end;) {
            now_ms_ += 5;
            svc_clock_advance_to(kEpochMs + now_ms_);
            if (now_ms_ % 10 == 0) sys_tick_isr();
            if (now_ms_ % 25 == 0) LoopStep();
        }
    }

    uint32_t now_ms_ = 0;
};
