#include "host/DeviceSetup.h"

#include "host/StorageSetup.h"
#include "host/CanSetup.h"
#include "host/CanTraceSetup.h"

namespace pcsim {

void ApplyDeviceOptions(const CommandLineOptions& options) {
    // Each area applies its options here, in the order the device needs
    // them before its start-up.
    ApplyStorageOptions(options);
    ApplyCanOptions(options);
    ApplyCanTraceOptions(options);
}

} // namespace pcsim
