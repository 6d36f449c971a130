// Recording of the received CAN traffic to the USB stick: when recordings
// start and stop, their file numbers, the header and line bytes, a port
// whose file cannot be made, the FIFOs with logging off, and the files of a
// finished recording closed.
#include <climits>
#include <cstring>
#include <unistd.h>

#include "device/can/can_log.h"
#include "device/can/can_rx_fifo.h"
#include "device/device_memory.h"
#include "device/events/event.h"
#include "device/runtime/sys.h"
#include "device/storage/params.h"
#include "device/storage/storage_fixture.h"

namespace {

namespace fs = std::filesystem;

const std::string kHeader = "EXT   ID          DLC   DATA                              TIME\n";

class CanLog : public StorageTest {
  protected:
    void SetUp() override {
        StorageTest::SetUp();
        svc_debug_set_sink([](const char*) {}); // the adapters' "Failed to map" lines
        Start();
    }
    void TearDown() override {
        device_memory_reset();
        svc_debug_set_sink(nullptr);
        StorageTest::TearDown();
    }

    /* Device start-up on the roots of the base, the clock at its epoch. */
    void Start() {
        MakeRoots();
        sys_init();
        sys_app_thread_start();
    }
    /* A restart: the device as at power-up, the same files. */
    void Restart() {
        device_memory_reset();
        fs_set_base(base_.c_str());
        svc_clock_use_virtual(kEpochMs);
        now_ms_ = 0;
        Start();
    }

    fs::path Stick() const { return fs::path(base_) / "usb-sticks/disk_sda1"; }
    fs::path Log(int can, int number) const {
        char name[64];
        std::snprintf(name, sizeof name, "QMX_v084_%06d_CAN%d.log", number, can);
        return Stick() / name;
    }
    /* The stick linked into the media root and announced through the
     * event channel, as the host's Insert does. */
    void Insert() {
        fs::create_directories(Stick());
        fs::remove(Path(FS_ROOT_MEDIA, "disk_sda1")); // a link left from before the restart
        fs::create_directory_symlink("../../usb-sticks/disk_sda1",
                                     Path(FS_ROOT_MEDIA, "disk_sda1"));
        Announce();
    }
    void Announce() {
        WriteText(Path(FS_ROOT_EVENT, "app_command"), "USBSTICK_INSERTED /media/disk_sda1");
        sys_raise_event(0);
    }
    /* The link removed: the stick's files stay. */
    void Eject() { fs::remove(Path(FS_ROOT_MEDIA, "disk_sda1")); }

    /* Open descriptors of this process on path. */
    static int OpenDescriptors(const fs::path& path) {
        int n = 0;
        const fs::path target = fs::weakly_canonical(path);
        for (const auto& e : fs::directory_iterator("/proc/self/fd")) {
            char link[PATH_MAX];
            const ssize_t len = readlink(e.path().c_str(), link, sizeof link - 1);
            if (len > 0 && fs::path(std::string(link, len)) == target) ++n;
        }
        return n;
    }
};

TEST_F(CanLog, NumbersCountUpPerRecordingAndGoOnAfterACommittedRestart) {
    Insert();
    Run(200);
    EXPECT_EQ(List(Stick()),
              (std::vector<std::string>{"QMX_v084_000001_CAN1.log", "QMX_v084_000001_CAN2.log"}));
    EXPECT_EQ(ReadText(Log(1, 1)), kHeader);
    EXPECT_EQ(ReadText(Log(2, 1)), kHeader);

    Eject();
    Run(100);
    Insert();
    Run(200);
    EXPECT_TRUE(fs::exists(Log(1, 2)) && fs::exists(Log(2, 2))) << "the second recording";
    Run(1000); // the commit step stores both numbers

    Restart();
    Insert();
    Run(200);
    EXPECT_TRUE(fs::exists(Log(1, 3)) && fs::exists(Log(2, 3))) << "after the restart";
    EXPECT_EQ(params_log_number(0), 3u);
    EXPECT_EQ(params_log_number(1), 3u);
}

TEST_F(CanLog, ARestartBeforeTheCommitReusesTheNumberAndContinuesTheFile) {
    Run(100); // past the first commit step
    Insert();
    Run(200);
    const uint8_t data[8] = {0x11, 0x22};
    app_can0_std_rx(0x123, 2, data);
    const std::string first = ReadText(Log(1, 1));
    ASSERT_EQ(first.compare(0, kHeader.size(), kHeader), 0);
    ASSERT_GT(first.size(), kHeader.size()) << "a line after the header";

    Restart(); // before the next commit step: the record still says 0
    Insert();
    Run(200);
    EXPECT_EQ(ReadText(Log(1, 1)), first + kHeader) << "continued with a second header";
    EXPECT_EQ(ReadText(Log(2, 1)), kHeader + kHeader);
    EXPECT_FALSE(fs::exists(Log(1, 2)));
}

TEST_F(CanLog, LinesHoldTheFrameAndTheApplicationClock) {
    Insert();
    Run(1500);
    const uint8_t ext[3] = {0xAA, 0x0B, 0xC0};
    app_can0_ext_rx(0x1ABCDEF5, 3, ext); // at 1.5 s
    const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    Run(12345 - 1500);
    app_can0_std_rx(0x700, 8, bytes); // at 12.345 s
    app_can1_std_rx(0x7FF, 0, bytes);
    app_can1_ext_rx(0x0, 8, bytes);

    EXPECT_EQ(ReadText(Log(1, 1)),
              kHeader + " 1    1ABCDEF5    3     AA  0B  C0                        1.500000\n"
                        " 0    00000700    8     01  02  03  04  05  06  07  08    12.345000\n");
    EXPECT_EQ(ReadText(Log(2, 1)),
              kHeader + " 0    000007FF    0                                       12.345000\n"
                        " 1    00000000    8     01  02  03  04  05  06  07  08    12.345000\n");
    EXPECT_EQ(kHeader.size(), 63u);
}

TEST_F(CanLog, AStickInAtStartIsNotRecordedUntilInsertedAgain) {
    fs::create_directories(Stick());
    fs::create_directory_symlink("../../usb-sticks/disk_sda1", Path(FS_ROOT_MEDIA, "disk_sda1"));
    // The unit knows of the stick before its first model step.
    event_handle_command("USBSTICK_INSERTED /media/disk_sda1");
    Run(500);
    const uint8_t data[8] = {};
    app_can0_std_rx(0x100, 8, data);
    EXPECT_TRUE(List(Stick()).empty());
    EXPECT_EQ(params_log_number(0), 0u);

    Eject();
    Run(100);
    Insert();
    Run(200);
    EXPECT_EQ(ReadText(Log(1, 1)), kHeader);
}

TEST_F(CanLog, APortWhoseFileCannotBeMadeIsNotRecorded) {
    fs::create_directories(Log(1, 1)); // a folder where the CAN1 file would go
    Insert();
    Run(200);
    const uint8_t data[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    app_can0_std_rx(0x100, 8, data);
    app_can1_std_rx(0x200, 1, data);
    EXPECT_TRUE(fs::is_empty(Log(1, 1)));
    EXPECT_EQ(ReadText(Log(2, 1)),
              kHeader + " 0    00000200    1     09                                0.200000\n");
    EXPECT_EQ(params_log_number(0), 1u) << "the number is used up all the same";

    Eject();
    Run(100);
    Insert();
    Run(200);
    EXPECT_TRUE(fs::exists(Log(1, 2)) && fs::exists(Log(2, 2))) << "the next recording has both";
}

TEST_F(CanLog, WithLoggingOffTheFifosStillDrainAndNothingIsWritten) {
    uint8_t data[8] = {};
    for (uint8_t i = 1; i <= 15; ++i) {
        data[0] = i;
        app_can0_std_rx(0x100 + i, 8, data);
    }
    // Each push was read by the log writer: the FIFO holds nothing unread
    // (without the writer the oldest of ten would come first).
    uint16_t age = 0;
    uint32_t id = 0;
    EXPECT_EQ(can_fifo_read(CAN_FIFO_PORT0_STD, &age, &id, nullptr, data, 8), 8);
    EXPECT_EQ(id, 0x10Fu);
    EXPECT_EQ(age, 1) << "read once already";

    Insert();
    Run(200);
    Eject();
    Run(100);
    app_can0_ext_rx(0x1234, 8, data);
    app_can1_std_rx(0x12, 8, data);
    EXPECT_EQ(ReadText(Log(1, 1)), kHeader) << "nothing after the stop";
    EXPECT_EQ(ReadText(Log(2, 1)), kHeader);
}

TEST_F(CanLog, TheFilesOfAFinishedRecordingAreClosed) {
    Insert();
    Run(200);
    EXPECT_EQ(OpenDescriptors(Log(1, 1)), 1);
    EXPECT_EQ(OpenDescriptors(Log(2, 1)), 1);
    Eject();
    Run(100); // the tick sees the stick go, the next main loop iteration closes
    EXPECT_EQ(OpenDescriptors(Log(1, 1)), 0);
    EXPECT_EQ(OpenDescriptors(Log(2, 1)), 0);

    // So are the files of a recording still running when the device resets.
    Insert();
    Run(200);
    EXPECT_EQ(OpenDescriptors(Log(1, 2)), 1);
    device_memory_reset();
    EXPECT_EQ(OpenDescriptors(Log(1, 2)), 0);
    EXPECT_EQ(OpenDescriptors(Log(2, 2)), 0);
}

} // namespace
