#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <sys/wait.h>

#include "device/can/can_adapter.h"
#include "device/can/can_queue.h"
#include "device/can/can_replay.h"
#include "device/device_memory.h"
#include "device/services/host_services.h"
#include "host/CommandLine.h"
#include "host/can/CanSetup.h"
#include "host/headless/HeadlessRunner.h"
#include "host/run/DeviceSetup.h"
#include "host/storage_temp_dir.h"

namespace {

const std::string kFakeLibDir = std::string(PCSIM_FAKE_LIB_ROOT) + "/lib";

/* A small valid trace and a file that is not one, in the test's temp dir. */
struct TraceFiles {
    std::string good = testing::TempDir() + "/can_options_good.ctb";
    std::string bad = testing::TempDir() + "/can_options_bad.ctb";
    TraceFiles() {
        const uint8_t header[8] = {'C', 'T', 'B', 0, 2, 0, 0, 0};
        FILE* f = std::fopen(good.c_str(), "wb");
        std::fwrite(header, 1, sizeof header, f);
        std::fclose(f);
        f = std::fopen(bad.c_str(), "wb");
        std::fputs("timestamp,id,data\n", f);
        std::fclose(f);
    }
};

bool Parse(std::vector<std::string> args, pcsim::CommandLineOptions* options, std::string* error) {
    std::vector<const char*> argv{"pc-simulator"};
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    return pcsim::ParseCommandLine(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(CanOptions, ValuesChooseAdapterAndSelector) {
    const TraceFiles files;
    struct Case {
        std::string choice;
        int32_t adapter;
        bool hasSelector;
        std::string selector;
    };
    const Case cases[] = {
        {"kvaser", CAN_ADAPTER_KVASER, false, ""},
        {"kvaser:3", CAN_ADAPTER_KVASER, true, "3"},
        {"cando", CAN_ADAPTER_CANDO, false, ""},
        {"cando:AB12cd", CAN_ADAPTER_CANDO, true, "AB12cd"},
        {"replay:" + files.good, CAN_ADAPTER_REPLAY, true, files.good},
        {"socketcan:vcan0", CAN_ADAPTER_SOCKETCAN, true, "vcan0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice);
        pcsim::CommandLineOptions o;
        std::string error;
        ASSERT_TRUE(Parse({"--can1", c.choice}, &o, &error)) << error;
        EXPECT_FALSE(o.can[0].given);
        EXPECT_TRUE(o.can[1].given);
        EXPECT_EQ(o.can[1].adapter, c.adapter);
        EXPECT_EQ(o.can[1].hasSelector, c.hasSelector);
        EXPECT_EQ(o.can[1].selector, c.selector);
    }
}

TEST(CanOptions, BadValuesSayWhatIsWrong) {
    const TraceFiles files;
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {{"--can0", "peak"},
         "--can0: unknown adapter 'peak'; give kvaser[:CHANNEL], cando[:SERIAL], "
         "replay:FILE or socketcan:INTERFACE"},
        {{"--can0", ""},
         "--can0: unknown adapter ''; give kvaser[:CHANNEL], cando[:SERIAL], "
         "replay:FILE or socketcan:INTERFACE"},
        {{"--can1", "kvaser:x1"}, "--can1: a Kvaser channel is a number from 0 to 255, not 'x1'"},
        {{"--can1", "kvaser:256"}, "--can1: a Kvaser channel is a number from 0 to 255, not '256'"},
        {{"--can0", "cando:"},
         "--can0: nothing after ':' in 'cando:'; give kvaser[:CHANNEL], cando[:SERIAL], "
         "replay:FILE or socketcan:INTERFACE"},
        {{"--can0", "replay"}, "--can0: replay needs a trace file: replay:FILE"},
        {{"--can0", "replay:/nonexistent.ctb"},
         "--can0: cannot read the trace file '/nonexistent.ctb'"},
        {{"--can0", "replay:" + files.bad},
         "--can0: '" + files.bad + "' is not a CTB trace of version 2"},
        {{"--can0", "socketcan:averyverylongname0"},
         "--can0: socketcan needs an interface name of 1 to 15 characters: socketcan:INTERFACE"},
        {{"--can-lib-dir", "/nonexistent"}, "--can-lib-dir: '/nonexistent' is not a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        pcsim::CommandLineOptions o;
        std::string error;
        EXPECT_FALSE(Parse(c.args, &o, &error));
        EXPECT_EQ(error, c.error);
    }
}

/* What reaches the device: the chosen adapters at the queue
 * initialisation (Kvaser where nothing was chosen) and the library
 * directory, from the option or else the environment. */
TEST(CanOptions, ApplyReachesTheQueueInitialisation) {
    pcsim::CommandLineOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--can1", "cando:SER9", "--can-lib-dir", kFakeLibDir}, &o, &error)) << error;
    device_memory_reset();
    pcsim::ApplyDeviceOptions(o);
    can_queues_init();
    EXPECT_EQ(device_memory.can.adapter.type[0], CAN_ADAPTER_KVASER);
    EXPECT_EQ(device_memory.can.adapter.selector[0], nullptr);
    EXPECT_EQ(device_memory.can.adapter.type[1], CAN_ADAPTER_CANDO);
    EXPECT_STREQ(device_memory.can.adapter.selector[1], "SER9");
    EXPECT_EQ(std::string(device_memory.can.library.dir), kFakeLibDir);

    setenv(pcsim::kCanLibDirVariable, "/tmp", 1);
    device_memory_reset();
    pcsim::ApplyDeviceOptions(pcsim::CommandLineOptions{});
    EXPECT_STREQ(device_memory.can.library.dir, "/tmp");
    setenv(pcsim::kCanLibDirVariable, "/nonexistent", 1);
    device_memory_reset();
    pcsim::ApplyDeviceOptions(pcsim::CommandLineOptions{});
    EXPECT_STREQ(device_memory.can.library.dir, "") << "a wrong variable is reported and not used";
    unsetenv(pcsim::kCanLibDirVariable);
    device_memory_reset();
}

/* A headless run whose ports sleep in their open sequence and wait for the
 * clock when they send (CANdo): the virtual clock runs ahead by the sleeps,
 * never backwards, and the run ends on time. */
TEST(CanOptions, HeadlessRunWithSleepingAdapterEndsAndKeepsTimeMonotonic) {
    void* fake = dlopen((kFakeLibDir + "/libCANdo.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(fake, nullptr);
    reinterpret_cast<void (*)()>(dlsym(fake, "fake_cando_reset"))();
    reinterpret_cast<void (*)(const char*)>(dlsym(fake, "fake_cando_add_device"))("CD1");
    auto sent = reinterpret_cast<int (*)(int)>(dlsym(fake, "fake_cando_sent_count"));

    pcsim_test::StorageTempDir base;
    pcsim::CommandLineOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--headless", "--run-ms", "2000", "--can0", "cando", "--can1", "cando",
                       "--can-lib-dir", kFakeLibDir, "--root", base.Path()},
                      &o, &error))
        << error;
    pcsim::HeadlessRunner runner;
    std::vector<uint32_t> clock;
    for (uint32_t t = 0; t <= 2000; t += 5)
        runner.Schedule(t, [&clock] { clock.push_back(svc_tick_ms()); });
    runner.Run(o);
    ASSERT_EQ(clock.size(), 401u);
    for (size_t i = 1; i < clock.size(); ++i)
        ASSERT_GE(clock[i], clock[i - 1]) << "step " << i;
    EXPECT_EQ(clock.front(), pcsim::HeadlessRunner::kVirtualEpochMs + 240)
        << "two opens sleep 120 ms each";
    EXPECT_EQ(clock.back(), pcsim::HeadlessRunner::kVirtualEpochMs + 2000) << "the steps caught up";
    EXPECT_EQ(runner.Ticks(), 200u);
    EXPECT_GT(sent(0), 400) << "both ports of the one device sent their traffic";
    device_memory_reset();
    dlclose(fake);
}

TEST(CanOptions, ProgramExitsTwoWithTheReason) {
    const std::string command =
        std::string(PCSIM_BINARY) + " --headless --run-ms 10 --can0 bogus 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buf[256];
    while (fgets(buf, sizeof buf, pipe))
        output += buf;
    const int raw = pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(raw), 2);
    EXPECT_NE(output.find("--can0: unknown adapter 'bogus'"), std::string::npos) << output;
}

TEST(CanOptions, ProgramReportsUnmappedPortsOnStderr) {
    pcsim_test::StorageTempDir base;
    const std::string command = std::string(PCSIM_BINARY) +
                                " --headless --run-ms 100 --can-lib-dir /tmp --root " +
                                base.Path() + " 2>&1 >/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buf[256];
    while (fgets(buf, sizeof buf, pipe))
        output += buf;
    EXPECT_EQ(WEXITSTATUS(pclose(pipe)), 0);
    EXPECT_EQ(
        output,
        "KVASER: Failed to map CAN port 1 to Kvaser\nKVASER: Failed to map CAN port 2 to Kvaser\n");
}

} // namespace
