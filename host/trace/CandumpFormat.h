#pragma once
// The log format of the Linux `candump -l` tool, one frame a line:
//
//   (1436509052.249713) can0 123#DEADBEEF
//   (1436509052.250000) can1 12345678#R4 T
//
// time in seconds with microseconds, interface, identifier (3 hex digits
// for 11 bits, 8 for 29 bits) '#' data (0-8 bytes as hex pairs, '.'
// between bytes allowed) or 'R' with an optional length for a remote
// frame, and an optional direction: R received, T sent (the form that
// asc2log writes and log2asc reads). The port is the number the interface
// name ends with: ...0 is CAN1, ...1 is CAN2.
#include <string>
#include <string_view>

#include "host/trace/TraceFrame.h"

namespace pcsim {

void ReadCandump(std::string_view bytes, const TraceReadOptions& options, TraceReadResult* result);

/* Appends one line; the time is written as given (microseconds), the
 * interface is can0 or can1 (can0 for a frame without a port), and the
 * direction is written when it is known. */
void AppendCandumpLine(std::string* out, const TraceFrame& frame, int64_t timeUs);

} // namespace pcsim
