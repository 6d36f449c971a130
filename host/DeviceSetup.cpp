#include "host/DeviceSetup.h"

#include "host/StorageSetup.h"

namespace pcsim {

void ApplyDeviceOptions(const CommandLineOptions& options) {
    // Each area applies its options here, in the order the device needs
    // them before its start-up.
    ApplyStorageOptions(options);
}

} // namespace pcsim
