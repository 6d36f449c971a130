#include "host/run/DeviceSetup.h"

#include "host/can/CanSetup.h"
#include "host/can/CanTraceSetup.h"
#include "host/storage/StorageSetup.h"

namespace pcsim {

void ApplyDeviceOptions(const CommandLineOptions& options) {
    // Each area applies its options here, in the order the device needs
    // them before its start-up.
    ApplyStorageOptions(options);
    ApplyCanOptions(options);
    ApplyCanTraceOptions(options);
}

} // namespace pcsim
