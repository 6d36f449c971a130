#pragma once
// The application's side of the device framework: the hooks the framework
// calls, and what the host learns of the application.
//
// An application defines app_init and at least one page (device/screen/
// screen.h); every other hook has a default in the framework that does
// nothing, so it defines only the ones it needs. A program without app_init
// does not link ("undefined reference to `app_init()'").
//
// Threads: the tick hooks run on the tick, which preempts the main loop at
// any point (on the unit it is an interrupt); the main loop hooks, the page
// handlers and the key handlers run on the main loop. State that both sides
// touch goes in SharedVar (device/services/shared_var.h). No hook may block,
// allocate or reach the host; drawing belongs to the main loop.
#include <cstdint>

#include "device/screen/screen.h"

struct FontEntry;

/* Once, as the last step of sys_init, before the tick and the main loop
 * run: load parameters, open CAN ports, request the first page. Required. */
void app_init(void);

/* Tick hooks. app_task_10ms runs first in every tick (before the key scan);
 * the others run every 5, 10, 50 and 100 ticks, each on the very first tick
 * too. app_blink_hook runs on the 61st run of the 1 s task, then on every
 * 61st. */
void app_task_10ms(void);
void app_task_50ms(void);
void app_task_100ms(void);
void app_task_500ms(void);
void app_task_1s(void);
void app_blink_hook(void);

/* Once per main loop iteration, after the frame was presented and before
 * the CAN receive and transmit passes. */
void app_main_hook(void);

/* Every frame received on port 0 (CAN1) or 1 (CAN2), in the main loop's
 * receive pass, in the order received, after the framework has taken what
 * it needs (remote I/O replies, the traffic log): its identifier (11 or 29
 * bits, extended 1 for 29), dlc data bytes (at most 8). */
void app_can_receive(int port, uint32_t id, uint8_t extended, uint8_t dlc, const uint8_t* data);

/* Restore the application's own state to its power-up values. Called by
 * device_memory_reset (never while a device thread runs), so that a test
 * or a restart begins from the device and its application as at power-up. */
void app_reset(void);

/* A page's name in the host's traces (--trace-keys). */
struct AppPageName {
    page_fn_t enter;  // the page's enter function
    const char* name; // one word, no spaces
};

/* What the host shows of the application. Constant for the whole run; the
 * host reads it from any thread. */
struct AppInfo {
    const char* window_title; // title of the window; null: "PC Simulator"
    const AppPageName* pages; // names of the pages; null: none named
    uint32_t page_count;      // entries of pages
};
/* The default names no page and keeps the window's own title. */
const AppInfo* app_info(void);

/* The font registry that start-up hands to text_init (font index order) and
 * its length in *count. The default is the framework's three standard
 * fonts; an application built with its own FONTS gets a generated one. */
const FontEntry* app_font_registry(uint32_t* count);
