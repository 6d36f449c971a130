#include "host/DeviceSetup.h"

namespace pcsim {

void ApplyDeviceOptions(const CommandLineOptions& options) {
    // Each area applies its options here, in the order the device needs
    // them before its start-up.
    (void)options;
}

} // namespace pcsim
