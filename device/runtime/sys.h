#pragma once
// Device framework control flow: start-up, the 10 ms tick with its periodic
// tasks, the main loop iteration, user events and the exit request.
#include <cstdint>

#include "device/services/shared_var.h"

typedef void (*sys_event_handler_t)(int event);

/* Display mode (0-3) and brightness (0-10). The key combination of keys 1-4
 * writes them on the main loop; the main loop applies them every iteration. */
struct DisplaySettings {
    SharedVar<uint8_t> mode;        // 0-3
    SharedVar<uint8_t> brightness;  // 0-10
    SharedVar<uint8_t> initialised; // 1 once defaults were set
};

struct SysState {
    // Scheduler dividers: a task runs when its divider is found at 0.
    uint8_t div_50ms = 0;  // 5-tick divider
    uint8_t div_100ms = 0; // 10-tick divider
    uint8_t div_500ms = 0; // 50-tick divider
    uint8_t div_1s = 0;    // 100-tick divider

    SharedVar<int32_t> exit_flag = 0;                       // set by sys_request_exit
    SharedVar<int32_t> exit_code = 0;                       // stored by sys_request_exit
    SharedVar<sys_event_handler_t> event_handler = nullptr; // called by sys_raise_event
    SharedVar<uint8_t> can_reset_request = 1;               // re-initialise the CAN queues
    SharedVar<uint8_t> blink_divider = 60; // seconds to the next app_blink_hook
    SharedVar<uint8_t> blink_phase = 0;    // toggled once a second

    DisplaySettings display;               // applied by the main loop
    SharedVar<uint32_t> tick_count = 0;    // ticks run since start-up (diagnostics)
    SharedVar<uint32_t> loop_count = 0;    // main loop iterations run (diagnostics)
};

void sys_init(void);
void sys_app_thread_start(void);
void sys_tick_isr(void);
void sys_main_loop_step(void);

void sys_task_50ms(void);
void sys_task_100ms(void);
void sys_task_500ms(void);
void sys_task_1s(void);

void sys_set_event_handler(sys_event_handler_t handler);
/* Calls the event handler with n for n = 0 or 1; anything else is ignored. */
void sys_raise_event(int n);
void sys_request_exit(int code);
int32_t sys_exit_requested(void);
int32_t sys_exit_code(void);
void sys_beep(uint32_t duration, uint32_t frequency);

DisplaySettings* sys_display_settings(void);
/* Backlight duty for a brightness: 1 for 0, 25 per step, 10 and above give 250. */
uint32_t sys_backlight_duty(uint8_t brightness);
