#pragma once
// A tap on both CAN ports: the device's receive and transmit hooks copy
// every frame, with its time, into the bounded rings of the host's readers
// (the --can-trace writer, the View > CAN Traffic window). The hooks run
// on the device's main loop thread and only count and copy: no lock, no
// allocation, no I/O. Each reader has its own single-producer,
// single-consumer ring and empties it on its own thread.
#include <atomic>
#include <cstdint>
#include <memory>

struct CanMessage;

namespace pcsim {

/* One frame seen by the tap. */
struct TapFrame {
    uint64_t timeUs;  // wall clock (µs since 1970), or the device's virtual clock in a headless run
    uint32_t id;      // 11 or 29 bits
    uint8_t port;     // 0 or 1
    uint8_t sent;     // 1: sent by the device, 0: received
    uint8_t extended; // 29-bit identifier
    uint8_t remote;   // remote-request frame
    uint8_t dlc;      // 0-8
    uint8_t data[8];  // bytes at and beyond dlc are zero
};

/* Fixed-size ring from the device's main loop (producer) to one reader. A
 * full ring refuses the frame and counts it as dropped; or, for a reader
 * that must see everything (a headless run's trace), the producer waits
 * until the reader has made room. */
class CanTapRing {
  public:
    explicit CanTapRing(uint32_t capacity); // a power of two
    CanTapRing(const CanTapRing&) = delete;
    CanTapRing& operator=(const CanTapRing&) = delete;

    /* Producer side: true when the frame went into the ring, false when
     * the ring is disabled (the frame belongs to no reader) or it was
     * dropped. */
    bool Put(const TapFrame& frame);
    /* Reader side: up to max frames into out; returns how many. */
    uint32_t Take(TapFrame* out, uint32_t max);
    /* Reader side: forget everything waiting (a reader that starts anew). */
    void DiscardWaiting();

    /* Whether the producer copies into this ring at all. Disabling returns
     * once a Put under way has ended: afterwards no frame enters the ring
     * until it is enabled again, so the reader's last Take sees them all. */
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_.load(std::memory_order_acquire); }
    /* Producer waits for room instead of dropping (see above). */
    void SetLossless(bool lossless) { lossless_.store(lossless, std::memory_order_relaxed); }
    uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }
    uint32_t Capacity() const { return mask_ + 1; }

  private:
    bool TryPut(const TapFrame& frame);

    std::unique_ptr<TapFrame[]> slots_;
    const uint32_t mask_;
    alignas(64) std::atomic<uint64_t> head_{0}; // frames put (producer)
    alignas(64) std::atomic<uint64_t> tail_{0}; // frames taken (reader)
    std::atomic<uint64_t> dropped_{0};
    std::atomic<bool> enabled_{false};
    std::atomic<bool> putting_{false}; // the producer is inside Put
    std::atomic<bool> lossless_{false};
};

enum class TapReader { TraceFile, TrafficView };

/* Install the hooks on both ports of a freshly reset device and start the
 * time base: wall clock, or the device clock when it is virtual. */
void CanTapInstall();
CanTapRing& CanTapRingOf(TapReader reader);
/* The tap's time of the install, in the frames' time base. */
uint64_t CanTapStartUs();
/* Frames seen since the install, per port and direction (sent = 1). */
uint64_t CanTapSeen(int port, int sent);

/* The hooks themselves, for the benchmark. */
void CanTapOnReceive(int port, CanMessage* message);
void CanTapOnTransmit(int port, const CanMessage* message);

} // namespace pcsim
