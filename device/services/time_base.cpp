#include "device/services/time_base.h"

#include "device/device_memory.h"
#include "device/services/host_services.h"

static TimeBase& tb() { return device_memory.time; }

/* Latch the origin on first use. sys_init does this before any device thread
 * exists, so afterwards the origin is only read. */
static uint32_t time_now_since_origin(void) {
    uint32_t now = svc_tick_ms();
    if (tb().origin == 0) tb().origin = now;
    return now - tb().origin;
}

void sys_time_start(void) {
    if (tb().origin == 0) tb().origin = svc_tick_ms();
}

uint32_t sys_time_ms(void) { return time_now_since_origin(); }

uint32_t sys_time_s(void) { return time_now_since_origin() / 1000u; }

uint64_t sys_time_us(void) { return static_cast<uint64_t>(time_now_since_origin()) * 1000u; }

uint32_t sys_uptime_ms(void) { return sys_time_ms() - tb().start_stamp; }

uint32_t sys_elapsed_ms(uint32_t* last) {
    if (!last) return 0;
    uint32_t t = sys_uptime_ms();
    uint32_t result = (t < *last) ? (0xFFFFFFFFu - *last) + t : t - *last;
    *last = t;
    return result;
}

uint32_t sys_uptime_track(void) {
    uint32_t t = sys_uptime_ms();
    if (t < tb().last_uptime) tb().uptime_wraps.fetch_add(1);
    tb().last_uptime = t;
    return t;
}

float sys_uptime_s(void) {
    sys_uptime_track();
    return static_cast<float>(tb().last_uptime.load() * 0.001) +
           static_cast<float>(tb().uptime_wraps.load() * 4294967.5);
}
