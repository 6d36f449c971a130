#include "device/services/host_services.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <dlfcn.h>

namespace {
// Host-side state, not device state: it survives device_memory_reset so that
// a test picks its clock once and the device restarts on it.
std::atomic<int> g_virtual{0};
std::atomic<uint32_t> g_virtual_now{0};
std::atomic<svc_debug_sink_t> g_sink{nullptr};

uint32_t monotonic_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}
} // namespace

uint32_t svc_tick_ms(void) {
    if (g_virtual.load(std::memory_order_acquire)) return g_virtual_now.load(std::memory_order_acquire);
    return monotonic_ms();
}

void svc_clock_use_virtual(uint32_t start_ms) {
    g_virtual_now.store(start_ms, std::memory_order_release);
    g_virtual.store(1, std::memory_order_release);
}

void svc_clock_use_monotonic(void) { g_virtual.store(0, std::memory_order_release); }

void svc_clock_advance(uint32_t ms) { g_virtual_now.fetch_add(ms, std::memory_order_acq_rel); }

void svc_clock_set(uint32_t now_ms) { g_virtual_now.store(now_ms, std::memory_order_release); }

void svc_clock_advance_to(uint32_t now_ms) {
    uint32_t seen = g_virtual_now.load(std::memory_order_acquire);
    // Modular comparison, so that the 32-bit clock may wrap.
    while (static_cast<int32_t>(now_ms - seen) > 0 &&
           !g_virtual_now.compare_exchange_weak(seen, now_ms, std::memory_order_acq_rel)) {
    }
}

int svc_clock_is_virtual(void) { return g_virtual.load(std::memory_order_acquire); }

void svc_sleep_ms(uint32_t ms) {
    if (svc_clock_is_virtual()) {
        svc_clock_advance(ms);
        return;
    }
    timespec ts{static_cast<time_t>(ms / 1000u), static_cast<long>(ms % 1000u) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

void svc_debug_print(const char* fmt, ...) {
    char text[512];
    va_list args;
    va_start(args, fmt);
    vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    svc_debug_sink_t sink = g_sink.load(std::memory_order_acquire);
    if (sink) {
        sink(text);
    } else {
        fputs(text, stderr);
    }
}

void svc_debug_set_sink(svc_debug_sink_t sink) { g_sink.store(sink, std::memory_order_release); }

void* svc_library_open(const char* name) { return name ? dlopen(name, RTLD_NOW | RTLD_LOCAL) : nullptr; }

void* svc_library_symbol(void* library, const char* name) {
    return (library && name) ? dlsym(library, name) : nullptr;
}

void svc_library_close(void* library) {
    if (library) dlclose(library);
}
