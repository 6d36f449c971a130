#include <cstring>

#include "device/can/can_fixture.h"
#include "device/can/can_queue.h"
#include "device/can/can_rx_fifo.h"
#include "device/can/remote_io.h"

namespace {

class CanQueueTest : public CanTest {
  protected:
    CanRing& Tx(int port) { return device_memory.can.queue.tx[port]; }
    CanRing& Rx(int port) { return device_memory.can.queue.rx[port]; }
    /* Newest slot of a transmit ring. */
    const CanFrame& Newest(int port) { return Tx(port).slot[Tx(port).write]; }
    /* Both ports open on the fake CANlib, receive rings empty. */
    void OpenBoth() {
        can_queues_init();
        ASSERT_EQ(can_open(0), 0);
        ASSERT_EQ(can_open(1), 0);
    }
};

TEST_F(CanQueueTest, SendFillsTheSlot) {
    struct Case {
        uint32_t id;
        uint8_t extended, dlc;
        uint32_t word;
        uint8_t control;
    };
    static const Case cases[] = {
        {0x111, 0, 8, 0x888, 0x88},
        {0x111, 1, 8, 0x888, 0x8C},
        {0x10000001, 5, 3, 0x80000008, 0x3C}, // any non-zero extended; bit 28 lands in bit 31
        {0x7FF, 0, 0, 0x3FF8, 0x08},
    };
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(can_send(0, c.id, c.extended, c.dlc, data), 1);
        const CanFrame& f = Newest(0);
        EXPECT_EQ(f.id_word, c.word);
        EXPECT_EQ(f.control, c.control);
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(f.data[i], i < c.dlc ? data[i] : 0) << i;
    }
}

TEST_F(CanQueueTest, FullTransmitRingReplacesTheNewestFrame) {
    uint8_t data[8] = {};
    for (int i = 0; i < 240; ++i) {
        data[0] = static_cast<uint8_t>(i);
        can_send(1, 0x100 + static_cast<uint32_t>(i), 0, 8, data);
    }
    EXPECT_EQ(can_ring_count(&Tx(1)), 239);
    EXPECT_EQ(Newest(1).id_word >> 3, 0x100u + 239) << "the 240th replaced the 239th";
    EXPECT_EQ(Tx(1).slot[Tx(1).write == 0 ? 239 : Tx(1).write - 1].id_word >> 3, 0x100u + 237);

    ASSERT_EQ(can_open(1), 0);
    can_transmit_pass();
    ASSERT_EQ(Canlib().sent_count(1), 239);
    uint32_t id;
    uint8_t ext, dlc, sent[8];
    Canlib().sent(1, 238, &id, &ext, sent, &dlc);
    EXPECT_EQ(id, 0x100u + 239);
    EXPECT_EQ(sent[0], 239);
    EXPECT_EQ(can_ring_count(&Tx(1)), 0);
}

TEST_F(CanQueueTest, TransmitPassDropsWhatAClosedPortRefuses) {
    const uint8_t data[8] = {};
    for (int i = 0; i < 5; ++i)
        can_send(0, 0x200, 0, 8, data);
    can_transmit_pass();
    EXPECT_EQ(can_ring_count(&Tx(0)), 0);
    ASSERT_EQ(can_open(0), 0);
    can_transmit_pass();
    EXPECT_EQ(Canlib().sent_count(0), 0) << "the dropped frames are gone";
}

/* More frames waiting than a ring holds: the pass stops at a full ring and
 * leaves the rest in the adapter, so nothing is overwritten unread. */
TEST_F(CanQueueTest, ReceivePassNeverOverrunsItsRing) {
    OpenBoth();
    const uint8_t data[8] = {};
    for (int i = 0; i < 1000; ++i)
        Canlib().inject(0, static_cast<uint32_t>(i), 4, data, 8, 0);
    uint32_t seen = 0;
    int passes = 0;
    for (; passes < 10 && seen < 1000; ++passes) {
        can_receive_pass();
        uint16_t age = 0;
        uint32_t id = 0;
        // The log's read took each frame as it was pushed; the newest is
        // what the extended FIFO reads again.
        can_fifo_read(CAN_FIFO_PORT0_EXT, &age, &id, nullptr, nullptr, 8);
        seen = id + 1;
        EXPECT_EQ(Canlib().pending(0), static_cast<int>(1000 - seen));
        if (passes == 0) {
            EXPECT_EQ(seen, 239u);
        }
    }
    EXPECT_EQ(seen, 1000u);
    EXPECT_EQ(passes, 5);
    EXPECT_EQ(device_memory.can.adapter.rx_frames[0], 1000u);
}

TEST_F(CanQueueTest, DispatchHandsRepliesToRemoteIoOnPortZeroOnly) {
    OpenBoth();
    const uint8_t reply[8] = {0x05, 0x01, 0, 0, 0x00, 0x00, 0x80, 0x3F};
    Canlib().inject(1, 0x422, 0, reply, 8, 0);
    can_receive_pass();
    EXPECT_EQ(rio_analog(1), 0.0f) << "0x422 on port 1 is not a reply";
    uint32_t id = 0;
    EXPECT_EQ(can_fifo_read(CAN_FIFO_PORT1_STD, nullptr, &id, nullptr, nullptr, 8), 8);
    EXPECT_EQ(id, 0x422u);

    Canlib().inject(0, 0x422, 0, reply, 8, 0);
    Canlib().inject(0, 0xF422, 0, reply, 8, 0); // masked to 11 bits: 0x422 as well
    can_receive_pass();
    EXPECT_EQ(rio_analog(1), 1.0f);
    EXPECT_EQ(can_fifo_read(CAN_FIFO_PORT0_STD, nullptr, &id, nullptr, nullptr, 8), 8);
    EXPECT_EQ(id, 0x422u);
}

TEST_F(CanQueueTest, ExtendedFramesKeepTheir29BitIdentifier) {
    OpenBoth();
    const uint8_t data[8] = {7};
    Canlib().inject(0, 0x1FFFFFFF, 4, data, 1, 0);
    Canlib().inject(1, 0x10000422, 4, data, 1, 0);
    can_receive_pass();
    EXPECT_EQ(Rx(0).slot[1].id_word, 0xFFFFFFF8u);
    EXPECT_EQ(Rx(0).slot[1].control, 0x14);
    uint32_t id = 0;
    uint8_t extended = 0;
    can_fifo_read(CAN_FIFO_PORT0_EXT, nullptr, &id, &extended, nullptr, 8);
    EXPECT_EQ(id, 0x1FFFFFFFu);
    EXPECT_EQ(extended, 1);
    can_fifo_read(CAN_FIFO_PORT1_EXT, nullptr, &id, &extended, nullptr, 8);
    EXPECT_EQ(id, 0x10000422u);
}

/* Both ports on one fake bus (Kvaser channels 0 and 1, or one CANdo
 * serving both): what the device queues on CAN1 reaches the application's
 * CAN2 FIFOs, standard and extended, data intact. */
TEST_F(CanQueueTest, FrameSentOnOnePortArrivesOnTheOtherOverTheFakeBus) {
    Cando().add_device("CD1");
    for (const int32_t adapter : {CAN_ADAPTER_KVASER, CAN_ADAPTER_CANDO}) {
        SCOPED_TRACE(adapter);
        for (int port = 0; port < CAN_PORT_COUNT; ++port)
            can_choose_adapter(port, adapter, nullptr);
        OpenBoth();
        const uint8_t data[8] = {0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04};
        can_send(0, 0x3AB, 0, 4, data);
        can_send(0, 0x18DAF110, 1, 8, data);
        can_transmit_pass();
        can_receive_pass();

        struct Expected {
            int fifo;
            uint32_t id;
            uint8_t extended, len;
        };
        static const Expected expected[] = {
            {CAN_FIFO_PORT1_STD, 0x3AB, 0, 4},
            {CAN_FIFO_PORT1_EXT, 0x18DAF110, 1, 8},
        };
        for (const Expected& e : expected) {
            uint32_t id = 0;
            uint8_t extended = 0, got[8] = {};
            ASSERT_EQ(can_fifo_read(e.fifo, nullptr, &id, &extended, got, 8), e.len);
            EXPECT_EQ(id, e.id);
            EXPECT_EQ(extended, e.extended);
            EXPECT_EQ(std::memcmp(got, data, e.len), 0);
        }
        uint32_t id = 0;
        EXPECT_EQ(can_fifo_read(CAN_FIFO_PORT0_STD, nullptr, &id, nullptr, nullptr, 8), 0)
            << "the sender does not hear itself";
        can_close(0);
        can_close(1);
    }
}

TEST_F(CanQueueTest, ChosenAdaptersAreAppliedByTheQueueInitialisation) {
    can_queues_init();
    EXPECT_EQ(device_memory.can.adapter.type[0], CAN_ADAPTER_KVASER);
    EXPECT_EQ(device_memory.can.adapter.selector[1], nullptr);

    EXPECT_EQ(can_choose_adapter(1, CAN_ADAPTER_REPLAY, "trace.ctb"), 0);
    EXPECT_EQ(can_choose_adapter(2, CAN_ADAPTER_REPLAY, "x"), -1);
    const std::string tooLong(CAN_SELECTOR_MAX, 'x');
    EXPECT_EQ(can_choose_adapter(0, CAN_ADAPTER_REPLAY, tooLong.c_str()), -1);
    device_memory.sys.can_reset_request = 1;
    can_queues_init();
    EXPECT_EQ(device_memory.sys.can_reset_request, 0);
    EXPECT_EQ(device_memory.can.adapter.type[0], CAN_ADAPTER_KVASER);
    EXPECT_EQ(device_memory.can.adapter.type[1], CAN_ADAPTER_REPLAY);
    EXPECT_STREQ(device_memory.can.adapter.selector[1], "trace.ctb");
}

TEST_F(CanQueueTest, PortNumbersOutOfRangeAreIgnored) {
    const CanAdapterState before = device_memory.can.adapter;
    EXPECT_EQ(can_set_adapter(2, CAN_ADAPTER_REPLAY, "x"), 2);
    EXPECT_EQ(can_set_adapter(-1, CAN_ADAPTER_REPLAY, "x"), -1);
    EXPECT_EQ(can_set_rx_hook(5, nullptr), 5);
    for (int port = 0; port < CAN_PORT_COUNT; ++port) {
        EXPECT_EQ(device_memory.can.adapter.type[port], before.type[port]);
        EXPECT_EQ(device_memory.can.adapter.selector[port], before.selector[port]);
    }
    EXPECT_EQ(can_send(2, 0x1, 0, 8, nullptr), 1);
    EXPECT_EQ(can_ring_count(&Tx(0)) + can_ring_count(&Tx(1)), 0);
    CanPortStatus status;
    EXPECT_EQ(can_port_status(2, &status), -1);
}

TEST_F(CanQueueTest, HooksSeeEveryMessageThatPasses) {
    static int received = 0;
    static int sent = 0;
    received = sent = 0;
    can_set_rx_hook(0, [](int port, CanMessage* m) { received += port == 0 && m->id == 0x55; });
    can_set_tx_hook(0, [](int port, const CanMessage* m) { sent += port == 0 && m->id == 0x66; });
    OpenBoth();
    const uint8_t data[8] = {};
    Canlib().inject(0, 0x55, 0, data, 8, 0);
    can_receive_pass();
    can_send(0, 0x66, 0, 8, data);
    can_transmit_pass();
    EXPECT_EQ(received, 1);
    EXPECT_EQ(sent, 1);
    can_close(0);
    can_send(0, 0x66, 0, 8, data);
    can_transmit_pass();
    EXPECT_EQ(sent, 1) << "a refused message is not hooked";
}

} // namespace
