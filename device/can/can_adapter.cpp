#include "device/can/can_adapter.h"

#include <cstring>

#include "device/can/can_cando.h"
#include "device/can/can_kvaser.h"
#include "device/can/can_replay.h"
#include "device/can/can_socketcan.h"
#include "device/can/can_state.h"
#include "device/device_memory.h"

static CanAdapterState& as() {
    return device_memory.can.adapter;
}

namespace {

/* Every back-end with the adapter type that chooses it, in the order
 * can_shutdown releases them: the vendor libraries first. */
struct DriverEntry {
    int32_t type;            // CanAdapterType
    const CanDriverApi* api; // the back-end's table
};
const DriverEntry kDrivers[] = {
    {CAN_ADAPTER_KVASER, &kvaser_driver_api},
    {CAN_ADAPTER_CANDO, &cando_driver_api},
    {CAN_ADAPTER_REPLAY, &replay_driver_api},
    {CAN_ADAPTER_SOCKETCAN, &socketcan_driver_api},
};

/* The table of an adapter type; every type value that is not listed is
 * CANdo. */
const CanDriverApi* driver_for_type(int32_t type) {
    for (const DriverEntry& d : kDrivers) {
        if (d.type == type) return d.api;
    }
    return &cando_driver_api;
}

/* The back-end of a port, picked once by can_set_adapter; a port whose
 * adapter was never set has type 0, CANdo. */
const CanDriverApi* driver_of(int port) {
    const CanDriverApi* driver = as().driver[port];
    return driver ? driver : &cando_driver_api;
}

/* Keep the status bar's view of the port current after an operation that
 * may have opened or closed it. */
int published(int port, const CanDriverApi* driver, int result) {
    as().open[port] = static_cast<uint8_t>(driver->port_open(port));
    return result;
}

/* can_bind's part: a back-end without a library has nothing to bind. */
void bind_library(const CanDriverApi* driver) {
    if (driver->bind) driver->bind(0);
}

bool valid(int port) {
    return port >= 0 && port < CAN_PORT_COUNT;
}

} // namespace

/* A port number of 2 or more is ignored: the tables have two entries. */
int can_set_adapter(int port, int32_t type, const char* selector) {
    if (!valid(port)) return port;
    as().type[port] = type;
    as().driver[port] = driver_for_type(type);
    as().selector[port] = selector;
    return published(port, driver_of(port), port);
}

int can_set_rx_hook(int port, can_hook_t hook) {
    if (valid(port)) as().rx_hook[port] = hook;
    return port;
}

int can_set_tx_hook(int port, can_tx_hook_t hook) {
    if (valid(port)) as().tx_hook[port] = hook;
    return port;
}

int can_bind(int port) {
    bind_library(driver_of(port));
    return 0;
}

int can_open(int port) {
    const char* selector = as().selector[port];
    const CanDriverApi* driver = driver_of(port);
    return published(port, driver, driver->open(port, selector));
}

int can_close(int port) {
    const CanDriverApi* driver = driver_of(port);
    driver->close(port);
    return published(port, driver, 0);
}

int can_set_bitrate(int port, uint32_t bitrate) {
    const CanDriverApi* driver = driver_of(port);
    if (!driver->set_bitrate) return 0;
    return published(port, driver, driver->set_bitrate(port, bitrate));
}

int can_set_bit_timing(int port, const CanBitTiming* timing) {
    const CanDriverApi* driver = driver_of(port);
    if (!driver->set_bit_timing) return 0;
    return published(port, driver, driver->set_bit_timing(port, timing));
}

int can_is_open(int port) {
    const CanDriverApi* driver = driver_of(port);
    bind_library(driver);
    return driver->port_open(port);
}

int can_get_state(int port) {
    return can_is_open(port) ? 0 : 4;
}

int can_get_status(int, CanStatus* status) {
    std::memset(status, 0, sizeof *status);
    return 0;
}

int can_transmit(int port, const CanMessage* message) {
    const int result = driver_of(port)->transmit(port, message);
    if (result == -1) return -1;
    as().tx_frames[port].fetch_add(1);
    if (can_tx_hook_t hook = as().tx_hook[port]) hook(port, message);
    return result;
}

int can_receive(int port, CanMessage* message) {
    const CanDriverApi* driver = driver_of(port);
    const int result = driver->receive(port, message);
    if (driver->receive_may_close) published(port, driver, result);
    if (result == -1) return -1;
    // A length above 8 from any source is taken as 8: the payload has 8 bytes.
    if (message->dlc > 8) message->dlc = 8;
    as().rx_frames[port].fetch_add(1);
    if (can_hook_t hook = as().rx_hook[port]) hook(port, message);
    return result;
}

int can_open0(void) {
    return can_open(0);
}
int can_close0(void) {
    return can_close(0);
}
int can_set_bitrate0(uint32_t bitrate) {
    return can_set_bitrate(0, bitrate);
}
int can_transmit0(const CanMessage* message) {
    return can_transmit(0, message);
}
int can_receive0(CanMessage* message) {
    return can_receive(0, message);
}

int can_port_status(int port, CanPortStatus* status) {
    if (!valid(port) || !status) return -1;
    status->adapter = as().type[port];
    status->open = as().open[port];
    status->rx_frames = as().rx_frames[port];
    status->tx_frames = as().tx_frames[port];
    return 0;
}

/* The back-ends with a shutdown of their own go first (ports closed,
 * libraries unloaded), then every port is closed on each of the others,
 * whatever back-end the port is on now: a port switched to another adapter
 * may still hold a file or a socket of the one before. */
void can_shutdown(void) {
    for (const DriverEntry& d : kDrivers) {
        if (d.api->shutdown) d.api->shutdown();
    }
    for (int port = 0; port < CAN_PORT_COUNT; ++port) {
        for (const DriverEntry& d : kDrivers) {
            if (!d.api->shutdown) d.api->close(port);
        }
        as().open[port] = 0;
    }
}
