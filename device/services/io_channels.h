#pragma once
// The board's I/O channel table. Channel numbers are 1-based; the checked
// operations return 1 on success and 0 (table unchanged) when out of range.
#include <cstdint>

constexpr int IO_OUTPUTS = 7;
constexpr int IO_VALUE_OUTPUTS = 4;
constexpr int IO_INPUTS = 4;
constexpr int IO_COUNTERS = 3;
constexpr uint8_t IO_DEFAULT_FREQUENCY = 55;

struct IoChannels {
    float supply;                           // single analogue supply reading
    int32_t output_state[IO_OUTPUTS];       // switched outputs: 1 on, 0 off
    int32_t output_mode[IO_OUTPUTS];        // second flag of a switched output
    float analog_output[IO_OUTPUTS];        // requested analogue output values
    float analog_input[IO_OUTPUTS];         // analogue input readings
    int32_t output_value[IO_VALUE_OUTPUTS]; // integer output values
    uint16_t input_level[IO_INPUTS];        // raw levels of the threshold inputs
    uint16_t input_threshold;               // shared threshold of the threshold inputs
    uint8_t output_frequency;               // never below 3 when set through the interface
    uint8_t output_duty[IO_VALUE_OUTPUTS];  // one byte per output
    int32_t counter_value[IO_COUNTERS];     // counter inputs
    int16_t counter_aux[IO_COUNTERS];       // second value of each counter input
    float reading_a;                        // single analogue reading
    float reading_b;                        // single analogue reading
};

void io_reset(void);
int io_ready(void);
int io_output_on(int channel);
int io_output_off(int channel);
int io_output_alt(int channel);
int io_set_analog_output(int channel, float value);
float io_get_analog_input(int channel);
float io_get_supply(void);
float io_get_reading_a(void);
float io_get_reading_b(void);
int io_set_output_value(int channel, int32_t value);
int io_set_output_duty(int channel, uint8_t value);
void io_set_output_frequency(uint8_t value);
int io_get_input(int channel, int32_t* result);
int io_get_counter(int channel, int32_t* value, int16_t* aux);

/* Unchecked low-level setters of the board's input side. */
void io_raw_set_supply(float value);
void io_raw_set_reading_a(float value);
void io_raw_set_reading_b(float value);
void io_raw_set_analog_input(int channel, float value);
void io_raw_set_input_level(int channel, uint16_t level);
void io_raw_set_input_threshold(uint16_t threshold);
void io_raw_set_counter(int channel, int32_t value, int16_t aux);
