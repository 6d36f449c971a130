#include "device/can/can_log.h"

#include "device/can/can_rx_fifo.h"
#include "device/device_memory.h"
#include "device/events/usbstick.h"
#include "device/services/time_base.h"
#include "device/storage/fs.h"
#include "device/storage/params.h"

static CanLogState& ls() {
    return device_memory.can_log;
}

/* The application clock: milliseconds since the application started. */
static uint32_t app_clock_ms(void) {
    return sys_uptime_ms();
}

/* Port of a stream: the two port 0 FIFOs log into CAN1, the others into CAN2. */
static int stream_port(int stream) {
    return (stream == CAN_FIFO_PORT0_STD || stream == CAN_FIFO_PORT0_EXT) ? 0 : 1;
}

/* Hand a finished file to the main loop for closing. The tick is the only
 * one to fill a slot and the main loop only empties slots it found filled,
 * so a slot seen empty here stays empty until this store. With every slot
 * taken (the main loop stalled through several recordings) the file stays
 * open, as the unit itself leaves every log file: its lines are flushed. */
static void retire(CanLogFile& f, FILE* file) {
    if (!file) return;
    for (SharedVar<FILE*>& slot : f.retired) {
        if (slot.load_acquire() == nullptr) {
            slot.store_release(file); // after the current slot was cleared
            return;
        }
    }
}

/* Make file the port's current file; the one it replaces is retired. */
static void install(CanLogFile& f, FILE* file) {
    FILE* old = f.file;
    f.file.store_release(file); // after its header: the writer never sees it half set up
    retire(f, old);
}

/* An existing file is continued at its end ("r+b"), anything else is
 * created ("wb"); NULL when neither works. */
static FILE* open_log(const char* name) {
    if (fs_file_exists(FS_ROOT_MEDIA, name)) {
        FILE* file = fs_open(FS_ROOT_MEDIA, name, "r+");
        if (file && fs_seek(file, 0, 2)) return file;
        fs_close(file); // opened but not continuable at its end: not used
        return nullptr;
    }
    return fs_open(FS_ROOT_MEDIA, name, "w");
}

/* Start check of one port's file with the step's presence p. */
static void start_check(int port, uint8_t p) {
    CanLogState& s = ls();
    CanLogFile& f = s.files[port];
    if (p && !f.prev_present_start) {
        // The number is used up whether or not the file opens; the next
        // commit step stores the changed record.
        const uint32_t number = params_next_log_number(port);
        char name[64];
        std::snprintf(name, sizeof name, port == 0 ? CAN_LOG_NAME_CAN1 : CAN_LOG_NAME_CAN2,
                      CAN_LOG_VERSION, static_cast<double>(number));
        FILE* file = open_log(name);
        if (file) {
            fs_write(file, CAN_LOG_HEADER, CAN_LOG_HEADER_BYTES);
            fs_flush(file);
        }
        install(f, file); // a file that did not open leaves the port without one
        if (file) s.logging_on.store_release(1);
    }
    f.prev_present_start = p;
}

/* Periodic flush of one port's file: every CAN_LOG_FLUSH_MS, and when the
 * clock went back. */
static void flush_check(CanLogFile& f) {
    const uint32_t t = app_clock_ms();
    if (ls().logging_on && (t - f.last_flush_ms > CAN_LOG_FLUSH_MS || t < f.prev_step_ms)) {
        fs_flush(f.file); // a port without a file: nothing
        f.last_flush_ms = app_clock_ms();
    }
    f.step_ms = t;
}

void can_log_step(void) {
    CanLogState& s = ls();
    // The presence is asked once per step, and the stop check and both start
    // checks use that answer: each query tests the stick's folder on the
    // host, and three tests microseconds apart could differ only if the
    // folder came or went in between.
    s.present = usbstick_present() ? 1 : 0;
    const uint8_t p = s.present;

    // Stop check: the stick went, logging goes off and the recording's files
    // go to the main loop to be closed.
    if (!p && s.prev_present_stop) {
        s.logging_on.store_release(0);
        for (CanLogFile& f : s.files)
            install(f, nullptr);
    }
    s.prev_present_stop = p;

    start_check(0, p);
    flush_check(s.files[0]);
    start_check(1, p);
    flush_check(s.files[1]);
}

void can_log_step_end(void) {
    for (CanLogFile& f : ls().files)
        f.prev_step_ms = f.step_ms;
}

void can_log_model_init(void) {
    CanLogState& s = ls();
    s.logging_on.store_release(0);
    s.prev_present_stop = 0;
    s.present = 0;
    for (CanLogFile& f : s.files) {
        install(f, nullptr);
        // Remembered as present: a stick that is in already when the
        // application starts is not recorded until it is inserted again.
        f.prev_present_start = 1;
        f.last_flush_ms = 0;
        f.prev_step_ms = 0;
        f.step_ms = 0;
    }
}

void can_log_frame(int stream) {
    uint32_t id = 0;
    uint8_t extended = 0;
    uint8_t data[8] = {};
    // The FIFO is consumed whether or not a recording runs.
    const uint8_t dlc = can_fifo_read(stream, nullptr, &id, &extended, data, 8);
    CanLogState& s = ls();
    if (!s.logging_on.load_acquire()) return;
    FILE* file = s.files[stream_port(stream)].file.load_acquire();
    if (!file) return;

    // Byte i as two upper-case hexadecimal digits below the dlc, else two spaces.
    static const char hex[] = "0123456789ABCDEF";
    char cells[8][3];
    for (int i = 0; i < 8; ++i) {
        cells[i][0] = i < dlc ? hex[data[i] >> 4] : ' ';
        cells[i][1] = i < dlc ? hex[data[i] & 0xF] : ' ';
        cells[i][2] = '\0';
    }
    char line[CAN_LOG_LINE_MAX + 1];
    int n = std::snprintf(line, sizeof line,
                          " %X    %.8X    %X     %s  %s  %s  %s  %s  %s  %s  %s    %.6f\n",
                          static_cast<unsigned>(extended), static_cast<unsigned>(id),
                          static_cast<unsigned>(dlc), cells[0], cells[1], cells[2], cells[3],
                          cells[4], cells[5], cells[6], cells[7], app_clock_ms() * 0.001);
    if (n < 0) return;
    if (n > CAN_LOG_LINE_MAX) n = CAN_LOG_LINE_MAX; // cut at 100 characters
    fs_write(file, line, static_cast<uint32_t>(n));
    fs_flush(file);
}

void can_log_close_finished(void) {
    for (CanLogFile& f : ls().files) {
        for (SharedVar<FILE*>& slot : f.retired) {
            FILE* file = slot.load_acquire();
            if (!file) continue;
            slot.store_release(nullptr);
            fs_close(file);
        }
    }
}

void can_log_shutdown(void) {
    CanLogState& s = ls();
    s.logging_on = 0;
    for (CanLogFile& f : s.files) {
        fs_close(f.file);
        f.file = nullptr;
        for (SharedVar<FILE*>& slot : f.retired) {
            fs_close(slot);
            slot = nullptr;
        }
    }
}
