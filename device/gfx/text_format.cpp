// Fitting a number into a field of a given number of characters: fewer
// decimals while it is too long, and the largest number the field can show
// once no decimals are left.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "device/device_memory.h"
#include "device/gfx/text.h"

namespace {

/* The printf formats of one variant of the operation. */
struct FieldFormats {
    const char* padded; // zero-padded to a width, given width and decimals
    const char* plain;  // minimum width decimals + 2, given width and decimals
};

constexpr FieldFormats PLAIN_FORMATS = {"%%0%d.%df", "%%%d.%df"};
// Formats that end in "%c", printed with a NUL: the built format carries its
// own terminator, and the text comes out the same.
constexpr FieldFormats NUL_FORMATS = {"%%0%d.%df%c", "%%%d.%df%c"};

/* 10^n by repeated multiplication in 32-bit float, as the target does it. */
float power_of_ten(int n) {
    float r = 1.0f;
    for (int i = 0; i < n; ++i)
        r *= 10.0f;
    for (int i = 0; i > n; --i)
        r *= 0.1f;
    return r;
}

void print_value(const FieldFormats& formats, float value, int decimals, int pad) {
    char format[32];
    if (pad != 0) {
        std::snprintf(format, sizeof format, formats.padded, pad, decimals, '\0');
    } else {
        std::snprintf(format, sizeof format, formats.plain, decimals + 2, decimals, '\0');
    }
    char* out = device_memory.text.buffer;
    std::snprintf(out, TEXT_BUFFER_SIZE, format, static_cast<double>(value));
}

/* The largest whole number of max_len digits. Written as digits rather than
 * printed from 10^max_len - 1 in float, which cannot hold eight or more nines
 * and would come out one digit too long. */
void print_nines(int max_len) {
    char* out = device_memory.text.buffer;
    if (max_len == 0) {
        std::snprintf(out, TEXT_BUFFER_SIZE, "0");
        return;
    }
    const int digits = max_len < TEXT_BUFFER_SIZE - 1 ? max_len : TEXT_BUFFER_SIZE - 1;
    std::memset(out, '9', static_cast<size_t>(digits));
    out[digits] = '\0';
}

void fit_number(const FieldFormats& formats, float value, uint8_t max_len, uint8_t decimals,
                uint8_t pad) {
    // No minus sign in front of a value that prints as zero.
    if (value < 0.0f && std::trunc(value * power_of_ten(decimals)) == 0.0f) value = 0.0f;
    int places = decimals;
    for (;;) {
        print_value(formats, value, places, pad);
        if (std::strlen(device_memory.text.buffer) <= max_len) return;
        if (places == 0) break;
        --places;
    }
    print_nines(max_len);
}

} // namespace

void format_fixed(float value, uint8_t max_len, uint8_t decimals, uint8_t pad) {
    fit_number(PLAIN_FORMATS, value, max_len, decimals, pad);
}

void format_fixed_nul(float value, uint8_t max_len, uint8_t decimals, uint8_t pad) {
    fit_number(NUL_FORMATS, value, max_len, decimals, pad);
}

const char* text_shared_buffer(void) {
    return device_memory.text.buffer;
}
