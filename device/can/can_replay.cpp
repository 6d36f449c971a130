#include "device/can/can_replay.h"

#include <cstring>

#include "device/device_memory.h"
#include "device/services/time_base.h"

static ReplayState& rs() {
    return device_memory.can.replay;
}

namespace {

uint32_t read_u32(const uint8_t* at) {
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
}

/* 1 when the header was read whole and names format version 2. */
int header_valid(FILE* file) {
    uint8_t header[REPLAY_HEADER_BYTES];
    if (std::fread(header, sizeof header, 1, file) != 1) return 0;
    char signature[5] = {};
    std::memcpy(signature, header, 4);
    return std::strncmp(signature, "CTB", 4) == 0 && read_u32(header + 4) == REPLAY_VERSION;
}

void zero_port(ReplayPort& p) {
    if (p.file) std::fclose(p.file);
    p = ReplayPort{};
}

/* Read the next record that is not skipped; 0 at the end of the file. */
int read_next(ReplayPort& p) {
    uint8_t bytes[REPLAY_RECORD_BYTES];
    while (std::fread(bytes, sizeof bytes, 1, p.file) == 1) {
        replay_decode_record(bytes, &p.record);
        if (p.record.flags & REPLAY_FLAG_SKIP) continue;
        p.pending = 1;
        return 1;
    }
    return 0;
}

/* Playback sends nothing: a message given to the port is dropped and counts
 * as sent, so that the transmit pass goes on as on a bus without listeners. */
int transmit_nothing(int, const CanMessage*) {
    return 0;
}

} // namespace

void replay_decode_record(const uint8_t* bytes, CanReplayRecord* record) {
    record->due_us = read_u32(bytes) | static_cast<uint64_t>(read_u32(bytes + 4)) << 32;
    record->id = read_u32(bytes + 8);
    record->flags = bytes[12];
    record->dlc = bytes[15] > 8 ? 8 : bytes[15];
    std::memcpy(record->data, bytes + 16, 8);
}

ReplayFileCheck replay_check_file(const char* path) {
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) return REPLAY_FILE_UNREADABLE;
    const int valid = header_valid(file);
    std::fclose(file);
    return valid ? REPLAY_FILE_OK : REPLAY_FILE_NOT_CTB;
}

int replay_open(int port, const char* path) {
    if (!path) return -1;
    ReplayPort& p = rs().port[port];
    if (p.file) zero_port(p);
    p.path = path;
    p.file = std::fopen(path, "rb");
    if (!p.file) return -1;
    if (!header_valid(p.file)) {
        std::fclose(p.file);
        p.file = nullptr;
        return -1;
    }
    p.open_time_us = static_cast<uint64_t>(sys_time_ms()) * 1000u;
    return 0;
}

int replay_close(int port) {
    zero_port(rs().port[port]);
    return 0;
}

int replay_receive(int port, CanMessage* message) {
    ReplayPort& p = rs().port[port];
    if (!p.file) return -1;
    if (!p.pending && !read_next(p)) {
        // End of the file: start again with a new time origin. One restart
        // per call, so that a file without a single deliverable record
        // cannot keep the caller looping.
        const char* path = p.path;
        if (replay_open(port, path) != 0) {
            zero_port(p);
            return -1;
        }
        if (!read_next(p)) return -1;
    }
    const uint64_t elapsed = static_cast<uint64_t>(sys_time_ms()) * 1000u - p.open_time_us;
    if (elapsed < p.record.due_us) return -1;
    message->id = p.record.id;
    message->dlc = p.record.dlc;
    std::memcpy(message->data, p.record.data, 8);
    message->timestamp_us = p.record.due_us;
    message->extended = (p.record.flags & REPLAY_FLAG_EXTENDED) ? 1 : 0;
    message->remote = 0;
    p.pending = 0;
    return 0;
}

int replay_port_open(int port) {
    return rs().port[port].file != nullptr;
}

/* No library to bind and no bitrate: the file sets the pace. Receive closes
 * the port when the file cannot be read again at its end. */
const CanDriverApi replay_driver_api = {
    .bind = nullptr,
    .open = replay_open,
    .close = replay_close,
    .set_bitrate = nullptr,
    .set_bit_timing = nullptr,
    .transmit = transmit_nothing,
    .receive = replay_receive,
    .port_open = replay_port_open,
    .shutdown = nullptr,
    .receive_may_close = 1,
};
