#include "device/can/can_library.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "device/device_memory.h"
#include "device/services/host_services.h"
#include "device/services/time_base.h"

static CanLibraryState& ls() {
    return device_memory.can.library;
}

void can_set_library_dir(const char* dir) {
    ls().dir[0] = '\0';
    if (!dir || std::strlen(dir) >= sizeof ls().dir) return;
    std::strcpy(ls().dir, dir);
}

void* can_library_open(const char* name) {
    if (ls().dir[0] != '\0') {
        char path[CAN_LIBRARY_DIR_MAX + 64];
        const int n = std::snprintf(path, sizeof path, "%s/%s", ls().dir, name);
        if (n > 0 && static_cast<size_t>(n) < sizeof path) {
            if (void* library = svc_library_open(path)) return library;
        }
    }
    return svc_library_open(name);
}

int can_bind_attempt_due(const CanBindPacing* pacing, int forced) {
    if (forced || !pacing->failed) return 1;
    return sys_time_ms() - pacing->failed_at_ms >= CAN_BIND_RETRY_MS;
}

void can_bind_attempt_done(CanBindPacing* pacing, int bound) {
    pacing->failed = bound ? 0 : 1;
    pacing->failed_at_ms = sys_time_ms();
}

int can_library_bind(const CanLibraryBinding* binding, int forced) {
    if (*binding->bound) return 1;
    if (!can_bind_attempt_due(binding->pacing, forced)) return 0;
    binding->reset();
    void* library = can_library_open(binding->file_name);
    *binding->library = library;
    if (library) {
        bool complete = true;
        char* api = static_cast<char*>(binding->api);
        for (size_t i = 0; i < binding->entry_count; ++i) {
            const CanEntryPoint& e = binding->entry_points[i];
            void* fn = svc_library_symbol(library, e.name);
            if (!fn && e.required) complete = false;
            std::memcpy(api + e.offset, &fn, sizeof fn);
        }
        if (complete) {
            binding->start();
            *binding->bound = 1;
        } else {
            can_library_unbind(binding);
        }
    }
    can_bind_attempt_done(binding->pacing, *binding->bound);
    return *binding->bound;
}

void can_library_unbind(const CanLibraryBinding* binding) {
    svc_library_close(*binding->library);
    *binding->library = nullptr;
    std::memset(binding->api, 0, binding->api_size);
    *binding->bound = 0;
}

void can_report(const char* fmt, ...) {
    char text[254];
    va_list args;
    va_start(args, fmt);
    const int n = std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    // A long serial string is cut, but the report stays one line.
    if (n < 0) return;
    if (static_cast<size_t>(n) >= sizeof text) text[sizeof text - 2] = '\n';
    svc_debug_print("%s", text);
}

int can_report_failed_map(const char* backend, const char* target, int port) {
    can_report("%s: Failed to map CAN port %d to %s\n", backend, port + 1, target);
    return -1;
}
