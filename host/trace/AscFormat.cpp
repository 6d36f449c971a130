#include "host/trace/AscFormat.h"

#include <cstdint>
#include <cstring>
#include <ctime>

#include "host/trace/TraceText.h"

namespace pcsim {

namespace {

/* What the header lines said so far. */
struct AscState {
    bool decimal = false;  // "base dec": identifiers and data in decimal
    bool relative = false; // "timestamps relative": each time counts from the previous event
    int64_t lastUs = 0;    // time of the previous event, for relative times
};

enum class Line { Frame, Skip, ErrorFrame, Event, Filtered, Bad };

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

/* Lines without a time: the header, comments, trigger blocks. */
Line ParseUntimedLine(std::string_view text, AscState* state, std::string* reason) {
    std::string_view rest = text;
    const std::string_view word = NextToken(&rest);
    if (word.substr(0, 2) == "//" || EqualsNoCase(word, "date") || EqualsNoCase(word, "begin") ||
        EqualsNoCase(word, "end"))
        return Line::Skip;
    if (EqualsNoCase(word, "no") || EqualsNoCase(word, "internal")) return Line::Skip; // internal events
    if (EqualsNoCase(word, "base")) {
        // "base hex|dec  timestamps absolute|relative"
        const std::string_view base = NextToken(&rest);
        if (EqualsNoCase(base, "dec")) {
            state->decimal = true;
        } else if (EqualsNoCase(base, "hex")) {
            state->decimal = false;
        } else {
            *reason = "base " + Quoted(base) + ": hex or dec";
            return Line::Bad;
        }
        if (EqualsNoCase(NextToken(&rest), "timestamps"))
            state->relative = EqualsNoCase(NextToken(&rest), "relative");
        return Line::Skip;
    }
    *reason = "not an ASC line: a frame line starts with its time in seconds";
    return Line::Bad;
}

bool ParseNumber(std::string_view text, bool decimal, uint32_t* out) {
    return decimal ? ParseDec32(text, out) : ParseHex32(text, out);
}

/* A token that can only be an identifier: digits of the base, an optional
 * trailing x. Anything else after the channel is an event word. */
bool LooksLikeId(std::string_view token, bool decimal) {
    if (!token.empty() && (token.back() == 'x' || token.back() == 'X')) token.remove_suffix(1);
    if (token.empty()) return false;
    for (char c : token) {
        if (decimal ? (c < '0' || c > '9') : HexValue(c) < 0) return false;
    }
    return true;
}

Line ParseFrame(std::string_view rest, const AscState& state, TraceFrame* f, std::string* reason) {
    std::string_view idText = NextToken(&rest);
    if (idText.back() == 'x' || idText.back() == 'X') {
        f->extended = 1;
        idText.remove_suffix(1);
    }
    uint32_t id = 0;
    if (!ParseNumber(idText, state.decimal, &id) || id > (f->extended ? kExtIdMax : kStdIdMax)) {
        *reason = "identifier " + Quoted(idText) + (f->extended ? " is not a 29-bit" : " is not an 11-bit") +
                  (state.decimal ? " decimal number" : " hexadecimal number") +
                  (f->extended ? "" : " (a trailing x marks 29 bits)");
        return Line::Bad;
    }
    f->id = id;
    const std::string_view direction = NextToken(&rest);
    if (direction == "Rx") {
        f->direction = TraceDirection::Rx;
    } else if (direction == "Tx") {
        f->direction = TraceDirection::Tx;
    } else {
        *reason = "direction " + Quoted(direction) + " after the identifier: Rx or Tx";
        return Line::Bad;
    }
    const std::string_view type = NextToken(&rest);
    const std::string_view lengthText = NextToken(&rest);
    uint32_t length = 0;
    if (type == "r" || type == "R") {
        f->remote = 1;
        if (lengthText.empty()) return Line::Frame; // pre-8.5 tools write no length
        if (!ParseHex32(lengthText, &length) || length > 8) {
            *reason = "remote frame length " + Quoted(lengthText) + ": 0-8";
            return Line::Bad;
        }
        f->dlc = static_cast<uint8_t>(length);
        return Line::Frame;
    }
    if (type != "d" && type != "D") {
        *reason = "frame type " + Quoted(type) + ": d (data) or r (remote)";
        return Line::Bad;
    }
    if (!ParseHex32(lengthText, &length) || length > 8) {
        *reason = "length " + Quoted(lengthText) + ": classic CAN frames carry 0-8 bytes";
        return Line::Bad;
    }
    f->dlc = static_cast<uint8_t>(length);
    for (uint32_t i = 0; i < length; ++i) {
        const std::string_view byte = NextToken(&rest);
        uint32_t value = 0;
        if (!ParseNumber(byte, state.decimal, &value) || value > 0xFF || (!state.decimal && byte.size() != 2)) {
            *reason = byte.empty() ? "fewer data bytes than the length " + std::to_string(length)
                                   : "data byte " + Quoted(byte) + " is not a byte";
            return Line::Bad;
        }
        f->data[i] = static_cast<uint8_t>(value);
    }
    // Trailing fields of the desktop tools (Length = ..., BitCount = ...)
    // are read over; another byte means the length was wrong.
    std::string_view after = rest;
    const std::string_view extra = NextToken(&after);
    uint32_t ignored = 0;
    if (!extra.empty() && !state.decimal && extra.size() == 2 && ParseHex32(extra, &ignored)) {
        *reason = "more data bytes than the length " + std::to_string(length);
        return Line::Bad;
    }
    return Line::Frame;
}

Line ParseLine(std::string_view text, const TraceReadOptions& options, AscState* state, TraceFrame* f,
               std::string* reason) {
    std::string_view rest = text;
    const std::string_view first = NextToken(&rest);
    if (first.empty()) return Line::Skip;
    int64_t time = 0;
    const SecondsParse seconds = ParseSeconds(first, &time);
    if (seconds == SecondsParse::TooLarge) {
        *reason = TooLargeTimeReason(first);
        return Line::Bad;
    }
    if (seconds != SecondsParse::Ok) return ParseUntimedLine(text, state, reason);
    if (state->relative) {
        if (time > INT64_MAX - state->lastUs) {
            *reason = "time " + Quoted(first) + " runs past the largest time this tool carries";
            return Line::Bad;
        }
        time += state->lastUs;
    }
    state->lastUs = time;
    f->timeUs = time;
    const std::string_view channelText = NextToken(&rest);
    uint32_t channel = 0;
    if (channelText == "CANFD") {
        *reason = "CAN FD frame: only classic CAN frames (up to 8 bytes) are carried";
        return Line::Bad;
    }
    if (channelText == "Start") return Line::Skip; // "Start of measurement"
    if (!ParseDec32(channelText, &channel)) return Line::Event;
    std::string_view afterChannel = rest;
    const std::string_view word = NextToken(&afterChannel);
    if (word == "ErrorFrame") return Line::ErrorFrame;
    if (!LooksLikeId(word, state->decimal)) return Line::Event; // Statistic:, ChipState, ...
    const Line kind = ParseFrame(rest, *state, f, reason);
    if (kind != Line::Frame) return kind;
    if (channel != 1 && channel != 2) {
        if (options.portFilter != kTracePortNone) return Line::Filtered;
        *reason = "channel " + std::to_string(channel) +
                  " is no port of the unit: channel 1 is CAN1, 2 is CAN2 (or choose one with --port)";
        return Line::Bad;
    }
    f->port = static_cast<int8_t>(channel - 1);
    return Line::Frame;
}

} // namespace

void ReadAsc(std::string_view bytes, const TraceReadOptions& options, TraceReadResult* result) {
    result->frames.reserve(result->frames.size() + CountLines(bytes));
    AscState state;
    std::string reason;
    ForEachLine(bytes, [&](std::string_view text, uint32_t number) {
        TraceFrame f;
        f.line = number;
        switch (ParseLine(text, options, &state, &f, &reason)) {
        case Line::Frame:
            result->frames.push_back(f);
            break;
        case Line::ErrorFrame:
            ++result->errorFrames;
            break;
        case Line::Event:
            ++result->events;
            break;
        case Line::Bad:
            result->bad.push_back({number, reason});
            break;
        case Line::Skip:
        case Line::Filtered:
            break;
        }
    });
}

void AppendAscHeader(std::string* out, int64_t startSeconds) {
    const std::time_t when = static_cast<std::time_t>(startSeconds);
    std::tm local{};
    char date[64] = "Thu Jan  1 00:00:00 1970";
    if (localtime_r(&when, &local)) std::strftime(date, sizeof date, "%a %b %e %H:%M:%S %Y", &local);
    out->append("date ");
    out->append(date);
    out->append("\nbase hex  timestamps absolute\nno internal events logged\n");
}

void AppendAscLine(std::string* out, const TraceFrame& f, int64_t timeUs) {
    AppendSeconds(out, timeUs, 4);
    out->append(f.port == 1 ? " 2  " : " 1  ");
    const size_t idStart = out->size();
    AppendHex(out, f.id, 1);
    if (f.extended) out->push_back('x');
    // The identifier column is 15 wide, then one space.
    for (size_t width = out->size() - idStart; width < 16; ++width) out->push_back(' ');
    out->append(f.direction == TraceDirection::Tx ? "Tx   " : "Rx   ");
    out->push_back(f.remote ? 'r' : 'd');
    out->push_back(' ');
    const int dlc = f.dlc > 8 ? 8 : f.dlc;
    out->push_back(static_cast<char>('0' + dlc));
    if (!f.remote) {
        for (int i = 0; i < dlc; ++i) {
            out->push_back(' ');
            AppendHexByte(out, f.data[i]);
        }
    }
    out->push_back('\n');
}

} // namespace pcsim
