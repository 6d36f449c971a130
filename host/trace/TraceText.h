#pragma once
// Small parsing and formatting helpers of the text trace formats: line
// splitting, tokens, hexadecimal and decimal numbers, times in seconds with
// a fraction. Hand-written rather than sscanf/printf: a million-line log is
// converted in well under a second.
#include <cstdint>
#include <string>
#include <string_view>

namespace pcsim {

/* Calls line(text, number) for every line of bytes (numbers from 1); the
 * line feed and a carriage return before it are not part of the text. A
 * last line without a line feed counts as well. */
template <typename F> void ForEachLine(std::string_view bytes, F&& line) {
    uint32_t number = 0;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view text = bytes.substr(start, end - start);
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        line(text, ++number);
        start = end + 1;
    }
}

/* Lines in bytes (an upper bound of the frames a text reader returns),
 * for reserving room once. */
size_t CountLines(std::string_view bytes);

inline bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

/* The next whitespace-separated token of *rest (moved past it); empty at
 * the end. */
std::string_view NextToken(std::string_view* rest);
std::string_view TrimSpaces(std::string_view text);

/* Value of a hexadecimal digit, or -1. */
inline int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

/* A whole token of 1-8 hexadecimal digits; false for anything else. */
bool ParseHex32(std::string_view text, uint32_t* out);
/* A whole token of 1-10 decimal digits that fits in 32 bits. */
bool ParseDec32(std::string_view text, uint32_t* out);

enum class SecondsParse {
    Ok,
    NotSeconds, // not a number of seconds at all
    TooLarge,   // a number of seconds beyond kLargestSeconds
};

/* The largest time the traces carry, 2^63 - 1 microseconds: every time a
 * writer here can write, and a reader accepts. */
constexpr std::string_view kLargestSeconds = "9223372036854.775807";

/* Seconds with an optional fraction ("12", "12.5", "1436509052.249713") as
 * microseconds, rounded to the nearest one; any number of digits before
 * the point as long as the time fits (TooLarge beyond), at most 9 after
 * it. A sign is allowed only with allowSign. */
SecondsParse ParseSeconds(std::string_view text, int64_t* us, bool allowSign = false);
/* The reason of a bad line whose time (text as in the file) is TooLarge. */
std::string TooLargeTimeReason(std::string_view text);

/* Appends "SECONDS.MICROSECONDS" of a time of zero or more microseconds,
 * with six decimals; the seconds padded with spaces to width. */
void AppendSeconds(std::string* out, int64_t us, int width = 0);
void AppendHex(std::string* out, uint32_t value, int digits); // upper case, zero-padded to digits
void AppendHexByte(std::string* out, uint8_t value);
void AppendDecimal(std::string* out, uint64_t value);

/* Printable form of a token for a message: at most 40 characters. */
std::string Quoted(std::string_view text);

} // namespace pcsim
