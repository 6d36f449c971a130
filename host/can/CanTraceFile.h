#pragma once
// The --can-trace file: a writer thread empties the tap's trace ring into a
// candump -l log, one line per frame, "R" after a received frame and "T"
// after a sent one, can0 for CAN1 and can1 for CAN2. The file is written
// as the session goes (a crash keeps what came before it) and closed by
// Finish, which also writes whatever is still waiting.
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace pcsim {

class CanTapRing;

class CanTraceFile {
  public:
    static constexpr int kWakeMs = 20; // the writer looks at the ring this often

    /* Create (or empty) path and start the writer on ring; nullptr with the
     * reason in error when the file cannot be made. lossless: the device
     * waits for the writer rather than dropping frames (headless runs). */
    static std::unique_ptr<CanTraceFile> Open(const std::string& path, CanTapRing* ring, bool lossless,
                                              std::string* error);
    ~CanTraceFile();
    CanTraceFile(const CanTraceFile&) = delete;
    CanTraceFile& operator=(const CanTraceFile&) = delete;

    /* Stop taking frames, write what is waiting and close the file. Returns
     * false with the reason when frames were lost or the file could not be
     * written. A second call does nothing and returns true. */
    bool Finish(std::string* problem);

  private:
    CanTraceFile(const std::string& path, FILE* file, CanTapRing* ring, uint64_t droppedAtOpen);
    void WriterLoop();
    /* Write every frame waiting in the ring. After a write error it goes on
     * taking them, counted and not written, so that a device waiting for
     * room (a lossless ring) is never held up for good. */
    void Drain();

    const std::string path_;
    FILE* file_;
    CanTapRing* ring_;
    const uint64_t droppedAtOpen_; // the ring's drop count when this file began
    // Written by the writer thread, then by Finish after the join.
    int writeError_ = 0;     // errno of the first failed write; 0 while all went well
    uint64_t written_ = 0;   // frames in the file (flushed)
    uint64_t discarded_ = 0; // frames of the failed write and all taken after it
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false; // guarded by mutex_
    std::thread writer_;
};

} // namespace pcsim
