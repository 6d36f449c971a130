#pragma once
// The four trace formats, their names on the command line, and how a file
// name (or, for input, its first line) tells the format.
#include <string>
#include <string_view>

#include "host/trace/TraceFrame.h"

namespace pcsim {

enum class TraceFormat {
    Unknown,
    Candump, // candump -l log, .log
    Asc,     // ASC text, .asc
    UnitLog, // the unit's own CAN log, ..._CAN1.log / ..._CAN2.log
    Ctb,     // replay trace, .ctb
};

/* "candump", "asc", "unit" or "ctb" (any letter case); Unknown otherwise. */
TraceFormat TraceFormatFromName(std::string_view name);
const char* TraceFormatName(TraceFormat format);

/* The format of a file name by its extension: .ctb, .asc, .log (a unit
 * log when the name ends in _CAN1.log or _CAN2.log, else candump). */
TraceFormat TraceFormatOfPath(std::string_view path);
/* The same for an input, whose content wins where it is unambiguous: a
 * file that starts with the unit log's header is a unit log, one that
 * starts with "CTB" and a NUL byte is CTB, and one whose first line that is
 * not blank reads "(SECONDS) IFACE ..." is a candump log, whatever its
 * name. bytes: the file's bytes (only the beginning is looked at). */
TraceFormat TraceFormatOfInput(std::string_view path, std::string_view bytes);

/* Read bytes as format. */
void ReadTrace(TraceFormat format, std::string_view bytes, const TraceReadOptions& options,
               TraceReadResult* result);

} // namespace pcsim
