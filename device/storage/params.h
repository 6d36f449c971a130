#pragma once
// The application's parameter record: 24 bytes at offset 0 of the EEPROM
// image, little-endian, protected by a signature and two CRC-16 checks:
//   record check: CRC of bytes 2-23 equals the 16-bit checksum;
//   block check:  CRC of bytes 4-23 equals the 32-bit value at offset 0.
// A commit stores the block CRC as 32 bits, which clears bytes 2 and 3, so
// a committed record passes both. The record is loaded at start-up (with
// fall-back to defaults) and committed once a second when it changed; both
// the commit and the changes of the log numbers run in the tick.
#include <cstdint>

constexpr uint32_t PARAMS_SIGNATURE = 0x06A3B9F5u;

struct AppParams {
    uint16_t checksum;        // CRC of bytes 2-23 (the commit stores the block CRC here, as 32 bits)
    uint8_t param0;           // 4 after defaults, cleared by every commit
    uint8_t reserved0;        // cleared by every commit
    uint32_t write_count;     // commits that wrote the record
    uint32_t signature;       // PARAMS_SIGNATURE in a valid record
    uint32_t log_number_can1; // number of the last CAN1 log file
    uint32_t log_number_can2; // number of the last CAN2 log file
    uint32_t reserved1;       // unused, 0
};
static_assert(sizeof(AppParams) == 24, "the record is 24 bytes in the image");

struct ParamsState {
    AppParams app_params = {}; // the record in RAM
    uint8_t nv_dirty = 0;      // the record must be committed at the next commit step
};

/* Copy length bytes from image offset 0 into record; on a failed block
 * check apply the defaults and mark the record dirty. 1 when it passed. */
int nv_block_read(void* record, uint32_t length);
/* Write the record to the image (and so to the files) when it is dirty and
 * fails the block check: one more write_count, the block CRC at offset 0. */
void nv_block_commit(void* record, uint32_t length);

/* Load AppParams from the image, falling back to defaults; 1 when the
 * stored record was valid. Called first by app_init. */
int params_load(void);
/* The default record (keeping a sensible write_count), marked dirty. */
void params_defaults(void);
/* The once-a-second commit step (app_task_1s). */
void params_commit(void);
const AppParams* params_get(void);

/* The number of the last log file of a CAN port (0: CAN1, 1: CAN2); 0 for
 * another port. */
uint32_t params_log_number(int port);
/* Count up a port's log file number for a new recording and return it
 * (0 for another port). The next commit step stores the changed record. */
uint32_t params_next_log_number(int port);
