#pragma once
// --can-trace FILE: installs the CAN tap on a freshly reset device (for the
// traffic view as well) and, when the option is given, starts the trace
// file. FinishCanTrace writes the rest and closes it at the end of a run.
#include <string>

#include "host/CommandLine.h"

namespace pcsim {

/* Part of ApplyDeviceOptions. A trace of an earlier run in this process is
 * finished first. A file that cannot be made is reported on stderr and the
 * run goes on without it. */
void ApplyCanTraceOptions(const CommandLineOptions& options);

/* Finish the trace file, if one is open; false (reported on stderr) when
 * frames were lost or it could not be written. */
bool FinishCanTrace();

/* Reader of the --can-trace option: a file that exists and may be
 * written, or a new one in a folder that exists and may be written in. */
bool ReadCanTraceOption(const std::string& value, CommandLineOptions* options, std::string* error);

} // namespace pcsim
