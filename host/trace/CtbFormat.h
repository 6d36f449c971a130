#pragma once
// The replay trace format (CTB) that the unit's replay adapter plays back:
// an 8-byte header ("CTB", NUL, 32-bit version 2) and 24-byte records, all
// little-endian: due time in microseconds after the start of playback
// (64-bit), identifier (32-bit), flags, 2 spare bytes, dlc, 8 data bytes.
// Flags: bit 0 a 29-bit identifier, bit 1 a record that playback skips,
// bit 2 a remote frame (kept by the tools; playback, like the vendor
// adapters' receive paths, hands it on as a frame of that length). A CTB
// file has no port and no direction.
#include <cstdint>
#include <string>
#include <string_view>

#include "host/trace/TraceFrame.h"

namespace pcsim {

constexpr uint8_t kCtbFlagExtended = 0x01;
constexpr uint8_t kCtbFlagSkip = 0x02;
constexpr uint8_t kCtbFlagRemote = 0x04;
constexpr size_t kCtbHeaderBytes = 8;
constexpr size_t kCtbRecordBytes = 24;

/* Bad "lines" are numbered by record (from 1); a file whose header is wrong
 * gives one bad entry numbered 0 and no frames. Records marked skip are
 * left out and counted. */
void ReadCtb(std::string_view bytes, const TraceReadOptions& options, TraceReadResult* result);

void AppendCtbHeader(std::string* out);
void AppendCtbRecord(std::string* out, const TraceFrame& frame, uint64_t dueUs);

/* The readable listing of `pcsim-trace dump`: a heading, one line per
 * record (skipped ones included, with their raw flags) and the problems
 * found; false when the file is not a whole CTB trace. */
bool DumpCtb(std::string_view bytes, std::string* out, std::string* problems);

} // namespace pcsim
