// The CAN log while the device runs on its real threads: a dense trace
// replayed on CAN1 keeps the main loop writing lines while the USB stick
// goes in and out, so that the tick opens, flushes and hands over the files
// the main loop writes and closes. Under ThreadSanitizer this shows the
// hand-overs free of data races; in every build, that each recording got
// its lines and that its files were closed once it stopped.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <vector>

#include "device/can/replay_file.h"
#include "device/device_memory.h"
#include "host/CommandLine.h"
#include "host/run/SimulationRunner.h"
#include "host/storage/UsbStick.h"
#include "host/storage_temp_dir.h"

namespace {

namespace fs = std::filesystem;
using pcsim::SimulationRunner;
using pcsim::UsbStick;

/* Open descriptors of this process on files in dir. */
int OpenFilesIn(const fs::path& dir) {
    const fs::path target = fs::weakly_canonical(dir);
    int n = 0;
    for (const auto& e : fs::directory_iterator("/proc/self/fd")) {
        char link[PATH_MAX];
        const ssize_t len = readlink(e.path().c_str(), link, sizeof link - 1);
        if (len > 0 && fs::path(std::string(link, len)).parent_path() == target) ++n;
    }
    return n;
}

TEST(CanLogThreads, RecordingsWhileFramesFlow) {
    pcsim_test::StorageTempDir base;
    // A frame every millisecond, both kinds of identifier, looping every 0.5 s.
    ReplayFile trace;
    for (uint32_t i = 0; i < 500; ++i)
        trace.Record(uint64_t{i} * 1000, 0x100 + i, (i & 1) ? 0x01 : 0x00, 8,
                     static_cast<uint8_t>(i));
    const std::string tracePath = base / "trace.ctb";
    ASSERT_TRUE(trace.Write(tracePath));

    pcsim::CommandLineOptions options;
    options.root = base.Path();
    std::string error;
    ASSERT_TRUE(pcsim::ParseCanAdapter("replay:" + tracePath, &options.can[0], &error)) << error;
    options.can[0].given = true;
    SimulationRunner runner;
    runner.Attach(nullptr, options);
    runner.StartThreads();
    runner.SetPaused(false);

    std::vector<uint32_t> frame(320 * 240);
    // Paint as the window would, so that the main loop never waits long.
    auto waitUntil = [&](auto done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            runner.ConvertFrame(frame.data());
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    };
    UsbStick stick(base.Path(), [&] { runner.RaiseEvent(0); });
    const fs::path folder = base / "usb-sticks/disk_sda1";
    constexpr int kRounds = 6;
    for (int round = 1; round <= kRounds; ++round) {
        char name[64];
        std::snprintf(name, sizeof name, "QMX_v084_%06d_CAN1.log", round);
        const fs::path can1 = folder / name;
        ASSERT_TRUE(stick.Insert(&error)) << error;
        // Recording, and lines arriving (the header alone is 63 bytes).
        ASSERT_TRUE(waitUntil([&] {
            std::error_code ec;
            return fs::exists(can1) && fs::file_size(can1, ec) > 8000;
        })) << "round "
            << round << ": no lines recorded";
        ASSERT_TRUE(stick.Eject(&error)) << error;
        ASSERT_TRUE(waitUntil([&] { return OpenFilesIn(folder) == 0; }))
            << "round " << round << ": the files stay open after the stop";
        EXPECT_EQ(device_memory.can_log.logging_on, 0);
    }
    EXPECT_TRUE(runner.Stop());
    EXPECT_EQ(fs::file_size(folder / "QMX_v084_000006_CAN2.log"), 63u) << "CAN2 receives nothing";
}

} // namespace
