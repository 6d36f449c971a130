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

/* What the host's pump does: look at up to max bytes, then take them. */
uint32_t drain(uint8_t* out, uint32_t max) {
    const uint32_t n = uart_tx_peek(out, max);
    uart_tx_consume(n);
    return n;
}

TEST_F(SerialTest, UartRingWrapsAndDrainsInOrder) {
    std::vector<uint8_t> data(700);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7);
    uart_write(3, data.data(), 500);
    EXPECT_EQ(uart_tx_pending(), 500u);
    uint8_t out[UART_TX_RING_SIZE];
    ASSERT_EQ(drain(out, sizeof out), 500u);
    EXPECT_EQ(std::memcmp(out, data.data(), 500), 0);
    uart_write(3, data.data() + 500, 100); // crosses the end of the ring
    ASSERT_EQ(drain(out, 60), 60u);
    ASSERT_EQ(drain(out + 60, sizeof out), 40u);
    EXPECT_EQ(std::memcmp(out, data.data() + 500, 100), 0);
    EXPECT_EQ(drain(out, sizeof out), 0u);
}

TEST_F(SerialTest, PeekLeavesBytesUntilTaken) {
    const uint8_t data[] = {1, 2, 3, 4, 5};
    uart_write(3, data, sizeof data);
    uint8_t out[8] = {};
    ASSERT_EQ(uart_tx_peek(out, 3), 3u);
    ASSERT_EQ(uart_tx_peek(out, 3), 3u); // the same bytes again
    EXPECT_EQ(out[0], 1);
    uart_tx_consume(2);
    ASSERT_EQ(uart_tx_peek(out, sizeof out), 3u);
    EXPECT_EQ(out[0], 3);
    uart_tx_consume(100); // never past what was written
    EXPECT_EQ(uart_tx_pending(), 0u);
    uart_write(3, data, 1);
    EXPECT_EQ(uart_tx_pending(), 1u);
}

TEST_F(SerialTest, RegisteredRingCarriesTheBytes) {
    EXPECT_EQ(device_memory.serial.uart_tx_ready, 0);
    const uint8_t before[] = {9, 9, 9};
    uart_write(3, before, sizeof before); // left in the old ring: the new one starts empty
    uint8_t ring[40] = {};
    ASSERT_EQ(uart_set_tx_ring(ring, sizeof ring), 1);
    EXPECT_EQ(device_memory.serial.uart_tx_ready, 1);
    EXPECT_EQ(uart_tx_pending(), 0u);
    std::vector<uint8_t> data(100);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i + 1);
    uint8_t out[64];
    for (size_t at = 0; at < data.size(); at += 25) { // wraps the 40-byte ring twice
        uart_write(3, data.data() + at, 25);
        ASSERT_EQ(drain(out, sizeof out), 25u);
        EXPECT_EQ(std::memcmp(out, data.data() + at, 25), 0) << "from byte " << at;
    }
    EXPECT_EQ(ring[(100 - 1) % 40], 100) << "written into the registered storage";
}

TEST_F(SerialTest, RingRegistrationRefusesWhatCannotHoldBytes) {
    uint8_t ring[8];
    const uint8_t data[] = {7};
    uart_write(3, data, 1);
    EXPECT_EQ(uart_set_tx_ring(nullptr, 64), 0);
    EXPECT_EQ(uart_set_tx_ring(ring, 0), 0);
    EXPECT_EQ(uart_set_tx_ring(ring, 1), 0);
    EXPECT_EQ(device_memory.serial.uart_tx_ready, 0);
    uint8_t out[4];
    ASSERT_EQ(drain(out, sizeof out), 1u); // the built-in ring is still in use
    EXPECT_EQ(out[0], 7);
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
