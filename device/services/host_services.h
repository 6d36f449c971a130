#pragma once
// The device's only door to the host: millisecond tick source, sleep, debug
// output and run-time library loading. Device code never reads a clock or
// prints by any other route, so a test or a headless run can replace the
// clock with a virtual one and capture the debug output.
#include <cstdint>

/* Host millisecond tick count (the desktop stand-in for the system tick).
 * Monotonic clock by default; a virtual clock after svc_clock_use_virtual. */
uint32_t svc_tick_ms(void);

/* Switch to a virtual clock that reads start_ms until advanced. Deterministic
 * runs (tests, headless mode) use it. */
void svc_clock_use_virtual(uint32_t start_ms);
/* Back to the monotonic clock. */
void svc_clock_use_monotonic(void);
/* Advance (virtual clock) by ms; no effect on the monotonic clock. */
void svc_clock_advance(uint32_t ms);
/* Set the virtual clock to an absolute value. */
void svc_clock_set(uint32_t now_ms);
/* Move the virtual clock forward to now_ms; a clock already past it (a
 * device sleep advanced it) keeps its value, so it never goes back. The
 * drivers of virtual time (headless runs, tests) step the clock with this. */
void svc_clock_advance_to(uint32_t now_ms);
int svc_clock_is_virtual(void);

/* Sleep ms milliseconds. With the virtual clock nothing waits: the clock
 * is advanced by ms instead, so that a device loop that sleeps until the
 * clock moves (the CANdo transmit pacing) ends in virtual time as well.
 * The driver of the virtual clock then holds it (svc_clock_advance_to)
 * until its own schedule has caught up: time runs ahead for a moment but
 * never backwards. */
void svc_sleep_ms(uint32_t ms);

/* Debug output, one formatted line at a time (stderr by default). */
void svc_debug_print(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
typedef void (*svc_debug_sink_t)(const char* text);
/* Redirect debug output (tests capture it); NULL restores stderr. */
void svc_debug_set_sink(svc_debug_sink_t sink);

/* Run-time library loading (dlopen family). Each returns NULL on failure. */
void* svc_library_open(const char* name);
void* svc_library_symbol(void* library, const char* name);
void svc_library_close(void* library);
