#include "device/can/can_kvaser.h"

#include <cstdlib>
#include <cstring>
#include <iterator>

#include "device/device_memory.h"

static KvaserState& ks() {
    return device_memory.can.kvaser;
}

namespace {

#define KVASER_ENTRY(name, required) CAN_ENTRY_POINT(KvaserApi, name, required)
const CanEntryPoint kEntryPoints[] = {
    KVASER_ENTRY(canInitializeLibrary, true),
    KVASER_ENTRY(canOpenChannel, true),
    KVASER_ENTRY(canGetNumberOfChannels, true),
    KVASER_ENTRY(canGetChannelData, true),
    KVASER_ENTRY(canClose, true),
    KVASER_ENTRY(canBusOn, true),
    KVASER_ENTRY(canBusOff, true),
    KVASER_ENTRY(canSetBitrate, false),
    KVASER_ENTRY(canSetBusParams, true),
    KVASER_ENTRY(canGetBusParams, true),
    KVASER_ENTRY(canSetBusOutputControl, true),
    KVASER_ENTRY(canGetBusOutputControl, true),
    KVASER_ENTRY(canAccept, true),
    KVASER_ENTRY(canReadStatus, true),
    KVASER_ENTRY(canReadErrorCounters, true),
    KVASER_ENTRY(canWrite, true),
    KVASER_ENTRY(canWriteSync, true),
    KVASER_ENTRY(canRead, true),
    KVASER_ENTRY(canReadWait, true),
};
#undef KVASER_ENTRY

/* Before each binding attempt: no port open, none has a channel. */
void reset_ports(void) {
    for (KvaserPort& p : ks().port) {
        p.open = 0;
        p.selector = nullptr;
        p.handle = -1;
        p.bitrate = 250000;
    }
}

void start_library(void) {
    KvaserState& k = ks();
    k.api.canInitializeLibrary();
    int count = 0;
    k.api.canGetNumberOfChannels(&count);
    k.channel_count = count;
}

const CanLibraryBinding kBinding = {
    .file_name = KVASER_LIBRARY_NAME,
    .entry_points = kEntryPoints,
    .entry_count = std::size(kEntryPoints),
    .api = &device_memory.can.kvaser.api,
    .api_size = sizeof(KvaserApi),
    .library = &device_memory.can.kvaser.library,
    .bound = &device_memory.can.kvaser.bound,
    .pacing = &device_memory.can.kvaser.pacing,
    .reset = reset_ports,
    .start = start_library,
};

/* canSetBusParams' predefined bitrates, for a library without canSetBitrate. */
long predefined_bitrate(uint32_t bitrate) {
    switch (bitrate) {
    case 1000000:
        return -1;
    case 500000:
        return -2;
    case 250000:
        return -3;
    case 125000:
        return -4;
    default:
        return 0;
    }
}

int set_bitrate_on_channel(int handle, uint32_t bitrate) {
    const KvaserApi& api = ks().api;
    if (api.canSetBitrate) return api.canSetBitrate(handle, static_cast<int>(bitrate));
    const long predefined = predefined_bitrate(bitrate);
    if (predefined != 0) return api.canSetBusParams(handle, predefined, 0, 0, 0, 0, 0);
    return api.canSetBusParams(handle, static_cast<long>(bitrate), KVASER_TSEG1, KVASER_TSEG2,
                               KVASER_SJW, KVASER_SAMPLES, 0);
}

/* CANlib takes a bitrate, not a bit timing: t0 is all the channel gets. */
int set_bit_timing(int port, const CanBitTiming* timing) {
    return kvaser_set_bitrate(port, timing->t[0]);
}

/* "KVASER: Failed to map CAN port %d to Kvaser" */
int fail_open(int port) {
    return can_report_failed_map("KVASER", "Kvaser", port);
}

} // namespace

int kvaser_bind(int forced) {
    return can_library_bind(&kBinding, forced);
}

int kvaser_open(int port, const char* selector) {
    KvaserState& k = ks();
    if (!kvaser_bind(1)) return fail_open(port);
    KvaserPort& p = k.port[port];
    p.selector = selector;
    if (p.open) return 0;

    const int channel = selector ? std::atoi(selector) : port;
    if (channel == -1) return fail_open(port);
    char name[256];
    uint64_t serial = 0;
    uint64_t firmware = 0;
    if (k.api.canGetChannelData(channel, KVASER_DATA_CHANNEL_NAME, name, sizeof name) != 0 ||
        k.api.canGetChannelData(channel, KVASER_DATA_SERIAL, &serial, sizeof serial) != 0 ||
        k.api.canGetChannelData(channel, KVASER_DATA_FIRMWARE, &firmware, sizeof firmware) != 0) {
        return fail_open(port);
    }
    const int handle = k.api.canOpenChannel(channel, KVASER_OPEN_FLAGS);
    if (handle < 0) return fail_open(port);
    if (set_bitrate_on_channel(handle, p.bitrate) != 0 ||
        k.api.canSetBusOutputControl(handle, KVASER_DRIVER_NORMAL) != 0 ||
        k.api.canBusOn(handle) != 0) {
        // The channel is given back, so that a later open can have it again.
        k.api.canClose(handle);
        return fail_open(port);
    }
    p.handle = handle;
    can_report("KVASER: Mapped CAN port %d to Kvaser (Ch:%d, Ser:(%d)%d, Fw:%d.%d.%d.%d)\n",
               port + 1, channel, static_cast<int32_t>(serial >> 32), static_cast<int32_t>(serial),
               static_cast<int>((firmware >> 32) & 0xFFFF),
               static_cast<int>((firmware >> 48) & 0xFFFF), static_cast<int>(firmware & 0xFFFF),
               static_cast<int>((firmware >> 16) & 0xFFFF));
    p.open = 1;
    return 0;
}

int kvaser_close(int port) {
    KvaserState& k = ks();
    KvaserPort& p = k.port[port];
    if (k.bound && p.open) {
        k.api.canClose(p.handle);
        p.open = 0;
    }
    return 0;
}

int kvaser_set_bitrate(int port, uint32_t bitrate) {
    if (!kvaser_bind(0)) return -1;
    KvaserPort& p = ks().port[port];
    const bool was_open = p.open;
    if (was_open) kvaser_close(port);
    p.bitrate = bitrate;
    return was_open ? kvaser_open(port, p.selector) : -1;
}

int kvaser_transmit(int port, const CanMessage* message) {
    KvaserState& k = ks();
    if (!kvaser_bind(0) || !k.port[port].open) return -1;
    uint8_t data[8];
    std::memcpy(data, message->data, sizeof data);
    const int result = k.api.canWrite(k.port[port].handle, static_cast<long>(message->id), data,
                                      message->dlc, message->extended ? KVASER_MSG_EXT : 0);
    return result == 0 ? 0 : -1;
}

int kvaser_receive(int port, CanMessage* message) {
    KvaserState& k = ks();
    if (!kvaser_bind(0) || !k.port[port].open) return -1;
    long id = 0;
    unsigned dlc = 0;
    unsigned flags = 0;
    unsigned long time = 0;
    if (k.api.canRead(k.port[port].handle, &id, message->data, &dlc, &flags, &time) != 0) return -1;
    message->id = static_cast<uint32_t>(id);
    message->dlc = static_cast<uint8_t>(dlc);
    message->extended = (flags & KVASER_MSG_EXT) ? 1 : 0;
    message->remote = 0;
    message->timestamp_us = static_cast<uint64_t>(time) * 1000u;
    return 0;
}

int kvaser_port_open(int port) {
    return ks().port[port].open;
}

void kvaser_shutdown(void) {
    KvaserState& k = ks();
    if (!k.bound) return;
    for (int port = 0; port < CAN_PORT_COUNT; ++port)
        kvaser_close(port);
    can_library_unbind(&kBinding);
}

const CanDriverApi kvaser_driver_api = {
    .bind = kvaser_bind,
    .open = kvaser_open,
    .close = kvaser_close,
    .set_bitrate = kvaser_set_bitrate,
    .set_bit_timing = set_bit_timing,
    .transmit = kvaser_transmit,
    .receive = kvaser_receive,
    .port_open = kvaser_port_open,
    .shutdown = kvaser_shutdown,
    .receive_may_close = 0,
};
