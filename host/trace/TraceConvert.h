#pragma once
// `pcsim-trace convert`: read a trace in one format, keep the frames of the
// chosen port, make the times offsets from the first frame and write it in
// another format. What a format cannot carry (a port, a remote flag, the
// direction) is said in a note, never dropped silently.
#include <string>
#include <vector>

#include "host/trace/TraceFormats.h"
#include "host/trace/TraceFrame.h"

namespace pcsim {

struct ConvertRequest {
    std::string inPath;
    std::string outPath;
    TraceFormat from = TraceFormat::Unknown; // Unknown: told by the file
    TraceFormat to = TraceFormat::Unknown;   // Unknown: told by the name
    int port = kTracePortNone;               // --port: 0 or 1
    bool skipBad = false;                    // --skip-bad
};

/* What a conversion said: problems (stderr), notes and the summary. */
struct ConvertReport {
    std::vector<std::string> errors;
    std::vector<std::string> notes;
    std::string summary;
    uint64_t frames = 0;     // frames written
    uint64_t badLines = 0;   // lines (records) that could not be read
};

/* Frames ready to write: port filter applied (a frame without a port takes
 * port, when one is given), times made offsets from the earliest frame. */
std::vector<TraceFrame> SelectFrames(const std::vector<TraceFrame>& frames, int port);

/* The bytes of frames in format to, with notes about what it cannot carry.
 * startSeconds is the time of the first frame in the source's own time
 * base, for the ASC date line. */
std::string WriteTrace(TraceFormat to, const std::vector<TraceFrame>& frames, int64_t startSeconds,
                       std::vector<std::string>* notes);

/* The whole conversion; false when nothing was written. */
bool ConvertTrace(const ConvertRequest& request, ConvertReport* report);

/* "IN:LINE: reason" (or "IN: record N: reason" for CTB). */
std::string DescribeBadLine(const std::string& path, TraceFormat format, const TraceBadLine& bad);

} // namespace pcsim
