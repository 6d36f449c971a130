#include "host/can/CanTap.h"

#include <cstring>
#include <ctime>
#include <thread>

#include "device/can/can_adapter.h"
#include "device/services/host_services.h"

namespace pcsim {

namespace {

// The trace file's ring holds a few seconds of a full bus in the window,
// where its writer wakes every few tens of milliseconds; the view's ring a
// second or so.
constexpr uint32_t kTraceRingFrames = 1u << 16;
constexpr uint32_t kViewRingFrames = 1u << 14;

struct Tap {
    CanTapRing traceFile{kTraceRingFrames};
    CanTapRing trafficView{kViewRingFrames};
    std::atomic<bool> virtualClock{false};
    std::atomic<uint64_t> startUs{0};
    std::atomic<uint64_t> seen[2][2] = {}; // [port][sent]
};

Tap& TheTap() {
    static Tap tap;
    return tap;
}

uint64_t NowUs(const Tap& tap) {
    if (tap.virtualClock.load(std::memory_order_relaxed)) return static_cast<uint64_t>(svc_tick_ms()) * 1000u;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

void Record(int port, int sent, const CanMessage* m) {
    Tap& tap = TheTap();
    if (port < 0 || port > 1) return;
    tap.seen[port][sent].fetch_add(1, std::memory_order_relaxed);
    const bool toFile = tap.traceFile.Enabled();
    const bool toView = tap.trafficView.Enabled();
    if (!toFile && !toView) return;
    TapFrame f{};
    f.timeUs = NowUs(tap);
    f.id = m->id;
    f.port = static_cast<uint8_t>(port);
    f.sent = static_cast<uint8_t>(sent);
    f.extended = m->extended ? 1 : 0;
    f.remote = m->remote ? 1 : 0;
    f.dlc = m->dlc > 8 ? 8 : m->dlc;
    if (!f.remote) std::memcpy(f.data, m->data, f.dlc);
    if (toFile) tap.traceFile.Put(f);
    if (toView) tap.trafficView.Put(f);
}

} // namespace

CanTapRing::CanTapRing(uint32_t capacity) : slots_(new TapFrame[capacity]), mask_(capacity - 1) {}

bool CanTapRing::TryPut(const TapFrame& frame) {
    const uint64_t head = head_.load(std::memory_order_relaxed);
    if (head - tail_.load(std::memory_order_acquire) > mask_) return false;
    slots_[head & mask_] = frame;
    head_.store(head + 1, std::memory_order_release);
    return true;
}

/* The producer marks itself inside Put before it looks at the enabled
 * flag, and SetEnabled(false) clears the flag before it looks at the mark
 * (both sequentially consistent): either the producer sees the ring
 * disabled, or the reader waits until the frame is in. */
bool CanTapRing::Put(const TapFrame& frame) {
    putting_.store(true, std::memory_order_seq_cst);
    bool put = false;
    if (enabled_.load(std::memory_order_seq_cst)) {
        put = TryPut(frame);
        if (!put && lossless_.load(std::memory_order_relaxed)) {
            // Only a headless run asks for this: its time is virtual, so
            // waiting for the reader costs the device nothing.
            while (!put && Enabled()) {
                std::this_thread::yield();
                put = TryPut(frame);
            }
        }
        if (!put) dropped_.fetch_add(1, std::memory_order_relaxed);
    }
    putting_.store(false, std::memory_order_release);
    return put;
}

void CanTapRing::SetEnabled(bool enabled) {
    enabled_.store(enabled, std::memory_order_seq_cst);
    if (enabled) return;
    // A Put under way takes a few instructions, or ends its wait for room
    // as soon as it sees the flag.
    while (putting_.load(std::memory_order_seq_cst))
        std::this_thread::yield();
}

uint32_t CanTapRing::Take(TapFrame* out, uint32_t max) {
    const uint64_t tail = tail_.load(std::memory_order_relaxed);
    const uint64_t head = head_.load(std::memory_order_acquire);
    uint32_t n = 0;
    while (n < max && tail + n != head) {
        out[n] = slots_[(tail + n) & mask_];
        ++n;
    }
    tail_.store(tail + n, std::memory_order_release);
    return n;
}

void CanTapRing::DiscardWaiting() {
    tail_.store(head_.load(std::memory_order_acquire), std::memory_order_release);
}

void CanTapOnReceive(int port, CanMessage* message) {
    Record(port, 0, message);
}

void CanTapOnTransmit(int port, const CanMessage* message) {
    Record(port, 1, message);
}

void CanTapInstall() {
    Tap& tap = TheTap();
    tap.virtualClock.store(svc_clock_is_virtual() != 0, std::memory_order_relaxed);
    tap.startUs.store(NowUs(tap), std::memory_order_relaxed);
    for (int port = 0; port < CAN_PORT_COUNT; ++port) {
        for (auto& count : tap.seen[port]) count.store(0, std::memory_order_relaxed);
        can_set_rx_hook(port, CanTapOnReceive);
        can_set_tx_hook(port, CanTapOnTransmit);
    }
}

CanTapRing& CanTapRingOf(TapReader reader) {
    return reader == TapReader::TraceFile ? TheTap().traceFile : TheTap().trafficView;
}

uint64_t CanTapStartUs() {
    return TheTap().startUs.load(std::memory_order_relaxed);
}

uint64_t CanTapSeen(int port, int sent) {
    return TheTap().seen[port][sent].load(std::memory_order_relaxed);
}

} // namespace pcsim
