#include "device/can/can_fixture.h"
#include "device/can/can_kvaser.h"

namespace {

class KvaserTest : public CanTest {};

const char kOpenSequence[] =
    "canInitializeLibrary canGetNumberOfChannels canGetChannelData canGetChannelData "
    "canGetChannelData canOpenChannel canSetBusParams canSetBusOutputControl canBusOn";

TEST_F(KvaserTest, OpenRunsTheSequenceAndReportsTheChannel) {
    Canlib().set_channel_info(0, 0x0000002A00003039ull, 0x0004000300020001ull);
    ASSERT_EQ(can_open(0), 0);
    EXPECT_STREQ(Canlib().call_log(), kOpenSequence);
    EXPECT_EQ(Canlib().arg("canOpenChannel", 0), 0);
    EXPECT_EQ(Canlib().arg("canOpenChannel", 1), 0x30);      // extended required, virtual accepted
    EXPECT_EQ(Canlib().arg("canSetBusOutputControl", 1), 4); // normal driver
    EXPECT_EQ(Canlib().arg("canSetBusParams", 1), -3); // 250 kbit/s, the bitrate after binding
    // Serial: upper then lower 32 bits; firmware groups 32-47, 48-63, 0-15, 16-31.
    EXPECT_EQ(Debug(), "KVASER: Mapped CAN port 1 to Kvaser (Ch:0, Ser:(42)12345, Fw:3.4.1.2)\n");
    EXPECT_EQ(can_is_open(0), 1);
    EXPECT_EQ(can_get_state(0), 0);
    EXPECT_EQ(can_open(0), 0) << "an open port opens again without a message";
    EXPECT_EQ(Canlib().calls("canOpenChannel"), 1);
}

TEST_F(KvaserTest, SelectorChoosesTheChannel) {
    static const char one[] = "1";
    can_set_adapter(0, CAN_ADAPTER_KVASER, one);
    ASSERT_EQ(can_open(0), 0);
    EXPECT_EQ(Canlib().arg("canOpenChannel", 0), 1);
    EXPECT_NE(Debug().find("(Ch:1,"), std::string::npos);

    static const char none[] = "-1";
    can_set_adapter(1, CAN_ADAPTER_KVASER, none);
    EXPECT_EQ(can_open(1), -1);
    EXPECT_EQ(Canlib().calls("canOpenChannel"), 1) << "channel -1 is never opened";
}

/* Every step of the sequence can fail; a channel that was opened is closed
 * again, so that the next open can have it. */
TEST_F(KvaserTest, FailedOpenReportsAndGivesTheChannelBack) {
    struct Case {
        const char* call;
        int result;
        int closes;
    };
    static const Case cases[] = {
        {"canGetChannelData", -3, 0},      {"canOpenChannel", -3, 0}, {"canSetBusParams", -1, 1},
        {"canSetBusOutputControl", -1, 1}, {"canBusOn", -7, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        device_memory_reset();
        can_set_library_dir(FakeLibDir().c_str());
        can_queues_init();
        Canlib().reset();
        Debug().clear();
        Canlib().force(c.call, c.result);
        EXPECT_EQ(can_open(1), -1);
        EXPECT_EQ(Debug(), "KVASER: Failed to map CAN port 2 to Kvaser\n");
        EXPECT_EQ(Canlib().calls("canClose"), c.closes);
        EXPECT_EQ(Canlib().open_handles(), 0);
        EXPECT_EQ(can_get_state(1), 4);
        Canlib().force(c.call, 0);
        EXPECT_EQ(can_open(1), 0) << "the channel is free for the next open";
    }
}

TEST_F(KvaserTest, ReceiveTakesFlagsAndTime) {
    ASSERT_EQ(can_open(0), 0);
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    Canlib().inject(0, 0x1ABCDEF, 4 | 2, data, 3, 5); // ext flag plus an unrelated bit
    Canlib().inject(0, 0x123, 0, data, 8, 7);
    CanMessage m{};
    ASSERT_EQ(can_receive(0, &m), 0);
    EXPECT_EQ(m.id, 0x1ABCDEFu);
    EXPECT_EQ(m.extended, 1);
    EXPECT_EQ(m.remote, 0);
    EXPECT_EQ(m.dlc, 3);
    EXPECT_EQ(m.timestamp_us, 5000u);
    ASSERT_EQ(can_receive0(&m), 0);
    EXPECT_EQ(m.extended, 0);
    EXPECT_EQ(m.timestamp_us, 7000u);
    EXPECT_EQ(can_receive(0, &m), -1);
}

TEST_F(KvaserTest, TransmitPassesIdDataAndExtendedFlag) {
    ASSERT_EQ(can_open(0), 0);
    CanMessage m{};
    m.id = 0x18FF0001;
    m.extended = 1;
    m.dlc = 2;
    m.data[0] = 0xAA;
    m.data[1] = 0x55;
    ASSERT_EQ(can_transmit0(&m), 0);
    EXPECT_EQ(Canlib().arg("canWrite", 3), 4);
    uint32_t id;
    uint8_t ext, dlc, data[8];
    ASSERT_EQ(Canlib().sent(0, 0, &id, &ext, data, &dlc), 0);
    EXPECT_EQ(id, 0x18FF0001u);
    EXPECT_EQ(dlc, 2);
    EXPECT_EQ(data[1], 0x55);
    Canlib().force("canWrite", -2);
    EXPECT_EQ(can_transmit(0, &m), -1);
}

TEST_F(KvaserTest, BitrateChangeReopensAnOpenPortAndWaitsOnAClosedOne) {
    EXPECT_EQ(can_set_bitrate(0, 500000), -1) << "closed: stored for the next open";
    EXPECT_EQ(Canlib().calls("canOpenChannel"), 0);
    ASSERT_EQ(can_open(0), 0);
    EXPECT_EQ(Canlib().arg("canSetBusParams", 1), -2);

    EXPECT_EQ(can_set_bitrate0(1000000), 0) << "open: closed and reopened";
    EXPECT_EQ(Canlib().calls("canClose"), 1);
    EXPECT_EQ(Canlib().calls("canOpenChannel"), 2);
    EXPECT_EQ(Canlib().arg("canSetBusParams", 1), -1);

    Canlib().force("canSetBusParams", -1);
    EXPECT_EQ(can_set_bitrate(0, 125000), -1) << "the reopen's result";
    EXPECT_EQ(can_is_open(0), 0);
}

/* CANlib has no bit timing call: a full timing reaches the channel as its
 * bitrate t0, with the same reopen rules as a bitrate change. */
TEST_F(KvaserTest, BitTimingSetsTheBitrateT0) {
    const CanBitTiming fast = {{500000, 1, 2, 3, 4, 5, 6, 7}};
    EXPECT_EQ(can_set_bit_timing(0, &fast), -1) << "closed: stored for the next open";
    ASSERT_EQ(can_open(0), 0);
    EXPECT_EQ(Canlib().arg("canSetBusParams", 1), -2);

    const CanBitTiming full = {{1000000, 0, 0, 0, 0, 0, 0, 0}};
    EXPECT_EQ(can_set_bit_timing(0, &full), 0) << "open: closed and reopened";
    EXPECT_EQ(Canlib().calls("canOpenChannel"), 2);
    EXPECT_EQ(Canlib().arg("canSetBusParams", 1), -1);
    EXPECT_EQ(device_memory.can.adapter.open[0], 1);
}

/* Without canSetBitrate the four usual rates use the library's constants,
 * any other rate the rate itself with 16 quanta sampled at 87.5 %. */
TEST_F(KvaserTest, BusParamsStandInForAMissingSetBitrate) {
    struct Case {
        uint32_t bitrate;
        long freq, tseg1, tseg2, sjw, samples;
    };
    static const Case cases[] = {
        {1000000, -1, 0, 0, 0, 0}, {500000, -2, 0, 0, 0, 0},      {250000, -3, 0, 0, 0, 0},
        {125000, -4, 0, 0, 0, 0},  {100000, 100000, 13, 2, 1, 1}, {83333, 83333, 13, 2, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bitrate);
        can_close(0);
        can_set_bitrate(0, c.bitrate);
        ASSERT_EQ(can_open(0), 0);
        EXPECT_EQ(Canlib().arg("canSetBusParams", 1), c.freq);
        EXPECT_EQ(Canlib().arg("canSetBusParams", 2), c.tseg1);
        EXPECT_EQ(Canlib().arg("canSetBusParams", 3), c.tseg2);
        EXPECT_EQ(Canlib().arg("canSetBusParams", 4), c.sjw);
        EXPECT_EQ(Canlib().arg("canSetBusParams", 5), c.samples);
    }
}

TEST_F(KvaserTest, SetBitrateIsUsedWhenTheLibraryHasIt) {
    FakeCanlib withSetBitrate("lib-setbitrate");
    withSetBitrate.reset();
    can_set_library_dir(FakeLibDir("lib-setbitrate").c_str());
    can_set_bitrate(1, 83333);
    ASSERT_EQ(can_open(1), 0);
    EXPECT_EQ(withSetBitrate.calls("canSetBitrate"), 1);
    EXPECT_EQ(withSetBitrate.arg("canSetBitrate", 1), 83333);
    EXPECT_EQ(withSetBitrate.calls("canSetBusParams"), 0);
}

TEST_F(KvaserTest, LibraryMissingAnEntryPointIsRefused) {
    FakeCanlib incomplete("lib-incomplete");
    ASSERT_TRUE(incomplete.lib.Loaded());
    incomplete.reset();
    can_set_library_dir(FakeLibDir("lib-incomplete").c_str());
    EXPECT_EQ(can_open(0), -1);
    EXPECT_EQ(Debug(), "KVASER: Failed to map CAN port 1 to Kvaser\n");
    EXPECT_EQ(incomplete.calls("canInitializeLibrary"), 0)
        << "nothing is called on an incomplete library";
    EXPECT_EQ(device_memory.can.kvaser.library, nullptr);
}

/* The start-up with no library anywhere: both ports report, and every
 * receive and transmit fails at once, without another search for the
 * library until its retry time. */
TEST_F(KvaserTest, NoLibraryFailsFastOnEveryCall) {
    can_set_library_dir("/nonexistent");
    for (int port = 0; port < 2; ++port) {
        can_set_bitrate(port, 250000);
        can_open(port);
    }
    EXPECT_EQ(
        Debug(),
        "KVASER: Failed to map CAN port 1 to Kvaser\nKVASER: Failed to map CAN port 2 to Kvaser\n");
    // No attempt to bind until the retry time: the time of the last failed
    // attempt stays that of the opens while the clock moves on.
    const uint32_t failed_at = device_memory.can.kvaser.pacing.failed_at_ms;
    CanMessage m{};
    for (int i = 0; i < 1000; ++i) {
        svc_clock_advance(1);
        EXPECT_EQ(can_receive(i & 1, &m), -1);
        EXPECT_EQ(can_transmit(i & 1, &m), -1);
    }
    EXPECT_EQ(device_memory.can.kvaser.pacing.failed_at_ms, failed_at);

    // After the retry time the library is looked for again and found.
    can_set_library_dir(FakeLibDir().c_str());
    EXPECT_EQ(can_receive(0, &m), -1);
    EXPECT_EQ(device_memory.can.kvaser.bound, 0);
    svc_clock_advance(CAN_BIND_RETRY_MS - 1000);
    EXPECT_EQ(can_receive(0, &m), -1);
    EXPECT_EQ(device_memory.can.kvaser.bound, 1);
}

} // namespace
