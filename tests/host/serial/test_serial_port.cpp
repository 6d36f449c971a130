// The serial port on a pseudo-terminal: the line settings the far end sees,
// why an Open fails, the read chain into the device, queued writes, the
// device's transmit ring pumped out, stopping, reopening and I/O errors.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <thread>
#include <vector>

#include "device/device_memory.h"
#include "device/services/serial.h"
#include "host/pty_pair.h"
#include "host/serial/SerialLineSettings.h"
#include "host/serial/SerialPort.h"
#include "host/serial/UartBridge.h"

using pcsim::SerialPort;
using pcsim_test::PtyPair;
using pcsim_test::Sequence;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr auto kPatience = std::chrono::seconds(5);

/* What the port told its callback: every code, and each delivered read.
 * Sits in front of the real receive handler. */
class Recorder {
  public:
    /* Runs on the I/O thread before a read's bytes go on to the device. */
    std::function<void(SerialPort&)> beforeDelivery;

    SerialPort::Callback Hook() {
        return [this](SerialPort& port, int code) {
            if (code == SerialPort::kReadDone && beforeDelivery) beforeDelivery(port);
            {
                std::lock_guard<std::mutex> hold(lock);
                codes.push_back(code);
                if (code == SerialPort::kReadDone)
                    reads.emplace_back(port.ReadBuffer(), port.ReadBuffer() + port.BytesRead());
            }
            changed.notify_all();
            pcsim::ReceiveHandler(port, code);
        };
    }

    std::vector<int> Codes() {
        std::lock_guard<std::mutex> hold(lock);
        return codes;
    }
    std::vector<Bytes> Reads() {
        std::lock_guard<std::mutex> hold(lock);
        return reads;
    }
    /* All bytes delivered so far, in order. */
    Bytes Received() {
        Bytes all;
        for (const Bytes& r : Reads())
            all.insert(all.end(), r.begin(), r.end());
        return all;
    }
    size_t Count(int code) {
        std::lock_guard<std::mutex> hold(lock);
        return static_cast<size_t>(std::count(codes.begin(), codes.end(), code));
    }
    bool WaitForBytes(size_t n) {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, kPatience, [&] {
            size_t total = 0;
            for (const Bytes& r : reads)
                total += r.size();
            return total >= n;
        });
    }
    bool WaitForCode(int code, size_t times = 1) {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, kPatience, [&] {
            return static_cast<size_t>(std::count(codes.begin(), codes.end(), code)) >= times;
        });
    }

  private:
    std::mutex lock;
    std::condition_variable changed;
    std::vector<int> codes;
    std::vector<Bytes> reads;
};

/* Repeat check every millisecond until it holds or the patience runs out. */
template <typename Check> bool Eventually(Check check) {
    const auto end = std::chrono::steady_clock::now() + kPatience;
    while (!check()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class SerialPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        device_memory_reset();
        // As the device's start-up configures its UART channel.
        serial_configure(SERIAL_UART_CHANNEL, 5, 1, 0, 0, uart_receive);
        port = SerialPort::Create({{1, pty.Path()}});
        port->SetPortNumber(1);
        port->SetCallback(recorder.Hook());
    }

    void OpenPort() {
        ASSERT_EQ(port->Open(), SerialPort::kOpened) << port->LastError();
        ASSERT_TRUE(recorder.WaitForCode(SerialPort::kThreadStarted));
    }

    /* Pump as the application thread does until the device ring is empty. */
    bool PumpUntilEmpty() {
        return Eventually([&] {
            pcsim::PumpDeviceTransmit(*port);
            return uart_tx_pending() == 0;
        });
    }

    PtyPair pty;
    Recorder recorder;
    std::shared_ptr<SerialPort> port;
};

TEST(SerialLineSettings, FollowTheDeviceChannel) {
    static const struct {
        int32_t params[4]; // baud index, eight data bits, parity, two stop bits
        speed_t speed;
        tcflag_t size;
        tcflag_t parity; // PARENB and PARODD
        bool twoStopBits;
    } cases[] = {
        {{5, 1, 0, 0}, B9600, CS8, 0, false},             // what the device configures: 9600 8N1
        {{12, 1, 3, 0}, B921600, CS8, 0, false},          // parity code 3 is none
        {{0, 0, 1, 1}, B110, CS7, PARENB | PARODD, true}, // 110 7O2
        {{9, 1, 2, 1}, B115200, CS8, PARENB, true},       // 115200 8E2
        {{7, 5, -1, 2}, B38400, CS8, 0, false}, // any non-zero flag: 8 bits; only 1: two stop bits
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("baud index " + std::to_string(c.params[0]));
        termios t{};
        t.c_iflag = IXON | IXOFF | ICRNL | INPCK | PARMRK; // what a terminal left behind
        t.c_cflag = CRTSCTS | CS5 | PARENB;
        t.c_lflag = ICANON | ECHO;
        std::string error;
        ASSERT_TRUE(pcsim::MakeLineSettings(c.params, &t, &error)) << error;
        EXPECT_EQ(cfgetospeed(&t), c.speed);
        EXPECT_EQ(t.c_cflag & CSIZE, c.size);
        EXPECT_EQ(t.c_cflag & (PARENB | PARODD), c.parity);
        EXPECT_EQ(t.c_iflag & (INPCK | IGNPAR | PARMRK | ISTRIP), 0u)
            << "bytes delivered as received: none replaced, dropped or marked for parity";
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStopBits);
        EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL), 0u);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
    }
    for (int32_t baud : {-1, 13}) {
        const int32_t params[4] = {baud, 1, 0, 0};
        termios t{};
        std::string error;
        EXPECT_FALSE(pcsim::MakeLineSettings(params, &t, &error));
        EXPECT_NE(error.find("baud index " + std::to_string(baud)), std::string::npos) << error;
    }
}

TEST_F(SerialPortTest, TheFarEndSeesTheDeviceChannelsLineSettings) {
    // What a pseudo-terminal shows: speed, stop bits, flow control and the
    // raw line (it always carries 8 data bits without parity).
    static const struct {
        int32_t baud, two;
        speed_t speed;
        bool twoStopBits;
    } cases[] = {
        {5, 0, B9600, false}, // the device's 9600 8N1
        {12, 0, B921600, false},
        {0, 1, B110, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("baud index " + std::to_string(c.baud));
        serial_configure(SERIAL_UART_CHANNEL, c.baud, 1, 0, c.two, uart_receive);
        termios left{}; // read completion as another program may leave it
        ASSERT_EQ(tcgetattr(pty.Slave(), &left), 0);
        left.c_cc[VMIN] = 0;
        left.c_cc[VTIME] = 10;
        ASSERT_EQ(tcsetattr(pty.Slave(), TCSANOW, &left), 0);
        ASSERT_EQ(port->Open(), SerialPort::kOpened) << port->LastError();
        termios t{};
        ASSERT_EQ(tcgetattr(pty.Master(), &t), 0);
        EXPECT_EQ(cfgetospeed(&t), c.speed);
        EXPECT_EQ(cfgetispeed(&t), c.speed);
        EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t{CS8});
        EXPECT_EQ(t.c_cflag & PARENB, 0u);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStopBits);
        EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY), 0u);
        EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
        // The port's own side: a read returns at once with what has arrived
        // (the descriptor does not block), and 0 only after a hang-up.
        termios own{};
        ASSERT_EQ(tcgetattr(pty.Slave(), &own), 0);
        EXPECT_EQ(own.c_cc[VMIN], 1);
        EXPECT_EQ(own.c_cc[VTIME], 0);
        port->Close();
    }
}

TEST_F(SerialPortTest, AFailedOpenSaysWhyAndLeavesThePortClosed) {
    char fileName[] = "/tmp/pcsim-not-a-tty-XXXXXX";
    const int file = mkstemp(fileName);
    ASSERT_GE(file, 0);
    const std::string regularFile = fileName;
    static const struct {
        const char* name;
        int8_t portNumber;
        bool configured;
        int32_t baudIndex;
        int expected;
        const char* mentions;
    } cases[] = {
        {"no port chosen", 0, true, 5, SerialPort::kNoPort, "no COM port"},
        {"negative port number", -3, true, 5, SerialPort::kNoPort, "no COM port"},
        {"channel 3 not configured", 1, false, 5, SerialPort::kNoPort, "channel 3"},
        {"missing device file", 2, true, 5, SerialPort::kOpenFailed, "No such file"},
        {"a regular file", 3, true, 5, SerialPort::kLineSettingsRefused, "not a serial port"},
        {"baud index beyond the table", 1, true, 13, SerialPort::kLineSettingsRefused,
         "baud index 13"},
        {"negative baud index", 1, true, -1, SerialPort::kLineSettingsRefused, "baud index -1"},
    };
    port = SerialPort::Create({{1, pty.Path()}, {2, "/dev/pcsim-no-such-port"}, {3, regularFile}});
    port->SetCallback(recorder.Hook());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        serial_unconfigure(SERIAL_UART_CHANNEL);
        if (c.configured) serial_configure(SERIAL_UART_CHANNEL, c.baudIndex, 1, 0, 0, uart_receive);
        port->SetPortNumber(c.portNumber);
        EXPECT_EQ(port->Open(), c.expected);
        EXPECT_FALSE(port->IsOpen());
        EXPECT_NE(port->LastError().find(c.mentions), std::string::npos) << port->LastError();
    }
    EXPECT_TRUE(recorder.Codes().empty()) << "no I/O thread was started";
    close(file);
    std::remove(fileName);
}

/* Whether the terminal is in exclusive mode. */
bool Exclusive(int fd) {
    int exclusive = -1;
    EXPECT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
    return exclusive != 0;
}

TEST_F(SerialPortTest, APortInUseByAnotherProgramIsNotOpened) {
    // Terminal programs hold their port with a lock, in exclusive mode, or both.
    static const struct {
        const char* how;
        bool lock, exclusive;
    } holders[] = {
        {"a lock", true, false},
        {"exclusive mode", false, true},
        {"both", true, true},
    };
    for (const auto& h : holders) {
        SCOPED_TRACE(h.how);
        const int other = open(pty.Path().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(other, 0);
        if (h.lock) {
            ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
        }
        if (h.exclusive) {
            ASSERT_EQ(ioctl(other, TIOCEXCL), 0);
        }
        EXPECT_EQ(port->Open(), SerialPort::kOpenFailed);
        // Exclusive mode keeps everyone but root from opening it at all.
        const std::string error = port->LastError();
        EXPECT_TRUE(error.find("in use") != std::string::npos ||
                    error.find("busy") != std::string::npos)
            << error;
        EXPECT_EQ(Exclusive(other), h.exclusive) << "the other program's mode is left as it was";
        ioctl(other, TIOCNXCL);
        close(other);
    }
    OpenPort();
    EXPECT_TRUE(Exclusive(pty.Slave())) << "ours while open";
    port->Close();
    EXPECT_FALSE(Exclusive(pty.Slave())) << "and given back";
}

TEST_F(SerialPortTest, EveryReceivedByteIsDeliveredOnItsOwnAndInOrder) {
    OpenPort();
    const Bytes burst = Sequence(1000, 7);
    ASSERT_TRUE(pty.Send(burst));
    ASSERT_TRUE(recorder.WaitForBytes(burst.size()));
    const std::vector<Bytes> reads = recorder.Reads();
    ASSERT_EQ(reads.size(), burst.size());
    for (const Bytes& r : reads)
        ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(recorder.Received(), burst);
}

TEST_F(SerialPortTest, TheNextReadIsIssuedOnlyAfterTheDelivery) {
    std::atomic<int> waitingDuringFirst{-1};
    recorder.beforeDelivery = [&](SerialPort&) {
        if (waitingDuringFirst != -1) return;
        // Long enough for the rest to reach the terminal's input queue:
        // while this delivery lasts, nobody may read it.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        int queued = 0;
        ioctl(pty.Slave(), FIONREAD, &queued);
        waitingDuringFirst = queued;
    };
    OpenPort();
    ASSERT_TRUE(pty.Send({'a', 'b', 'c'}));
    ASSERT_TRUE(recorder.WaitForBytes(3));
    EXPECT_EQ(waitingDuringFirst, 2);
    EXPECT_EQ(recorder.Received(), Bytes({'a', 'b', 'c'}));
}

TEST_F(SerialPortTest, AReadCompletesWhenReadSizeBytesHaveArrived) {
    port->SetReadSize(3);
    OpenPort();
    ASSERT_TRUE(pty.Send(Sequence(7)));
    ASSERT_TRUE(recorder.WaitForBytes(6));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(recorder.Reads(), std::vector<Bytes>({{0, 1, 2}, {3, 4, 5}})) << "byte 6 waits";
    ASSERT_TRUE(pty.Send({7, 8}));
    ASSERT_TRUE(recorder.WaitForBytes(9));
    EXPECT_EQ(recorder.Reads().back(), Bytes({6, 7, 8}));

    port->SetReadSize(1000); // at most the buffer
    EXPECT_EQ(port->ReadSize(), SerialPort::kBufferSize);
    port->SetReadSize(0); // would end the read chain: ignored
    EXPECT_EQ(port->ReadSize(), SerialPort::kBufferSize);
}

TEST_F(SerialPortTest, QueueWriteTakesUpTo255Bytes) {
    const Bytes data = Sequence(256, 3);
    EXPECT_FALSE(port->QueueWrite(data.data(), 10)) << "closed";
    OpenPort();
    EXPECT_FALSE(port->QueueWrite(data.data(), 256));
    EXPECT_FALSE(port->QueueWrite(nullptr, 10));
    EXPECT_FALSE(port->IsWritePending());
    EXPECT_TRUE(pty.ReceiveAll().empty()) << "nothing was sent for them";
    ASSERT_TRUE(port->QueueWrite(data.data(), 255));
    EXPECT_EQ(pty.Receive(255), Bytes(data.begin(), data.begin() + 255));
    ASSERT_TRUE(recorder.WaitForCode(SerialPort::kWriteDone));
    EXPECT_FALSE(port->IsWritePending());
}

TEST_F(SerialPortTest, ASecondWriteWhileOneIsPendingIsRefused) {
    OpenPort();
    ASSERT_EQ(tcflow(pty.Slave(), TCOOFF), 0); // the line is held: writes stay pending
    const Bytes first = Sequence(10);
    const Bytes second(10, 0xEE);
    ASSERT_TRUE(port->QueueWrite(first.data(), first.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(port->IsWritePending());
    EXPECT_FALSE(port->QueueWrite(second.data(), second.size()));
    ASSERT_EQ(tcflow(pty.Slave(), TCOON), 0);
    EXPECT_EQ(pty.Receive(10), first);
    ASSERT_TRUE(recorder.WaitForCode(SerialPort::kWriteDone));
    EXPECT_TRUE(pty.ReceiveAll().empty());
}

TEST_F(SerialPortTest, ThePumpSendsTheWholeDeviceRingInOrder) {
    OpenPort();
    const Bytes data = Sequence(500, 5);
    uart_write(SERIAL_UART_CHANNEL, data.data(), data.size()); // more than one write can take
    ASSERT_TRUE(PumpUntilEmpty());
    EXPECT_EQ(pty.Receive(data.size()), data);
    // The bytes can reach the other end before the I/O thread reports the
    // last write done.
    EXPECT_TRUE(Eventually([&] { return recorder.Count(SerialPort::kWriteDone) >= 2u; }));
}

TEST_F(SerialPortTest, ThePumpLeavesBytesInTheRingWhileAWriteIsPending) {
    OpenPort();
    ASSERT_EQ(tcflow(pty.Slave(), TCOOFF), 0);
    const Bytes data = Sequence(200, 11);
    uart_write(SERIAL_UART_CHANNEL, data.data(), 100);
    pcsim::PumpDeviceTransmit(*port);
    EXPECT_EQ(uart_tx_pending(), 0u) << "the first 100 are queued";
    uart_write(SERIAL_UART_CHANNEL, data.data() + 100, 100);
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        pcsim::PumpDeviceTransmit(*port);
    }
    EXPECT_EQ(uart_tx_pending(), 100u) << "kept, not dropped";
    ASSERT_EQ(tcflow(pty.Slave(), TCOON), 0);
    ASSERT_TRUE(PumpUntilEmpty());
    EXPECT_EQ(pty.Receive(data.size()), data);
}

TEST_F(SerialPortTest, CloseEndsTheThreadPromptlyWithAReadPending) {
    OpenPort(); // the first read is issued and nothing arrives
    const auto start = std::chrono::steady_clock::now();
    port->Close();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(SerialPort::kStopTimeoutMs));
    EXPECT_FALSE(port->IsOpen());
    EXPECT_EQ(recorder.Codes(),
              std::vector<int>({SerialPort::kThreadStarted, SerialPort::kThreadEnding}));
    std::string error;
    EXPECT_FALSE(port->TakeIoError(&error)) << "a stop is no error";
    // The terminal was handed back: another program may open it.
    const int other = open(pty.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    EXPECT_GE(other, 0);
    close(other);
}

TEST_F(SerialPortTest, CloseGivesUpOnAStuckDeliveryWithoutLosingThePort) {
    std::atomic<bool> delivering{false};
    std::atomic<bool> release{false};
    recorder.beforeDelivery = [&](SerialPort&) {
        delivering = true;
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    OpenPort();
    ASSERT_TRUE(pty.Send({'x'}));
    ASSERT_TRUE(Eventually([&] { return delivering.load(); }));
    const auto start = std::chrono::steady_clock::now();
    port->Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(SerialPort::kStopTimeoutMs + 1000));
    EXPECT_EQ(port->Open(), SerialPort::kOpenFailed) << "its thread still runs";
    EXPECT_NE(port->LastError().find("not ended"), std::string::npos) << port->LastError();
    release = true; // the thread finishes on its own and closes the port
    ASSERT_TRUE(recorder.WaitForCode(SerialPort::kThreadEnding));
    ASSERT_TRUE(Eventually([&] { return !port->IsOpen(); }));
    recorder.beforeDelivery = nullptr;
    EXPECT_EQ(port->Open(), SerialPort::kOpened) << port->LastError();
}

TEST_F(SerialPortTest, OpeningAnOpenPortStopsItsThreadFirst) {
    OpenPort();
    ASSERT_EQ(port->Open(), SerialPort::kOpened);
    ASSERT_TRUE(recorder.WaitForCode(SerialPort::kThreadStarted, 2));
    EXPECT_EQ(recorder.Codes(),
              std::vector<int>({SerialPort::kThreadStarted, SerialPort::kThreadEnding,
                                SerialPort::kThreadStarted}));
    ASSERT_TRUE(pty.Send({'x'}));
    ASSERT_TRUE(recorder.WaitForBytes(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(recorder.Reads(), std::vector<Bytes>({{'x'}})) << "one thread reads the port";
}

TEST_F(SerialPortTest, AHangUpEndsTheThreadAndIsReported) {
    OpenPort();
    pty.CloseMaster();
    ASSERT_TRUE(Eventually([&] { return !port->IsOpen(); }));
    pollfd p{port->ErrorFd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1) << "the window is woken";
    std::string error;
    ASSERT_TRUE(port->TakeIoError(&error));
    EXPECT_NE(error.find(pty.Path()), std::string::npos) << error;
    EXPECT_FALSE(port->TakeIoError(&error)) << "told once";
    ASSERT_TRUE(recorder.WaitForCode(SerialPort::kThreadEnding));
}

TEST_F(SerialPortTest, AnErrorIsReportedForTheOpeningThatFailedOnly) {
    PtyPair second;
    port = SerialPort::Create({{1, pty.Path()}, {2, second.Path()}});
    port->SetPortNumber(1);
    port->SetCallback(recorder.Hook());
    OpenPort();
    pty.CloseMaster();
    pollfd p{port->ErrorFd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    // COM2 opened before the window took COM1's error.
    port->SetPortNumber(2);
    ASSERT_EQ(port->Open(), SerialPort::kOpened) << port->LastError();
    std::string error;
    EXPECT_FALSE(port->TakeIoError(&error)) << error;
    // The wake-up of a thread that Close had to leave behind can come after
    // the next Open: here written by hand, as that thread would.
    const uint64_t one = 1;
    ASSERT_EQ(write(port->ErrorFd(), &one, sizeof one), ssize_t{sizeof one});
    EXPECT_FALSE(port->TakeIoError(&error)) << "not COM2's error: '" << error << "'";
    EXPECT_EQ(poll(&p, 1, 0), 0) << "the stale wake-up is consumed";
    EXPECT_TRUE(port->IsOpen());

    second.CloseMaster(); // COM2's own failure is reported
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    ASSERT_TRUE(port->TakeIoError(&error));
    EXPECT_NE(error.find(second.Path()), std::string::npos) << error;
}

TEST_F(SerialPortTest, BytesFlowBothWaysAtOnce) {
    OpenPort();
    const Bytes toDevice = Sequence(3000, 13);
    const Bytes fromDevice = Sequence(3000, 29);
    // The application thread's part: the device writes its UART, the pump
    // follows every "iteration".
    std::thread application([&] {
        size_t sent = 0;
        const auto end = std::chrono::steady_clock::now() + kPatience;
        while ((sent < fromDevice.size() || uart_tx_pending() != 0) &&
               std::chrono::steady_clock::now() < end) {
            const size_t room = 400 - std::min<size_t>(400, uart_tx_pending());
            const size_t n = std::min({room, fromDevice.size() - sent, size_t{97}});
            uart_write(SERIAL_UART_CHANNEL, fromDevice.data() + sent, static_cast<uint32_t>(n));
            sent += n;
            pcsim::PumpDeviceTransmit(*port);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    Bytes received;
    std::thread farEnd([&] { received = pty.Receive(fromDevice.size()); });
    ASSERT_TRUE(pty.Send(toDevice));
    application.join();
    farEnd.join();
    EXPECT_EQ(received, fromDevice);
    ASSERT_TRUE(recorder.WaitForBytes(toDevice.size()));
    EXPECT_EQ(recorder.Received(), toDevice);
}

} // namespace
