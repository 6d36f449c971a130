#include "host/trace/CandumpFormat.h"

#include <algorithm>

#include "host/trace/TraceText.h"

namespace pcsim {

namespace {

constexpr uint32_t kErrorFlag = 0x20000000; // CAN_ERR_FLAG in an error frame's identifier

enum class Line { Frame, Empty, ErrorFrame, Filtered, Bad };

/* Port of an interface name: the number it ends with, 0 or 1; -2 for any
 * other name. */
int PortOfInterface(std::string_view name) {
    size_t digits = 0;
    while (digits < name.size() && name[name.size() - 1 - digits] >= '0' &&
           name[name.size() - 1 - digits] <= '9')
        ++digits;
    if (digits == 0) return -2;
    const std::string_view number = name.substr(name.size() - digits);
    const std::string_view trimmed = number.substr(std::min(number.find_first_not_of('0'), number.size() - 1));
    if (trimmed == "0") return 0;
    if (trimmed == "1") return 1;
    return -2;
}

/* The frame part "ID#DATA" or "ID#R[LEN]". */
Line ParseFrameText(std::string_view text, TraceFrame* f, std::string* reason) {
    const size_t hash = text.find('#');
    if (hash == std::string_view::npos) {
        *reason = "no '#' in the frame " + Quoted(text);
        return Line::Bad;
    }
    const std::string_view idText = text.substr(0, hash);
    uint32_t id = 0;
    if (!ParseHex32(idText, &id) || (idText.size() != 3 && idText.size() != 8)) {
        *reason = "identifier " + Quoted(idText) +
                  ": 3 hexadecimal digits for an 11-bit identifier, 8 for a 29-bit one";
        return Line::Bad;
    }
    std::string_view rest = text.substr(hash + 1);
    if (!rest.empty() && rest[0] == '#') {
        *reason = "CAN FD frame: only classic CAN frames (up to 8 bytes) are carried";
        return Line::Bad;
    }
    if (idText.size() == 8) {
        if (id & kErrorFlag) return Line::ErrorFrame;
        if (id > kExtIdMax) {
            *reason = "identifier " + Quoted(idText) + " has more than 29 bits";
            return Line::Bad;
        }
        f->extended = 1;
    } else if (id > kStdIdMax) {
        *reason = "identifier " + Quoted(idText) + " has more than 11 bits (8 digits for a 29-bit one)";
        return Line::Bad;
    }
    f->id = id;
    if (!rest.empty() && (rest[0] == 'R' || rest[0] == 'r')) {
        f->remote = 1;
        rest.remove_prefix(1);
        if (rest.size() == 1 && rest[0] >= '0' && rest[0] <= '8') {
            f->dlc = static_cast<uint8_t>(rest[0] - '0');
        } else if (!rest.empty()) {
            *reason = "remote frame " + Quoted(text) + ": 'R' may be followed by one length digit 0-8";
            return Line::Bad;
        }
        return Line::Frame;
    }
    uint8_t n = 0;
    size_t i = 0;
    while (i < rest.size()) {
        if (rest[i] == '.' && n > 0 && i + 1 < rest.size()) {
            ++i;
            continue;
        }
        if (rest[i] == '_') {
            *reason = "length code " + Quoted(rest.substr(i)) + " above 8 is not carried";
            return Line::Bad;
        }
        const int hi = HexValue(rest[i]);
        const int lo = i + 1 < rest.size() ? HexValue(rest[i + 1]) : -1;
        if (hi < 0 || lo < 0) {
            *reason = "data " + Quoted(rest) + ": bytes are pairs of hexadecimal digits";
            return Line::Bad;
        }
        if (n == 8) {
            *reason = "data " + Quoted(rest) + ": more than 8 bytes";
            return Line::Bad;
        }
        f->data[n++] = static_cast<uint8_t>(hi << 4 | lo);
        i += 2;
    }
    f->dlc = n;
    return Line::Frame;
}

Line ParseLine(std::string_view text, const TraceReadOptions& options, TraceFrame* f,
               std::string* reason) {
    std::string_view rest = TrimSpaces(text);
    if (rest.empty()) return Line::Empty;
    if (rest[0] != '(') {
        *reason = "a line starts with the time in parentheses, as (1436509052.249713)";
        return Line::Bad;
    }
    const size_t close = rest.find(')');
    const SecondsParse time = close == std::string_view::npos
                                  ? SecondsParse::NotSeconds
                                  : ParseSeconds(rest.substr(1, close - 1), &f->timeUs);
    if (time == SecondsParse::TooLarge) {
        *reason = TooLargeTimeReason(rest.substr(1, close - 1));
        return Line::Bad;
    }
    if (time != SecondsParse::Ok) {
        *reason = "time " + Quoted(rest.substr(0, close == std::string_view::npos ? rest.size() : close + 1)) +
                  " is not (SECONDS.MICROSECONDS)";
        return Line::Bad;
    }
    rest.remove_prefix(close + 1);
    const std::string_view interface = NextToken(&rest);
    const std::string_view frame = NextToken(&rest);
    const std::string_view direction = NextToken(&rest);
    if (frame.empty()) {
        *reason = "an interface and a frame follow the time";
        return Line::Bad;
    }
    const Line kind = ParseFrameText(frame, f, reason);
    if (kind != Line::Frame) return kind;
    if (direction == "R") {
        f->direction = TraceDirection::Rx;
    } else if (direction == "T") {
        f->direction = TraceDirection::Tx;
    } else if (!direction.empty()) {
        *reason = "direction " + Quoted(direction) + " after the frame: R (received) or T (sent)";
        return Line::Bad;
    }
    if (!NextToken(&rest).empty()) {
        *reason = "more after the direction";
        return Line::Bad;
    }
    const int port = PortOfInterface(interface);
    if (port < 0) {
        if (options.portFilter != kTracePortNone) return Line::Filtered;
        *reason = "interface " + Quoted(interface) +
                  " is no port of the unit: names ending in 0 are CAN1, ending in 1 CAN2 (or choose one with --port)";
        return Line::Bad;
    }
    f->port = static_cast<int8_t>(port);
    return Line::Frame;
}

} // namespace

void ReadCandump(std::string_view bytes, const TraceReadOptions& options, TraceReadResult* result) {
    result->frames.reserve(result->frames.size() + CountLines(bytes));
    std::string reason;
    ForEachLine(bytes, [&](std::string_view text, uint32_t number) {
        TraceFrame f;
        f.line = number;
        switch (ParseLine(text, options, &f, &reason)) {
        case Line::Frame:
            result->frames.push_back(f);
            break;
        case Line::ErrorFrame:
            ++result->errorFrames;
            break;
        case Line::Bad:
            result->bad.push_back({number, reason});
            break;
        case Line::Empty:
        case Line::Filtered:
            break;
        }
    });
}

void AppendCandumpLine(std::string* out, const TraceFrame& f, int64_t timeUs) {
    out->push_back('(');
    AppendSeconds(out, timeUs);
    out->append(f.port == 1 ? ") can1 " : ") can0 ");
    AppendHex(out, f.id, f.extended ? 8 : 3);
    out->push_back('#');
    if (f.remote) {
        out->push_back('R');
        if (f.dlc > 0) out->push_back(static_cast<char>('0' + (f.dlc > 8 ? 8 : f.dlc)));
    } else {
        for (int i = 0; i < f.dlc && i < 8; ++i) AppendHexByte(out, f.data[i]);
    }
    if (f.direction == TraceDirection::Rx) out->append(" R");
    if (f.direction == TraceDirection::Tx) out->append(" T");
    out->push_back('\n');
}

} // namespace pcsim
