#pragma once
// Millisecond time base counted from its first use, with derived uptime
// functions. "Now" is the host tick (svc_tick_ms); all arithmetic is unsigned
// 32-bit and wraps after 2^32 ms, which sys_uptime_track counts.
#include <cstdint>

#include "device/services/shared_var.h"

struct TimeBase {
    uint32_t origin = 0;                 // host tick latched at first use; 0 = not latched yet
    uint32_t start_stamp = 0;            // sys_time_ms at the end of sys_init
    SharedVar<uint32_t> last_uptime = 0; // last value seen by sys_uptime_track
    SharedVar<uint32_t> uptime_wraps = 0; // times the uptime was seen to go backwards
};

void sys_time_start(void);
uint32_t sys_time_ms(void);
uint32_t sys_time_s(void);
uint64_t sys_time_us(void);
uint32_t sys_uptime_ms(void);
/* Milliseconds since *last (wrap-aware), then *last := uptime. NULL: 0. */
uint32_t sys_elapsed_ms(uint32_t* last);
uint32_t sys_uptime_track(void);
float sys_uptime_s(void);
