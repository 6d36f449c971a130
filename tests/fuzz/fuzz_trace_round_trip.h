#pragma once
// Shared body of the trace reader fuzz targets: any bytes through a reader,
// checks on what it returns, then its frames written in the same format and
// read back must be the same frames.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/trace/AscFormat.h"
#include "host/trace/CandumpFormat.h"
#include "host/trace/CtbFormat.h"
#include "host/trace/TraceFormats.h"
#include "host/trace/UnitLogFormat.h"

namespace fuzz_trace {

inline void Check(bool ok) {
    if (!ok) std::abort();
}

inline bool Same(const pcsim::TraceFrame& a, const pcsim::TraceFrame& b) {
    bool same = a.timeUs == b.timeUs && a.id == b.id && a.port == b.port && a.direction == b.direction &&
                a.extended == b.extended && a.remote == b.remote && a.dlc == b.dlc;
    for (int i = 0; i < 8 && same; ++i) same = a.data[i] == b.data[i];
    return same;
}

inline std::string Write(pcsim::TraceFormat format, const pcsim::TraceReadResult& read) {
    std::string out;
    switch (format) {
    case pcsim::TraceFormat::Candump:
        for (const pcsim::TraceFrame& f : read.frames) pcsim::AppendCandumpLine(&out, f, f.timeUs);
        break;
    case pcsim::TraceFormat::Asc:
        pcsim::AppendAscHeader(&out, 0);
        for (const pcsim::TraceFrame& f : read.frames) pcsim::AppendAscLine(&out, f, f.timeUs);
        break;
    case pcsim::TraceFormat::UnitLog:
        out = pcsim::kUnitLogHeader;
        for (const pcsim::TraceFrame& f : read.frames) pcsim::AppendUnitLogLine(&out, f, f.timeUs);
        break;
    case pcsim::TraceFormat::Ctb:
        pcsim::AppendCtbHeader(&out);
        for (const pcsim::TraceFrame& f : read.frames)
            pcsim::AppendCtbRecord(&out, f, static_cast<uint64_t>(f.timeUs));
        break;
    default:
        break;
    }
    return out;
}

inline void RoundTrip(pcsim::TraceFormat format, const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    pcsim::TraceReadOptions options;
    options.filePort = 0;
    pcsim::TraceReadResult read;
    pcsim::ReadTrace(format, bytes, options, &read);
    uint32_t lastBad = 0;
    for (const pcsim::TraceBadLine& bad : read.bad) {
        Check(!bad.reason.empty());
        Check(bad.line >= lastBad);
        lastBad = bad.line;
    }
    for (const pcsim::TraceFrame& f : read.frames) {
        Check(f.dlc <= 8);
        Check(f.id <= (f.extended ? pcsim::kExtIdMax : pcsim::kStdIdMax));
        Check(f.port >= pcsim::kTracePortNone && f.port <= 1);
        Check(f.timeUs >= 0);
        for (int i = f.remote ? 0 : f.dlc; i < 8; ++i) Check(f.data[i] == 0);
    }
    pcsim::TraceReadResult again;
    pcsim::ReadTrace(format, Write(format, read), options, &again);
    Check(again.bad.empty());
    Check(again.frames.size() == read.frames.size());
    for (size_t i = 0; i < read.frames.size(); ++i) Check(Same(read.frames[i], again.frames[i]));
}

} // namespace fuzz_trace
