#include "host/serial/UartBridge.h"

#include "device/services/serial.h"
#include "host/serial/SerialPort.h"

namespace pcsim {

void ReceiveHandler(SerialPort& port, int code) {
    if (code != SerialPort::kReadDone) return;
    if (port.IsOpen() && port.BytesRead() != 0) uart_receive(port.ReadBuffer(), port.BytesRead());
    port.RequestRead();
}

void PumpDeviceTransmit(SerialPort& port) {
    if (port.IsWritePending()) return;
    uint8_t chunk[kUartChunkBytes];
    const uint32_t n = uart_tx_peek(chunk, kUartChunkBytes);
    // Taken from the ring only once the port has the bytes.
    if (n != 0 && port.QueueWrite(chunk, n)) uart_tx_consume(n);
}

} // namespace pcsim
