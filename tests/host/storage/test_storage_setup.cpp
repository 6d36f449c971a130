// The unit's storage on the host: its options, the check of the base
// directory before anything starts, and headless runs that insert and
// eject the USB stick, in process and as the real program.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>
#include <vector>

#include "device/device_memory.h"
#include "device/events/event.h"
#include "device/events/usbstick.h"
#include "device/runtime/sys.h"
#include "device/storage/fs.h"
#include "host/CommandLine.h"
#include "host/headless/HeadlessRunner.h"
#include "host/storage/StorageSetup.h"
#include "host/storage/UsbStick.h"
#include "host/storage_temp_dir.h"

namespace {

namespace fs = std::filesystem;

bool Parse(std::vector<const char*> args, pcsim::CommandLineOptions* o, std::string* error) {
    args.insert(args.begin(), "pc-simulator");
    return pcsim::ParseCommandLine(static_cast<int>(args.size()), args.data(), o, error);
}

TEST(StorageOptions, ReadTheBaseAndTheStickTimes) {
    pcsim::CommandLineOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--root", "/tmp/unit"}, &o, &error)) << error;
    EXPECT_EQ(o.root, "/tmp/unit") << "the window takes --root too";
    ASSERT_TRUE(Parse({"--headless", "--run-ms", "5000", "--usb-insert", "1000", "--usb-eject=1035",
                       "--usb-insert", "1070"},
                      &o, &error))
        << error;
    EXPECT_EQ(o.usbInsertMs, (std::vector<uint32_t>{1000, 1070})) << "35 ms apart is enough";
    EXPECT_EQ(o.usbEjectMs, (std::vector<uint32_t>{1035}));
    EXPECT_TRUE(o.root.empty()) << "default: the working directory";
}

TEST(StorageOptions, NameTheProblem) {
    const std::string too_long(FS_BASE_SIZE, 'd');
    const struct {
        std::vector<const char*> args;
        const char* mentions;
    } cases[] = {
        {{"--root", ""}, "--root needs a directory"},
        {{"--root", too_long.c_str()}, "at most 3583 characters"},
        {{"--usb-insert", "1000"}, "--usb-insert needs --headless"},
        {{"--usb-eject", "1000"}, "--usb-eject needs --headless"},
        {{"--headless", "--run-ms", "10", "--usb-insert", "1s"}, "'1s'"},
        {{"--headless", "--run-ms", "10", "--usb-eject", "-1"}, "'-1'"},
        {{"--headless", "--run-ms", "10", "--usb-eject", "200", "--usb-insert", "200"},
         "--usb-insert 200 and --usb-eject 200 are 0 ms apart: the unit needs at least 35 ms"},
        {{"--headless", "--run-ms", "10", "--usb-insert", "1000", "--usb-eject", "1005"},
         "are 5 ms apart"},
        {{"--headless", "--run-ms", "10", "--usb-insert", "1000", "--usb-eject", "1034"},
         "are 34 ms apart"},
        {{"--headless", "--run-ms", "10", "--usb-insert", "1000", "--usb-eject", "3000",
          "--usb-insert", "3020"},
         "--usb-insert 3020 and --usb-eject 3000 are 20 ms apart"},
    };
    for (const auto& c : cases) {
        pcsim::CommandLineOptions o;
        std::string error;
        EXPECT_FALSE(Parse(c.args, &o, &error)) << c.mentions;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    }
}

TEST(StorageBase, IsMadeAndCheckedBeforeTheStart) {
    pcsim_test::StorageTempDir temp;
    pcsim::CommandLineOptions o;
    std::string error;
    o.root = (temp / "new/base").string();
    ASSERT_TRUE(pcsim::PrepareStorageBase(o, &error)) << error;
    EXPECT_TRUE(fs::is_directory(o.root));
    EXPECT_TRUE(fs::is_empty(o.root)) << "the write test leaves nothing behind";

    pcsim_test::StorageTempDir::Write(temp / "file", "x");
    for (const std::string& bad : {(temp / "file").string(), (temp / "file/base").string()}) {
        o.root = bad;
        EXPECT_FALSE(pcsim::PrepareStorageBase(o, &error)) << bad;
        EXPECT_NE(error.find("'" + fs::path(bad).lexically_normal().string() + "'"),
                  std::string::npos)
            << error;
    }
}

TEST(HeadlessUsbStick, InsertAndEjectReachTheDeviceAndTheFiles) {
    pcsim_test::StorageTempDir base;
    pcsim::CommandLineOptions o;
    o.headless = true;
    o.runMs = 4000;
    o.runMsGiven = true;
    o.root = base.Path();
    o.usbInsertMs = {1000};
    o.usbEjectMs = {3000};
    pcsim::HeadlessRunner runner;
    pcsim::UsbStick stick(base.Path(), [] { sys_raise_event(0); });
    std::vector<std::string> failures;
    pcsim::ScheduleUsbStick(&runner, o, &stick, &failures);
    std::vector<std::pair<uint32_t, uint32_t>> states; // (ms, usb state)
    for (uint32_t at : {990u, 1100u, 2990u, 3100u}) {
        runner.Schedule(at, [&states, at] { states.emplace_back(at, usbstick_state()); });
    }
    runner.Run(o);

    EXPECT_TRUE(failures.empty()) << failures.front();
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {{990, USB_STATE_NONE},
                                                                 {1100, USB_STATE_PRESENT},
                                                                 {2990, USB_STATE_PRESENT},
                                                                 {3100, USB_STATE_NONE}};
    EXPECT_EQ(states, expected);
    EXPECT_TRUE(fs::is_directory(base / "usb-sticks/disk_sda1"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(base / "rootfs/media/disk_sda1")));
    EXPECT_EQ(base.Read(base / "rootfs/app/event/app_reply"), "OK");
    EXPECT_FALSE(fs::exists(base / "rootfs/app/event/app_command"));
    EXPECT_EQ(fs::file_size(base / "rootfs/app/data/config/eeprom.dat"), 32768u)
        << "the first commit";
}

TEST(HeadlessUsbStick, TheLeastGapLetsTheUnitSeeBothActions) {
    // At worst an insert is read 20 ms after it and the stick looked for
    // 10 ms after that: an insert at 1026 counts from the step at 1030,
    // whose insert is read at 1050 and looked for at 1060. Closer pairs,
    // which the options refuse, lose one of the two.
    static const struct {
        const char* what;
        std::vector<uint32_t> inserts, ejects;
        uint32_t replies; // commands the unit read
        int recordings;   // log files made: the stick was seen each time
    } cases[] = {
        {"insert, eject 35 ms later", {1026}, {1061}, 2, 1},
        {"insert, eject 34 ms later: the stick is never seen", {1026}, {1060}, 2, 0},
        {"eject, insert 35 ms later", {1000, 2061}, {2026}, 3, 2},
        {"eject, insert 24 ms later: the eject is never read", {1000, 2050}, {2026}, 2, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        pcsim_test::StorageTempDir base;
        pcsim::CommandLineOptions o;
        o.headless = true;
        o.runMs = 3000;
        o.runMsGiven = true;
        o.root = base.Path();
        o.usbInsertMs = c.inserts;
        o.usbEjectMs = c.ejects;
        pcsim::HeadlessRunner runner;
        pcsim::UsbStick stick(base.Path(), [] { sys_raise_event(0); });
        std::vector<std::string> failures;
        pcsim::ScheduleUsbStick(&runner, o, &stick, &failures);
        runner.Run(o);
        EXPECT_TRUE(failures.empty());
        EXPECT_EQ(device_memory.events.replies.load(), c.replies);
        int recordings = 0;
        for (const char* name : {"QMX_v084_000001_CAN1.log", "QMX_v084_000002_CAN1.log"})
            recordings += fs::exists(base / "usb-sticks/disk_sda1" / name) ? 1 : 0;
        EXPECT_EQ(recordings, c.recordings);
    }
}

struct Outcome {
    int status;
    std::string output;
};

Outcome RunProgram(const std::string& args, const std::string& prefix = "") {
    const std::string command = prefix + PCSIM_BINARY + " " + args + " 2>&1";
    Outcome o{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return o;
    char buf[512];
    while (fgets(buf, sizeof buf, pipe))
        o.output += buf;
    const int raw = pclose(pipe);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return o;
}

TEST(HeadlessUsbStick, TheProgramRunsWithItsOwnRoot) {
    pcsim_test::StorageTempDir base;
    const std::string root = (base / "unit").string();
    Outcome o = RunProgram("--headless --run-ms 4000 --root " + root +
                           " --usb-insert 1000 --usb-eject 3000");
    ASSERT_EQ(o.status, 0) << o.output;
    EXPECT_TRUE(fs::is_directory(root + "/rootfs/app/bin"));
    EXPECT_TRUE(fs::is_directory(root + "/usb-sticks/disk_sda1"));
    EXPECT_EQ(base.Read(root + "/rootfs/app/event/app_reply"), "OK");
    EXPECT_EQ(fs::file_size(root + "/rootfs/app/data/config/eeprom.dat"), 32768u);

    // An insert and an eject too close together: refused before the run.
    o = RunProgram("--headless --run-ms 4000 --root " + root +
                   " --usb-insert 1000 --usb-eject 1020");
    EXPECT_EQ(o.status, 2) << o.output;
    EXPECT_NE(o.output.find("are 20 ms apart: the unit needs at least 35 ms"), std::string::npos)
        << o.output;

    // An eject with no stick in: said, and the run fails.
    o = RunProgram("--headless --run-ms 1000 --root " + root + " --usb-eject 500");
    EXPECT_EQ(o.status, 1) << o.output;
    EXPECT_NE(o.output.find("--usb-eject at 500 ms: the USB stick disk_sda1 is not inserted"),
              std::string::npos)
        << o.output;
}

TEST(HeadlessUsbStick, AnUnusableBaseStopsTheProgramFirst) {
    pcsim_test::StorageTempDir base;
    pcsim_test::StorageTempDir::Write(base / "file", "x");
    const std::string bad = (base / "file/unit").lexically_normal().string();
    for (const std::string& args : {"--headless --run-ms 10 --root " + bad, "--root " + bad}) {
        // The window's run too: the storage is checked before the display.
        const Outcome o = RunProgram(args, "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ");
        EXPECT_EQ(o.status, 1) << args << "\n" << o.output;
        EXPECT_NE(o.output.find("cannot create the storage directory '" + bad + "'"),
                  std::string::npos)
            << o.output;
    }
}

} // namespace
