#pragma once
// A pseudo-terminal pair standing in for a serial line: the program under
// test opens the slave by its path as its "COM port"; the test is the far
// end on the master.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace pcsim_test {

class PtyPair {
  public:
    PtyPair() {
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        path = name;
        // Raw from the start: nothing the test sends is echoed or edited.
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        CloseMaster();
        if (slave >= 0) close(slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    /* The slave's device file: what the port opens. */
    const std::string& Path() const { return path; }
    /* The test's own descriptor of the slave (same terminal as the port's). */
    int Slave() const { return slave; }
    int Master() const { return master; }
    /* The far end goes away: the port sees a hang-up. */
    void CloseMaster() {
        if (master >= 0) close(master);
        master = -1;
    }

    /* Send bytes from the far end; false if they could not all be written
     * within timeoutMs. */
    bool Send(const std::vector<uint8_t>& bytes, int timeoutMs = 5000) {
        size_t done = 0;
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (done < bytes.size()) {
            const ssize_t n = write(master, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                return false;
            } else if (!WaitFor(POLLOUT, end)) {
                return false;
            }
        }
        return true;
    }

    /* Read at the far end until n bytes have come or timeoutMs passed. */
    std::vector<uint8_t> Receive(size_t n, int timeoutMs = 5000) {
        std::vector<uint8_t> got;
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        uint8_t buffer[512];
        while (got.size() < n) {
            const ssize_t r = read(master, buffer, std::min(sizeof buffer, n - got.size()));
            if (r > 0) {
                got.insert(got.end(), buffer, buffer + r);
            } else if ((r < 0 && errno != EAGAIN && errno != EINTR) || !WaitFor(POLLIN, end)) {
                break;
            }
        }
        return got;
    }

    /* Bytes waiting at the far end after quietMs of nothing more coming. */
    std::vector<uint8_t> ReceiveAll(int quietMs = 100) {
        std::vector<uint8_t> got;
        uint8_t buffer[512];
        for (;;) {
            const ssize_t r = read(master, buffer, sizeof buffer);
            if (r > 0) {
                got.insert(got.end(), buffer, buffer + r);
                continue;
            }
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, quietMs) <= 0) return got;
        }
    }

  private:
    using Clock = std::chrono::steady_clock;

    bool WaitFor(short events, Clock::time_point end) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) return false;
        pollfd p{master, events, 0};
        return poll(&p, 1, static_cast<int>(left.count())) > 0;
    }

    int master = -1;
    int slave = -1;
    std::string path;
};

/* Bytes 0, 1, 2, ... of a recognisable sequence. */
inline std::vector<uint8_t> Sequence(size_t n, uint8_t step = 1) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(i * step + i / 256);
    return bytes;
}

} // namespace pcsim_test
