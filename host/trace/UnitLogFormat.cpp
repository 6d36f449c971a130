#include "host/trace/UnitLogFormat.h"

#include <cstdint>

#include "host/trace/TraceText.h"

namespace pcsim {


namespace {

enum class Line { Frame, Header, Empty, Bad };

Line ParseLine(std::string_view text, TraceFrame* f, std::string* reason) {
    std::string_view rest = TrimSpaces(text);
    if (rest.empty()) return Line::Empty;
    if (rest.substr(0, 3) == "EXT") {
        const std::string_view header(kUnitLogHeader, sizeof kUnitLogHeader - 2);
        if (rest == header) return Line::Header;
        *reason = "a header line reads exactly " + Quoted(header.substr(0, 40));
        return Line::Bad;
    }
    const std::string_view ext = NextToken(&rest);
    const std::string_view idText = NextToken(&rest);
    const std::string_view dlcText = NextToken(&rest);
    if (ext != "0" && ext != "1") {
        *reason = "EXT " + Quoted(ext) + ": 0 (11-bit identifier) or 1 (29-bit)";
        return Line::Bad;
    }
    f->extended = ext == "1";
    uint32_t id = 0;
    if (idText.size() != 8 || !ParseHex32(idText, &id) || id > (f->extended ? kExtIdMax : kStdIdMax)) {
        *reason = "ID " + Quoted(idText) + ": 8 hexadecimal digits of an " +
                  (f->extended ? "29-bit" : "11-bit") + " identifier";
        return Line::Bad;
    }
    f->id = id;
    uint32_t dlc = 0;
    if (dlcText.size() != 1 || !ParseHex32(dlcText, &dlc) || dlc > 8) {
        *reason = "DLC " + Quoted(dlcText) + ": 0-8";
        return Line::Bad;
    }
    f->dlc = static_cast<uint8_t>(dlc);
    for (uint32_t i = 0; i < dlc; ++i) {
        const std::string_view byte = NextToken(&rest);
        uint32_t value = 0;
        if (byte.size() != 2 || !ParseHex32(byte, &value)) {
            *reason = byte.empty() ? "fewer data cells than the DLC " + std::to_string(dlc)
                                   : "data cell " + Quoted(byte) + " is not two hexadecimal digits";
            return Line::Bad;
        }
        f->data[i] = static_cast<uint8_t>(value);
    }
    const std::string_view time = NextToken(&rest);
    // The unit writes six decimals; a plain number is a stray data cell.
    const SecondsParse seconds = time.find('.') == std::string_view::npos
                                     ? SecondsParse::NotSeconds
                                     : ParseSeconds(time, &f->timeUs);
    if (seconds == SecondsParse::TooLarge) {
        *reason = TooLargeTimeReason(time);
        return Line::Bad;
    }
    if (seconds != SecondsParse::Ok) {
        *reason = time.empty() ? "no TIME after the data"
                               : "TIME " + Quoted(time) + " is not seconds (as 12.345000), or more data cells than the DLC";
        return Line::Bad;
    }
    if (!NextToken(&rest).empty()) {
        *reason = "more after the TIME";
        return Line::Bad;
    }
    return Line::Frame;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    text = text.substr(text.size() - suffix.size());
    for (size_t i = 0; i < suffix.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != suffix[i]) return false;
    }
    return true;
}

} // namespace

int UnitLogPortOfName(std::string_view fileName) {
    if (EndsWithNoCase(fileName, "_CAN1.LOG")) return 0;
    if (EndsWithNoCase(fileName, "_CAN2.LOG")) return 1;
    return kTracePortNone;
}

void ReadUnitLog(std::string_view bytes, const TraceReadOptions& options, TraceReadResult* result) {
    result->frames.reserve(result->frames.size() + CountLines(bytes));
    std::string reason;
    bool sawFrame = false;
    bool newRecording = false;
    int64_t shiftUs = 0;  // added to the times of the current recording
    int64_t lastUs = 0;   // time of the previous frame, shifted
    ForEachLine(bytes, [&](std::string_view text, uint32_t number) {
        TraceFrame f;
        f.line = number;
        f.direction = TraceDirection::Rx;
        f.port = static_cast<int8_t>(options.filePort);
        switch (ParseLine(text, &f, &reason)) {
        case Line::Header:
            newRecording = sawFrame;
            break;
        case Line::Frame:
            if (newRecording && f.timeUs + shiftUs < lastUs) {
                shiftUs = lastUs - f.timeUs;
                ++result->restartedRecordings;
            }
            newRecording = false;
            if (f.timeUs > INT64_MAX - shiftUs) {
                result->bad.push_back({number, "TIME runs past the largest time this tool carries"});
                break;
            }
            if (f.timeUs + shiftUs < lastUs) {
                result->bad.push_back({number, "TIME goes back within a recording"});
                break;
            }
            f.timeUs += shiftUs;
            lastUs = f.timeUs;
            sawFrame = true;
            result->frames.push_back(f);
            break;
        case Line::Bad:
            result->bad.push_back({number, reason});
            break;
        case Line::Empty:
            break;
        }
    });
    if (result->restartedRecordings > 0) {
        result->notes.push_back(std::to_string(result->restartedRecordings) +
                                " recording(s) appended after a restart of the unit begin again at an "
                                "earlier time: their frames are moved to follow the recording before");
    }
}

void AppendUnitLogLine(std::string* out, const TraceFrame& f, int64_t timeUs) {
    out->append(f.extended ? " 1    " : " 0    ");
    AppendHex(out, f.id, 8);
    out->append("    ");
    const int dlc = f.dlc > 8 ? 8 : f.dlc;
    out->push_back(static_cast<char>('0' + dlc));
    out->append("     ");
    for (int i = 0; i < 8; ++i) {
        if (i > 0) out->append("  ");
        if (i < dlc) {
            AppendHexByte(out, f.data[i]);
        } else {
            out->append("  ");
        }
    }
    out->append("    ");
    AppendSeconds(out, timeUs);
    out->push_back('\n');
}

} // namespace pcsim
