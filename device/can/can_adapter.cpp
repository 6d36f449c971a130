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

/* The back-end of a port; every type value that is not listed is CANdo. */
int32_t backend_of(int port) {
    const int32_t type = as().type[port];
    switch (type) {
    case CAN_ADAPTER_KVASER:
    case CAN_ADAPTER_REPLAY:
    case CAN_ADAPTER_SOCKETCAN:
        return type;
    default:
        return CAN_ADAPTER_CANDO;
    }
}

int backend_port_open(int port) {
    switch (backend_of(port)) {
    case CAN_ADAPTER_KVASER:
        return kvaser_port_open(port);
    case CAN_ADAPTER_REPLAY:
        return replay_port_open(port);
    case CAN_ADAPTER_SOCKETCAN:
        return socketcan_port_open(port);
    default:
        return cando_port_open(port);
    }
}

/* Keep the status bar's view of the port current after an operation that
 * may have opened or closed it. */
int published(int port, int result) {
    as().open[port] = static_cast<uint8_t>(backend_port_open(port));
    return result;
}

bool valid(int port) {
    return port >= 0 && port < CAN_PORT_COUNT;
}

} // namespace

/* A port number of 2 or more is ignored: the tables have two entries. */
int can_set_adapter(int port, int32_t type, const char* selector) {
    if (!valid(port)) return port;
    as().type[port] = type;
    as().selector[port] = selector;
    return published(port, port);
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
    switch (backend_of(port)) {
    case CAN_ADAPTER_KVASER:
        kvaser_bind(0);
        break;
    case CAN_ADAPTER_CANDO:
        cando_bind(0);
        break;
    default:
        break;
    }
    return 0;
}

int can_open(int port) {
    const char* selector = as().selector[port];
    switch (backend_of(port)) {
    case CAN_ADAPTER_KVASER:
        return published(port, kvaser_open(port, selector));
    case CAN_ADAPTER_REPLAY:
        return published(port, replay_open(port, selector));
    case CAN_ADAPTER_SOCKETCAN:
        return published(port, socketcan_open(port, selector));
    default:
        return published(port, cando_open(port, selector));
    }
}

int can_close(int port) {
    switch (backend_of(port)) {
    case CAN_ADAPTER_KVASER:
        kvaser_close(port);
        break;
    case CAN_ADAPTER_REPLAY:
        replay_close(port);
        break;
    case CAN_ADAPTER_SOCKETCAN:
        socketcan_close(port);
        break;
    default:
        cando_close(port);
        break;
    }
    return published(port, 0);
}

int can_set_bitrate(int port, uint32_t bitrate) {
    switch (backend_of(port)) {
    case CAN_ADAPTER_KVASER:
        return published(port, kvaser_set_bitrate(port, bitrate));
    case CAN_ADAPTER_CANDO:
        return published(port, cando_set_bitrate(port, bitrate));
    default:
        return 0;
    }
}

int can_set_bit_timing(int port, const CanBitTiming* timing) {
    switch (backend_of(port)) {
    case CAN_ADAPTER_KVASER:
        return published(port, kvaser_set_bitrate(port, timing->t[0]));
    case CAN_ADAPTER_CANDO:
        return published(port, cando_set_bit_timing(port, timing));
    default:
        return 0;
    }
}

int can_is_open(int port) {
    can_bind(port);
    return backend_port_open(port);
}

int can_get_state(int port) {
    return can_is_open(port) ? 0 : 4;
}

int can_get_status(int, CanStatus* status) {
    std::memset(status, 0, sizeof *status);
    return 0;
}

int can_transmit(int port, const CanMessage* message) {
    int result;
    switch (backend_of(port)) {
    case CAN_ADAPTER_KVASER:
        result = kvaser_transmit(port, message);
        break;
    case CAN_ADAPTER_REPLAY:
        result = 0;
        break;
    case CAN_ADAPTER_SOCKETCAN:
        result = socketcan_transmit(port, message);
        break;
    default:
        result = cando_transmit(port, message);
        break;
    }
    if (result == -1) return -1;
    as().tx_frames[port].fetch_add(1);
    if (can_tx_hook_t hook = as().tx_hook[port]) hook(port, message);
    return result;
}

int can_receive(int port, CanMessage* message) {
    int result;
    switch (backend_of(port)) {
    case CAN_ADAPTER_KVASER:
        result = kvaser_receive(port, message);
        break;
    case CAN_ADAPTER_REPLAY:
        result = published(port, replay_receive(port, message));
        break;
    case CAN_ADAPTER_SOCKETCAN:
        result = socketcan_receive(port, message);
        break;
    default:
        result = cando_receive(port, message);
        break;
    }
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

void can_shutdown(void) {
    kvaser_shutdown();
    cando_shutdown();
    for (int port = 0; port < CAN_PORT_COUNT; ++port) {
        replay_close(port);
        socketcan_close(port);
        as().open[port] = 0;
    }
}
