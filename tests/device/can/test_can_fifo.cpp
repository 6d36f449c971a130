#include "device/can/can_rx_fifo.h"
#include "device/device_fixture.h"

namespace {

class CanFifoTest : public DeviceTest {
  protected:
    /* A ten-slot FIFO of its own, without the traffic log's reads. */
    CanRxFifo fifo_;
    void Push(uint32_t id, uint8_t len = 8) {
        const uint8_t data[8] = {static_cast<uint8_t>(id), 1, 2, 3, 4, 5, 6, 7};
        rx_fifo_push(&fifo_, CAN_FIFO_DEPTH, id, len, data);
    }
    uint32_t Read(uint16_t* age = nullptr, uint8_t* n = nullptr) {
        uint32_t id = 0;
        uint8_t data[8];
        const uint8_t got = rx_fifo_read(&fifo_, CAN_FIFO_DEPTH, age, &id, data, 8);
        if (n) *n = got;
        return id;
    }
};

TEST_F(CanFifoTest, OverflowKeepsTheTenNewest) {
    for (uint32_t id = 1; id <= 11; ++id)
        Push(id);
    for (uint32_t id = 2; id <= 11; ++id)
        EXPECT_EQ(Read(), id);
    uint16_t age = 0;
    EXPECT_EQ(Read(&age), 11u) << "the newest again";
    EXPECT_EQ(age, 1) << "read once since it came";
}

TEST_F(CanFifoTest, FreshFifoDeliversNothingAndStaysUnaged) {
    for (int i = 0; i < 3; ++i) {
        uint16_t age = 0;
        uint8_t n = 9;
        Read(&age, &n);
        EXPECT_EQ(n, 0);
        EXPECT_EQ(age, CAN_FIFO_AGE_NONE);
    }
}

TEST_F(CanFifoTest, ReaderAheadOfTheTrafficSeesTheNewestAgeing) {
    Push(5, 3);
    uint16_t age = 9;
    uint8_t n = 0;
    EXPECT_EQ(Read(&age, &n), 5u);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(age, 0);
    EXPECT_EQ(Read(&age), 5u);
    EXPECT_EQ(age, 1);
    Push(6);
    EXPECT_EQ(Read(&age), 6u) << "a new entry after everything was read is next";
    EXPECT_EQ(age, 0);
    uint8_t two[2];
    uint32_t id;
    EXPECT_EQ(rx_fifo_read(&fifo_, CAN_FIFO_DEPTH, nullptr, &id, two, 2), 2) << "at most max bytes";
}

TEST_F(CanFifoTest, MailboxTakesOnlyEightByteFramesOf0x700) {
    can_app_rx_reset(0);
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    uint8_t got[8] = {};
    EXPECT_EQ(can_mailbox_700_read(got), 0);
    app_can0_std_rx(0x700, 4, data);
    EXPECT_EQ(can_mailbox_700_read(got), 0) << "dlc 4: only the FIFO";
    uint32_t id = 0;
    EXPECT_EQ(can_fifo_read(CAN_FIFO_PORT0_STD, nullptr, &id, nullptr, nullptr, 8), 4);
    app_can0_std_rx(0x701, 8, data);
    EXPECT_EQ(can_mailbox_700_read(got), 0);
    app_can0_std_rx(0x700, 8, data);
    EXPECT_EQ(can_mailbox_700_read(got), 8);
    EXPECT_EQ(got[7], 8);
    uint16_t age = 0;
    can_fifo_read(CAN_FIFO_MAILBOX_700, &age, &id, nullptr, nullptr, 8);
    EXPECT_EQ(age, 1) << "the mailbox counts the reads since the frame came";
    EXPECT_EQ(id, 0x700u);
}

TEST_F(CanFifoTest, FifosReportTheirExtendedValue) {
    for (int f = 0; f < CAN_FIFO_COUNT; ++f) {
        uint8_t extended = 9;
        can_fifo_read(f, nullptr, nullptr, &extended, nullptr, 8);
        EXPECT_EQ(extended, (f == CAN_FIFO_PORT0_EXT || f == CAN_FIFO_PORT1_EXT) ? 1 : 0) << f;
    }
    EXPECT_EQ(can_fifo_read(CAN_FIFO_COUNT, nullptr, nullptr, nullptr, nullptr, 8), 0);
}

} // namespace
