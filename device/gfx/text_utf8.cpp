// UTF-8 decoding for text drawing: one code point per call, with the
// decoder remembering where the string it is part-way through continues.
//
// Malformed input never stops a line: each bad sequence shows as one "?".
// Overlong three- and four-byte forms and surrogates are let through, as the
// fonts simply have no glyphs for them.
#include "device/device_memory.h"
#include "device/gfx/text.h"

namespace {

constexpr uint32_t REPLACEMENT = '?';

/* Bytes in the sequence a lead byte starts; 0 for a byte that cannot lead. */
int sequence_length(uint8_t lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0; // 0x80..0xC1 and 0xF5..0xFF
}

bool is_continuation(uint8_t b) {
    return b >= 0x80 && b <= 0xBF;
}

/* Skip bytes that have the high bit set but cannot lead a sequence; stops at
 * an ASCII byte (NUL included) or a valid lead byte. */
const uint8_t* skip_stray(const uint8_t* p) {
    while (*p >= 0x80 && sequence_length(*p) == 0)
        ++p;
    return p;
}

/* Decode the sequence at p; *after receives where the next one starts. */
uint32_t decode_at(const uint8_t* p, const uint8_t** after) {
    const int length = sequence_length(p[0]);
    if (length == 1) {
        *after = p + 1;
        return p[0];
    }
    if (length == 0) {
        *after = skip_stray(p + 1);
        return REPLACEMENT;
    }
    static const uint8_t lead_mask[5] = {0, 0, 0x1F, 0x0F, 0x07};
    uint32_t cp = p[0] & lead_mask[length];
    for (int k = 1; k < length; ++k) {
        if (p[k] == 0) { // cut short by the end: the NUL ends the string next
            *after = p + k;
            return REPLACEMENT;
        }
        if (!is_continuation(p[k])) { // the offending byte goes with the sequence
            *after = skip_stray(p + k + 1);
            return REPLACEMENT;
        }
        cp = (cp << 6) | (p[k] & 0x3Fu);
    }
    *after = p + length;
    return cp;
}

} // namespace

uint32_t text_utf8_next(const char* position, const char** next, int* status) {
    Utf8Decoder& d = device_memory.text.decoder;
    *next = position;
    if (position == nullptr) {
        d.position = nullptr;
        *status = UTF8_END;
        return 0;
    }
    if (d.position != nullptr && position != d.position) {
        d.position = nullptr; // the unfinished string is abandoned
        *status = UTF8_MISMATCH;
        return 0;
    }
    const uint8_t* p = reinterpret_cast<const uint8_t*>(position);
    if (*p == 0) {
        d.position = nullptr;
        *status = UTF8_END;
        return 0;
    }
    const uint8_t* after = nullptr;
    const uint32_t cp = decode_at(p, &after);
    *next = reinterpret_cast<const char*>(after);
    d.position = *next;
    *status = UTF8_OK;
    return cp;
}
