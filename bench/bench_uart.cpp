// The serial port's two paths on a pseudo-terminal: how fast received bytes
// go through the read chain (one read, one delivery and one read request
// per byte), and what the transmit pump costs the application thread after
// an iteration, with nothing to send and with a full piece.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "device/device_memory.h"
#include "device/services/serial.h"
#include "host/serial/SerialPort.h"
#include "host/serial/UartBridge.h"

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

/* One burst should take milliseconds; a port that died never finishes it. */
constexpr auto kBurstPatience = std::chrono::seconds(5);

/* Send the burst from the far end and wait until the device has it all;
 * false with the reason when the port closed or the time ran out. */
bool SendAndWait(PortOnPty& line, const std::vector<uint8_t>& burst, uint64_t expected,
                 const char** why) {
    const auto deadline = std::chrono::steady_clock::now() + kBurstPatience;
    size_t sent = 0;
    while (sent < burst.size() || line.delivered.load() < expected) {
        if (!line.port->IsOpen()) {
            *why = "the port closed";
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            *why = "the burst did not get through in time";
            return false;
        }
        if (sent == burst.size()) continue; // spin: the chain's latency is what is measured
        const ssize_t n = write(line.master, burst.data() + sent, burst.size() - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else {
            pollfd p{line.master, POLLOUT, 0};
            poll(&p, 1, 10);
        }
    }
    return true;
}

void BM_ReceiveChain(benchmark::State& state) {
    PortOnPty line;
    if (!line.ok) {
        state.SkipWithError("cannot open the port");
        return;
    }
    const std::vector<uint8_t> burst(static_cast<size_t>(state.range(0)), 0x5A);
    uint64_t expected = 0;
    for (auto _ : state) {
        expected += burst.size();
        const char* why = nullptr;
        if (!SendAndWait(line, burst, expected, &why)) {
            state.SkipWithError(why);
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(expected));
}
BENCHMARK(BM_ReceiveChain)->Arg(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_PumpIdle(benchmark::State& state) {
    PortOnPty line;
    if (!line.ok) {
        state.SkipWithError("cannot open the port");
        return;
    }
    for (auto _ : state)
        pcsim::PumpDeviceTransmit(*line.port);
    if (!line.port->IsOpen()) state.SkipWithError("the port closed");
}
BENCHMARK(BM_PumpIdle);

void BM_PumpFullPiece(benchmark::State& state) {
    PortOnPty line;
    if (!line.ok) {
        state.SkipWithError("cannot open the port");
        return;
    }
    const std::vector<uint8_t> piece(pcsim::kUartChunkBytes, 0xA5);
    for (auto _ : state) {
        uart_write(SERIAL_UART_CHANNEL, piece.data(), static_cast<uint32_t>(piece.size()));
        pcsim::PumpDeviceTransmit(*line.port);
        state.PauseTiming();
        // A port that closes ends its pending write too.
        while (line.port->IsWritePending())
            line.Discard();
        line.Discard();
        const bool taken = uart_tx_pending() == 0;
        state.ResumeTiming();
        if (!line.port->IsOpen() || !taken) {
            state.SkipWithError(line.port->IsOpen() ? "the piece was not taken"
                                                    : "the port closed");
            break;
        }
    }
}
BENCHMARK(BM_PumpFullPiece);

} // namespace
