#include "device/can/can_queue.h"

#include <atomic>
#include <cstring>

#include "device/can/can_rx_fifo.h"
#include "device/can/remote_io.h"
#include "device/device_memory.h"

static CanQueueState& qs() {
    return device_memory.can.queue;
}

namespace {

uint16_t step(uint16_t at) {
    return at + 1 == CAN_RING_SLOTS ? 0 : at + 1;
}

bool valid(int port) {
    return port >= 0 && port < CAN_PORT_COUNT;
}

/* Slot copies of the transmit rings, word and byte atomics so that a copy
 * that races with a replacement is detected by the sequence counter
 * instead of being undefined. The release stores keep the counter's odd
 * value ahead of the new bytes, and the acquire loads keep the counter's
 * second reading behind the bytes read: the sequence lock needs no
 * fences. */
void frame_store(CanFrame* slot, const CanFrame& f) {
    std::atomic_ref<uint32_t>(slot->id_word).store(f.id_word, std::memory_order_release);
    std::atomic_ref<uint8_t>(slot->control).store(f.control, std::memory_order_release);
    for (int i = 0; i < 8; ++i)
        std::atomic_ref<uint8_t>(slot->data[i]).store(f.data[i], std::memory_order_release);
}

void frame_load(CanFrame* slot, CanFrame* f) {
    f->id_word = std::atomic_ref<uint32_t>(slot->id_word).load(std::memory_order_acquire);
    f->control = std::atomic_ref<uint8_t>(slot->control).load(std::memory_order_acquire);
    for (int i = 0; i < 8; ++i)
        f->data[i] = std::atomic_ref<uint8_t>(slot->data[i]).load(std::memory_order_acquire);
}

void reset_ring(CanRing& ring) {
    ring.write = 0;
    ring.read = 0;
}

void drain_adapter(int port) {
    CanRing& ring = qs().rx[port];
    for (;;) {
        const uint16_t next = step(ring.write);
        if (next == ring.read) return; // full: the rest stays in the adapter
        // A fresh message each time: an adapter writes only the data bytes
        // within the dlc, and nothing of the previous frame may show.
        CanMessage m{};
        if (can_receive(port, &m) == -1) return;
        CanFrame& f = ring.slot[next];
        f.id_word = m.id * 8u;
        f.control = static_cast<uint8_t>(m.dlc << 4 | (m.extended ? CAN_CONTROL_EXTENDED : 0));
        std::memcpy(f.data, m.data, sizeof f.data);
        ring.write = next;
    }
}

void dispatch(int port) {
    CanRing& ring = qs().rx[port];
    while (ring.read != ring.write) {
        const uint16_t at = step(ring.read);
        ring.read = at;
        CanFrame* f = &ring.slot[at];
        const uint8_t dlc = f->control >> 4;
        if (f->control & CAN_CONTROL_EXTENDED) {
            if (port == 0)
                app_can0_ext_rx(f->id_word >> 3, dlc, f->data);
            else
                app_can1_ext_rx(f->id_word >> 3, dlc, f->data);
            continue;
        }
        const uint32_t id = (f->id_word >> 3) & 0x7FF;
        if (port == 0) {
            if (id == CAN_REPLY_ID) rio_handle_reply(f);
            app_can0_std_rx(id, dlc, f->data);
        } else {
            app_can1_std_rx(id, dlc, f->data);
        }
    }
}

/* Send what the port's transmit ring holds. A frame that can_send is
 * rewriting right now stays for the next pass; the tick is never waited
 * for. */
void drain_ring(int port) {
    CanRing& ring = qs().tx[port];
    for (;;) {
        const uint16_t read = ring.read;
        if (read == ring.write.load_acquire()) return;
        const uint16_t at = step(read);
        const uint32_t seq = ring.replace_seq.load_acquire();
        if (seq & 1) return;
        CanFrame f;
        frame_load(&ring.slot[at], &f);
        if (ring.replace_seq.load() != seq) continue; // replaced while copied: copy again
        ring.read.store_release(at);

        CanMessage m{};
        m.id = f.id_word >> 3;
        m.extended = (f.control & CAN_CONTROL_EXTENDED) ? 1 : 0;
        m.dlc = f.control >> 4;
        std::memcpy(m.data, f.data, sizeof m.data);
        can_transmit(port, &m);
    }
}

} // namespace

int can_choose_adapter(int port, int32_t type, const char* selector) {
    if (!valid(port)) return -1;
    CanAdapterChoice& c = qs().choice[port];
    if (selector && std::strlen(selector) >= sizeof c.selector) return -1;
    c.chosen = 1;
    c.type = type;
    c.has_selector = selector ? 1 : 0;
    c.selector[0] = '\0';
    if (selector) std::strcpy(c.selector, selector);
    return 0;
}

void can_queues_init(void) {
    for (int port = 0; port < CAN_PORT_COUNT; ++port) {
        const CanAdapterChoice& c = qs().choice[port];
        if (c.chosen)
            can_set_adapter(port, c.type, c.has_selector ? c.selector : nullptr);
        else
            can_set_adapter(port, CAN_ADAPTER_KVASER, nullptr);
    }
    for (CanRing& ring : qs().rx)
        reset_ring(ring);
    for (CanRing& ring : qs().tx)
        reset_ring(ring);
    device_memory.sys.can_reset_request = 0;
}

int can_send(int port, uint32_t id, uint8_t extended, uint8_t dlc, const uint8_t* data) {
    if (!valid(port)) return 1;
    if (dlc > 8) dlc = 8;
    CanFrame f{};
    f.id_word = id * 8u;
    f.control = static_cast<uint8_t>((extended ? CAN_CONTROL_EXTENDED : 0) | dlc << 4 |
                                     CAN_CONTROL_TRANSMIT);
    if (data) std::memcpy(f.data, data, dlc);

    CanRing& ring = qs().tx[port];
    const uint16_t write = ring.write;
    const uint16_t next = step(write);
    if (next == ring.read.load_acquire()) {
        // Full: the newest queued frame is replaced where it stands.
        const uint32_t seq = ring.replace_seq;
        ring.replace_seq = seq + 1;
        frame_store(&ring.slot[write], f);
        ring.replace_seq.store_release(seq + 2);
    } else {
        frame_store(&ring.slot[next], f);
        ring.write.store_release(next); // only once the slot is complete
    }
    return 1;
}

void can_receive_pass(void) {
    for (int port = 0; port < CAN_PORT_COUNT; ++port)
        drain_adapter(port);
    for (int port = 0; port < CAN_PORT_COUNT; ++port)
        dispatch(port);
}

void can_transmit_pass(void) {
    for (int port = 0; port < CAN_PORT_COUNT; ++port)
        drain_ring(port);
}

int can_ring_count(const CanRing* ring) {
    const int n = ring->write - ring->read;
    return n < 0 ? n + CAN_RING_SLOTS : n;
}
