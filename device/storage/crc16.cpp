#include "device/storage/crc16.h"

#include <array>

namespace {
/* The remainder of each top byte shifted through the polynomial. Built at
 * compile time: a table filled on first use would be shared state that two
 * device threads could race to build. */
constexpr std::array<uint16_t, 256> make_table() {
    std::array<uint16_t, 256> table{};
    for (uint32_t t = 0; t < 256; ++t) {
        uint32_t r = t << 8;
        for (int bit = 0; bit < 8; ++bit) r = (r & 0x8000u) ? (r << 1) ^ 0x1021u : r << 1;
        table[t] = static_cast<uint16_t>(r);
    }
    return table;
}
constexpr std::array<uint16_t, 256> crc_table = make_table();

/* The augmented form: each byte is shifted in below the register. */
constexpr uint16_t crc_feed(uint16_t crc, uint8_t byte) {
    return static_cast<uint16_t>(((crc << 8) | byte) ^ crc_table[crc >> 8]);
}
} // namespace

uint16_t crc16(const void* data, uint32_t len) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    uint16_t crc = 0;
    for (uint32_t i = 0; i < len; ++i) crc = crc_feed(crc, p[i]);
    crc = crc_feed(crc, 0); // two zero bytes flush the message through the register
    return crc_feed(crc, 0);
}
