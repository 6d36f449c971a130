#include "device/can/can_rx_fifo.h"

#include <atomic>

#include "device/can/can_log.h"
#include "device/device_memory.h"
#include "device/runtime/app_hooks.h"

static CanRxState& rx() {
    return device_memory.can.rx;
}

namespace {

template <typename T> T load(T& v) {
    return std::atomic_ref<T>(v).load(std::memory_order_acquire);
}
template <typename T> void store(T& v, T value) {
    std::atomic_ref<T>(v).store(value, std::memory_order_release);
}

int depth_of(int fifo) {
    return fifo == CAN_FIFO_MAILBOX_700 ? 1 : CAN_FIFO_DEPTH;
}

bool valid(int fifo) {
    return fifo >= 0 && fifo < CAN_FIFO_COUNT;
}

} // namespace

void rx_fifo_push(CanRxFifo* f, int depth, uint32_t id, uint8_t len, const uint8_t* data) {
    const uint32_t seq = f->seq;
    f->seq = seq + 1;

    const uint8_t w = f->write;
    uint8_t r = f->read;
    const uint16_t a = f->age;
    CanRxSlot& s = f->slot[w];
    if (len > 8) len = 8;
    for (int i = 0; i < len; ++i)
        store(s.data[i], data[i]);
    store(s.len, len);
    store(s.id, id);
    if (w == r && a == 0) {
        r = static_cast<uint8_t>((r + 1) % depth); // the oldest unread entry was overwritten
    } else if (w == (r + 1) % depth && a != 0) {
        r = static_cast<uint8_t>((r + 1) %
                                 depth); // the reader had read everything: this one is next
    }
    // Release stores (and acquire loads in the reader) keep these inside
    // the sequence counter's bracket, as the slot accesses are.
    f->read.store_release(r);
    f->write.store_release(static_cast<uint8_t>((w + 1) % depth));
    f->age.store_release(0);

    f->seq.store_release(seq + 2);
}

uint8_t rx_fifo_read(CanRxFifo* f, int depth, uint16_t* age, uint32_t* id, uint8_t* data,
                     uint8_t max) {
    const uint32_t seq = f->seq.load_acquire();
    if (seq & 1) return 0;
    const uint8_t r = f->read.load_acquire();
    const uint8_t w = f->write.load_acquire();
    const uint16_t a = f->age.load_acquire();
    CanRxSlot& s = f->slot[r];
    const uint32_t slot_id = load(s.id);
    uint8_t n = load(s.len);
    if (n > 8) n = 8;
    if (max < n) n = max;
    uint8_t copy[8];
    for (int i = 0; i < n; ++i)
        copy[i] = load(s.data[i]);
    if (f->seq.load() != seq) return 0; // a push came in between: nothing taken

    if (age) *age = a;
    if (id) *id = slot_id;
    if (data) {
        for (int i = 0; i < n; ++i)
            data[i] = copy[i];
    }
    if ((r + 1) % depth != w && a == 0) {
        f->read = static_cast<uint8_t>((r + 1) % depth);
    } else if (a != CAN_FIFO_AGE_NONE) {
        // A push since the check set the age to 0; the new entry stays unread.
        uint16_t expected = a;
        f->age.compare_exchange(expected, static_cast<uint16_t>(a + 1));
    }
    return n;
}

void can_fifo_push(int fifo, uint32_t id, uint8_t len, const uint8_t* data) {
    if (!valid(fifo)) return;
    if (fifo == CAN_FIFO_MAILBOX_700 && len != 8) return;
    rx_fifo_push(&rx().fifo[fifo], depth_of(fifo), id, len, data);
    if (fifo != CAN_FIFO_MAILBOX_700) can_log_frame(fifo);
}

uint8_t can_fifo_read(int fifo, uint16_t* age, uint32_t* id, uint8_t* extended, uint8_t* data,
                      uint8_t max) {
    if (!valid(fifo)) return 0;
    if (extended) *extended = (fifo == CAN_FIFO_PORT0_EXT || fifo == CAN_FIFO_PORT1_EXT) ? 1 : 0;
    return rx_fifo_read(&rx().fifo[fifo], depth_of(fifo), age, id, data, max);
}

void can_app_rx_reset(int port) {
    static const int kPort0[] = {CAN_FIFO_PORT0_STD, CAN_FIFO_PORT0_EXT, CAN_FIFO_MAILBOX_700};
    static const int kPort1[] = {CAN_FIFO_PORT1_STD, CAN_FIFO_PORT1_EXT};
    if (port == 0) {
        for (int f : kPort0)
            rx().fifo[f] = CanRxFifo{};
    } else if (port == 1) {
        for (int f : kPort1)
            rx().fifo[f] = CanRxFifo{};
    }
}

int can_mailbox_700_read(uint8_t data[8]) {
    return can_fifo_read(CAN_FIFO_MAILBOX_700, nullptr, nullptr, nullptr, data, 8);
}

// Each handler fills the buffers (which feed the traffic log) and then
// hands the frame to the application's own receive hook, with no more
// than the eight bytes a frame has.
static uint8_t data_len(uint8_t dlc) { return dlc > 8 ? 8 : dlc; }

void app_can0_std_rx(uint32_t id, uint8_t dlc, const uint8_t* data) {
    can_fifo_push(CAN_FIFO_PORT0_STD, id, dlc, data);
    if ((id & 0x7FF) == CAN_MAILBOX_ID) can_fifo_push(CAN_FIFO_MAILBOX_700, id, dlc, data);
    app_can_receive(0, id, 0, data_len(dlc), data);
}

void app_can0_ext_rx(uint32_t id, uint8_t dlc, const uint8_t* data) {
    can_fifo_push(CAN_FIFO_PORT0_EXT, id, dlc, data);
    app_can_receive(0, id, 1, data_len(dlc), data);
}

void app_can1_std_rx(uint32_t id, uint8_t dlc, const uint8_t* data) {
    can_fifo_push(CAN_FIFO_PORT1_STD, id, dlc, data);
    app_can_receive(1, id, 0, data_len(dlc), data);
}

void app_can1_ext_rx(uint32_t id, uint8_t dlc, const uint8_t* data) {
    can_fifo_push(CAN_FIFO_PORT1_EXT, id, dlc, data);
    app_can_receive(1, id, 1, data_len(dlc), data);
}
