#pragma once
// Recording of the received CAN traffic to the USB stick: while a stick is
// in, every frame that reaches one of the four receive FIFOs becomes one
// text line in the log file of its port, "disk_sda1/QMX_v084_NNNNNN_CAN1.log"
// for port 0 and "..._CAN2.log" for port 1, below the media root. NNNNNN is
// the port's log number of the parameter record, counted up for every
// recording (so numbering goes on across restarts once the record has been
// committed). An existing file of that name is continued, with another
// header line.
//
// Three parts, on two threads:
//   can_log_step (tick, model step): starts a recording when the stick
//       appears (a number, the file opened, the header written and flushed,
//       logging on), stops it when the stick's folder goes (logging off, the
//       files handed over for closing), and flushes each file every 10 s or
//       when the application clock went back;
//   can_log_frame (main loop, receive dispatch): takes the entry just pushed
//       out of its FIFO and, while logging is on, writes and flushes its line;
//   can_log_close_finished (main loop, once per iteration): closes the files
//       of finished recordings.
//
// Hand-over of the file handles, without locks: the tick opens a file,
// writes its header and only then publishes the handle (release) and turns
// logging on (release); the writer reads the switch and then the handle
// (acquire), so it never sees a file half set up. A finished recording's
// handle is taken out of the current slot first and then published in a
// slot of "retired" handles (release). Only the main loop closes, and it
// closes only retired handles, outside any line write: a handle the writer
// picked up just before the stop is used up by that write on the same
// thread before the close, and once the main loop has seen the retired
// handle it can no longer find it in the current slot. The tick never
// touches a handle again after retiring it. Writes of the main loop and the
// tick's header and periodic flushes of one stream rely on the stream
// library's own per-stream locking.
#include <cstdint>
#include <cstdio>

#include "device/services/shared_var.h"

constexpr char CAN_LOG_HEADER[] =
    "EXT   ID          DLC   DATA                              TIME\n";
constexpr uint32_t CAN_LOG_HEADER_BYTES = sizeof CAN_LOG_HEADER - 1;
static_assert(CAN_LOG_HEADER_BYTES == 63, "the header line is 63 bytes");
constexpr char CAN_LOG_NAME_CAN1[] = "disk_sda1/QMX_v%03.0F_%06.0F_CAN1.log";
constexpr char CAN_LOG_NAME_CAN2[] = "disk_sda1/QMX_v%03.0F_%06.0F_CAN2.log";
constexpr double CAN_LOG_VERSION = 84.0;     // first number of the file names
constexpr int CAN_LOG_LINE_MAX = 100;        // characters of one line at most
constexpr uint32_t CAN_LOG_FLUSH_MS = 10000; // periodic flush of a recording's files
constexpr int CAN_LOG_FILES = 2;             // CAN1 (port 0) and CAN2 (port 1)
constexpr int CAN_LOG_RETIRED_SLOTS = 4;     // finished files a port can hold for closing

/* The log file of one port. */
struct CanLogFile {
    SharedVar<FILE*> file = nullptr; // the running recording's file (tick → main loop)
    SharedVar<FILE*>
        retired[CAN_LOG_RETIRED_SLOTS]; // finished files the main loop closes (tick → main loop)
    uint8_t prev_present_start = 1;     // presence seen by this file's start check last time
    uint32_t last_flush_ms = 0;         // application clock at the last periodic flush
    uint32_t prev_step_ms = 0; // clock seen by this file's flush check at the previous step
    uint32_t step_ms = 0;      // clock seen by this step's flush check, kept at its end
};

struct CanLogState {
    SharedVar<uint8_t> logging_on = 0; // lines are written only while on (tick → main loop)
    uint8_t prev_present_stop = 0;     // presence seen by the stop check at the previous step
    uint8_t present = 0;               // the stick's presence as asked by the latest step
    CanLogFile files[CAN_LOG_FILES];   // CAN1, CAN2
};

/* Recording control, once per model step (tick). */
void can_log_step(void);
/* The end of the model step, after its remote I/O commands: each file's
 * clock of this step becomes its previous step time. */
void can_log_step_end(void);
/* Start values of the recording switches, set by the model's initialisation. */
void can_log_model_init(void);
/* The log writer of one stream (a CanFifoId of the four FIFOs), called by
 * that FIFO's push (main loop): takes the entry just pushed out of the FIFO. */
void can_log_frame(int stream);
/* Close the files of finished recordings (main loop, every iteration). */
void can_log_close_finished(void);
/* Close every log file, running or finished; only while no device thread
 * runs (device reset). */
void can_log_shutdown(void);
