#include "device/can/can_cando.h"

#include <cstring>
#include <iterator>
#include <strings.h>

#include "device/device_memory.h"
#include "device/services/host_services.h"
#include "device/services/time_base.h"

static CandoState& cs() {
    return device_memory.can.cando;
}

namespace {

#define CANDO_ENTRY(name) CAN_ENTRY_POINT(CandoApi, name, true)
const CanEntryPoint kEntryPoints[] = {
    CANDO_ENTRY(CANdoGetDevices), CANDO_ENTRY(CANdoOpen),         CANDO_ENTRY(CANdoOpenDevice),
    CANDO_ENTRY(CANdoClose),      CANDO_ENTRY(CANdoFlushBuffers), CANDO_ENTRY(CANdoSetBaudRate),
    CANDO_ENTRY(CANdoSetMode),    CANDO_ENTRY(CANdoSetFilters),   CANDO_ENTRY(CANdoSetState),
    CANDO_ENTRY(CANdoReceive),    CANDO_ENTRY(CANdoTransmit),     CANDO_ENTRY(CANdoRequestStatus),
};
#undef CANDO_ENTRY

/* Before each binding attempt the whole back-end starts from zero, all but
 * the pacing of the attempts themselves. */
void reset_state(void) {
    CandoState& c = cs();
    const CanBindPacing pacing = c.pacing;
    std::memset(&c, 0, sizeof c);
    c.pacing = pacing;
    for (CandoPort& p : c.port)
        p.bitrate = 250000;
}

void start_library(void) {
    CandoState& c = cs();
    int count = CANDO_MAX_DEVICES;
    if (c.api.CANdoGetDevices(c.devices, &count) != 0) count = 0;
    // The count comes from the library; never trust it past the list.
    if (count < 0) count = 0;
    if (count > CANDO_MAX_DEVICES) count = CANDO_MAX_DEVICES;
    for (auto& record : c.devices)
        record[CANDO_DEVICE_RECORD_BYTES - 1] = '\0';
    c.device_count = count;
}

const CanLibraryBinding kBinding = {
    .file_name = CANDO_LIBRARY_NAME,
    .entry_points = kEntryPoints,
    .entry_count = std::size(kEntryPoints),
    .api = &device_memory.can.cando.api,
    .api_size = sizeof(CandoApi),
    .library = &device_memory.can.cando.library,
    .bound = &device_memory.can.cando.bound,
    .pacing = &device_memory.can.cando.pacing,
    .reset = reset_state,
    .start = start_library,
};

/* Bit timing of the four bitrates the device knows. */
struct TimingRow {
    uint32_t bitrate;
    uint8_t sjw, brp, phseg1, phseg2, propseg, sam;
};
const TimingRow kTimings[] = {
    {125000, 0, 3, 7, 7, 2, 0},
    {250000, 0, 1, 7, 7, 2, 0},
    {500000, 0, 0, 7, 7, 2, 0},
    {1000000, 0, 0, 2, 2, 2, 0},
};

const char* device_serial(int index) {
    return reinterpret_cast<const char*>(cs().devices[index] + CANDO_SERIAL_OFFSET);
}

uint32_t read_u32(const uint8_t* at) {
    uint32_t v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

void write_u32(uint8_t* at, uint32_t v) {
    std::memcpy(at, &v, sizeof v);
}

void set_timing(CandoPort& p) {
    const CandoApi& api = cs().api;
    if (p.custom_timing) {
        api.CANdoSetBaudRate(p.handle_area, static_cast<uint8_t>(p.timing[6]),
                             static_cast<uint8_t>(p.timing[7]), static_cast<uint8_t>(p.timing[4]),
                             static_cast<uint8_t>(p.timing[5]), static_cast<uint8_t>(p.timing[3]),
                             0);
        return;
    }
    for (const TimingRow& row : kTimings) {
        if (row.bitrate == p.bitrate) {
            api.CANdoSetBaudRate(p.handle_area, row.sjw, row.brp, row.phseg1, row.phseg2,
                                 row.propseg, row.sam);
            return;
        }
    }
    // Any other bitrate: the device keeps the timing it has.
}

/* "CANDO: Failed to map CAN port %d to CANdo" */
int fail_open(int port) {
    return can_report_failed_map("CANDO", "CANdo", port);
}

} // namespace

int cando_bind(int forced) {
    return can_library_bind(&kBinding, forced);
}

int cando_find_device(int port, const char* selector) {
    const CandoState& c = cs();
    if (c.device_count == 0) return -1;
    if (selector) {
        for (int i = 0; i < c.device_count; ++i) {
            if (strcasecmp(device_serial(i), selector) == 0) return i;
        }
        return -1;
    }
    return port < c.device_count ? port : 0;
}

int cando_open(int port, const char* selector) {
    CandoState& c = cs();
    if (!cando_bind(1)) return fail_open(port);
    CandoPort& p = c.port[port];
    p.selector = selector;
    if (p.open) return 0;
    const int device = cando_find_device(port, selector);
    if (device < 0) return fail_open(port);
    if (c.api.CANdoOpenDevice(p.handle_area, c.devices[device]) != 0) return fail_open(port);
    set_timing(p);
    svc_sleep_ms(100);
    bool started = c.api.CANdoSetMode(p.handle_area, 0) == 0;
    if (started) {
        svc_sleep_ms(10);
        started = c.api.CANdoFlushBuffers(p.handle_area) == 0 &&
                  c.api.CANdoSetState(p.handle_area, 1) == 0;
    }
    if (!started) {
        // The device is given back, so that a later open can have it again.
        c.api.CANdoClose(p.handle_area);
        return fail_open(port);
    }
    p.open = 1;
    svc_sleep_ms(10);
    p.last_fetch_ms = p.last_tx_ms = sys_time_ms() - 1000u;
    can_report("CANDO: Mapped CAN port %d to CANdo (Ser:%s)\n", port + 1, device_serial(device));
    return 0;
}

int cando_close(int port) {
    CandoState& c = cs();
    CandoPort& p = c.port[port];
    if (c.bound && p.open) {
        c.api.CANdoClose(p.handle_area);
        p.open = 0;
    }
    return 0;
}

int cando_set_bitrate(int port, uint32_t bitrate) {
    if (!cando_bind(0)) return -1;
    CandoPort& p = cs().port[port];
    const bool was_open = p.open;
    if (was_open) cando_close(port);
    p.bitrate = bitrate;
    return was_open ? cando_open(port, p.selector) : -1;
}

int cando_set_bit_timing(int port, const CanBitTiming* timing) {
    if (!cando_bind(0)) return -1;
    CandoPort& p = cs().port[port];
    const bool was_open = p.open;
    if (was_open) cando_close(port);
    p.bitrate = timing->t[0];
    std::memcpy(p.timing, timing->t, sizeof p.timing);
    p.custom_timing = 1;
    return was_open ? cando_open(port, p.selector) : -1;
}

/* One frame per device-clock millisecond: wait until the clock has left the
 * millisecond of the previous transmission. Under the virtual clock each
 * sleep advances the clock itself (see svc_sleep_ms), so the wait ends
 * there too. */
int cando_transmit(int port, const CanMessage* message) {
    CandoState& c = cs();
    if (!cando_bind(0) || !c.port[port].open) return -1;
    CandoPort& p = c.port[port];
    uint32_t now = sys_time_ms();
    while (now == p.last_tx_ms) {
        svc_sleep_ms(1);
        now = sys_time_ms();
    }
    if (c.api.CANdoTransmit(p.handle_area, message->extended, message->id, message->remote,
                            message->dlc, message->data, 0, 0) != 0) {
        return -1;
    }
    p.last_tx_ms = now;
    return 0;
}

int cando_receive(int port, CanMessage* message) {
    CandoState& c = cs();
    if (!cando_bind(0) || !c.port[port].open) return -1;
    CandoPort& p = c.port[port];
    const uint32_t now = sys_time_ms();
    if (now - p.last_fetch_ms >= CANDO_FETCH_INTERVAL_MS &&
        c.api.CANdoReceive(p.handle_area, p.rx_buffer, p.status) == 0) {
        p.status[8] = 0;
        p.last_fetch_ms = now;
    }
    uint8_t* buffer = p.rx_buffer;
    uint32_t read = read_u32(buffer + CANDO_RX_READ_INDEX);
    const uint32_t write = read_u32(buffer + CANDO_RX_WRITE_INDEX);
    // A read index out of the buffer (a confused library) restarts at slot
    // 0; a write index out of it leaves nothing to read, as no slot up to
    // it can be told apart from garbage.
    if (read >= CANDO_RX_SLOTS) read = 0;
    if (write >= CANDO_RX_SLOTS) return -1;
    if (read == write && buffer[CANDO_RX_FULL_FLAG] == 0) return -1;

    const uint8_t* slot = buffer + read * CANDO_RX_SLOT_BYTES;
    message->extended = slot[0];
    message->remote = 0; // the slot has no remote flag
    message->id = read_u32(slot + 4);
    message->dlc = slot[8] > 8 ? 8 : slot[8];
    std::memcpy(message->data, slot + 9, message->dlc);
    message->timestamp_us = static_cast<uint64_t>(static_cast<double>(read_u32(slot + 20)) *
                                                  static_cast<double>(25.6f));

    write_u32(buffer + CANDO_RX_READ_INDEX, read + 1 == CANDO_RX_SLOTS ? 0 : read + 1);
    buffer[CANDO_RX_FULL_FLAG] = 0;
    return 0;
}

int cando_port_open(int port) {
    return cs().port[port].open;
}

void cando_shutdown(void) {
    CandoState& c = cs();
    if (!c.bound) return;
    for (int port = 0; port < CAN_PORT_COUNT; ++port)
        cando_close(port);
    svc_library_close(c.library);
    std::memset(&c, 0, sizeof c);
}

const CanDriverApi cando_driver_api = {
    .bind = cando_bind,
    .open = cando_open,
    .close = cando_close,
    .set_bitrate = cando_set_bitrate,
    .set_bit_timing = cando_set_bit_timing,
    .transmit = cando_transmit,
    .receive = cando_receive,
    .port_open = cando_port_open,
    .shutdown = cando_shutdown,
    .receive_may_close = 0,
};
