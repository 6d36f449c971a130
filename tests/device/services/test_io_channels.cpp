#include <cmath>
#include <cstring>

#include "device/device_fixture.h"
#include "device/services/io_channels.h"

namespace {

class IoChannelTest : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        io_reset();
    }
};

/* Every checked operation accepts exactly its channel range and leaves the
 * table untouched otherwise. */
TEST_F(IoChannelTest, ChannelRangesAreChecked) {
    struct Op {
        const char* name;
        int first, last;
        int (*call)(int channel);
    };
    static const Op ops[] = {
        {"io_output_on", 1, 7, [](int c) { return io_output_on(c); }},
        {"io_output_off", 1, 7, [](int c) { return io_output_off(c); }},
        {"io_output_alt", 1, 7, [](int c) { return io_output_alt(c); }},
        {"io_set_analog_output", 1, 7, [](int c) { return io_set_analog_output(c, 2.5f); }},
        {"io_set_output_value", 1, 4, [](int c) { return io_set_output_value(c, 9); }},
        {"io_set_output_duty", 1, 4, [](int c) { return io_set_output_duty(c, 200); }},
        {"io_get_input", 1, 4, [](int c) { int32_t r; return io_get_input(c, &r); }},
        {"io_get_counter", 1, 3, [](int c) { int32_t v; int16_t a; return io_get_counter(c, &v, &a); }},
    };
    for (const Op& op : ops) {
        for (int channel : {op.first - 1, op.last + 1, -5, 1000}) {
            io_reset();
            IoChannels before = device_memory.io;
            EXPECT_EQ(op.call(channel), 0) << op.name << " channel " << channel;
            EXPECT_EQ(std::memcmp(&before, &device_memory.io, sizeof before), 0) << op.name;
        }
        for (int channel : {op.first, op.last}) {
            EXPECT_EQ(op.call(channel), 1) << op.name << " channel " << channel;
        }
    }
}

TEST_F(IoChannelTest, OutputsSetStateAndMode) {
    io_output_alt(7);
    EXPECT_EQ(device_memory.io.output_state[6], 0);
    EXPECT_EQ(device_memory.io.output_mode[6], 1);
    io_output_on(7);
    EXPECT_EQ(device_memory.io.output_state[6], 1);
    EXPECT_EQ(device_memory.io.output_mode[6], 0);
    io_set_output_duty(4, 77);
    EXPECT_EQ(device_memory.io.output_duty[3], 77);
}

TEST_F(IoChannelTest, AnalogInputOutOfRangeIsMinusOne) {
    io_raw_set_analog_input(1, 3.5f);
    EXPECT_EQ(io_get_analog_input(0), -1.0f);
    EXPECT_EQ(io_get_analog_input(8), -1.0f);
    EXPECT_EQ(io_get_analog_input(1), 3.5f);
}

TEST_F(IoChannelTest, FrequencyNeverBelowThree) {
    EXPECT_EQ(device_memory.io.output_frequency, 55);
    static const struct {
        uint8_t given, stored;
    } cases[] = {{2, 3}, {0, 3}, {3, 3}, {200, 200}};
    for (const auto& c : cases) {
        io_set_output_frequency(c.given);
        EXPECT_EQ(device_memory.io.output_frequency, c.stored) << int(c.given);
    }
}

TEST_F(IoChannelTest, InputComparesLevelWithHalfThreshold) {
    io_raw_set_input_threshold(100);
    int32_t result = -1;
    io_raw_set_input_level(2, 51);
    ASSERT_EQ(io_get_input(2, &result), 1);
    EXPECT_EQ(result, 1);
    io_raw_set_input_level(2, 50);
    io_get_input(2, &result);
    EXPECT_EQ(result, 0);
}

TEST_F(IoChannelTest, CounterReturnsValueAndAux) {
    io_raw_set_counter(3, 123456, -7);
    int32_t value = 0;
    int16_t aux = 0;
    ASSERT_EQ(io_get_counter(3, &value, &aux), 1);
    EXPECT_EQ(value, 123456);
    EXPECT_EQ(aux, -7);
}

} // namespace
