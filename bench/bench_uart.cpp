// The serial port's two paths on a pseudo-terminal: how fast received bytes
// go through the read chain (one read, one delivery and one read request
// per byte), and what the transmit pump costs the application thread after
// an iteration, with nothing to send and with a full piece.
#include <benchmark/benchmark.h>

#include <atomic>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "device/device_memory.h"
#include "device/services/serial.h"
#include "host/SerialPort.h"
#include "host/UartBridge.h"

namespace {

/* A pseudo-terminal pair, the port on its slave side. */
struct PortOnPty {
    PortOnPty() {
        char name[128] = {};
        openpty(&master, &slave, name, nullptr, nullptr);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        device_memory_reset();
        serial_configure(SERIAL_UART_CHANNEL, 12, 1, 0, 0, uart_receive);
        port = pcsim::SerialPort::Create({{1, name}});
        port->SetPortNumber(1);
        port->SetCallback([this](pcsim::SerialPort& p, int code) {
            if (code == pcsim::SerialPort::kReadDone) delivered.fetch_add(p.BytesRead());
            pcsim::ReceiveHandler(p, code);
        });
        ok = port->Open() == pcsim::SerialPort::kOpened;
    }
    ~PortOnPty() {
        port.reset();
        close(master);
        close(slave);
    }
    /* Read and forget what the port sent. */
    void Discard() {
        uint8_t buffer[1024];
        while (read(master, buffer, sizeof buffer) > 0) {
        }
    }

    int master = -1;
    int slave = -1;
    std::shared_ptr<pcsim::SerialPort> port;
    std::atomic<uint64_t> delivered{0};
    bool ok = false;
};

void BM_ReceiveChain(benchmark::State& state) {
    PortOnPty line;
    if (!line.ok) {
        state.SkipWithError("cannot open the port");
        return;
    }
    const std::vector<uint8_t> burst(static_cast<size_t>(state.range(0)), 0x5A);
    uint64_t expected = 0;
    for (auto _ : state) {
        size_t sent = 0;
        while (sent < burst.size()) {
            const ssize_t n = write(line.master, burst.data() + sent, burst.size() - sent);
            if (n > 0)
                sent += static_cast<size_t>(n);
            else {
                pollfd p{line.master, POLLOUT, 0};
                poll(&p, 1, 10);
            }
        }
        expected += burst.size();
        while (line.delivered.load() < expected) {
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(expected));
}
BENCHMARK(BM_ReceiveChain)->Arg(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_PumpIdle(benchmark::State& state) {
    PortOnPty line;
    for (auto _ : state)
        pcsim::PumpDeviceTransmit(*line.port);
}
BENCHMARK(BM_PumpIdle);

void BM_PumpFullPiece(benchmark::State& state) {
    PortOnPty line;
    const std::vector<uint8_t> piece(pcsim::kUartChunkBytes, 0xA5);
    for (auto _ : state) {
        uart_write(SERIAL_UART_CHANNEL, piece.data(), static_cast<uint32_t>(piece.size()));
        pcsim::PumpDeviceTransmit(*line.port);
        state.PauseTiming();
        while (line.port->IsWritePending())
            line.Discard();
        line.Discard();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PumpFullPiece);

} // namespace
