#pragma once
// Applies the CAN options to a freshly reset device: where the vendor
// libraries are searched and which adapter each port gets at start-up.
#include "host/CommandLine.h"

namespace pcsim {

/* The environment variable that names the library directory when
 * --can-lib-dir is not given. */
constexpr char kCanLibDirVariable[] = "PCSIM_CAN_LIB_DIR";

void ApplyCanOptions(const CommandLineOptions& options);

} // namespace pcsim
