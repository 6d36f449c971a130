#include "device/services/io_channels.h"

#include <cstring>

#include "device/device_memory.h"

static IoChannels& io() { return device_memory.io; }

static bool in_range(int channel, int count) { return channel >= 1 && channel <= count; }

void io_reset(void) {
    std::memset(&io(), 0, sizeof(IoChannels));
    io().output_frequency = IO_DEFAULT_FREQUENCY;
}

int io_ready(void) { return 1; }

static int io_set_output(int channel, int32_t state, int32_t mode) {
    if (!in_range(channel, IO_OUTPUTS)) return 0;
    io().output_state[channel - 1] = state;
    io().output_mode[channel - 1] = mode;
    return 1;
}

int io_output_on(int channel) { return io_set_output(channel, 1, 0); }
int io_output_off(int channel) { return io_set_output(channel, 0, 0); }
int io_output_alt(int channel) { return io_set_output(channel, 0, 1); }

int io_set_analog_output(int channel, float value) {
    if (!in_range(channel, IO_OUTPUTS)) return 0;
    io().analog_output[channel - 1] = value;
    return 1;
}

float io_get_analog_input(int channel) {
    if (!in_range(channel, IO_OUTPUTS)) return -1.0f;
    return io().analog_input[channel - 1];
}

float io_get_supply(void) { return io().supply; }
float io_get_reading_a(void) { return io().reading_a; }
float io_get_reading_b(void) { return io().reading_b; }

int io_set_output_value(int channel, int32_t value) {
    if (!in_range(channel, IO_VALUE_OUTPUTS)) return 0;
    io().output_value[channel - 1] = value;
    return 1;
}

int io_set_output_duty(int channel, uint8_t value) {
    if (!in_range(channel, IO_VALUE_OUTPUTS)) return 0;
    io().output_duty[channel - 1] = value;
    return 1;
}

void io_set_output_frequency(uint8_t value) { io().output_frequency = value > 2 ? value : 3; }

int io_get_input(int channel, int32_t* result) {
    if (!in_range(channel, IO_INPUTS)) return 0;
    uint16_t half = static_cast<uint16_t>(io().input_threshold >> 1);
    if (result) *result = io().input_level[channel - 1] > half ? 1 : 0;
    return 1;
}

int io_get_counter(int channel, int32_t* value, int16_t* aux) {
    if (!in_range(channel, IO_COUNTERS)) return 0;
    if (value) *value = io().counter_value[channel - 1];
    if (aux) *aux = io().counter_aux[channel - 1];
    return 1;
}

void io_raw_set_supply(float value) { io().supply = value; }
void io_raw_set_reading_a(float value) { io().reading_a = value; }
void io_raw_set_reading_b(float value) { io().reading_b = value; }
void io_raw_set_analog_input(int channel, float value) { io().analog_input[channel - 1] = value; }
void io_raw_set_input_level(int channel, uint16_t level) { io().input_level[channel - 1] = level; }
void io_raw_set_input_threshold(uint16_t threshold) { io().input_threshold = threshold; }
void io_raw_set_counter(int channel, int32_t value, int16_t aux) {
    io().counter_value[channel - 1] = value;
    io().counter_aux[channel - 1] = aux;
}
