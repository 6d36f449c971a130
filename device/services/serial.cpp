#include "device/services/serial.h"

#include "device/device_memory.h"

static SerialState& ser() { return device_memory.serial; }

static bool channel_ok(int channel) { return channel >= 0 && channel < SERIAL_CHANNELS; }

/* Channel numbers outside the table are refused: a stray number must not
 * write past the configuration array. */
int serial_configure(int channel, int32_t p0, int32_t p1, int32_t p2, int32_t p3,
                     serial_rx_handler_t handler) {
    if (!channel_ok(channel)) return 0;
    SerialChannelConfig& c = ser().config[channel];
    c.param[0] = p0;
    c.param[1] = p1;
    c.param[2] = p2;
    c.param[3] = p3;
    c.configured = 1;
    ser().rx_handler[channel] = handler;
    return 1;
}

int serial_unconfigure(int channel) {
    if (!channel_ok(channel)) return 0;
    ser().config[channel].configured = 0;
    return 1;
}

int serial_get_config(int channel, int32_t params[4], serial_rx_handler_t* handler) {
    if (!channel_ok(channel) || !ser().config[channel].configured) return 0;
    for (int i = 0; i < 4; ++i) params[i] = ser().config[channel].param[i];
    if (handler) *handler = ser().rx_handler[channel];
    return 1;
}

int serial_enable(int, int, int) { return 1; }

void uart_receive(const uint8_t*, uint32_t) {}

int uart_write(int, const uint8_t* data, uint32_t len) {
    uint32_t w = ser().uart_tx_write.load();
    for (uint32_t i = 0; i < len; ++i) {
        ser().uart_tx_ring[w] = data[i];
        w = (w + 1) % UART_TX_RING_SIZE;
    }
    ser().uart_tx_write.store_release(w);
    return 1;
}

uint32_t uart_tx_drain(uint8_t* out, uint32_t max) {
    uint32_t r = ser().uart_tx_read.load();
    uint32_t w = ser().uart_tx_write.load_acquire();
    uint32_t n = 0;
    while (r != w && n < max) {
        out[n++] = ser().uart_tx_ring[r];
        r = (r + 1) % UART_TX_RING_SIZE;
    }
    ser().uart_tx_read.store_release(r);
    return n;
}
