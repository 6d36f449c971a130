#include "host/can/CanTraceFile.h"

#include <cerrno>
#include <cstring>

#include "host/can/CanTap.h"
#include "host/trace/CandumpFormat.h"

namespace pcsim {

namespace {
constexpr uint32_t kBatchFrames = 1024;

/* errno of a stdio call that failed (cleared before it); EIO when the call
 * left none. */
int ErrorNumber() {
    return errno != 0 ? errno : EIO;
}
} // namespace

std::unique_ptr<CanTraceFile> CanTraceFile::Open(const std::string& path, CanTapRing* ring, bool lossless,
                                                 std::string* error) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        *error = "--can-trace: cannot create " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    const uint64_t dropped = ring->Dropped(); // by an earlier reader of the ring
    ring->DiscardWaiting();
    ring->SetLossless(lossless);
    ring->SetEnabled(true);
    return std::unique_ptr<CanTraceFile>(new CanTraceFile(path, file, ring, dropped));
}

CanTraceFile::CanTraceFile(const std::string& path, FILE* file, CanTapRing* ring,
                           uint64_t droppedAtOpen)
    : path_(path), file_(file), ring_(ring), droppedAtOpen_(droppedAtOpen),
      writer_([this] { WriterLoop(); }) {}

CanTraceFile::~CanTraceFile() {
    std::string ignored;
    Finish(&ignored);
}

void CanTraceFile::Drain() {
    TapFrame frames[kBatchFrames];
    std::string text;
    uint32_t n = 0;
    // Frames handed to stdio in this pass: in the file only once flushed,
    // and taken as lost when a write or the flush fails.
    uint64_t unflushed = 0;
    while ((n = ring_->Take(frames, kBatchFrames)) > 0) {
        if (writeError_ != 0) {
            discarded_ += n;
            continue;
        }
        text.clear();
        for (uint32_t i = 0; i < n; ++i) {
            const TapFrame& t = frames[i];
            TraceFrame f;
            f.id = t.id;
            f.port = static_cast<int8_t>(t.port);
            f.direction = t.sent ? TraceDirection::Tx : TraceDirection::Rx;
            f.extended = t.extended;
            f.remote = t.remote;
            f.dlc = t.dlc;
            std::memcpy(f.data, t.data, sizeof f.data);
            AppendCandumpLine(&text, f, static_cast<int64_t>(t.timeUs));
        }
        errno = 0;
        if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
            writeError_ = ErrorNumber();
            discarded_ += unflushed + n;
            unflushed = 0;
            continue;
        }
        unflushed += n;
    }
    if (unflushed == 0) return;
    errno = 0;
    if (std::fflush(file_) != 0) {
        writeError_ = ErrorNumber();
        discarded_ += unflushed;
    } else {
        written_ += unflushed;
    }
}

void CanTraceFile::WriterLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        wake_.wait_for(lock, std::chrono::milliseconds(kWakeMs));
        lock.unlock();
        Drain();
        lock.lock();
    }
}

bool CanTraceFile::Finish(std::string* problem) {
    if (!writer_.joinable()) return true;
    // The device may still be running (a thread left behind): once the ring
    // is disabled, no frame enters it any more, so the last drain below
    // takes every frame the ring accepted.
    ring_->SetEnabled(false);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    writer_.join();
    Drain();
    errno = 0;
    if (std::fclose(file_) != 0 && writeError_ == 0) writeError_ = ErrorNumber();
    file_ = nullptr;
    std::string text;
    if (writeError_ != 0) {
        text = "--can-trace: cannot write " + path_ + ": " + std::strerror(writeError_);
        if (discarded_ > 0)
            text += "; the last " + std::to_string(discarded_) + " frame(s) not written";
    }
    const uint64_t dropped = ring_->Dropped() - droppedAtOpen_;
    if (dropped > 0) {
        if (!text.empty()) text += "; ";
        text += "--can-trace: " + std::to_string(dropped) + " frame(s) not written to " + path_ +
                ": the writer fell behind";
    }
    *problem = text;
    return text.empty();
}

} // namespace pcsim
