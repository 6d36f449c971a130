// A fake of the CANdo library (libCANdo.so), loaded by the device through
// the same dlopen path as the real one. It has a list of devices with serial
// numbers; each opened handle area is one port on a virtual bus shared by
// all of them: a frame sent on one handle is received by every other started
// handle and by the remote I/O unit, whose replies reach every started
// handle. Received frames are appended to the caller's cyclic receive buffer
// by CANdoReceive, as the vendor library does. Tests drive and inspect it
// through the fake_cando_* functions, found with dlsym on the same handle.
//
// FAKE_CANDO_OMIT_SET_STATE builds a variant without CANdoSetState, a
// required entry point, so that binding must refuse the library.
#include <cstdio>
#include <deque>

#include "fake_common.h"

namespace {

// The layout the device shares with the library (see the device's
// CANdo back-end).
constexpr int kRecordBytes = 260;
constexpr int kSlots = 2048;
constexpr int kSlotBytes = 24;
constexpr int kWriteIndex = kSlots * kSlotBytes;
constexpr int kReadIndex = kWriteIndex + 4;
constexpr int kFullFlag = kReadIndex + 4;
constexpr uint32_t kMagic = 0xCA4D0000u; // marks a handle area the fake has opened

struct Received {
    fake::Frame frame;
    uint32_t timestamp = 0; // 25.6 us units
};

struct Port {
    int device = 0;
    bool started = false;
    std::deque<Received> rx;
    uint32_t write = 0; // the last write index the fake itself put in the buffer
};

struct Fake {
    std::mutex lock;
    fake::CallRecord calls;
    fake::RioUnit rio;
    std::vector<std::string> serials;
    std::map<void*, Port> ports; // by handle area
    std::map<int, int> sent;     // frames sent, by device
    uint32_t timestamp = 0;
    long reportedWrite = -1; // write index CANdoReceive reports instead of its own; -1: its own

    Fake() { Reset(); }

    void Reset() {
        calls.Reset();
        rio.Reset();
        serials.clear();
        ports.clear();
        sent.clear();
        timestamp = 0;
        reportedWrite = -1;
    }

    Port* PortOf(void* area) {
        uint32_t magic = 0;
        std::memcpy(&magic, area, sizeof magic);
        auto it = ports.find(area);
        return (magic == kMagic && it != ports.end()) ? &it->second : nullptr;
    }

    void Deliver(const fake::Frame& f, const Port* except) {
        for (auto& [area, p] : ports) {
            if (&p != except && p.started) p.rx.push_back({f, timestamp});
        }
    }
};

Fake& F() {
    static Fake fake; // destroyed when the library is unloaded
    return fake;
}

uint32_t ReadU32(const uint8_t* at) {
    uint32_t v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

void WriteU32(uint8_t* at, uint32_t v) {
    std::memcpy(at, &v, sizeof v);
}

} // namespace

// --- The CANdo entry points (0 = success) -------------------------------

FAKE_EXPORT int CANdoGetDevices(void* list, int* count) {
    std::lock_guard<std::mutex> hold(F().lock);
    const int r = F().calls.Call("CANdoGetDevices", {count ? *count : -1}, 0);
    if (r != 0) return r;
    const int n = std::min(*count, static_cast<int>(F().serials.size()));
    for (int i = 0; i < n; ++i) {
        uint8_t* record = static_cast<uint8_t*>(list) + i * kRecordBytes;
        std::memset(record, 0, kRecordBytes);
        WriteU32(record, static_cast<uint32_t>(i + 1));
        std::snprintf(reinterpret_cast<char*>(record + 4), kRecordBytes - 4, "%s",
                      F().serials[static_cast<size_t>(i)].c_str());
    }
    *count = n;
    return 0;
}

FAKE_EXPORT int CANdoOpen(void*) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Call("CANdoOpen", {}, 0);
}

FAKE_EXPORT int CANdoOpenDevice(void* area, const void* record) {
    std::lock_guard<std::mutex> hold(F().lock);
    const char* serial = static_cast<const char*>(record) + 4;
    int device = -1;
    for (size_t i = 0; i < F().serials.size(); ++i) {
        if (F().serials[i] == serial) device = static_cast<int>(i);
    }
    const int r = F().calls.Call("CANdoOpenDevice", {device}, device < 0 ? 1 : 0);
    if (r != 0) return r;
    WriteU32(static_cast<uint8_t*>(area), kMagic);
    Port p;
    p.device = device;
    F().ports[area] = p;
    return 0;
}

FAKE_EXPORT int CANdoClose(void* area) {
    std::lock_guard<std::mutex> hold(F().lock);
    const int r = F().calls.Call("CANdoClose", {}, 0);
    if (!F().PortOf(area)) return 1;
    F().ports.erase(area);
    WriteU32(static_cast<uint8_t*>(area), 0);
    return r;
}

FAKE_EXPORT int CANdoFlushBuffers(void* area) {
    std::lock_guard<std::mutex> hold(F().lock);
    const int r = F().calls.Call("CANdoFlushBuffers", {}, 0);
    if (Port* p = F().PortOf(area)) p->rx.clear();
    return r;
}

FAKE_EXPORT int CANdoSetBaudRate(void* area, uint8_t sjw, uint8_t brp, uint8_t phseg1,
                                 uint8_t phseg2, uint8_t propseg, uint8_t sam) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Call("CANdoSetBaudRate", {sjw, brp, phseg1, phseg2, propseg, sam},
                          F().PortOf(area) ? 0 : 1);
}

FAKE_EXPORT int CANdoSetMode(void* area, uint8_t mode) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Call("CANdoSetMode", {mode}, F().PortOf(area) ? 0 : 1);
}

FAKE_EXPORT int CANdoSetFilters(void*, const void*) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Call("CANdoSetFilters", {}, 0);
}

#ifndef FAKE_CANDO_OMIT_SET_STATE
FAKE_EXPORT int CANdoSetState(void* area, uint8_t state) {
    std::lock_guard<std::mutex> hold(F().lock);
    const int r = F().calls.Call("CANdoSetState", {state}, 0);
    Port* p = F().PortOf(area);
    if (r != 0) return r;
    if (!p) return 1;
    p->started = state == 1;
    return 0;
}
#endif

FAKE_EXPORT int CANdoReceive(void* area, void* buffer, void* status) {
    std::lock_guard<std::mutex> hold(F().lock);
    const int r = F().calls.Call("CANdoReceive", {}, 0, false);
    Port* p = F().PortOf(area);
    if (r != 0) return r;
    if (!p) return 1;
    uint8_t* b = static_cast<uint8_t*>(buffer);
    std::memset(status, 0xEE, 12); // the device clears byte 8 itself
    uint32_t write = ReadU32(b + kWriteIndex);
    // After a reported index out of range the fake goes on from its own.
    if (write >= kSlots) write = p->write;
    const uint32_t read = ReadU32(b + kReadIndex);
    while (!p->rx.empty() && !b[kFullFlag]) {
        const Received& m = p->rx.front();
        uint8_t* slot = b + write * kSlotBytes;
        std::memset(slot, 0, kSlotBytes);
        slot[0] = m.frame.extended ? 1 : 0;
        WriteU32(slot + 4, m.frame.id);
        slot[8] = m.frame.dlc;
        std::memcpy(slot + 9, m.frame.data.data(), 8);
        WriteU32(slot + 20, m.timestamp);
        p->rx.pop_front();
        write = (write + 1) % kSlots;
        if (write == read) b[kFullFlag] = 1;
    }
    p->write = write;
    WriteU32(b + kWriteIndex,
             F().reportedWrite < 0 ? write : static_cast<uint32_t>(F().reportedWrite));
    return 0;
}

FAKE_EXPORT int CANdoTransmit(void* area, uint8_t extended, uint32_t id, uint8_t remote,
                              uint8_t dlc, const uint8_t* data, uint8_t flags, uint8_t interval) {
    std::lock_guard<std::mutex> hold(F().lock);
    const int r = F().calls.Call(
        "CANdoTransmit", {extended, static_cast<long>(id), remote, dlc, flags, interval}, 0, false);
    Port* p = F().PortOf(area);
    if (r != 0) return r;
    if (!p || !p->started || dlc > 8) return 1;
    fake::Frame f;
    f.id = id;
    f.extended = extended != 0;
    f.dlc = dlc;
    std::memcpy(f.data.data(), data, dlc);
    ++F().sent[p->device];
    F().Deliver(f, p);
    for (const fake::Frame& reply : F().rio.Hear(f))
        F().Deliver(reply, nullptr);
    return 0;
}

FAKE_EXPORT int CANdoRequestStatus(void*) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Call("CANdoRequestStatus", {}, 0);
}

// --- Control for the tests --------------------------------------------

FAKE_EXPORT void fake_cando_reset(void) {
    std::lock_guard<std::mutex> hold(F().lock);
    F().Reset();
}

FAKE_EXPORT void fake_cando_add_device(const char* serial) {
    std::lock_guard<std::mutex> hold(F().lock);
    F().serials.emplace_back(serial);
}

FAKE_EXPORT int fake_cando_calls(const char* name) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Count(name);
}

/* Entry points called since the reset, in order; receive and transmit are
 * only counted. Valid until the next call into the fake. */
FAKE_EXPORT const char* fake_cando_call_log(void) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Log().c_str();
}

FAKE_EXPORT long fake_cando_arg(const char* name, int index) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Arg(name, index);
}

FAKE_EXPORT void fake_cando_force(const char* name, int result) {
    std::lock_guard<std::mutex> hold(F().lock);
    F().calls.Force(name, result);
}

/* Number of open handle areas on device (one per open port). */
FAKE_EXPORT int fake_cando_open_ports(int device) {
    std::lock_guard<std::mutex> hold(F().lock);
    int n = 0;
    for (const auto& [area, p] : F().ports)
        n += p.device == device;
    return n;
}

/* A frame for every started port of device, with a slot time stamp. */
FAKE_EXPORT void fake_cando_inject(int device, uint32_t id, uint8_t extended, const uint8_t* data,
                                   uint8_t dlc, uint32_t timestamp) {
    std::lock_guard<std::mutex> hold(F().lock);
    Received m;
    m.frame.id = id;
    m.frame.extended = extended != 0;
    m.frame.dlc = dlc;
    if (data) std::memcpy(m.frame.data.data(), data, dlc > 8 ? 8 : dlc);
    m.timestamp = timestamp;
    for (auto& [area, p] : F().ports) {
        if (p.device == device && p.started) p.rx.push_back(m);
    }
}

/* Make CANdoReceive report index as the buffer's write index (a confused
 * library), the frames still going where they belong; -1: the true index
 * again. */
FAKE_EXPORT void fake_cando_report_write_index(long index) {
    std::lock_guard<std::mutex> hold(F().lock);
    F().reportedWrite = index;
}

/* Frames sent through all ports of device. */
FAKE_EXPORT int fake_cando_sent_count(int device) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().sent[device];
}

FAKE_EXPORT void fake_cando_rio_reply(const uint8_t* data) {
    std::lock_guard<std::mutex> hold(F().lock);
    F().rio.AddReply(data);
}

FAKE_EXPORT int fake_cando_rio_commands(int type) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().rio.Commands(type);
}
