#pragma once
// The ASC text format of the desktop CAN tools, as the Linux log2asc tool
// writes it and asc2log reads it:
//
//   date Fri Jul 10 06:17:32 2015
//   base hex  timestamps absolute
//   no internal events logged
//      0.000000 1  123             Rx   d 4 DE AD BE EF
//      0.000287 2  12345678x       Tx   r 8
//
// time in seconds since the start of the measurement, channel (1 is CAN1,
// 2 is CAN2), identifier (a trailing x marks 29 bits), direction, d with
// the length and the data bytes or r with the requested length. The reader
// also takes "base dec", "timestamps relative", comment and trigger-block
// lines, trailing fields after the data, and leaves out error frames and
// other events (statistics, chip states) with a count.
#include <string>
#include <string_view>

#include "host/trace/TraceFrame.h"

namespace pcsim {

void ReadAsc(std::string_view bytes, const TraceReadOptions& options, TraceReadResult* result);

/* The three header lines; the date is that of startSeconds (seconds since
 * 1970) in local time, as log2asc writes it. */
void AppendAscHeader(std::string* out, int64_t startSeconds);
/* One frame line; the time is written as given (microseconds since the
 * start), a frame without a port is on channel 1 and one without a
 * direction is Rx. */
void AppendAscLine(std::string* out, const TraceFrame& frame, int64_t timeUs);

} // namespace pcsim
