// A fake of the vendor's Linux CANlib (libcanlib.so.1), loaded by the device
// through the same dlopen path as the real one. Its channels sit on one
// virtual bus: a frame written on one channel is received by every other
// channel that is bus-on, and by the remote I/O unit, whose replies reach
// every bus-on channel. Tests drive and inspect it through the fake_canlib_*
// functions, found with dlsym on the same library handle.
//
// Built in variants: FAKE_CANLIB_SET_BITRATE exports canSetBitrate (which
// the Linux library may lack); FAKE_CANLIB_OMIT_WRITE leaves out canWrite,
// a required entry point, so that binding must refuse the library.
#include <cstdio>
#include <deque>

#include "fake_common.h"

namespace {

constexpr int kErrNotFound = -3; // canERR_NOTFOUND
constexpr int kErrNoMsg = -2;    // canERR_NOMSG
constexpr int kErrParam = -1;    // canERR_PARAM
constexpr unsigned kMsgExt = 4;  // canMSG_EXT
constexpr int kFirstHandle = 10; // handles differ from channel numbers on purpose

struct Received {
    fake::Frame frame;
    unsigned long time = 0;
};

struct Channel {
    uint64_t serial = 0;
    uint64_t firmware = 0;
    bool busOn = false;
    std::deque<Received> rx;
    std::vector<fake::Frame> sent;
    long generate = 0; // frames canRead makes up before the queue is read
};

struct Fake {
    std::mutex lock;
    fake::CallRecord calls;
    fake::RioUnit rio;
    std::vector<Channel> channels;
    std::map<int, int> handles; // handle -> channel
    int nextHandle = kFirstHandle;
    unsigned long timeMs = 0;
    bool keepSent = true;

    Fake() { Reset(); }

    void Reset() {
        calls.Reset();
        rio.Reset();
        channels.assign(2, Channel{});
        for (size_t i = 0; i < channels.size(); ++i) {
            channels[i].serial = 0x0000000100000000ull * (i + 1) + 1000 + i;
            channels[i].firmware = 0x0003000200010004ull; // 1.4 in bits 0-31, 2.3 in 32-63
        }
        handles.clear();
        nextHandle = kFirstHandle;
        timeMs = 0;
        keepSent = true;
    }

    Channel* ChannelOf(int handle) {
        auto it = handles.find(handle);
        return it == handles.end() ? nullptr : &channels[static_cast<size_t>(it->second)];
    }

    void Deliver(const fake::Frame& f, const Channel* except) {
        for (Channel& c : channels) {
            if (&c != except && c.busOn) c.rx.push_back({f, timeMs});
        }
    }
};

Fake& F() {
    static Fake fake; // destroyed when the library is unloaded
    return fake;
}

std::vector<long> Args(std::initializer_list<long> a) {
    return a;
}

} // namespace

// --- The CANlib entry points -------------------------------------------

FAKE_EXPORT void canInitializeLibrary(void) {
    std::lock_guard<std::mutex> hold(F().lock);
    F().calls.Call("canInitializeLibrary", {}, 0);
}

FAKE_EXPORT int canGetNumberOfChannels(int* count) {
    std::lock_guard<std::mutex> hold(F().lock);
    const int r = F().calls.Call("canGetNumberOfChannels", {}, 0);
    if (r == 0 && count) *count = static_cast<int>(F().channels.size());
    return r;
}

FAKE_EXPORT int canGetChannelData(int channel, int item, void* buffer, size_t size) {
    std::lock_guard<std::mutex> hold(F().lock);
    const int r =
        F().calls.Call("canGetChannelData", Args({channel, item, static_cast<long>(size)}), 0);
    if (r != 0) return r;
    if (channel < 0 || static_cast<size_t>(channel) >= F().channels.size()) return kErrNotFound;
    const Channel& c = F().channels[static_cast<size_t>(channel)];
    switch (item) {
    case 13:
        std::snprintf(static_cast<char*>(buffer), size, "Fake CAN channel %d", channel);
        return 0;
    case 7:
        if (size < 8) return kErrParam;
        std::memcpy(buffer, &c.serial, 8);
        return 0;
    case 9:
        if (size < 8) return kErrParam;
        std::memcpy(buffer, &c.firmware, 8);
        return 0;
    default:
        return kErrParam;
    }
}

FAKE_EXPORT int canOpenChannel(int channel, int flags) {
    std::lock_guard<std::mutex> hold(F().lock);
    const int r = F().calls.Call("canOpenChannel", Args({channel, flags}), 0);
    if (r != 0) return r;
    if (channel < 0 || static_cast<size_t>(channel) >= F().channels.size()) return kErrNotFound;
    const int handle = F().nextHandle++;
    F().handles[handle] = channel;
    return handle;
}

FAKE_EXPORT int canClose(int handle) {
    std::lock_guard<std::mutex> hold(F().lock);
    const int r = F().calls.Call("canClose", Args({handle}), 0);
    Channel* c = F().ChannelOf(handle);
    if (!c) return kErrParam;
    c->busOn = false;
    F().handles.erase(handle);
    return r;
}

FAKE_EXPORT int canBusOn(int handle) {
    std::lock_guard<std::mutex> hold(F().lock);
    const int r = F().calls.Call("canBusOn", Args({handle}), 0);
    Channel* c = F().ChannelOf(handle);
    if (!c) return kErrParam;
    if (r == 0) c->busOn = true;
    return r;
}

FAKE_EXPORT int canBusOff(int handle) {
    std::lock_guard<std::mutex> hold(F().lock);
    const int r = F().calls.Call("canBusOff", Args({handle}), 0);
    if (Channel* c = F().ChannelOf(handle)) c->busOn = false;
    return r;
}

#ifdef FAKE_CANLIB_SET_BITRATE
FAKE_EXPORT int canSetBitrate(int handle, int bitrate) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Call("canSetBitrate", Args({handle, bitrate}),
                          F().ChannelOf(handle) ? 0 : kErrParam);
}
#endif

FAKE_EXPORT int canSetBusParams(int handle, long freq, unsigned tseg1, unsigned tseg2, unsigned sjw,
                                unsigned samples, unsigned syncmode) {
    std::lock_guard<std::mutex> hold(F().lock);
    const bool valid = F().ChannelOf(handle) && freq != 0 && freq >= -4;
    return F().calls.Call("canSetBusParams",
                          Args({handle, freq, tseg1, tseg2, sjw, samples, syncmode}),
                          valid ? 0 : kErrParam);
}

FAKE_EXPORT int canGetBusParams(int, long*, unsigned*, unsigned*, unsigned*, unsigned*, unsigned*) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Call("canGetBusParams", {}, 0);
}

FAKE_EXPORT int canSetBusOutputControl(int handle, unsigned driver) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Call("canSetBusOutputControl", Args({handle, driver}), 0);
}

FAKE_EXPORT int canGetBusOutputControl(int, unsigned*) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Call("canGetBusOutputControl", {}, 0);
}

FAKE_EXPORT int canAccept(int, long, unsigned) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Call("canAccept", {}, 0);
}

FAKE_EXPORT int canReadStatus(int, unsigned long*) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Call("canReadStatus", {}, 0);
}

FAKE_EXPORT int canReadErrorCounters(int, unsigned*, unsigned*, unsigned*) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Call("canReadErrorCounters", {}, 0);
}

#ifndef FAKE_CANLIB_OMIT_WRITE
FAKE_EXPORT int canWrite(int handle, long id, void* data, unsigned dlc, unsigned flags) {
    std::lock_guard<std::mutex> hold(F().lock);
    const int r = F().calls.Call("canWrite", Args({handle, id, dlc, flags}), 0, false);
    Channel* c = F().ChannelOf(handle);
    if (r != 0) return r;
    if (!c || !c->busOn || dlc > 8) return kErrParam;
    fake::Frame f;
    f.id = static_cast<uint32_t>(id);
    f.extended = (flags & kMsgExt) != 0;
    f.dlc = static_cast<uint8_t>(dlc);
    std::memcpy(f.data.data(), data, dlc);
    if (F().keepSent) c->sent.push_back(f);
    F().Deliver(f, c);
    for (const fake::Frame& reply : F().rio.Hear(f))
        F().Deliver(reply, nullptr);
    return 0;
}
#endif

FAKE_EXPORT int canWriteSync(int, unsigned long) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Call("canWriteSync", {}, 0);
}

FAKE_EXPORT int canRead(int handle, long* id, void* data, unsigned* dlc, unsigned* flags,
                        unsigned long* time) {
    std::lock_guard<std::mutex> hold(F().lock);
    const int r = F().calls.Call("canRead", {}, 0, false);
    Channel* c = F().ChannelOf(handle);
    if (r != 0) return r;
    if (!c) return kErrParam;
    if (c->generate > 0) {
        --c->generate;
        static const uint8_t payload[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        *id = 0x123;
        std::memcpy(data, payload, 8);
        *dlc = 8;
        *flags = 0;
        *time = F().timeMs;
        return 0;
    }
    if (c->rx.empty()) return kErrNoMsg;
    const Received m = c->rx.front();
    c->rx.pop_front();
    *id = static_cast<long>(m.frame.id);
    std::memcpy(data, m.frame.data.data(), m.frame.dlc > 8 ? 8 : m.frame.dlc);
    *dlc = m.frame.dlc;
    *flags = m.frame.extended ? kMsgExt : 0;
    *time = m.time;
    return 0;
}

FAKE_EXPORT int canReadWait(int, long*, void*, unsigned*, unsigned*, unsigned long*,
                            unsigned long) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Call("canReadWait", {}, kErrNoMsg);
}

// --- Control for the tests --------------------------------------------

FAKE_EXPORT void fake_canlib_reset(void) {
    std::lock_guard<std::mutex> hold(F().lock);
    F().Reset();
}

FAKE_EXPORT void fake_canlib_set_channels(int count) {
    std::lock_guard<std::mutex> hold(F().lock);
    F().channels.resize(static_cast<size_t>(count < 0 ? 0 : count));
}

FAKE_EXPORT void fake_canlib_set_channel_info(int channel, uint64_t serial, uint64_t firmware) {
    std::lock_guard<std::mutex> hold(F().lock);
    Channel& c = F().channels.at(static_cast<size_t>(channel));
    c.serial = serial;
    c.firmware = firmware;
}

FAKE_EXPORT int fake_canlib_calls(const char* name) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Count(name);
}

/* The entry points called since the reset, in order, separated by spaces;
 * canRead and canWrite are only counted. The text stays valid until the
 * next call into the fake. */
FAKE_EXPORT const char* fake_canlib_call_log(void) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Log().c_str();
}

FAKE_EXPORT long fake_canlib_arg(const char* name, int index) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().calls.Arg(name, index);
}

/* Make an entry point return result from now on (0: behave again). */
FAKE_EXPORT void fake_canlib_force(const char* name, int result) {
    std::lock_guard<std::mutex> hold(F().lock);
    F().calls.Force(name, result);
}

FAKE_EXPORT void fake_canlib_inject(int channel, uint32_t id, unsigned flags, const uint8_t* data,
                                    unsigned dlc, unsigned long time) {
    std::lock_guard<std::mutex> hold(F().lock);
    Received m;
    m.frame.id = id;
    m.frame.extended = (flags & kMsgExt) != 0;
    m.frame.dlc = static_cast<uint8_t>(dlc);
    if (data) std::memcpy(m.frame.data.data(), data, dlc > 8 ? 8 : dlc);
    m.time = time;
    F().channels.at(static_cast<size_t>(channel)).rx.push_back(m);
}

FAKE_EXPORT int fake_canlib_pending(int channel) {
    std::lock_guard<std::mutex> hold(F().lock);
    return static_cast<int>(F().channels.at(static_cast<size_t>(channel)).rx.size());
}

FAKE_EXPORT int fake_canlib_sent_count(int channel) {
    std::lock_guard<std::mutex> hold(F().lock);
    return static_cast<int>(F().channels.at(static_cast<size_t>(channel)).sent.size());
}

/* Frame index of those written on channel; 0 when it exists. */
FAKE_EXPORT int fake_canlib_sent(int channel, int index, uint32_t* id, uint8_t* extended,
                                 uint8_t* data, uint8_t* dlc) {
    std::lock_guard<std::mutex> hold(F().lock);
    const auto& sent = F().channels.at(static_cast<size_t>(channel)).sent;
    if (index < 0 || static_cast<size_t>(index) >= sent.size()) return -1;
    const fake::Frame& f = sent[static_cast<size_t>(index)];
    *id = f.id;
    *extended = f.extended;
    std::memcpy(data, f.data.data(), 8);
    *dlc = f.dlc;
    return 0;
}

/* canRead on channel makes up count frames (0x123, 8 bytes) before it
 * reads its queue: traffic without the cost of queuing it. */
FAKE_EXPORT void fake_canlib_generate(int channel, long count) {
    std::lock_guard<std::mutex> hold(F().lock);
    F().channels.at(static_cast<size_t>(channel)).generate = count;
}

/* Keep every written frame for fake_canlib_sent (default) or only count. */
FAKE_EXPORT void fake_canlib_keep_sent(int keep) {
    std::lock_guard<std::mutex> hold(F().lock);
    F().keepSent = keep != 0;
}

FAKE_EXPORT void fake_canlib_rio_reply(const uint8_t* data) {
    std::lock_guard<std::mutex> hold(F().lock);
    F().rio.AddReply(data);
}

FAKE_EXPORT int fake_canlib_rio_commands(int type) {
    std::lock_guard<std::mutex> hold(F().lock);
    return F().rio.Commands(type);
}

FAKE_EXPORT int fake_canlib_open_handles(void) {
    std::lock_guard<std::mutex> hold(F().lock);
    return static_cast<int>(F().handles.size());
}

/* Receive time (ms) given to frames the bus delivers from now on. */
FAKE_EXPORT void fake_canlib_set_time(unsigned long ms) {
    std::lock_guard<std::mutex> hold(F().lock);
    F().timeMs = ms;
}
