#pragma once
// The options that set up the device itself (adapters, storage, ports),
// applied in the same way by the window and by headless runs: after the
// device memory is reset and before the device's start-up runs.
#include "host/CommandLine.h"

namespace pcsim {

/* Apply the device-setup options of a parsed command line to a freshly
 * reset device. Called before sys_init. */
void ApplyDeviceOptions(const CommandLineOptions& options);

} // namespace pcsim
