#pragma once
// Replay back-end: plays a recorded trace file ("CTB" format) back as the
// received traffic of a port, each record at its time after the file was
// opened; after the last record playback starts again from the first. The
// selector of a port is the path of its file. Nothing is sent.
//
// File layout, little-endian: an 8-byte header ("CTB", NUL, then the 32-bit
// version 2) and 24-byte records: due time in microseconds after the start
// of playback (64-bit), identifier (32-bit), flags (8-bit), 2 bytes not
// read, dlc (8-bit), 8 data bytes. Flags bit 0 marks a 29-bit identifier;
// a record with bit 1 set is skipped.
#include <cstdint>
#include <cstdio>

#include "device/can/can_adapter.h"
#include "device/can/can_driver.h"

constexpr uint32_t REPLAY_VERSION = 2;
constexpr int REPLAY_HEADER_BYTES = 8;
constexpr int REPLAY_RECORD_BYTES = 24;
constexpr uint8_t REPLAY_FLAG_EXTENDED = 0x01; // 29-bit identifier
constexpr uint8_t REPLAY_FLAG_SKIP = 0x02;     // record never delivered

struct CanReplayRecord {
    uint64_t due_us; // time after the start of playback at which the frame is due
    uint32_t id;     // identifier
    uint8_t flags;   // REPLAY_FLAG_*
    uint8_t dlc;     // number of data bytes (above 8 is taken as 8)
    uint8_t data[8]; // payload
};

struct ReplayPort {
    const char* path;       // selector, not copied
    FILE* file;             // open trace file, or none
    uint64_t open_time_us;  // device clock when the file was (re)opened
    uint8_t pending;        // record holds the next frame to deliver
    CanReplayRecord record; // that frame
};

struct ReplayState {
    ReplayPort port[CAN_PORT_COUNT]; // per port; all zero while closed
};

/* What a file looks like to replay_open, for the host's option check. */
enum ReplayFileCheck { REPLAY_FILE_OK, REPLAY_FILE_UNREADABLE, REPLAY_FILE_NOT_CTB };
ReplayFileCheck replay_check_file(const char* path);

int replay_open(int port, const char* path);
int replay_close(int port);
int replay_receive(int port, CanMessage* message);
int replay_port_open(int port);
/* Decode one 24-byte record. */
void replay_decode_record(const uint8_t* bytes, CanReplayRecord* record);

/* The back-end's operations for the per-port interface. */
extern const CanDriverApi replay_driver_api;
