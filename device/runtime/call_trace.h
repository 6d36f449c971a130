#pragma once
// A record of the calls that start-up and the main loop make, in order, so
// that a test can check the order of the real steps without replacing any
// of them. Off unless a test switches it on; then each traced call site
// notes the function it is about to call (by address) before calling it.
//
//   TRACE_CALL(key_dispatch);            // key_dispatch()
//   TRACE_CALL(backlight_output, duty);  // backlight_output(duty)
//   TRACE_CALL(request);                 // a call through a pointer
#include <cstdint>

#include "device/services/shared_var.h"

typedef void (*call_trace_fn_t)(void); // any function, as an address to compare

constexpr int CALL_TRACE_CAPACITY = 64;

struct CallTrace {
    SharedVar<uint8_t> enabled = 0;                  // 1 while recording
    uint16_t count = 0;                              // calls noted (at most the capacity)
    call_trace_fn_t calls[CALL_TRACE_CAPACITY] = {}; // the functions called, in order
};

/* Forget what was noted and start noting. */
void call_trace_start(void);
void call_trace_stop(void);
/* Note fn if recording; calls beyond the capacity are dropped. */
void call_trace_note_address(call_trace_fn_t fn);

template <typename R, typename... P> inline void call_trace_note(R (*fn)(P...)) {
    call_trace_note_address(reinterpret_cast<call_trace_fn_t>(fn));
}

#define TRACE_CALL(fn, ...) (call_trace_note(fn), (fn)(__VA_ARGS__))
