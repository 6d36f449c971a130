#include <cstring>

#include "device/app/app.h"
#include "device/can/can_fixture.h"
#include "device/can/can_queue.h"
#include "device/can/remote_io.h"

namespace {

class RemoteIoTest : public CanTest {
  protected:
    static void Reply(std::initializer_list<uint8_t> bytes) {
        CanFrame f{};
        f.id_word = 0x422 << 3;
        f.control = 0x80;
        std::copy(bytes.begin(), bytes.end(), f.data);
        rio_handle_reply(&f);
    }
    /* The newest frame queued on port 0. */
    static const CanFrame& Newest() {
        const CanRing& r = device_memory.can.queue.tx[0];
        return r.slot[r.write];
    }
};

TEST_F(RemoteIoTest, RepliesFillTheValueStore) {
    Reply({5, 1, 0, 0, 0x00, 0x00, 0x80, 0x3F});
    EXPECT_EQ(rio_analog(1), 1.0f);
    Reply({6, 0, 0, 0, 0x00, 0x00, 0x48, 0x41});
    EXPECT_EQ(rio_supply(), 12.5f);
    Reply({7, 0, 0, 0, 0x00, 0x00, 0x00, 0x40});
    Reply({8, 0, 0, 0, 0x00, 0x00, 0x40, 0x40});
    EXPECT_EQ(rio_reading_a(), 2.0f);
    EXPECT_EQ(rio_reading_b(), 3.0f);
    Reply({10, 4, 0, 0, 1, 0, 0, 0});
    uint32_t state = 0;
    EXPECT_EQ(rio_input_state(4, &state), 1);
    EXPECT_EQ(state, 1u);
    Reply({12, 0, 0x5A, 0, 0, 0, 0, 0});
    EXPECT_EQ(rio_ready(), 0x5Au);

    Reply({11, 2, 0, 0, 200, 0, 0, 0});
    uint32_t value = 0;
    uint16_t flag = 9;
    EXPECT_EQ(rio_counter(2, &value, &flag), 1);
    EXPECT_EQ(value, 200u);
    EXPECT_EQ(flag, 0);
    Reply({11, 2, 0, 0, 7, 0, 0, 1});
    rio_counter(2, &value, &flag);
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(flag, 1) << "byte 7 non-zero";
}

TEST_F(RemoteIoTest, OtherTypesAndChannelsChangeNothing) {
    Reply({5, 1, 0, 0, 0x00, 0x00, 0x80, 0x3F});
    const RioState before = device_memory.can.rio;
    for (uint8_t type : {0, 1, 4, 9, 13, 200, 255})
        Reply({type, 1, 1, 1, 1, 1, 1, 1});
    Reply({5, 8, 0, 0, 0, 0, 0x80, 0x3F}); // channel 8: outside the table
    Reply({10, 5, 0, 0, 1, 0, 0, 0});
    Reply({11, 3, 0, 0, 1, 0, 0, 0});
    const RioState& after = device_memory.can.rio;
    for (int c = 0; c < RIO_ANALOG_CHANNELS; ++c)
        EXPECT_EQ(after.analog[c], before.analog[c]);
    for (int c = 0; c < RIO_INPUT_CHANNELS; ++c)
        EXPECT_EQ(after.input[c], before.input[c]);
    for (int c = 0; c < RIO_COUNTER_CHANNELS; ++c)
        EXPECT_EQ(after.counter[c], before.counter[c]);
    EXPECT_EQ(after.supply, before.supply);
    EXPECT_EQ(after.ready, before.ready);
    uint32_t state;
    EXPECT_EQ(rio_input_state(5, &state), 0);
}

TEST_F(RemoteIoTest, CommandsHaveTheirLayout) {
    struct Case {
        const char* name;
        int (*send)();
        uint8_t bytes[8];
    };
    static const Case cases[] = {
        {"request all", [] { return rio_request_all(); }, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"switch on", [] { return rio_switch_output(1, 3); }, {1, 3, 0, 0, 0, 0, 0, 0}},
        {"analogue 0.75",
         [] { return rio_set_analog_output(1, 0.75f); },
         {4, 1, 0x02, 0xEE, 0, 0, 0, 0}},
        {"analogue -0.0015",
         [] { return rio_set_analog_output(2, -0.0015f); },
         {4, 2, 0xFF, 0xFF, 0, 0, 0, 0}},
        {"analogue 70",
         [] { return rio_set_analog_output(1, 70.0f); },
         {4, 1, 0x11, 0x70, 0, 0, 0, 0}},
        {"duty", [] { return rio_set_output_duty(2, 1); }, {9, 2, 1, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.send(), 1);
        EXPECT_EQ(Newest().id_word, 0x421u << 3);
        EXPECT_EQ(Newest().control, 0x88);
        EXPECT_EQ(std::memcmp(Newest().data, c.bytes, 8), 0);
    }
}

TEST_F(RemoteIoTest, StatusFrameEncodesAnalogueAndSupply) {
    struct Case {
        float supply;
        uint8_t lo, hi;
    };
    static const Case cases[] = {
        {12.5f, 0xE2, 0x04},
        {0.999f, 0x63, 0x00},
        {700.0f, 0xFF, 0xFF},
        {-1.0f, 0x00, 0x00},
    };
    Reply({5, 1, 0, 0, 0x00, 0x00, 0x80, 0x3F}); // analogue input 1 = 1.0
    for (const Case& c : cases) {
        SCOPED_TRACE(c.supply);
        uint8_t bytes[8] = {6, 0, 0, 0};
        std::memcpy(bytes + 4, &c.supply, 4);
        CanFrame f{};
        std::memcpy(f.data, bytes, 8);
        rio_handle_reply(&f);
        model_step();
        const RioState& s = device_memory.can.rio;
        EXPECT_EQ(s.periodic_id, 0x111u);
        EXPECT_EQ(s.periodic_data[0], 0x64);
        EXPECT_EQ(s.periodic_data[1], 0x00);
        EXPECT_EQ(s.periodic_data[2], c.lo);
        EXPECT_EQ(s.periodic_data[3], c.hi);
        for (int i = 4; i < 8; ++i)
            EXPECT_EQ(s.periodic_data[i], 0);
    }
}

TEST_F(RemoteIoTest, PeriodicFrameLeavesOnEveryTwentiethTick) {
    const uint8_t data[8] = {0x64, 0};
    EXPECT_EQ(can_periodic_tx_set(0x111, 0, 12, data), 8);
    for (int tick = 1; tick <= 60; ++tick) {
        const int before = can_ring_count(&device_memory.can.queue.tx[0]);
        can_periodic_tx_step();
        const bool sent = can_ring_count(&device_memory.can.queue.tx[0]) > before;
        EXPECT_EQ(sent, tick % 20 == 0) << tick;
    }
}

/* A second of device time over the fake CANlib, whose remote I/O unit
 * answers every request: the traffic on port 0, and the reply's way into
 * the next status frame. */
TEST_F(RemoteIoTest, OneSecondOfTrafficOnPortZero) {
    Canlib().rio_reply(std::initializer_list<uint8_t>{5, 1, 0, 0, 0x00, 0x00, 0x80, 0x3F}.begin());
    sys_init();
    sys_app_thread_start();
    Run(1000);
    int request = 0, duty = 0, analog = 0, status = 0, first_status = -1;
    for (int i = 0; i < Canlib().sent_count(0); ++i) {
        uint32_t id;
        uint8_t ext, dlc, d[8];
        Canlib().sent(0, i, &id, &ext, d, &dlc);
        ASSERT_EQ(dlc, 8);
        ASSERT_EQ(ext, 0);
        if (id == 0x111) {
            ++status;
            if (first_status < 0) first_status = i;
            if (status == 5) {
                EXPECT_EQ(d[0], 0x64) << "the unit's 1.0 is in the status frame";
                EXPECT_EQ(d[1], 0x00);
            }
        } else if (id == 0x421 && d[0] == 0) {
            ++request;
        } else if (id == 0x421 && d[0] == 9) {
            ++duty;
        } else if (id == 0x421 && d[0] == 4) {
            ++analog;
            static const uint8_t expected[8] = {4, 1, 2, 0xEE, 0, 0, 0, 0};
            EXPECT_EQ(std::memcmp(d, expected, 8), 0);
        }
    }
    EXPECT_EQ(request, 10);
    EXPECT_EQ(duty, 200);
    EXPECT_EQ(status, 5);
    EXPECT_EQ(analog, 1);
    EXPECT_EQ(Canlib().rio_commands(0), 10) << "the unit heard every request";
    EXPECT_EQ(rio_analog(1), 1.0f);
}

TEST_F(RemoteIoTest, FirstStatusFrameIsQueuedOnTheTwentiethTick) {
    sys_init();
    auto statusQueued = [] {
        const CanRing& r = device_memory.can.queue.tx[0];
        for (int at = r.read; at != r.write;) {
            at = at + 1 == CAN_RING_SLOTS ? 0 : at + 1;
            if (r.slot[at].id_word == 0x111u << 3) return true;
        }
        return false;
    };
    for (int tick = 1; tick < 20; ++tick)
        sys_tick_isr();
    EXPECT_FALSE(statusQueued());
    sys_tick_isr();
    EXPECT_TRUE(statusQueued());
}

} // namespace
