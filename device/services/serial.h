#pragma once
// Serial channel configuration table and the UART transmit ring that the
// host's serial port drains.
#include <cstdint>

#include "device/services/shared_var.h"

constexpr int SERIAL_CHANNELS = 4; // channels 0-3; the device uses channel 3
constexpr int SERIAL_UART_CHANNEL = 3;
constexpr uint32_t UART_TX_RING_SIZE = 512;

typedef void (*serial_rx_handler_t)(const uint8_t* data, uint32_t len);

struct SerialChannelConfig {
    int32_t configured; // 1 once serial_configure ran
    int32_t param[4];   // line parameters: baud code, data bits, parity, stop bits
};

struct SerialState {
    SerialChannelConfig config[SERIAL_CHANNELS];       // indexed by channel number
    serial_rx_handler_t rx_handler[SERIAL_CHANNELS];   // parallel table of receive handlers
    SharedVar<uint8_t> uart_tx_ring[UART_TX_RING_SIZE]; // bytes waiting for the host
    SharedVar<uint32_t> uart_tx_write;                 // advanced by the device
    SharedVar<uint32_t> uart_tx_read;                  // advanced by the host's port pump
};

int serial_configure(int channel, int32_t p0, int32_t p1, int32_t p2, int32_t p3,
                     serial_rx_handler_t handler);
int serial_unconfigure(int channel);
int serial_get_config(int channel, int32_t params[4], serial_rx_handler_t* handler);
int serial_enable(int channel, int flag_a, int flag_b);

/* Device entry for bytes received on the host's serial port. */
void uart_receive(const uint8_t* data, uint32_t len);
/* Append bytes to the transmit ring (modulo 512, no overrun check). */
int uart_write(int channel, const uint8_t* data, uint32_t len);
/* Host side of the ring: copy up to max pending bytes out, return the count. */
uint32_t uart_tx_drain(uint8_t* out, uint32_t max);
