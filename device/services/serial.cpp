#include "device/services/serial.h"

#include <atomic>

#include "device/device_memory.h"

static SerialState& ser() {
    return device_memory.serial;
}

static bool channel_ok(int channel) {
    return channel >= 0 && channel < SERIAL_CHANNELS;
}

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
    ser().rx_handler[channel] = handler;
    c.configured.store_release(1);
    return 1;
}

int serial_unconfigure(int channel) {
    if (!channel_ok(channel)) return 0;
    ser().config[channel].configured = 0;
    return 1;
}

int serial_get_config(int channel, int32_t params[4], serial_rx_handler_t* handler) {
    if (!channel_ok(channel) || !ser().config[channel].configured.load_acquire()) return 0;
    for (int i = 0; i < 4; ++i)
        params[i] = ser().config[channel].param[i];
    if (handler) *handler = ser().rx_handler[channel];
    return 1;
}

int serial_enable(int, int, int) {
    return 1;
}

void uart_receive(const uint8_t*, uint32_t) {}

/* The ring as the host reads it: the registered storage, or the built-in
 * one while nothing was registered. */
static uint8_t* tx_storage(void) {
    uint8_t* storage = ser().uart_tx_storage.load_acquire();
    return storage ? storage : ser().uart_tx_ring;
}

/* Ring bytes are read on the pump's thread while uart_write may run on
 * another; byte-sized atomic accesses keep even an overrun (the writer
 * lapping the reader) free of data races. */
static void ring_put(uint8_t* ring, uint32_t at, uint8_t value) {
    std::atomic_ref<uint8_t>(ring[at]).store(value, std::memory_order_relaxed);
}

static uint8_t ring_get(uint8_t* ring, uint32_t at) {
    return std::atomic_ref<uint8_t>(ring[at]).load(std::memory_order_relaxed);
}

int uart_write(int, const uint8_t* data, uint32_t len) {
    uint8_t* ring = tx_storage();
    const uint32_t size = ser().uart_tx_size;
    uint32_t w = ser().uart_tx_write.load();
    for (uint32_t i = 0; i < len; ++i) {
        ring_put(ring, w, data[i]);
        w = (w + 1) % size;
    }
    ser().uart_tx_write.store_release(w);
    return 1;
}

int uart_set_tx_ring(uint8_t* buffer, uint16_t size) {
    // A ring of fewer than two bytes can hold nothing, and a size of 0
    // would divide by zero in every index step.
    if (!buffer || size < 2) return 0;
    // Indices of the old ring may lie beyond the end of the new one.
    ser().uart_tx_write = 0;
    ser().uart_tx_read = 0;
    ser().uart_tx_size = size;
    ser().uart_tx_storage.store_release(buffer);
    ser().uart_tx_ready = 1;
    return 1;
}

uint32_t uart_tx_pending(void) {
    const uint32_t size = ser().uart_tx_size;
    const uint32_t r = ser().uart_tx_read.load();
    const uint32_t w = ser().uart_tx_write.load_acquire();
    return (w + size - r) % size;
}

uint32_t uart_tx_peek(uint8_t* out, uint32_t max) {
    uint8_t* ring = tx_storage();
    const uint32_t size = ser().uart_tx_size;
    uint32_t r = ser().uart_tx_read.load();
    const uint32_t w = ser().uart_tx_write.load_acquire();
    uint32_t n = 0;
    while (r != w && n < max) {
        out[n++] = ring_get(ring, r);
        r = (r + 1) % size;
    }
    return n;
}

void uart_tx_consume(uint32_t n) {
    const uint32_t pending = uart_tx_pending();
    if (n > pending) n = pending;
    const uint32_t size = ser().uart_tx_size;
    ser().uart_tx_read.store_release((ser().uart_tx_read.load() + n) % size);
}
