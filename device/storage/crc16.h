#pragma once
// CRC-16 with polynomial 0x1021, initial value 0, most significant bit
// first, no reflection and no final XOR: "123456789" gives 0x31C3. Leading
// zero bytes do not change it.
#include <cstdint>

uint16_t crc16(const void* data, uint32_t len);
