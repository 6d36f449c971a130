#pragma once
// Serial channel configuration table and the UART transmit ring that the
// host's serial port drains.
//
// Threads: the channel table is written by device code and read by the host
// when it opens its port. The transmit ring has one writer (device code,
// uart_write, never from the tick) and one reader (the host's transmit pump
// on the application thread); its indices hand the bytes over with
// acquire/release, so the two may run on different threads.
#include <cstdint>

#include "device/services/shared_var.h"

constexpr int SERIAL_CHANNELS = 4; // channels 0-3; the device uses channel 3
constexpr int SERIAL_UART_CHANNEL = 3;
constexpr uint32_t UART_TX_RING_SIZE = 512;

typedef void (*serial_rx_handler_t)(const uint8_t* data, uint32_t len);

struct SerialChannelConfig {
    SharedVar<int32_t> configured; // 1 once serial_configure ran
    SharedVar<int32_t> param[4];   // baud index, eight data bits, parity, two stop bits
};

struct SerialState {
    SerialChannelConfig config[SERIAL_CHANNELS];                // indexed by channel number
    SharedVar<serial_rx_handler_t> rx_handler[SERIAL_CHANNELS]; // receive handler per channel
    uint8_t uart_tx_ring[UART_TX_RING_SIZE];              // built-in ring (byte-atomic access)
    SharedVar<uint32_t> uart_tx_write;                    // advanced by the device
    SharedVar<uint32_t> uart_tx_read;                     // advanced by the host's port pump
    SharedVar<uint8_t*> uart_tx_storage;                  // registered ring; NULL: the built-in one
    SharedVar<uint32_t> uart_tx_size = UART_TX_RING_SIZE; // size of the registered ring
    SharedVar<uint8_t> uart_tx_ready;                     // 1 once uart_set_tx_ring ran
};

int serial_configure(int channel, int32_t p0, int32_t p1, int32_t p2, int32_t p3,
                     serial_rx_handler_t handler);
int serial_unconfigure(int channel);
int serial_get_config(int channel, int32_t params[4], serial_rx_handler_t* handler);
int serial_enable(int channel, int flag_a, int flag_b);

/* Device entry for bytes received on the host's serial port. */
void uart_receive(const uint8_t* data, uint32_t len);
/* Append bytes to the transmit ring (modulo its size, no overrun check:
 * with more than size - 1 bytes unread the oldest are overwritten). */
int uart_write(int channel, const uint8_t* data, uint32_t len);
/* Replace the transmit ring's storage with size bytes at buffer and set the
 * ready flag. The new ring starts empty. A NULL buffer or a size below 2 is
 * refused (returns 0) and the ring stays as it was. Call it from the thread
 * that writes the ring, while the host is not pumping (before the threads
 * start, or from the main loop, which the pump follows). */
int uart_set_tx_ring(uint8_t* buffer, uint16_t size);

/* Host side of the ring: copy up to max unread bytes to out without taking
 * them; returns the count. */
uint32_t uart_tx_peek(uint8_t* out, uint32_t max);
/* Host side of the ring: take n bytes (at most what uart_tx_peek showed). */
void uart_tx_consume(uint32_t n);
/* Bytes the host has not taken yet. */
uint32_t uart_tx_pending(void);
