#include "host/CanTraceFile.h"

#include <cerrno>
#include <cstring>

#include "host/CanTap.h"
#include "host/trace/CandumpFormat.h"

namespace pcsim {

namespace {
constexpr uint32_t kBatchFrames = 1024;
}

std::unique_ptr<CanTraceFile> CanTraceFile::Open(const std::string& path, CanTapRing* ring, bool lossless,
                                                 std::string* error) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        *error = "--can-trace: cannot create " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    ring->DiscardWaiting();
    ring->SetLossless(lossless);
    ring->SetEnabled(true);
    return std::unique_ptr<CanTraceFile>(new CanTraceFile(path, file, ring));
}

CanTraceFile::CanTraceFile(const std::string& path, FILE* file, CanTapRing* ring)
    : path_(path), file_(file), ring_(ring), writer_([this] { WriterLoop(); }) {}

CanTraceFile::~CanTraceFile() {
    std::string ignored;
    Finish(&ignored);
}

bool CanTraceFile::Drain() {
    TapFrame frames[kBatchFrames];
    std::string text;
    uint32_t n = 0;
    while ((n = ring_->Take(frames, kBatchFrames)) > 0) {
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
        if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) return false;
        written_ += n;
    }
    return std::fflush(file_) == 0;
}

void CanTraceFile::WriterLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        wake_.wait_for(lock, std::chrono::milliseconds(kWakeMs));
        lock.unlock();
        if (!writeFailed_ && !Drain()) writeFailed_ = true;
        lock.lock();
    }
}

bool CanTraceFile::Finish(std::string* problem) {
    if (!writer_.joinable()) return true;
    // The device may still be running (a thread left behind): stop it from
    // waiting on this ring before the last drain.
    ring_->SetEnabled(false);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    writer_.join();
    if (!writeFailed_ && !Drain()) writeFailed_ = true;
    const int writeError = errno;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    std::string text;
    if (writeFailed_ || !closed) text = "--can-trace: cannot write " + path_ + ": " + std::strerror(writeError);
    if (ring_->Dropped() > 0) {
        if (!text.empty()) text += "; ";
        text += "--can-trace: " + std::to_string(ring_->Dropped()) + " frame(s) not written to " + path_ +
                ": the writer fell behind";
    }
    *problem = text;
    return text.empty();
}

} // namespace pcsim
