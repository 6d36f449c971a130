#include "host/serial/SerialPort.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

#include "device/services/serial.h"
#include "host/run/CounterFd.h"
#include "host/serial/SerialLineSettings.h"
#include "host/serial/UartBridge.h"

namespace pcsim {

namespace {

std::string ErrorText(int error) {
    return std::strerror(error);
}

void Signal(int fd) {
    BumpCounter(fd);
}

/* True when fd had been signalled; clears it. */
bool Drain(int fd) {
    return ReadCounter(fd) != 0;
}

/* Another program holds the terminal in exclusive mode (only root gets
 * this far then: the open fails for everyone else). */
bool HeldExclusively(int fd) {
    int exclusive = 0;
    return ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

/* Non-blocking, and nobody else may open the terminal while it is ours
 * (TIOCEXCL holds back everyone but root; the lock holds back programs
 * that take it, as terminal programs do). *exclusive tells whether the
 * exclusive mode was set, so that only a mode of ours is cleared again. */
bool SetEventMask(int fd, bool* exclusive) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return false;
    *exclusive = ioctl(fd, TIOCEXCL) == 0;
    return *exclusive;
}

/* How a read completes. The I/O thread waits in poll and counts the bytes
 * of each read itself, so a read must return at once with what has arrived;
 * on the non-blocking descriptor VMIN 1 and VTIME 0 do that, and a read
 * finding nothing fails with EAGAIN. (VMIN 0 would make it return 0, which
 * the thread can only take for a hang-up.) After SetLineSettings, so that
 * these are the values that stay, whatever the raw mode chose. */
bool SetTimeouts(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

/* The device channel's line on the terminal; false with the reason when
 * the parameters or the terminal do not allow it. */
bool SetLineSettings(int fd, const int32_t params[4], std::string* error) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        *error = "not a serial port (" + ErrorText(errno) + ")";
        return false;
    }
    if (!MakeLineSettings(params, &t, error)) return false;
    termios set{};
    if (tcsetattr(fd, TCSANOW, &t) != 0 || tcgetattr(fd, &set) != 0) {
        *error = "the line settings were refused (" + ErrorText(errno) + ")";
        return false;
    }
    // tcsetattr succeeds when any one change was taken; a speed the
    // hardware cannot do would go unnoticed. (Pseudo-terminals keep the
    // speed but always carry 8 data bits without parity, so only the speed
    // is checked.)
    if (cfgetospeed(&set) != cfgetospeed(&t)) {
        *error = "the port does not take " + std::to_string(kBaudRates[params[kLineBaudIndex]]) +
                 " bit/s";
        return false;
    }
    // Pseudo-terminals have no modem lines; there this does nothing.
    const int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(fd, TIOCMBIS, &lines);
    return true;
}

/* Give back a terminal that this program holds in exclusive mode: others
 * may open it again. */
void ClosePort(int fd) {
    ioctl(fd, TIOCNXCL);
    close(fd);
}

} // namespace

std::shared_ptr<SerialPort> SerialPort::Create(ComPortMap paths) {
    // Two kinds of reference: the owners' handles (what this returns) and
    // the object's own, which the I/O thread also holds while it runs. When
    // the last owner lets go the thread is stopped; the object goes once
    // the thread has let go too.
    std::shared_ptr<SerialPort> object = std::make_shared<SerialPort>(Token{}, std::move(paths));
    SerialPort* port = object.get();
    return std::shared_ptr<SerialPort>(port, [self = std::move(object)](SerialPort* p) mutable {
        p->Close();
        self.reset();
    });
}

SerialPort::SerialPort(Token, ComPortMap comPaths)
    : paths(std::move(comPaths)), stopFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      readRequestFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      writeRequestFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      errorFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), callback(ReceiveHandler) {}

SerialPort::~SerialPort() {
    if (thread.joinable()) {
        // The I/O thread holds a reference while it runs: if it let go of
        // the last one, this runs on that thread at its very end.
        if (thread.get_id() == std::this_thread::get_id()) {
            thread.detach();
        } else {
            Close();
        }
    }
    for (int fd : {stopFd, readRequestFd, writeRequestFd, errorFd}) {
        if (fd >= 0) close(fd);
    }
    const int fd = handle.exchange(-1);
    if (fd >= 0) ClosePort(fd);
}

std::string SerialPort::DevicePath(int number) const {
    return ComPortPath(number, paths);
}

void SerialPort::SetError(const std::string& message) {
    std::lock_guard<std::mutex> hold(endLock);
    lastError = message;
}

std::string SerialPort::LastError() const {
    std::lock_guard<std::mutex> hold(endLock);
    return lastError;
}

bool SerialPort::TakeIoError(std::string* message) {
    // Drained whatever the answer: a wake-up left over from an earlier
    // opening must not keep the descriptor readable.
    Drain(errorFd);
    std::lock_guard<std::mutex> hold(endLock);
    if (!ioErrorUntaken) return false;
    ioErrorUntaken = false;
    *message = lastError;
    return true;
}

void SerialPort::SetReadSize(uint32_t n) {
    if (n == 0) return; // a read of nothing would end the read chain
    readSize.store(n < kBufferSize ? n : kBufferSize, std::memory_order_relaxed);
}

namespace {
// The port whose I/O thread this is; none on every other thread.
thread_local const SerialPort* servedHere = nullptr;
} // namespace

void SerialPort::RequestRead() {
    // From the callback (the usual case: the receive handler after a
    // delivery) the thread notes it itself; no wake-up round trip per byte.
    if (servedHere == this) {
        readRequested = true;
        return;
    }
    Signal(readRequestFd);
}

int SerialPort::Open() {
    // A second Open must not leave the first thread running on the port.
    if (IsOpen() || thread.joinable()) Close();
    {
        // A thread that an earlier Close left behind gets one more while.
        std::unique_lock<std::mutex> hold(endLock);
        if (!threadEnds.wait_for(hold, std::chrono::milliseconds(kStopTimeoutMs),
                                 [this] { return threadEnded; })) {
            lastError = "the port's previous I/O thread has not ended";
            return kOpenFailed;
        }
        // The ended thread's error belongs to the opening before this one;
        // its wake-up may still be on its way.
        ioErrorUntaken = false;
    }
    int result = kNoPort;
    std::string why = "no COM port chosen";
    int fd = -1;
    bool exclusive = false; // the exclusive mode on fd is ours to clear
    int32_t params[4] = {};
    if (portNumber > 0 && serial_get_config(SERIAL_UART_CHANNEL, params, nullptr)) {
        const std::string path = DevicePath(portNumber);
        fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            result = kOpenFailed;
            why = "cannot open " + path + ": " + ErrorText(errno);
        } else if (flock(fd, LOCK_EX | LOCK_NB) != 0 || HeldExclusively(fd)) {
            result = kOpenFailed;
            why = path + " is in use by another program";
        } else {
            const bool mask = SetEventMask(fd, &exclusive);
            std::string lineError;
            const bool line = SetLineSettings(fd, params, &lineError);
            const bool timeouts = line && SetTimeouts(fd);
            result = !line       ? kLineSettingsRefused
                     : !timeouts ? kTimeoutsFailed
                     : !mask     ? kEventMaskFailed
                                 : kOpened;
            why = !line ? path + ": " + lineError : path + ": the port cannot be set up";
        }
    } else if (portNumber > 0) {
        why = "the device has not configured its serial channel 3";
    }
    if (stopFd < 0 || readRequestFd < 0 || writeRequestFd < 0 || errorFd < 0) {
        result = kNoWakeUps;
        why = "the port's wake-up descriptors could not be created";
    }
    if (result != kOpened) {
        if (exclusive) {
            ClosePort(fd);
        } else if (fd >= 0) {
            close(fd); // another program's exclusive mode stays as it is
        }
        SetError(why);
        return result;
    }

    // Nothing can be queued while closed, so the thread starts from a
    // clean slate: no request left over from an earlier run.
    for (int wake : {stopFd, readRequestFd, writeRequestFd, errorFd})
        Drain(wake);
    readPending = false;
    readRequested = false;
    writePending = false;
    writing = false;
    {
        std::lock_guard<std::mutex> hold(endLock);
        lastError.clear();
        threadEnded = false;
    }
    portPath = DevicePath(portNumber);
    handle.store(fd, std::memory_order_release);
    try {
        thread = std::thread(IoThread, shared_from_this());
    } catch (const std::system_error& e) {
        handle.store(-1);
        ClosePort(fd);
        std::lock_guard<std::mutex> hold(endLock);
        threadEnded = true;
        lastError = std::string("cannot start the port's I/O thread: ") + e.what();
        return kOpenFailed;
    }
    return kOpened;
}

void SerialPort::Close() {
    if (!thread.joinable()) return;
    Signal(stopFd);
    bool ended;
    {
        std::unique_lock<std::mutex> hold(endLock);
        ended = threadEnds.wait_for(hold, std::chrono::milliseconds(kStopTimeoutMs),
                                    [this] { return threadEnded; });
    }
    // A thread stuck in its callback is left to finish on its own; it
    // keeps the object alive and closes the port when it gets there.
    if (ended) {
        thread.join();
    } else {
        thread.detach();
    }
}

bool SerialPort::QueueWrite(const uint8_t* data, uint32_t n) {
    if (IsWritePending() || n >= kBufferSize || !data || !IsOpen()) return false;
    writePending.store(true, std::memory_order_relaxed);
    std::memcpy(writeBuffer, data, n);
    bytesToWrite.store(n, std::memory_order_release);
    Signal(writeRequestFd);
    return true;
}

void SerialPort::Notify(int code) {
    if (callback) callback(*this, code);
}

void SerialPort::IoThread(std::shared_ptr<SerialPort> self) {
    SerialPort& port = *self;
    servedHere = &port;
    const int fd = port.handle.load(std::memory_order_acquire);
    const std::string error = port.RunIo(fd);
    port.handle.store(-1, std::memory_order_release);
    ClosePort(fd);
    port.readPending = false;
    port.writePending.store(false, std::memory_order_release);
    port.Notify(kThreadEnding);
    {
        std::lock_guard<std::mutex> hold(port.endLock);
        if (!error.empty()) {
            port.lastError = error;
            port.ioErrorUntaken = true;
        }
        port.threadEnded = true;
        port.threadEnds.notify_all();
    }
    if (!error.empty()) Signal(port.errorFd);
}

std::string SerialPort::RunIo(int fd) {
    Notify(kThreadStarted);
    RequestRead();
    std::string error;
    while (error.empty()) {
        // Wake-ups first, so that a read issued in this pass sees the port's
        // bytes before a hang-up is taken as the end.
        pollfd fds[4] = {
            {stopFd, POLLIN, 0},
            {readRequestFd, POLLIN, 0},
            {writeRequestFd, POLLIN, 0},
            {fd, static_cast<short>((readPending ? POLLIN : 0) | (writing ? POLLOUT : 0)), 0},
        };
        // A read asked for on this thread is issued without waiting.
        const bool readAsked = readRequested;
        readRequested = false;
        if (poll(fds, 4, readAsked ? 0 : -1) < 0) {
            if (errno == EINTR) {
                readRequested = readAsked;
                continue;
            }
            return "waiting on " + portPath + ": " + ErrorText(errno);
        }
        if (fds[0].revents & POLLIN) return std::string();
        const bool readWoken = (fds[1].revents & POLLIN) && Drain(readRequestFd);
        if ((readAsked || readWoken) && !readPending) {
            readPending = true;
            readWanted = ReadSize();
            readGot = 0;
            fds[3].revents |= POLLIN; // try at once: the bytes may be there already
        }
        if ((fds[2].revents & POLLIN) && Drain(writeRequestFd) && IsWritePending() && !writing) {
            writing = true;
            bytesWritten = 0;
            fds[3].revents |= POLLOUT;
        }
        const short events = fds[3].revents;
        if (events & POLLNVAL) return "the port's descriptor became invalid";
        if (readPending && (events & (POLLIN | POLLHUP | POLLERR))) {
            if (!ReadAvailable(fd, &error)) break;
        } else if (events & (POLLHUP | POLLERR)) {
            return portPath +
                   (events & POLLERR ? ": the port reported an error" : ": the other end hung up");
        }
        if (writing && (events & (POLLOUT | POLLERR | POLLHUP))) WriteAvailable(fd, &error);
    }
    return error;
}

bool SerialPort::ReadAvailable(int fd, std::string* error) {
    const ssize_t got = read(fd, readBuffer + readGot, readWanted - readGot);
    if (got < 0) {
        if (errno == EAGAIN || errno == EINTR) return true;
        *error = "read from " + portPath + ": " + ErrorText(errno);
        return false;
    }
    if (got == 0) {
        *error = portPath + ": the other end hung up";
        return false;
    }
    readGot += static_cast<uint32_t>(got);
    if (readGot == readWanted) {
        bytesRead = readGot;
        readGot = 0;
        readPending = false;
        Notify(kReadDone);
    }
    return true;
}

bool SerialPort::WriteAvailable(int fd, std::string* error) {
    const uint32_t n = bytesToWrite.load(std::memory_order_acquire);
    const ssize_t put = write(fd, writeBuffer + bytesWritten, n - bytesWritten);
    if (put < 0) {
        if (errno == EAGAIN || errno == EINTR) return true;
        *error = "write to " + portPath + ": " + ErrorText(errno);
        return false;
    }
    bytesWritten += static_cast<uint32_t>(put);
    if (bytesWritten == n) {
        writing = false;
        writePending.store(false, std::memory_order_release);
        Notify(kWriteDone);
    }
    return true;
}

} // namespace pcsim
