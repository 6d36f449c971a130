#pragma once
// Board output hardware and start-up stubs. On the desktop they drive
// nothing; the last values are kept so that tests and diagnostics can see
// what the device asked for.
#include <cstdint>

#include "device/services/shared_var.h"

struct BoardState {
    SharedVar<uint32_t> backlight;     // last backlight duty given (1-255)
    SharedVar<uint32_t> sound;         // last sound frequency given (0 = silent)
    SharedVar<uint32_t> startup_calls; // board start-up stubs run so far
};

void sound_output(uint32_t frequency);
void backlight_output(uint32_t duty);
void board_power_init(void);
void board_clock_init(void);
void board_gpio_init(void);
void board_adc_init(void);
void board_watchdog_init(void);

/* Non-finite constants of the generated application model. */
struct NonFinite {
    double nan;
    double inf;
    double minus_inf;
    float nan_f;
    float inf_f;
    float minus_inf_f;
};
void model_init_nonfinite(void);
