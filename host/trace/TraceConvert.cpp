#include "host/trace/TraceConvert.h"

#include <algorithm>

#include "host/trace/AscFormat.h"
#include "host/trace/AtomicFile.h"
#include "host/trace/CandumpFormat.h"
#include "host/trace/CtbFormat.h"
#include "host/trace/UnitLogFormat.h"

namespace pcsim {

namespace {

std::string Count(uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string_view BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
}

/* What the reader left out, as notes. */
void ReaderNotes(const TraceReadResult& read, std::vector<std::string>* notes) {
    if (read.errorFrames > 0)
        notes->push_back(Count(read.errorFrames, "error frame", "error frames") +
                         " left out: the traces carry data and remote frames");
    if (read.events > 0)
        notes->push_back(Count(read.events, "other event", "other events") +
                         " (statistics, chip states and the like) left out");
    notes->insert(notes->end(), read.notes.begin(), read.notes.end());
}

} // namespace

std::string DescribeBadLine(const std::string& path, TraceFormat format, const TraceBadLine& bad) {
    if (bad.line == 0) return path + ": " + bad.reason;
    if (format == TraceFormat::Ctb) return path + ": record " + std::to_string(bad.line) + ": " + bad.reason;
    return path + ":" + std::to_string(bad.line) + ": " + bad.reason;
}

std::vector<TraceFrame> SelectFrames(const std::vector<TraceFrame>& frames, int port) {
    std::vector<TraceFrame> out;
    out.reserve(frames.size());
    for (TraceFrame f : frames) {
        if (port != kTracePortNone) {
            if (f.port == kTracePortNone) f.port = static_cast<int8_t>(port);
            if (f.port != port) continue;
        }
        out.push_back(f);
    }
    if (out.empty()) return out;
    const int64_t start =
        std::min_element(out.begin(), out.end(), [](const TraceFrame& a, const TraceFrame& b) {
            return a.timeUs < b.timeUs;
        })->timeUs;
    for (TraceFrame& f : out) f.timeUs -= start;
    return out;
}

std::string WriteTrace(TraceFormat to, const std::vector<TraceFrame>& frames, int64_t startSeconds,
                       std::vector<std::string>* notes) {
    uint64_t ports[2] = {0, 0}, portless = 0, remote = 0, sent = 0;
    for (const TraceFrame& f : frames) {
        if (f.port == kTracePortNone) {
            ++portless;
        } else {
            ++ports[f.port];
        }
        remote += f.remote;
        sent += f.direction == TraceDirection::Tx;
    }
    std::string out;
    // Every frame line is under 64 bytes; reserving once keeps a big
    // conversion from reallocating.
    out.reserve(frames.size() * (to == TraceFormat::UnitLog ? 80 : to == TraceFormat::Ctb ? 24 : 64) + 128);
    switch (to) {
    case TraceFormat::Candump:
    case TraceFormat::Asc:
        if (portless > 0)
            notes->push_back(std::string("the input has no port: its frames are on ") +
                             (to == TraceFormat::Asc ? "channel 1" : "can0") + " (CAN1; --port chooses)");
        if (to == TraceFormat::Asc) {
            AppendAscHeader(&out, startSeconds);
            for (const TraceFrame& f : frames) AppendAscLine(&out, f, f.timeUs);
        } else {
            for (const TraceFrame& f : frames) AppendCandumpLine(&out, f, f.timeUs);
        }
        break;
    case TraceFormat::Ctb:
    case TraceFormat::UnitLog: {
        const char* name = to == TraceFormat::Ctb ? "CTB" : "the unit's log";
        if (ports[0] > 0 && ports[1] > 0)
            notes->push_back(std::string(name) + " has no port: the frames of CAN1 and CAN2 are in one " +
                             (to == TraceFormat::Ctb ? "trace" : "file") + " (--port keeps one)");
        if (sent > 0)
            notes->push_back(std::string(name) + " has no direction: " +
                             Count(sent, "frame sent by the recording node becomes a frame",
                                   "frames sent by the recording node become frames") +
                             " to receive");
        if (to == TraceFormat::Ctb) {
            if (remote > 0)
                notes->push_back("CTB keeps the remote flag, but a replay port does not: " +
                                 Count(remote,
                                       "remote frame is played as a data frame of its length",
                                       "remote frames are played as data frames of their length") +
                                 ", the bytes zero");
            AppendCtbHeader(&out);
            for (const TraceFrame& f : frames) AppendCtbRecord(&out, f, static_cast<uint64_t>(f.timeUs));
        } else {
            if (remote > 0)
                notes->push_back("the unit's log has no remote flag: " +
                                 Count(remote, "remote frame", "remote frames") + " left out");
            out.append(kUnitLogHeader);
            for (const TraceFrame& f : frames) {
                if (!f.remote) AppendUnitLogLine(&out, f, f.timeUs);
            }
        }
        break;
    }
    default:
        break;
    }
    return out;
}

bool ConvertTrace(const ConvertRequest& request, ConvertReport* report) {
    std::string error;
    std::string bytes;
    if (!ReadWholeFile(request.inPath, &bytes, &error)) {
        report->errors.push_back(error);
        return false;
    }
    const TraceFormat from = request.from != TraceFormat::Unknown
                                 ? request.from
                                 : TraceFormatOfInput(request.inPath, bytes);
    const TraceFormat to = request.to != TraceFormat::Unknown ? request.to : TraceFormatOfPath(request.outPath);
    if (from == TraceFormat::Unknown) {
        report->errors.push_back(request.inPath +
                                 ": format unknown by its name (.log, .asc, .ctb): give --from candump|asc|unit|ctb");
        return false;
    }
    if (to == TraceFormat::Unknown) {
        report->errors.push_back(request.outPath +
                                 ": format unknown by its name (.log, .asc, .ctb): give --to candump|asc|unit|ctb");
        return false;
    }
    TraceReadOptions options;
    options.portFilter = request.port;
    if (from == TraceFormat::UnitLog) options.filePort = UnitLogPortOfName(BaseName(request.inPath));
    TraceReadResult read;
    ReadTrace(from, bytes, options, &read);
    bytes = std::string();
    report->badLines = read.bad.size();
    for (const TraceBadLine& bad : read.bad) report->errors.push_back(DescribeBadLine(request.inPath, from, bad));
    const bool headerBroken = !read.bad.empty() && read.bad.front().line == 0;
    if (headerBroken || (!read.bad.empty() && !request.skipBad)) {
        report->errors.push_back(headerBroken ? "nothing written"
                                              : Count(read.bad.size(), "bad line", "bad lines") + " in " +
                                                    request.inPath + "; nothing written (--skip-bad leaves them out)");
        return false;
    }
    ReaderNotes(read, &report->notes);
    int64_t startUs = 0;
    if (!read.frames.empty()) {
        startUs = std::min_element(read.frames.begin(), read.frames.end(),
                                   [](const TraceFrame& a, const TraceFrame& b) { return a.timeUs < b.timeUs; })
                      ->timeUs;
    }
    const std::vector<TraceFrame> frames = SelectFrames(read.frames, request.port);
    read.frames = std::vector<TraceFrame>();
    const std::string out = WriteTrace(to, frames, from == TraceFormat::Candump ? startUs / 1000000 : 0, &report->notes);
    if (!WriteFileAtomically(request.outPath, out, &error)) {
        report->errors.push_back(error + "; nothing written");
        return false;
    }
    uint64_t written = frames.size();
    if (to == TraceFormat::UnitLog) {
        written = static_cast<uint64_t>(std::count_if(frames.begin(), frames.end(),
                                                      [](const TraceFrame& f) { return !f.remote; }));
    }
    report->frames = written;
    report->summary = request.inPath + " (" + TraceFormatName(from) + ") -> " + request.outPath + " (" +
                      TraceFormatName(to) + "): " + Count(written, "frame", "frames");
    if (!read.bad.empty()) report->summary += "; skipped " + Count(read.bad.size(), "bad line", "bad lines");
    return true;
}

} // namespace pcsim
