#include "device/storage/params.h"

#include <bit>
#include <cstring>

#include "device/device_memory.h"
#include "device/storage/crc16.h"
#include "device/storage/eeprom.h"

static_assert(std::endian::native == std::endian::little,
              "the record is stored as it lies in memory, little-endian");

static ParamsState& ps() { return device_memory.storage.params; }

constexpr uint32_t RECORD_SIZE = sizeof(AppParams);
constexpr uint32_t BLOCK_HEADER = 4;         // the 32-bit block CRC
constexpr uint32_t COUNTER_OFFSET = 4;       // the 32-bit write counter after it
constexpr uint32_t RECORD_CHECK_OFFSET = 2;  // the record check starts after the checksum
constexpr uint32_t WORN_WRITE_COUNT = 500000; // above this, defaults restart at 1000
constexpr uint32_t RESTART_WRITE_COUNT = 1000;
constexpr uint8_t DEFAULTS_PARAM0 = 4;

static const AppParams default_record = {0, 0, 0, 0, PARAMS_SIGNATURE, 0, 0, 0};

static uint32_t read_u32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

/* CRC of bytes 4.. of a block against the 32-bit value at its start. */
static int block_check(const uint8_t* block, uint32_t length) {
    return crc16(block + BLOCK_HEADER, length - BLOCK_HEADER) == read_u32(block);
}

static int record_check(const AppParams& p) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&p);
    return crc16(bytes + RECORD_CHECK_OFFSET, RECORD_SIZE - RECORD_CHECK_OFFSET) == p.checksum;
}

static int block_length_ok(const void* record, uint32_t length) {
    return record && length >= COUNTER_OFFSET + 4 && length <= EEPROM_SIZE;
}

int nv_block_read(void* record, uint32_t length) {
    if (!block_length_ok(record, length)) return 0;
    std::memcpy(record, eeprom_image(), length);
    if (block_check(static_cast<const uint8_t*>(record), length)) return 1;
    params_defaults();
    ps().nv_dirty = 1;
    return 0;
}

void nv_block_commit(void* record, uint32_t length) {
    if (!block_length_ok(record, length) || !ps().nv_dirty) return;
    uint8_t* block = static_cast<uint8_t*>(record);
    if (block_check(block, length)) return;
    const uint32_t count = read_u32(block + COUNTER_OFFSET) + 1;
    std::memcpy(block + COUNTER_OFFSET, &count, sizeof count);
    const uint32_t crc = crc16(block + BLOCK_HEADER, length - BLOCK_HEADER);
    std::memcpy(block, &crc, sizeof crc); // 32 bits: clears the two bytes after the checksum
    eeprom_write(0, block, length);
}

void params_defaults(void) {
    AppParams& p = ps().app_params;
    const uint32_t old = p.write_count;
    p = default_record;
    if (old == 0xFFFFFFFFu) {
        p.write_count = 0; // erased EEPROM
    } else if (old > WORN_WRITE_COUNT) {
        p.write_count = RESTART_WRITE_COUNT;
    }
    p.param0 = DEFAULTS_PARAM0;
    ps().nv_dirty = 1;
}

int params_load(void) {
    AppParams& p = ps().app_params;
    // A failed block check applies the defaults here, and once more below:
    // fresh defaults carry no valid checksum.
    int valid = nv_block_read(&p, RECORD_SIZE);
    if (p.signature != PARAMS_SIGNATURE) {
        params_defaults();
        return 0;
    }
    if (!record_check(p)) {
        params_defaults();
        valid = 0;
    }
    return valid;
}

void params_commit(void) {
    ParamsState& s = ps();
    if (!record_check(s.app_params)) s.nv_dirty = 1; // the application changed the record
    nv_block_commit(&s.app_params, RECORD_SIZE);
    s.nv_dirty = 0;
}

const AppParams* params_get(void) { return &ps().app_params; }

static uint32_t* log_number(int port) {
    AppParams& p = ps().app_params;
    return port == 0 ? &p.log_number_can1 : port == 1 ? &p.log_number_can2 : nullptr;
}

uint32_t params_log_number(int port) {
    const uint32_t* n = log_number(port);
    return n ? *n : 0;
}

uint32_t params_next_log_number(int port) {
    uint32_t* n = log_number(port);
    if (!n) return 0;
    ps().nv_dirty = 1;
    return ++*n;
}
