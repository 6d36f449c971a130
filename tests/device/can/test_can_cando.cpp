#include <cstring>
#include <vector>

#include "device/can/can_cando.h"
#include "device/can/can_fixture.h"

namespace {

class CandoTest : public CanTest {
  protected:
    void SetUp() override {
        CanTest::SetUp();
        can_set_adapter(0, CAN_ADAPTER_CANDO, nullptr);
        can_set_adapter(1, CAN_ADAPTER_CANDO, nullptr);
    }
};

TEST_F(CandoTest, OneDeviceServesBothPorts) {
    Cando().add_device("CD0001");
    const uint32_t before = svc_tick_ms();
    ASSERT_EQ(can_open(0), 0);
    ASSERT_EQ(can_open(1), 0);
    EXPECT_EQ(Cando().open_ports(0), 2);
    EXPECT_EQ(Debug(), "CANDO: Mapped CAN port 1 to CANdo (Ser:CD0001)\n"
                       "CANDO: Mapped CAN port 2 to CANdo (Ser:CD0001)\n");
    EXPECT_STREQ(Cando().call_log(),
                 "CANdoGetDevices CANdoOpenDevice CANdoSetBaudRate CANdoSetMode "
                 "CANdoFlushBuffers CANdoSetState CANdoOpenDevice CANdoSetBaudRate "
                 "CANdoSetMode CANdoFlushBuffers CANdoSetState");
    EXPECT_EQ(Cando().arg("CANdoGetDevices", 0), 10) << "count preset to the list's capacity";
    // The open sleeps 100 + 10 + 10 ms; the virtual clock moved with it.
    EXPECT_EQ(svc_tick_ms() - before, 240u);
}

TEST_F(CandoTest, PortsChooseDevicesByIndexOrSerial) {
    Cando().add_device("AB12cd");
    Cando().add_device("ZZ99");
    ASSERT_EQ(can_open(1), 0);
    EXPECT_EQ(Cando().open_ports(1), 1) << "no selector: port 1 takes device 1";

    static const char lower[] = "ab12CD";
    can_set_adapter(0, CAN_ADAPTER_CANDO, lower);
    ASSERT_EQ(can_open(0), 0);
    EXPECT_EQ(Cando().open_ports(0), 1) << "serial compared ignoring case";

    static const char unknown[] = "nope";
    can_close(0);
    can_set_adapter(0, 7, unknown); // any unknown type is CANdo
    EXPECT_EQ(can_open(0), -1);
    EXPECT_NE(Debug().find("CANDO: Failed to map CAN port 1 to CANdo\n"), std::string::npos);
}

TEST_F(CandoTest, NoDeviceFailsToMap) {
    EXPECT_EQ(can_open(0), -1);
    EXPECT_EQ(Debug(), "CANDO: Failed to map CAN port 1 to CANdo\n");
}

TEST_F(CandoTest, BitrateChoosesTheTimingRow) {
    struct Case {
        uint32_t bitrate;
        bool timed;
        long brp, phseg1, phseg2;
    };
    static const Case cases[] = {
        {125000, true, 3, 7, 7},  {250000, true, 1, 7, 7},  {500000, true, 0, 7, 7},
        {1000000, true, 0, 2, 2}, {100000, false, 0, 0, 0},
    };
    Cando().add_device("CD1");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bitrate);
        can_close(0);
        const int before = Cando().calls("CANdoSetBaudRate");
        EXPECT_EQ(can_set_bitrate(0, c.bitrate), -1);
        ASSERT_EQ(can_open(0), 0);
        EXPECT_EQ(Cando().calls("CANdoSetBaudRate") - before, c.timed ? 1 : 0);
        if (!c.timed) continue;
        EXPECT_EQ(Cando().arg("CANdoSetBaudRate", 0), 0); // SJW
        EXPECT_EQ(Cando().arg("CANdoSetBaudRate", 1), c.brp);
        EXPECT_EQ(Cando().arg("CANdoSetBaudRate", 2), c.phseg1);
        EXPECT_EQ(Cando().arg("CANdoSetBaudRate", 3), c.phseg2);
        EXPECT_EQ(Cando().arg("CANdoSetBaudRate", 4), 2); // PROPSEG
    }
}

TEST_F(CandoTest, CustomTimingFeedsTheLowBytesInItsOrder) {
    Cando().add_device("CD1");
    ASSERT_EQ(can_open(0), 0);
    const CanBitTiming t{{50000, 0, 0, 0x103, 0x104, 0x105, 0x106, 0x107}};
    EXPECT_EQ(can_set_bit_timing(0, &t), 0) << "reopened";
    // (t6, t7, t4, t5, t3, 0), each cut to a byte.
    for (int i = 0; i < 6; ++i) {
        static const long expected[] = {6, 7, 4, 5, 3, 0};
        EXPECT_EQ(Cando().arg("CANdoSetBaudRate", i), expected[i]) << i;
    }
    EXPECT_EQ(device_memory.can.cando.port[0].bitrate, 50000u);
}

TEST_F(CandoTest, FailedStartClosesTheDeviceAgain) {
    Cando().add_device("CD1");
    for (const char* call : {"CANdoSetMode", "CANdoFlushBuffers", "CANdoSetState"}) {
        SCOPED_TRACE(call);
        Cando().force(call, 1);
        const int closes = Cando().calls("CANdoClose");
        EXPECT_EQ(can_open(0), -1);
        EXPECT_EQ(Cando().calls("CANdoClose"), closes + 1);
        EXPECT_EQ(Cando().open_ports(0), 0);
        Cando().force(call, 0);
    }
    EXPECT_EQ(can_open(0), 0);
}

TEST_F(CandoTest, ReceiveFetchesInBulkAndConvertsTimestamps) {
    Cando().add_device("CD1");
    ASSERT_EQ(can_open(0), 0);
    const uint8_t data[8] = {9, 8, 7, 6, 5, 4, 3, 2};
    Cando().inject(0, 0x321, 0, data, 4, 10);
    Cando().inject(0, 0x1FFFFFFF, 1, data, 8, 1000);
    CanMessage m{};
    ASSERT_EQ(can_receive(0, &m), 0);
    EXPECT_EQ(m.id, 0x321u);
    EXPECT_EQ(m.dlc, 4);
    EXPECT_EQ(m.timestamp_us, 256u);
    EXPECT_EQ(device_memory.can.cando.port[0].status[8], 0);
    ASSERT_EQ(can_receive(0, &m), 0);
    EXPECT_EQ(m.extended, 1);
    EXPECT_EQ(m.timestamp_us, 25600u);
    EXPECT_EQ(can_receive(0, &m), -1);
    EXPECT_EQ(Cando().calls("CANdoReceive"), 1) << "one fetch within 10 ms";

    Cando().inject(0, 0x10, 0, data, 1, 0);
    EXPECT_EQ(can_receive(0, &m), -1);
    svc_clock_advance(10);
    EXPECT_EQ(can_receive(0, &m), 0);
    EXPECT_EQ(Cando().calls("CANdoReceive"), 2);
}

TEST_F(CandoTest, FullReceiveBufferIsDrainedWhole) {
    Cando().add_device("CD1");
    ASSERT_EQ(can_open(0), 0);
    const uint8_t data[8] = {};
    for (int i = 0; i < CANDO_RX_SLOTS + 5; ++i)
        Cando().inject(0, static_cast<uint32_t>(i), 0, data, 0, 0);
    CanMessage m{};
    int n = 0;
    while (can_receive(0, &m) == 0) {
        EXPECT_EQ(m.id, static_cast<uint32_t>(n));
        ++n;
    }
    EXPECT_EQ(n, CANDO_RX_SLOTS) << "a full buffer holds every slot";
}

/* A received message is its frame and nothing else: the slot has no
 * remote flag, so remote is 0, and no byte of an earlier frame shows
 * beyond the dlc, in the receive pass's messages (which the hooks and the
 * rings see) as in a caller's own. */
TEST_F(CandoTest, ReceivedMessageCarriesNothingOfAnEarlierOne) {
    static std::vector<CanMessage> hooked;
    hooked.clear();
    can_set_rx_hook(0, [](int, CanMessage* m) { hooked.push_back(*m); });
    Cando().add_device("CD1");
    ASSERT_EQ(can_open(0), 0);
    const uint8_t ones[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    Cando().inject(0, 0x100, 0, ones, 8, 0);
    Cando().inject(0, 0x101, 0, ones, 2, 0);
    can_receive_pass();
    ASSERT_EQ(hooked.size(), 2u);
    for (int i = 2; i < 8; ++i)
        EXPECT_EQ(hooked[1].data[i], 0) << i;
    EXPECT_EQ(hooked[1].remote, 0);
    const CanRing& ring = device_memory.can.queue.rx[0];
    EXPECT_EQ(ring.slot[ring.write].data[7], 0) << "the ring holds no stale byte either";

    svc_clock_advance(CANDO_FETCH_INTERVAL_MS);
    Cando().inject(0, 0x102, 0, ones, 1, 0);
    CanMessage m{};
    m.remote = 1;
    ASSERT_EQ(can_receive(0, &m), 0);
    EXPECT_EQ(m.id, 0x102u);
    EXPECT_EQ(m.remote, 0);
}

/* A library that reports a write index beyond the buffer leaves nothing to
 * read (rather than slot after slot of garbage) until it reports a sound
 * one again; the frames in between are then read in order. */
TEST_F(CandoTest, WriteIndexOutOfTheBufferLeavesNothingToRead) {
    Cando().add_device("CD1");
    ASSERT_EQ(can_open(0), 0);
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    Cando().inject(0, 0x201, 0, data, 8, 0);
    CanMessage m{};
    ASSERT_EQ(can_receive(0, &m), 0);
    EXPECT_EQ(m.id, 0x201u);

    for (const long index : {long{CANDO_RX_SLOTS}, 0xFFFFFFFFL}) {
        SCOPED_TRACE(index);
        Cando().report_write_index(index);
        svc_clock_advance(CANDO_FETCH_INTERVAL_MS);
        Cando().inject(0, 0x202, 0, data, 8, 0);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(can_receive(0, &m), -1);
        EXPECT_EQ(Cando().calls("CANdoReceive"), index == CANDO_RX_SLOTS ? 2 : 3);
    }

    Cando().report_write_index(-1);
    svc_clock_advance(CANDO_FETCH_INTERVAL_MS);
    for (const uint32_t id : {0x202u, 0x202u}) {
        ASSERT_EQ(can_receive(0, &m), 0);
        EXPECT_EQ(m.id, id);
    }
    EXPECT_EQ(can_receive(0, &m), -1);
}

/* One frame per device-clock millisecond. Under the virtual clock each wait
 * advances the clock, so the transmit ends without any host stepping it. */
TEST_F(CandoTest, TransmitWaitsForTheNextMillisecond) {
    Cando().add_device("CD1");
    ASSERT_EQ(can_open(0), 0);
    CanMessage m{};
    m.id = 0x100;
    m.dlc = 1;
    const uint32_t start = sys_time_ms();
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(can_transmit(0, &m), 0);
    EXPECT_EQ(Cando().sent_count(0), 5);
    EXPECT_EQ(sys_time_ms() - start, 4u)
        << "the first frame goes at once, each further one a millisecond later";

    can_close(0);
    EXPECT_EQ(can_transmit(0, &m), -1);
    EXPECT_EQ(Cando().sent_count(0), 5);
}

TEST_F(CandoTest, LibraryMissingAnEntryPointIsRefused) {
    FakeCando incomplete("lib-incomplete");
    ASSERT_TRUE(incomplete.lib.Loaded());
    incomplete.reset();
    incomplete.add_device("CD1");
    can_set_library_dir(FakeLibDir("lib-incomplete").c_str());
    EXPECT_EQ(can_open(0), -1);
    EXPECT_EQ(incomplete.calls("CANdoGetDevices"), 0);
    EXPECT_EQ(Debug(), "CANDO: Failed to map CAN port 1 to CANdo\n");
}

} // namespace
