#pragma once
// Run-time loading of the vendor CAN libraries, shared by their back-ends:
// where a library is searched and how often a failed binding is retried.
#include <cstdint>

constexpr int CAN_LIBRARY_DIR_MAX = 512; // bytes of the library directory, NUL included
/* A failed binding is tried again after this much device clock. A search of
 * the loader path for a missing library costs about a millisecond, far too
 * much to repeat on every receive and transmit call. */
constexpr uint32_t CAN_BIND_RETRY_MS = 10000;

struct CanLibraryState {
    char dir[CAN_LIBRARY_DIR_MAX] = {}; // searched before the loader path; "" = loader path only
};

/* Directory searched for the vendor libraries before the loader path (the
 * host's --can-lib-dir); copied. NULL, "" or a path too long for the table
 * searches the loader path only. */
void can_set_library_dir(const char* dir);
/* Open library `name` from the library directory, else from the loader
 * path; NULL when neither has it. */
void* can_library_open(const char* name);

/* Retry pacing of one back-end's binding. */
struct CanBindPacing {
    uint8_t failed;        // the last binding attempt failed
    uint32_t failed_at_ms; // device clock of that attempt
};
/* 1 when a binding attempt may run now: always when forced (an explicit
 * open) or when nothing failed yet, else once CAN_BIND_RETRY_MS passed. */
int can_bind_attempt_due(const CanBindPacing* pacing, int forced);
/* Record the outcome of an attempt. */
void can_bind_attempt_done(CanBindPacing* pacing, int bound);

/* Write one line of the adapter mapping report to the debug output: the
 * text formatted into a buffer of 254 characters, always ending in a line
 * feed. */
void can_report(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
