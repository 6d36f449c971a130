#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "device/device_fixture.h"
#include "device/services/board.h"
#include "device/services/serial.h"

namespace {

class SerialTest : public DeviceTest {};

void fake_rx(const uint8_t*, uint32_t) {}

TEST_F(SerialTest, ConfigureRoundTripsAndUnconfigureHides) {
    int32_t p[4] = {};
    serial_rx_handler_t h = nullptr;
    EXPECT_EQ(serial_get_config(3, p, &h), 0);
    ASSERT_EQ(serial_configure(3, 5, 1, 0, 2, fake_rx), 1);
    ASSERT_EQ(serial_get_config(3, p, &h), 1);
    EXPECT_EQ(p[3], 2);
    EXPECT_EQ(h, &fake_rx);
    serial_unconfigure(3);
    EXPECT_EQ(serial_get_config(3, p, &h), 0);
}

TEST_F(SerialTest, ChannelsOutsideTheTableAreRefused) {
    int32_t p[4];
    for (int channel : {-1, SERIAL_CHANNELS, 1000}) {
        EXPECT_EQ(serial_configure(channel, 1, 2, 3, 4, fake_rx), 0);
        EXPECT_EQ(serial_unconfigure(channel), 0);
        EXPECT_EQ(serial_get_config(channel, p, nullptr), 0);
    }
}

TEST_F(SerialTest, UartRingWrapsAndDrainsInOrder) {
    std::vector<uint8_t> data(700);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    uart_write(3, data.data(), 500);
    uint8_t out[UART_TX_RING_SIZE];
    ASSERT_EQ(uart_tx_drain(out, sizeof out), 500u);
    EXPECT_EQ(std::memcmp(out, data.data(), 500), 0);
    uart_write(3, data.data() + 500, 100); // crosses the end of the ring
    ASSERT_EQ(uart_tx_drain(out, 60), 60u);
    ASSERT_EQ(uart_tx_drain(out + 60, sizeof out), 40u);
    EXPECT_EQ(std::memcmp(out, data.data() + 500, 100), 0);
    EXPECT_EQ(uart_tx_drain(out, sizeof out), 0u);
}

TEST_F(SerialTest, NonFiniteConstantsHaveTheModelsBitPatterns) {
    model_init_nonfinite();
    const NonFinite& nf = device_memory.nonfinite;
    EXPECT_EQ(std::bit_cast<uint64_t>(nf.nan), UINT64_C(0xFFF8000000000000));
    EXPECT_TRUE(std::isnan(nf.nan_f));
    EXPECT_TRUE(std::isinf(nf.inf) && nf.inf > 0);
    EXPECT_TRUE(std::isinf(nf.inf_f) && nf.inf_f > 0);
    EXPECT_TRUE(std::isinf(nf.minus_inf) && nf.minus_inf < 0);
    EXPECT_TRUE(std::isinf(nf.minus_inf_f) && nf.minus_inf_f < 0);
}

} // namespace
