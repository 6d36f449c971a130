#pragma once
// Run-time loading of the vendor CAN libraries, shared by their back-ends:
// where a library is searched, how often a failed binding is retried, the
// binding sequence itself and the adapter mapping report.
#include <cstddef>
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

/* One entry point of a vendor library, resolved by name into the back-end's
 * struct of entry points. */
struct CanEntryPoint {
    const char* name; // symbol name in the library
    size_t offset;    // of the function pointer in the struct of entry points
    bool required;    // a library without it is refused
};
#define CAN_ENTRY_POINT(Api, name, required)                                                       \
    { #name, offsetof(Api, name), required }

/* How one vendor back-end binds its library and where it keeps the result.
 * One constant instance per back-end; the pointers lead into its state. */
struct CanLibraryBinding {
    const char* file_name;             // opened through can_library_open
    const CanEntryPoint* entry_points; // resolved in this order
    size_t entry_count;
    void* api;             // the back-end's struct of entry points, zero while unbound
    size_t api_size;       // bytes of that struct
    void** library;        // the back-end's library handle, NULL while unbound
    uint8_t* bound;        // the back-end's bound flag
    CanBindPacing* pacing; // the back-end's retry pacing
    void (*reset)(void);   // before each attempt: put the back-end's ports in their unbound state
    void (*start)(void);   // after every required entry point was found: the library's start-up
};

/* Bind the library unless bound; 1 when bound, else 0. An attempt runs when
 * can_bind_attempt_due allows it (forced: an explicit open): reset, open the
 * library, resolve every entry point (an optional one may stay NULL). With
 * all required ones found, start and set the bound flag; otherwise close
 * the library again and forget every entry point, so that nothing is left
 * for the next attempt to trip over. Either way the attempt is recorded. */
int can_library_bind(const CanLibraryBinding* binding, int forced);
/* Close a bound library: handle NULL, every entry point forgotten, bound
 * flag cleared. The retry pacing stays. */
void can_library_unbind(const CanLibraryBinding* binding);

/* Write one line of the adapter mapping report to the debug output: the
 * text formatted into a buffer of 254 characters, always ending in a line
 * feed. */
void can_report(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
/* The report of a failed open, "<backend>: Failed to map CAN port <port + 1>
 * to <target>", and the open's result -1. */
int can_report_failed_map(const char* backend, const char* target, int port);
