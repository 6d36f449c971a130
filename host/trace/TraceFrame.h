#pragma once
// One classic CAN frame as the trace formats carry it, and what a reader
// found in a file besides frames. Qt-free: the converter, the session trace
// writer and the fuzz targets share it.
#include <cstdint>
#include <string>
#include <vector>

namespace pcsim {

constexpr int kTracePortNone = -1;   // the format carries no port (CTB, a unit log of unknown name)
constexpr uint32_t kStdIdMax = 0x7FF;      // 11-bit identifiers
constexpr uint32_t kExtIdMax = 0x1FFFFFFF; // 29-bit identifiers

enum class TraceDirection : uint8_t {
    Unknown, // the format does not say
    Rx,      // received by the recording node
    Tx,      // sent by it
};

struct TraceFrame {
    int64_t timeUs = 0;  // microseconds in the source's time base; offsets after conversion
    uint32_t id = 0;     // 11 or 29 bits, right-aligned
    uint32_t line = 0;   // line (text) or record (CTB) number in the source, for messages
    int8_t port = kTracePortNone; // 0 (CAN1), 1 (CAN2) or kTracePortNone
    TraceDirection direction = TraceDirection::Unknown;
    uint8_t extended = 0; // 1 for a 29-bit identifier
    uint8_t remote = 0;   // 1 for a remote-request frame (dlc is the requested length)
    uint8_t dlc = 0;      // 0-8
    uint8_t data[8] = {}; // bytes at and beyond dlc are zero
};

/* A line (or record) a reader could not take, with the reason in words. */
struct TraceBadLine {
    uint32_t line = 0;
    std::string reason;
};

/* Everything a reader took out of one file. */
struct TraceReadResult {
    std::vector<TraceFrame> frames;
    std::vector<TraceBadLine> bad;   // in file order
    uint64_t errorFrames = 0;        // bus error frames: not traffic, left out
    uint64_t events = 0;             // other timed records (statistics, chip states, ...) left out
    uint64_t skippedRecords = 0;     // CTB records marked "skip"
    uint64_t restartedRecordings = 0; // unit log recordings whose clock restarted
    std::vector<std::string> notes;  // what the reader left out or changed, one sentence each
};

/* Where a reader's frames come from and which of them are wanted. */
struct TraceReadOptions {
    int portFilter = kTracePortNone; // keep only this port (0 or 1); frames of
                                     // interfaces without a port are then dropped, not bad
    int filePort = kTracePortNone;   // port of a unit log, told by its file name
};

} // namespace pcsim
