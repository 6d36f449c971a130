#pragma once
// The PC serial port that stands in for the unit's UART: COMn (see
// ComPortPaths.h) opened with the line settings of the device's serial
// channel 3, served by one I/O thread.
//
// The I/O thread owns every read and write of the port. It waits with poll
// on the port and on three wake-up descriptors (stop, read request, write
// request). Reads are issued one at a time, each for ReadSize bytes (1
// unless changed), and complete when that many bytes have arrived; the
// callback is then told (code kReadDone, on the I/O thread), and the next
// read is issued only when someone calls RequestRead, which the receive
// handler does after delivering the bytes. A write is handed over with
// QueueWrite and completes when all its bytes are in the port's buffer.
// A read or write error, or the other end hanging up, ends the thread and
// closes the port; ErrorFd then becomes readable.
//
// Threads: Open, Close, SetPortNumber, SetReadSize, SetCallback and
// TakeIoError on one controlling thread (the window's); QueueWrite and
// IsWritePending on one writer thread (the application thread's pump);
// IsOpen anywhere; ReadBuffer, BytesRead and RequestRead from the callback.
// Releasing the last handle that Create returned closes the port. The I/O
// thread holds a reference of its own while it runs, so a thread that Close
// had to leave behind never outlives the object.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "host/serial/ComPortPaths.h"

namespace pcsim {

class SerialPort : public std::enable_shared_from_this<SerialPort> {
  public:
    // Callback codes.
    static constexpr int kThreadStarted = 0; // the I/O thread has started
    static constexpr int kThreadEnding = 1;  // the I/O thread is ending; the port is closed
    static constexpr int kWriteDone = 2;     // a queued write has completed
    static constexpr int kReadDone = 3;      // a read completed; BytesRead holds the count

    // Open results: 0 or the first failing step.
    static constexpr int kOpened = 0;
    static constexpr int kEventMaskFailed = 1;     // non-blocking or exclusive mode refused
    static constexpr int kTimeoutsFailed = 2;      // read completion settings refused
    static constexpr int kLineSettingsRefused = 4; // not a terminal, or the line settings refused
    static constexpr int kOpenFailed = 8; // the device file cannot be opened (or is in use)
    static constexpr int kNoPort = 16;    // no port number, or channel 3 not configured
    static constexpr int kNoWakeUps = 32; // a wake-up descriptor is missing

    static constexpr uint32_t kBufferSize = 256; // read and write buffers
    static constexpr int kStopTimeoutMs = 2000;  // Close waits no longer

    using Callback = std::function<void(SerialPort& port, int code)>;

    /* Closed, no port chosen, read size 1, the receive handler as callback;
     * paths maps COM numbers to device files beyond the defaults. Dropping
     * the last copy of the handle stops the I/O thread as Close does. */
    static std::shared_ptr<SerialPort> Create(ComPortMap paths = {});
    /* Stops the I/O thread (waiting at most kStopTimeoutMs) and closes
     * everything. */
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    int8_t GetPortNumber() const { return portNumber; }
    void SetPortNumber(int8_t number) { portNumber = number; }
    /* The device file that COM number names. */
    std::string DevicePath(int number) const;

    bool IsOpen() const { return handle.load(std::memory_order_acquire) >= 0; }
    /* Open COM portNumber with the line settings of device channel 3 and
     * start the I/O thread; returns kOpened or a failure code (the port is
     * then closed and LastError says why). An open port is closed first and
     * its thread stopped. */
    int Open();
    /* Ask the I/O thread to stop and wait for it at most kStopTimeoutMs;
     * the thread closes the port. Not from the callback. */
    void Close();

    /* Bytes each read waits for: n, at most kBufferSize; 0 is ignored. */
    void SetReadSize(uint32_t n);
    uint32_t ReadSize() const { return readSize.load(std::memory_order_relaxed); }

    /* Hand n bytes to the I/O thread. Refused (false) while a write is
     * pending, for n of kBufferSize or more, for no data, and while the
     * port is closed. */
    bool QueueWrite(const uint8_t* data, uint32_t n);
    bool IsWritePending() const { return writePending.load(std::memory_order_acquire); }

    /* The bytes of the last completed read (valid in the kReadDone callback). */
    const uint8_t* ReadBuffer() const { return readBuffer; }
    uint32_t BytesRead() const { return bytesRead; }
    /* Issue the next read (the read chain's step after a delivery). */
    void RequestRead();

    /* Replace the notification hook; only while closed. */
    void SetCallback(Callback hook) { callback = std::move(hook); }

    /* Why the last Open failed or why the I/O thread last ended with an
     * error; empty when neither happened. */
    std::string LastError() const;
    /* Readable once the I/O thread has ended because of an error. */
    int ErrorFd() const { return errorFd; }
    /* If the I/O thread of the last Open ended because of an error not yet
     * taken, true with the reason. An error of an earlier opening is never
     * reported, even when its wake-up comes after the next Open. Clears
     * ErrorFd in any case. */
    bool TakeIoError(std::string* message);

  private:
    struct Token {}; // makes the constructor usable by Create only
  public:
    SerialPort(Token, ComPortMap paths);

  private:
    static void IoThread(std::shared_ptr<SerialPort> self);
    /* The thread's loop; returns the error that ended it, empty after a stop. */
    std::string RunIo(int fd);
    bool ReadAvailable(int fd, std::string* error);
    bool WriteAvailable(int fd, std::string* error);
    void SetError(const std::string& message);
    void Notify(int code);

    ComPortMap paths;                      // COM numbers mapped by the command line
    std::string portPath;                  // device file of the open port (for messages)
    std::atomic<int> handle{-1};           // the open port; -1 when closed
    int stopFd = -1;                       // wake-up: stop the I/O thread
    int readRequestFd = -1;                // wake-up: issue the next read
    int writeRequestFd = -1;               // wake-up: a write was queued
    int errorFd = -1;                      // readable after the thread ended with an error
    std::thread thread;                    // the I/O thread; not joinable when none
    mutable std::mutex endLock;            // guards threadEnded, lastError and ioErrorUntaken
    std::condition_variable threadEnds;    // signalled when threadEnded becomes true
    bool threadEnded = true;               // no I/O thread runs
    std::string lastError;                 // see LastError
    bool ioErrorUntaken = false;           // this opening's thread ended with lastError
    std::atomic<bool> writePending{false}; // a write was queued and has not completed
    bool readPending = false;              // a read is issued (I/O thread only)
    bool readRequested = false;            // RequestRead from the callback (I/O thread only)
    uint8_t readBuffer[kBufferSize] = {};  // receive buffer
    uint8_t writeBuffer[kBufferSize] = {}; // transmit buffer, owned by whoever set writePending
    std::atomic<uint32_t> readSize{1};     // bytes asked for by each read
    uint32_t readWanted = 1;               // readSize when the current read was issued
    uint32_t readGot = 0;                  // bytes of the current read so far
    uint32_t bytesRead = 0;                // count of the last completed read
    std::atomic<uint32_t> bytesToWrite{0}; // count of the pending write, published with it
    uint32_t bytesWritten = 0;             // of the pending write so far (I/O thread only)
    bool writing = false;                  // the I/O thread is writing (I/O thread only)
    Callback callback;                     // notification hook (the receive handler)
    int8_t portNumber = 0;                 // COM port number; 0 = none chosen
};

} // namespace pcsim
