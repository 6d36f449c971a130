#include "device/can/remote_io.h"

#include <bit>
#include <cstring>

#include "device/device_memory.h"

static RioState& rio() {
    return device_memory.can.rio;
}

namespace {

int send_command(uint8_t type, uint8_t channel, uint8_t b2, uint8_t b3) {
    const uint8_t data[8] = {type, channel, b2, b3, 0, 0, 0, 0};
    return can_send(0, RIO_COMMAND_ID, 0, 8, data);
}

uint32_t reply_word(const CanFrame* f) {
    uint32_t v;
    std::memcpy(&v, f->data + 4, sizeof v); // copied unchanged, little-endian as on the bus
    return v;
}

float as_float(uint32_t bits) {
    return std::bit_cast<float>(bits);
}

} // namespace

int rio_request_all(void) {
    return send_command(0, 0, 0, 0);
}

int rio_switch_output(uint8_t type, uint8_t channel) {
    return send_command(type, channel, 0, 0);
}

int rio_set_analog_output(int channel, float value) {
    // Truncation toward zero, then the low 16 bits; out-of-range values
    // wrap as on the unit rather than being undefined here.
    const double scaled = static_cast<double>(value) * 1000.0;
    int64_t whole = 0;
    if (scaled == scaled && scaled > -9.2e18 && scaled < 9.2e18)
        whole = static_cast<int64_t>(scaled);
    const uint16_t v = static_cast<uint16_t>(whole);
    return send_command(4, static_cast<uint8_t>(channel), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(v));
}

int rio_set_output_duty(int channel, uint8_t value) {
    return send_command(9, static_cast<uint8_t>(channel), value, 0);
}

void rio_handle_reply(const CanFrame* f) {
    RioState& s = rio();
    const uint8_t type = f->data[0];
    const uint8_t channel = f->data[1];
    switch (type) {
    case RIO_REPLY_ANALOG:
        if (channel < RIO_ANALOG_CHANNELS) s.analog[channel] = reply_word(f);
        break;
    case RIO_REPLY_SUPPLY:
        s.supply = reply_word(f);
        break;
    case RIO_REPLY_READING_A:
        s.reading_a = reply_word(f);
        break;
    case RIO_REPLY_READING_B:
        s.reading_b = reply_word(f);
        break;
    case RIO_REPLY_INPUT:
        if (channel < RIO_INPUT_CHANNELS) s.input[channel] = reply_word(f);
        break;
    case RIO_REPLY_COUNTER:
        if (channel < RIO_COUNTER_CHANNELS) {
            const float value = f->data[4];
            const uint64_t flag = (f->data[6] != 0 || f->data[7] != 0) ? 1 : 0;
            s.counter[channel] = std::bit_cast<uint32_t>(value) | flag << 32;
        }
        break;
    case RIO_REPLY_READY:
        s.ready = f->data[2];
        break;
    default:
        break; // 0-4, 9 and 13-255 carry nothing to keep
    }
}

float rio_analog(int channel) {
    if (channel < 0 || channel >= RIO_ANALOG_CHANNELS) return 0.0f;
    return as_float(rio().analog[channel]);
}

float rio_supply(void) {
    return as_float(rio().supply);
}
float rio_reading_a(void) {
    return as_float(rio().reading_a);
}
float rio_reading_b(void) {
    return as_float(rio().reading_b);
}

int rio_input_state(int channel, uint32_t* state) {
    if (channel < 0 || channel >= RIO_INPUT_CHANNELS || !state) return 0;
    *state = rio().input[channel];
    return 1;
}

int rio_counter(int channel, uint32_t* value, uint16_t* flag) {
    if (channel < 0 || channel >= RIO_COUNTER_CHANNELS) return 0;
    const uint64_t word = rio().counter[channel];
    if (value) *value = static_cast<uint32_t>(as_float(static_cast<uint32_t>(word)));
    if (flag) *flag = static_cast<uint16_t>(word >> 32);
    return 1;
}

uint32_t rio_ready(void) {
    return rio().ready;
}

int can_periodic_tx_set(uint32_t id, uint8_t, uint8_t len, const uint8_t* data) {
    RioState& s = rio();
    const uint8_t n = len > 8 ? 8 : len;
    s.periodic_id = id;
    if (data) std::memcpy(s.periodic_data, data, n);
    return n;
}

void can_periodic_tx_step(void) {
    RioState& s = rio();
    s.periodic_pace += RIO_TICK_MS;
    if (s.periodic_pace < RIO_STATUS_PERIOD_MS) return;
    s.periodic_pace -= RIO_STATUS_PERIOD_MS;
    can_send(0, s.periodic_id, 0, 8, s.periodic_data);
}
