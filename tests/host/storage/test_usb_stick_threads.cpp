// The USB stick while the device runs on its real threads: insertions and
// ejections of two sticks with names of different lengths, raised from the
// host's thread, reach the main loop, whose stick name the tick reads. Under
// ThreadSanitizer this shows the hand-overs free of data races.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "device/device_memory.h"
#include "device/events/event.h"
#include "device/events/usbstick.h"
#include "host/CommandLine.h"
#include "host/run/SimulationRunner.h"
#include "host/storage/UsbStick.h"
#include "host/storage_temp_dir.h"

namespace {

using pcsim::SimulationRunner;
using pcsim::UsbStick;

TEST(UsbStickThreads, InsertAndEjectWhileTheTickAndTheMainLoopRun) {
    pcsim_test::StorageTempDir base;
    pcsim::CommandLineOptions options;
    options.root = base.Path();
    SimulationRunner runner;
    runner.Attach(nullptr, options);
    runner.StartThreads();
    runner.SetPaused(false);
    std::vector<uint32_t> frame(320 * 240);
    // Paint as the window would, so that the main loop never waits long.
    auto waitFor = [&](uint32_t state) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (usbstick_state() != state) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            runner.ConvertFrame(frame.data());
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    };
    UsbStick shortName(
        base.Path(), [&] { runner.RaiseEvent(0); }, "s");
    UsbStick longName(
        base.Path(), [&] { runner.RaiseEvent(0); }, std::string(200, 'L'));
    for (int round = 0; round < 12; ++round) {
        UsbStick& stick = (round & 1) ? longName : shortName;
        std::string error;
        ASSERT_TRUE(stick.Insert(&error)) << error;
        ASSERT_TRUE(waitFor(USB_STATE_PRESENT)) << "round " << round << ": the stick was not seen";
        char name[USB_STICK_NAME_SIZE];
        usbstick_name(name, sizeof name);
        EXPECT_EQ(name, stick.Name());
        ASSERT_TRUE(stick.Eject(&error)) << error;
        ASSERT_TRUE(waitFor(USB_STATE_NONE))
            << "round " << round << ": the stick was not seen to go";
    }
    EXPECT_TRUE(runner.Stop());
    EXPECT_GE(device_memory.events.replies, 12u);
}

} // namespace
