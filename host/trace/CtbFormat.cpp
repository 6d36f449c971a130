#include "host/trace/CtbFormat.h"

#include <cstring>

#include "host/trace/TraceText.h"

namespace pcsim {

namespace {

constexpr uint32_t kCtbVersion = 2;

uint32_t ReadU32(const uint8_t* at) {
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
}

uint64_t ReadU64(const uint8_t* at) {
    return ReadU32(at) | static_cast<uint64_t>(ReadU32(at + 4)) << 32;
}

void PutU32(char* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<char>(v >> (8 * i));
}

/* Why the header is wrong, or empty when it is right. */
std::string HeaderProblem(std::string_view bytes) {
    if (bytes.size() < kCtbHeaderBytes)
        return "too short for the 8-byte CTB header (" + std::to_string(bytes.size()) + " bytes)";
    if (std::memcmp(bytes.data(), "CTB", 4) != 0) return "not a CTB trace: it does not begin with \"CTB\" and a NUL byte";
    const uint32_t version = ReadU32(reinterpret_cast<const uint8_t*>(bytes.data()) + 4);
    if (version != kCtbVersion) return "CTB version " + std::to_string(version) + ": only version 2 is played back";
    return {};
}

struct Record {
    uint64_t dueUs;
    uint32_t id;
    uint8_t flags;
    uint8_t dlc;
    const uint8_t* data;
};

Record Decode(const uint8_t* at) {
    return {ReadU64(at), ReadU32(at + 8), at[12], at[15], at + 16};
}

/* Why a record cannot be carried, or empty. */
std::string RecordProblem(const Record& r) {
    if (r.dlc > 8) return "dlc " + std::to_string(r.dlc) + ": classic CAN frames carry 0-8 bytes";
    if (r.dueUs > static_cast<uint64_t>(INT64_MAX)) return "due time out of range";
    const bool extended = r.flags & kCtbFlagExtended;
    if (r.id > (extended ? kExtIdMax : kStdIdMax)) {
        std::string hex;
        AppendHex(&hex, r.id, 1);
        return "identifier " + hex + (extended ? " has more than 29 bits" : " has more than 11 bits and no extended flag");
    }
    return {};
}

} // namespace

void ReadCtb(std::string_view bytes, const TraceReadOptions& options, TraceReadResult* result) {
    (void)options;
    const std::string header = HeaderProblem(bytes);
    if (!header.empty()) {
        result->bad.push_back({0, header});
        return;
    }
    const auto* at = reinterpret_cast<const uint8_t*>(bytes.data()) + kCtbHeaderBytes;
    const size_t count = (bytes.size() - kCtbHeaderBytes) / kCtbRecordBytes;
    result->frames.reserve(count);
    for (size_t i = 0; i < count; ++i, at += kCtbRecordBytes) {
        const Record r = Decode(at);
        const uint32_t number = static_cast<uint32_t>(i + 1);
        if (r.flags & kCtbFlagSkip) {
            ++result->skippedRecords;
            continue;
        }
        std::string problem = RecordProblem(r);
        if (!problem.empty()) {
            result->bad.push_back({number, problem});
            continue;
        }
        TraceFrame f;
        f.line = number;
        f.timeUs = static_cast<int64_t>(r.dueUs);
        f.id = r.id;
        f.extended = (r.flags & kCtbFlagExtended) ? 1 : 0;
        f.remote = (r.flags & kCtbFlagRemote) ? 1 : 0;
        f.dlc = r.dlc;
        if (!f.remote) std::memcpy(f.data, r.data, f.dlc);
        result->frames.push_back(f);
    }
    const size_t tail = (bytes.size() - kCtbHeaderBytes) % kCtbRecordBytes;
    if (tail != 0) {
        result->bad.push_back({static_cast<uint32_t>(count + 1),
                               "the last record is cut short: " + std::to_string(tail) + " of 24 bytes"});
    }
    if (result->skippedRecords > 0) {
        result->notes.push_back(std::to_string(result->skippedRecords) +
                                " record(s) marked skip (flags bit 1) left out, as playback does");
    }
}

void AppendCtbHeader(std::string* out) {
    char header[kCtbHeaderBytes] = {'C', 'T', 'B', 0};
    PutU32(header + 4, kCtbVersion);
    out->append(header, sizeof header);
}

void AppendCtbRecord(std::string* out, const TraceFrame& f, uint64_t dueUs) {
    char r[kCtbRecordBytes] = {};
    PutU32(r, static_cast<uint32_t>(dueUs));
    PutU32(r + 4, static_cast<uint32_t>(dueUs >> 32));
    PutU32(r + 8, f.id);
    r[12] = static_cast<char>((f.extended ? kCtbFlagExtended : 0) | (f.remote ? kCtbFlagRemote : 0));
    r[15] = static_cast<char>(f.dlc > 8 ? 8 : f.dlc);
    if (!f.remote) std::memcpy(r + 16, f.data, f.dlc > 8 ? 8 : f.dlc);
    out->append(r, sizeof r);
}

bool DumpCtb(std::string_view bytes, std::string* out, std::string* problems) {
    const std::string header = HeaderProblem(bytes);
    if (!header.empty()) {
        *problems += header + "\n";
        return false;
    }
    const size_t count = (bytes.size() - kCtbHeaderBytes) / kCtbRecordBytes;
    *out += "CTB version 2, " + std::to_string(count) + " record(s)\n";
    *out += "record      time (s)  flags  id        dlc  data\n";
    const auto* at = reinterpret_cast<const uint8_t*>(bytes.data()) + kCtbHeaderBytes;
    bool whole = true;
    for (size_t i = 0; i < count; ++i, at += kCtbRecordBytes) {
        const Record r = Decode(at);
        std::string line;
        std::string number;
        AppendDecimal(&number, i + 1);
        line.append(number.size() < 6 ? 6 - number.size() : 0, ' ');
        line += number;
        line += "  ";
        AppendSeconds(&line, static_cast<int64_t>(r.dueUs > static_cast<uint64_t>(INT64_MAX) ? 0 : r.dueUs), 5);
        line += "  ";
        AppendHexByte(&line, r.flags);
        line.push_back(r.flags & kCtbFlagExtended ? 'X' : '-');
        line.push_back(r.flags & kCtbFlagRemote ? 'R' : '-');
        line.push_back(r.flags & kCtbFlagSkip ? 'S' : '-');
        line += "  ";
        const size_t idStart = line.size();
        AppendHex(&line, r.id, (r.flags & kCtbFlagExtended) ? 8 : 3);
        line.append(idStart + 10 > line.size() ? idStart + 10 - line.size() : 1, ' ');
        const size_t dlcStart = line.size();
        AppendDecimal(&line, r.dlc);
        line.append(dlcStart + 5 - line.size(), ' ');
        if (!(r.flags & kCtbFlagRemote)) {
            for (int b = 0; b < r.dlc && b < 8; ++b) {
                if (b > 0) line.push_back(' ');
                AppendHexByte(&line, r.data[b]);
            }
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        *out += line + "\n";
        const std::string problem = RecordProblem(r);
        if (!problem.empty()) {
            *problems += "record " + std::to_string(i + 1) + ": " + problem + "\n";
            whole = false;
        }
    }
    const size_t tail = (bytes.size() - kCtbHeaderBytes) % kCtbRecordBytes;
    if (tail != 0) {
        *problems += "record " + std::to_string(count + 1) + ": the last record is cut short: " +
                     std::to_string(tail) + " of 24 bytes\n";
        whole = false;
    }
    return whole;
}

} // namespace pcsim
