#include "device/runtime/call_trace.h"

#include "device/device_memory.h"

void call_trace_start(void) {
    CallTrace& t = device_memory.trace;
    t.count = 0;
    t.enabled = 1;
}

void call_trace_stop(void) {
    device_memory.trace.enabled = 0;
}

void call_trace_note_address(call_trace_fn_t fn) {
    CallTrace& t = device_memory.trace;
    if (!t.enabled || t.count >= CALL_TRACE_CAPACITY) return;
    t.calls[t.count++] = fn;
}
