#include "host/trace/TraceText.h"

#include <cstring>

namespace pcsim {

size_t CountLines(std::string_view bytes) {
    size_t lines = 0;
    for (const char* p = bytes.data(); (p = static_cast<const char*>(std::memchr(p, '\n', bytes.data() + bytes.size() - p)));
         ++p)
        ++lines;
    return lines + 1;
}

std::string_view NextToken(std::string_view* rest) {
    size_t i = 0;
    while (i < rest->size() && IsSpace((*rest)[i])) ++i;
    size_t end = i;
    while (end < rest->size() && !IsSpace((*rest)[end])) ++end;
    const std::string_view token = rest->substr(i, end - i);
    rest->remove_prefix(end);
    return token;
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool ParseHex32(std::string_view text, uint32_t* out) {
    if (text.empty() || text.size() > 8) return false;
    uint32_t value = 0;
    for (char c : text) {
        const int digit = HexValue(c);
        if (digit < 0) return false;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    *out = value;
    return true;
}

bool ParseDec32(std::string_view text, uint32_t* out) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > UINT32_MAX) return false;
    *out = static_cast<uint32_t>(value);
    return true;
}

SecondsParse ParseSeconds(std::string_view text, int64_t* us, bool allowSign) {
    constexpr int64_t kMaxSeconds = INT64_MAX / 1000000;
    bool negative = false;
    if (allowSign && !text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    size_t i = 0;
    int64_t seconds = 0;
    bool tooLarge = false; // the digits go on being read: a bad character still makes it no time
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (!tooLarge) {
            seconds = seconds * 10 + (text[i] - '0');
            tooLarge = seconds > kMaxSeconds;
        }
        ++i;
    }
    if (i == 0) return SecondsParse::NotSeconds;
    int64_t fraction = 0; // microseconds
    if (i < text.size()) {
        if (text[i] != '.') return SecondsParse::NotSeconds;
        ++i;
        const size_t first = i;
        int64_t scale = 100000;
        bool roundUp = false;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            const size_t place = i - first;
            if (place == 9) return SecondsParse::NotSeconds;
            if (place < 6) {
                fraction += (text[i] - '0') * scale;
                scale /= 10;
            } else if (place == 6) {
                roundUp = text[i] >= '5';
            }
            ++i;
        }
        if (i != text.size()) return SecondsParse::NotSeconds;
        if (roundUp) ++fraction;
    }
    if (tooLarge || fraction > INT64_MAX - seconds * 1000000) return SecondsParse::TooLarge;
    const int64_t total = seconds * 1000000 + fraction;
    *us = negative ? -total : total;
    return SecondsParse::Ok;
}

std::string TooLargeTimeReason(std::string_view text) {
    return "time " + Quoted(text) + " is beyond the largest time a trace carries, " +
           std::string(kLargestSeconds) + " s";
}

void AppendDecimal(std::string* out, uint64_t value) {
    char digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0) out->push_back(digits[--n]);
}

void AppendSeconds(std::string* out, int64_t us, int width) {
    if (us < 0) us = 0;
    const uint64_t seconds = static_cast<uint64_t>(us) / 1000000;
    uint32_t micro = static_cast<uint32_t>(static_cast<uint64_t>(us) % 1000000);
    int digits = 1;
    for (uint64_t s = seconds; s >= 10; s /= 10) ++digits;
    for (int pad = width - digits; pad > 0; --pad) out->push_back(' ');
    AppendDecimal(out, seconds);
    out->push_back('.');
    char fraction[6];
    for (int i = 5; i >= 0; --i) {
        fraction[i] = static_cast<char>('0' + micro % 10);
        micro /= 10;
    }
    out->append(fraction, 6);
}

void AppendHex(std::string* out, uint32_t value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    char text[8];
    int n = 0;
    do {
        text[n++] = kDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    for (int pad = digits - n; pad > 0; --pad) out->push_back('0');
    while (n > 0) out->push_back(text[--n]);
}

void AppendHexByte(std::string* out, uint8_t value) {
    static const char kDigits[] = "0123456789ABCDEF";
    out->push_back(kDigits[value >> 4]);
    out->push_back(kDigits[value & 0xF]);
}

std::string Quoted(std::string_view text) {
    std::string out = "'";
    for (char c : text.substr(0, 40)) {
        out.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c);
    }
    if (text.size() > 40) out += "...";
    return out + "'";
}

} // namespace pcsim
