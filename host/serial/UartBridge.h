#pragma once
// The two paths between the serial port and the device's UART: received
// bytes into uart_receive, and the device's transmit ring out to the port.
#include <cstdint>

namespace pcsim {

class SerialPort;

/* Largest piece of the transmit ring handed to the port at once. */
constexpr uint32_t kUartChunkBytes = 255;

/* The serial port's callback, on its I/O thread. For a completed read:
 * deliver the bytes to uart_receive while the port is open, then issue
 * the next read. Other codes are ignored. */
void ReceiveHandler(SerialPort& port, int code);

/* After a device main loop iteration, on the application thread: hand the
 * next piece (at most kUartChunkBytes) of the device's transmit ring to the
 * port. Bytes that cannot be queued now, because a write is still pending,
 * stay in the ring for the next call; nothing is dropped. */
void PumpDeviceTransmit(SerialPort& port);

} // namespace pcsim
