#include "device/services/board.h"

#include <bit>
#include <limits>

#include "device/device_memory.h"

void sound_output(uint32_t frequency) { device_memory.board.sound = frequency; }
void backlight_output(uint32_t duty) { device_memory.board.backlight = duty; }

void board_power_init(void) { device_memory.board.startup_calls.fetch_add(1); }
void board_clock_init(void) { device_memory.board.startup_calls.fetch_add(1); }
void board_gpio_init(void) { device_memory.board.startup_calls.fetch_add(1); }
void board_adc_init(void) { device_memory.board.startup_calls.fetch_add(1); }
void board_watchdog_init(void) { device_memory.board.startup_calls.fetch_add(1); }

void model_init_nonfinite(void) {
    NonFinite& nf = device_memory.nonfinite;
    // The model's NaN is the negative quiet NaN, bit pattern 0xFFF8000000000000.
    nf.nan = std::bit_cast<double>(UINT64_C(0xFFF8000000000000));
    nf.nan_f = static_cast<float>(nf.nan);
    nf.inf = std::numeric_limits<double>::infinity();
    nf.inf_f = std::numeric_limits<float>::infinity();
    nf.minus_inf = -std::numeric_limits<double>::infinity();
    nf.minus_inf_f = -std::numeric_limits<float>::infinity();
}
