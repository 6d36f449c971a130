#pragma once
// The unit's own CAN log files (QMX_v084_000001_CAN1.log on the USB stick):
// a 63-byte header line, written again at every recording appended to the
// file, and one line per received frame:
//
//   EXT   ID          DLC   DATA                              TIME
//    0    00000700    8     01  02  03  04  05  06  07  08    12.345000
//
// EXT 1 for a 29-bit identifier, the identifier as 8 hex digits, the
// length, eight cells of two hex digits (two spaces beyond the length) and
// the unit's application clock in seconds. The file holds one port (CAN1
// or CAN2 in its name) and received frames only; it has no remote flag.
#include <string>
#include <string_view>

#include "host/trace/TraceFrame.h"

namespace pcsim {

inline constexpr char kUnitLogHeader[] = "EXT   ID          DLC   DATA                              TIME\n"; // 63 bytes

/* Frames get options.filePort as their port. A recording whose clock
 * starts before the end of the previous one (the unit was restarted and
 * appended to the file) is moved to follow it, with a note. */
void ReadUnitLog(std::string_view bytes, const TraceReadOptions& options, TraceReadResult* result);

/* The port a unit log's file name tells: ..._CAN1.log is 0, ..._CAN2.log
 * is 1, any other name kTracePortNone. */
int UnitLogPortOfName(std::string_view fileName);

/* Appends one frame line (the time in microseconds, written with six
 * decimals). */
void AppendUnitLogLine(std::string* out, const TraceFrame& frame, int64_t timeUs);

} // namespace pcsim
