#include <cstring>
#include <linux/can.h>
#include <sys/socket.h>
#include <unistd.h>

#include "device/can/can_fixture.h"
#include "device/can/can_socketcan.h"

namespace {

/* Port 0 on one end of a socket pair; the test plays the bus on the other. */
class SocketcanTest : public CanTest {
  protected:
    void SetUp() override {
        CanTest::SetUp();
        int fds[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds), 0);
        bus_ = fds[1];
        can_set_adapter(0, CAN_ADAPTER_SOCKETCAN, "vcan0");
        ASSERT_EQ(socketcan_attach(0, fds[0]), 0);
    }
    void TearDown() override {
        CanTest::TearDown(); // closes the port's end
        close(bus_);
    }
    void Send(uint32_t can_id, uint8_t len, size_t size = sizeof(can_frame)) {
        can_frame f{};
        f.can_id = can_id;
        f.len = len;
        for (int i = 0; i < 8; ++i)
            f.data[i] = static_cast<uint8_t>(0xA0 + i);
        ASSERT_EQ(send(bus_, &f, size, 0), static_cast<ssize_t>(size));
    }
    int bus_ = -1;
};

TEST_F(SocketcanTest, ReceiveCarriesFlagsAndSkipsWhatIsNotAFrame) {
    Send(0x123, 3);
    Send(0x1ABCDEF | CAN_EFF_FLAG, 8);
    Send(0x7FF | CAN_RTR_FLAG, 0);
    Send(CAN_ERR_FLAG | 0x4, 8); // error frame: passed over
    Send(0x55, 8, 8);            // too short: passed over
    Send(0x66, 15);              // a length above 8 is taken as 8
    CanMessage m{};
    struct Expect {
        uint32_t id;
        uint8_t extended, remote, dlc;
    };
    static const Expect expected[] = {
        {0x123, 0, 0, 3},
        {0x1ABCDEF, 1, 0, 8},
        {0x7FF, 0, 1, 0},
        {0x66, 0, 0, 8},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.id);
        ASSERT_EQ(can_receive(0, &m), 0);
        EXPECT_EQ(m.id, e.id);
        EXPECT_EQ(m.extended, e.extended);
        EXPECT_EQ(m.remote, e.remote);
        EXPECT_EQ(m.dlc, e.dlc);
        EXPECT_EQ(m.data[0], 0xA0);
        EXPECT_GT(m.timestamp_us, 1000000000000000ull)
            << "the socket's own (wall-clock) time stamp";
    }
    EXPECT_EQ(can_receive(0, &m), -1) << "nothing waiting: no block";
}

TEST_F(SocketcanTest, TransmitWritesOneFrameRecord) {
    CanMessage m{};
    m.id = 0x18DAF110;
    m.extended = 1;
    m.dlc = 2;
    m.data[0] = 0x3E;
    m.data[1] = 0x80;
    m.data[2] = 0xFF; // beyond dlc: not sent
    ASSERT_EQ(can_transmit(0, &m), 0);
    m = CanMessage{};
    m.id = 0x7DF;
    m.remote = 1;
    ASSERT_EQ(can_transmit(0, &m), 0);

    can_frame f{};
    ASSERT_EQ(recv(bus_, &f, sizeof f, 0), static_cast<ssize_t>(sizeof f));
    EXPECT_EQ(f.can_id, 0x18DAF110u | CAN_EFF_FLAG);
    EXPECT_EQ(f.len, 2);
    EXPECT_EQ(f.data[1], 0x80);
    EXPECT_EQ(f.data[2], 0);
    ASSERT_EQ(recv(bus_, &f, sizeof f, 0), static_cast<ssize_t>(sizeof f));
    EXPECT_EQ(f.can_id, 0x7DFu | CAN_RTR_FLAG);
    EXPECT_EQ(device_memory.can.adapter.tx_frames[0], 2u);
}

TEST_F(SocketcanTest, ClosedPortAndMissingInterfaceFail) {
    EXPECT_EQ(can_is_open(0), 1);
    EXPECT_EQ(can_set_bitrate(0, 500000), 0) << "the interface keeps its own bitrate";
    can_close(0);
    CanMessage m{};
    EXPECT_EQ(can_receive(0, &m), -1);
    EXPECT_EQ(can_transmit(0, &m), -1);
    // This machine has no such interface (or no CAN sockets at all).
    can_set_adapter(0, CAN_ADAPTER_SOCKETCAN, "pcsimnone0");
    EXPECT_EQ(can_open(0), -1);
    EXPECT_EQ(Debug(), "SOCKETCAN: Failed to map CAN port 1 to pcsimnone0\n");
}

} // namespace
