#include <fcntl.h>
#include <filesystem>
#include <sys/socket.h>
#include <unistd.h>

#include "device/can/can_fixture.h"
#include "device/can/can_replay.h"
#include "device/can/can_socketcan.h"
#include "device/can/can_state.h"
#include "device/can/replay_file.h"
#include "device/services/time_base.h"

namespace {

class ReplayTest : public CanTest {
  protected:
    void SetUp() override {
        CanTest::SetUp();
        dir_ =
            std::filesystem::temp_directory_path() / ("pcsim_replay_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "trace.ctb").string();
        sys_time_start();
    }
    void TearDown() override {
        CanTest::TearDown();
        std::filesystem::remove_all(dir_);
    }
    /* Port 0 on replay of file; can_open's result. */
    int OpenWith(const ReplayFile& file) {
        EXPECT_TRUE(file.Write(path_));
        can_set_adapter(0, CAN_ADAPTER_REPLAY, path_.c_str());
        return can_open(0);
    }
    /* The messages replay delivers now, at most limit of them (records
     * all due at once come round again and again). */
    std::vector<CanMessage> Drain(size_t limit = 100) {
        std::vector<CanMessage> out;
        CanMessage m{};
        while (out.size() < limit && can_receive(0, &m) == 0)
            out.push_back(m);
        return out;
    }

    std::filesystem::path dir_;
    std::string path_;
};

TEST_F(ReplayTest, HeaderDecidesWhetherTheFileOpens) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int result;
    };
    const std::vector<uint8_t> good = ReplayFile().bytes;
    const Case cases[] = {
        {"CTB version 2", good, 0},
        {"version 1", ReplayFile("CTB", 1).bytes, -1},
        {"wrong signature", ReplayFile("CTX", 2).bytes, -1},
        {"no NUL after CTB", ReplayFile("CTBX", 2).bytes, -1},
        {"short header", std::vector<uint8_t>(good.begin(), good.begin() + 7), -1},
        {"empty file", {}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReplayFile file;
        file.bytes = c.bytes;
        EXPECT_EQ(OpenWith(file), c.result);
        EXPECT_EQ(can_is_open(0), c.result == 0 ? 1 : 0);
        EXPECT_EQ(replay_check_file(path_.c_str()),
                  c.result == 0 ? REPLAY_FILE_OK : REPLAY_FILE_NOT_CTB);
        can_close(0);
    }
    can_set_adapter(0, CAN_ADAPTER_REPLAY, "/nonexistent/trace.ctb");
    EXPECT_EQ(can_open(0), -1);
    EXPECT_EQ(replay_check_file("/nonexistent/trace.ctb"), REPLAY_FILE_UNREADABLE);
    can_set_adapter(0, CAN_ADAPTER_REPLAY, nullptr);
    EXPECT_EQ(can_open(0), -1);
}

TEST_F(ReplayTest, RecordsComeAtTheirTimeAndPlaybackRestarts) {
    ReplayFile file;
    file.Record(0, 0x100, 0, 2, 0x10).Record(1500000, 0x200, 0, 8, 0x20);
    ASSERT_EQ(OpenWith(file), 0);
    std::vector<CanMessage> got = Drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].id, 0x100u);
    EXPECT_EQ(got[0].dlc, 2);
    EXPECT_EQ(got[0].data[7], 0x17) << "all 8 data bytes are delivered";
    EXPECT_EQ(got[0].timestamp_us, 0u);

    svc_clock_advance(1499);
    EXPECT_TRUE(Drain().empty()) << "due at 1.5 s, not earlier";
    svc_clock_advance(1);
    // The second record, and then the end of the file reopens it with the
    // clock of now as the origin: the first record again at once, the
    // second 1.5 s later.
    got = Drain();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].id, 0x200u);
    EXPECT_EQ(got[0].timestamp_us, 1500000u);
    EXPECT_EQ(got[1].id, 0x100u);
    svc_clock_advance(1499);
    EXPECT_TRUE(Drain().empty());
    svc_clock_advance(1);
    got = Drain();
    ASSERT_GE(got.size(), 1u);
    EXPECT_EQ(got[0].id, 0x200u);
}

TEST_F(ReplayTest, FlagsSkipAndMarkExtended) {
    ReplayFile file;
    file.Record(0, 0x111, REPLAY_FLAG_SKIP, 8)
        .Record(0, 0x1ABCDEF0, REPLAY_FLAG_EXTENDED, 8)
        .Record(0, 0x333, REPLAY_FLAG_SKIP | REPLAY_FLAG_EXTENDED, 8)
        .Record(0, 0x444, 0, 12); // a dlc above 8 is taken as 8
    ASSERT_EQ(OpenWith(file), 0);
    // Everything is due at once, so playback goes round and round.
    const std::vector<CanMessage> got = Drain(6);
    ASSERT_EQ(got.size(), 6u);
    for (size_t i = 0; i < got.size(); i += 2) {
        EXPECT_EQ(got[i].id, 0x1ABCDEF0u);
        EXPECT_EQ(got[i].extended, 1);
        EXPECT_EQ(got[i + 1].id, 0x444u);
        EXPECT_EQ(got[i + 1].extended, 0);
        EXPECT_EQ(got[i + 1].dlc, 8);
    }
}

/* A file without one deliverable record must not keep the caller looping
 * through endless restarts. */
TEST_F(ReplayTest, FileWithoutDeliverableRecordsYieldsNothing) {
    for (ReplayFile file : {ReplayFile(), ReplayFile().Record(0, 1, REPLAY_FLAG_SKIP, 1)}) {
        ASSERT_EQ(OpenWith(file), 0);
        CanMessage m{};
        EXPECT_EQ(can_receive(0, &m), -1);
        EXPECT_EQ(can_receive(0, &m), -1);
        EXPECT_EQ(can_is_open(0), 1);
        can_close(0);
    }
}

TEST_F(ReplayTest, VanishedFileClosesThePortAtTheRestart) {
    ASSERT_EQ(OpenWith(ReplayFile().Record(0, 0x10, 0, 0)), 0);
    EXPECT_EQ(Drain(1).size(), 1u);
    std::filesystem::remove(path_);
    CanMessage m{};
    EXPECT_EQ(can_receive(0, &m), -1);
    EXPECT_EQ(can_is_open(0), 0);
    EXPECT_EQ(device_memory.can.adapter.open[0], 0) << "the status bar sees it closed";
}

TEST_F(ReplayTest, NothingIsSentAndBitratesAreIgnored) {
    ASSERT_EQ(OpenWith(ReplayFile()), 0);
    CanMessage m{};
    EXPECT_EQ(can_transmit(0, &m), 0);
    EXPECT_EQ(can_set_bitrate(0, 500000), 0);
    EXPECT_EQ(can_is_open(0), 1);
}

/* A replay port sends into the void: every message counts as sent and is
 * hooked, bit timing is ignored like the bitrate, and neither asking for
 * the port nor binding it touches a vendor library. */
TEST_F(ReplayTest, PortAcceptsEverythingAndBindsNoLibrary) {
    static int hooked = 0;
    hooked = 0;
    can_set_tx_hook(0, [](int, const CanMessage*) { ++hooked; });
    ASSERT_EQ(OpenWith(ReplayFile()), 0);
    CanMessage m{};
    EXPECT_EQ(can_transmit(0, &m), 0);
    EXPECT_EQ(can_transmit0(&m), 0);
    EXPECT_EQ(hooked, 2);
    EXPECT_EQ(device_memory.can.adapter.tx_frames[0], 2u);
    const CanBitTiming timing = {{500000, 0, 0, 0, 0, 0, 0, 0}};
    EXPECT_EQ(can_set_bit_timing(0, &timing), 0);
    EXPECT_EQ(can_bind(0), 0);
    EXPECT_EQ(can_get_state(0), 0);
    EXPECT_EQ(Canlib().calls("canInitializeLibrary"), 0);
    EXPECT_EQ(Cando().calls("CANdoGetDevices"), 0);
    EXPECT_EQ(device_memory.can.adapter.open[0], 1);
}

/* A port moved to another adapter keeps what its old back-end opened until
 * the shutdown, which releases every back-end, not only the ones the ports
 * use now. */
TEST_F(ReplayTest, ShutdownReleasesTheBackEndsPortsHaveLeft) {
    ASSERT_EQ(OpenWith(ReplayFile()), 0);
    can_set_adapter(0, CAN_ADAPTER_KVASER, nullptr);
    ASSERT_EQ(can_open(0), 0);
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds), 0);
    ASSERT_EQ(socketcan_attach(1, fds[0]), 0);
    can_set_adapter(1, CAN_ADAPTER_CANDO, nullptr);
    ASSERT_EQ(replay_port_open(0), 1);
    ASSERT_EQ(socketcan_port_open(1), 1);

    can_shutdown();
    EXPECT_EQ(replay_port_open(0), 0);
    EXPECT_EQ(socketcan_port_open(1), 0);
    EXPECT_EQ(fcntl(fds[0], F_GETFD), -1) << "the socket was closed";
    EXPECT_EQ(Canlib().open_handles(), 0);
    EXPECT_EQ(device_memory.can.kvaser.library, nullptr);
    for (int port = 0; port < CAN_PORT_COUNT; ++port)
        EXPECT_EQ(device_memory.can.adapter.open[port], 0);
    close(fds[1]);
}

} // namespace
