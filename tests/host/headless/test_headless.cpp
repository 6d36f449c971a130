#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <vector>

#include "device/device_memory.h"
#include "host/headless/HeadlessRunner.h"
#include "host/storage_temp_dir.h"

namespace {

TEST(HeadlessRunner, InterleavesTicksAndIterationsOnVirtualTime) {
    pcsim_test::StorageTempDir base;
    pcsim::HeadlessRunner runner;
    runner.Run(base.Headless(1000));
    EXPECT_EQ(runner.Ticks(), 100u);
    EXPECT_EQ(runner.Iterations(), 40u);
    EXPECT_EQ(device_memory.sys.tick_count, 100u);
    runner.Run(base.Headless(24)); // shorter than one iteration
    EXPECT_EQ(runner.Iterations(), 0u);
    EXPECT_EQ(runner.Ticks(), 2u);
}

TEST(HeadlessRunner, RunsScheduledActionsAtTheirStepBeforeItsTick) {
    pcsim_test::StorageTempDir base;
    pcsim::HeadlessRunner runner;
    std::vector<std::pair<uint32_t, uint32_t>> seen; // (scheduled time, ticks so far)
    auto record = [&](uint32_t at) { return [&seen, &runner, at] { seen.emplace_back(at, runner.Ticks()); }; };
    runner.Schedule(20, record(20)); // step 20, before its tick: one tick so far
    runner.Schedule(12, record(12)); // not a step: runs at step 15
    runner.Schedule(0, record(0));   // after start-up, before the first step
    runner.Schedule(20, record(21)); // same time: after the first one scheduled
    runner.Schedule(500, record(500)); // beyond the run: dropped
    runner.Run(base.Headless(100));
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {{0, 0}, {12, 1}, {20, 1}, {21, 1}};
    EXPECT_EQ(seen, expected);
    seen.clear();
    runner.Run(base.Headless(1000));
    EXPECT_TRUE(seen.empty()) << "a dropped action must not carry over to the next run";
}

TEST(HeadlessRunner, ShowsTheComposedScreen) {
    pcsim_test::StorageTempDir base;
    pcsim::HeadlessRunner runner;
    // The second paint shows the first composition.
    runner.Run(base.Headless(50));
    EXPECT_EQ(runner.FrameBits()[0], 0xFFF8FCF8u); // cleared layers: white
}

struct Outcome {
    int status;
    std::string output;
};

/* Run the program with args; prefix goes before it (e.g. an env command).
 * It runs in a temporary directory of its own, where a run without --root
 * keeps the unit's storage. */
Outcome run_binary(const std::string& args, const std::string& prefix = "") {
    const pcsim_test::StorageTempDir cwd;
    const std::string command =
        "cd '" + cwd.Path() + "' && " + prefix + PCSIM_BINARY + " " + args + " 2>&1";
    Outcome o{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return o;
    char buf[512];
    while (fgets(buf, sizeof buf, pipe)) o.output += buf;
    const int raw = pclose(pipe);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return o;
}

std::vector<char> read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<char>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

TEST(HeadlessProgram, SameArgumentsGiveTheSameBytes) {
    const std::string a = testing::TempDir() + "/headless_a.bmp";
    const std::string b = testing::TempDir() + "/headless_b.bmp";
    Outcome first = run_binary("--headless --run-ms 2000 --screenshot " + a);
    Outcome second = run_binary("--headless --run-ms 2000 --screenshot " + b);
    ASSERT_EQ(first.status, 0) << first.output;
    ASSERT_EQ(second.status, 0) << second.output;
    EXPECT_NE(first.output.find(a), std::string::npos) << first.output;
    const std::vector<char> x = read_file(a), y = read_file(b);
    EXPECT_EQ(x.size(), 307254u);
    EXPECT_EQ(x, y);
    std::remove(a.c_str());
    std::remove(b.c_str());
}

TEST(HeadlessProgram, UsageAndExitCodes) {
    static const struct {
        const char* args;
        int status;
        const char* mentions;
    } cases[] = {
        {"--help", 0, "usage: pc-simulator"},
        {"CODEGEN", 0, ""},
        {"--headless", 2, "--headless needs --run-ms"},
        {"--headless --run-ms x1", 2, "'x1'"},
        {"--frobnicate", 2, "unknown option '--frobnicate'"},
        {"--headless --run-ms 10 --screenshot /no/such/dir/s.bmp", 1, "cannot create"},
        {"--headless --run-ms 10 --screenshot /no/such/dir/s.png", 1, "cannot write"},
        {"--headless --run-ms 10 --event 3@5", 2, "must be 1 or 2"},
        {"--headless --run-ms 10 --frame-every 50", 2, "--frame-every needs --frames"},
        {"--headless --run-ms 10 --frames /proc/no/frames", 1, "cannot create the directory"},
    };
    for (const auto& c : cases) {
        Outcome o = run_binary(c.args);
        EXPECT_EQ(o.status, c.status) << c.args << "\n" << o.output;
        EXPECT_NE(o.output.find(c.mentions), std::string::npos) << c.args << "\n" << o.output;
    }
    EXPECT_EQ(run_binary("CODEGEN").output, "");
}

TEST(WindowProgram, SaysSoWhenThereIsNoDisplay) {
    const Outcome o = run_binary("", "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ");
    EXPECT_EQ(o.status, 1) << o.output;
    EXPECT_NE(o.output.find("no display"), std::string::npos) << o.output;
    EXPECT_NE(o.output.find("--headless"), std::string::npos) << o.output;
}

} // namespace
