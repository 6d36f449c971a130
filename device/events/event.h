#pragma once
// The event channel: the host raises an event (Event 1 or 2); the next main
// loop iteration handles it. Event 1 runs the command exchange in the event
// root: the command text in "app_command" is read and the file deleted, and
// the answer "OK" or "KO" (two bytes, no line end) goes into a freshly
// created "app_reply". No command file means no action and no reply.
//
// Commands, compared as prefixes of the text, case-sensitive:
//   "USBSTICK_INSERTED ...": the stick is the text after its last "/" (or,
//       without one, after the prefix and one more character of any
//       kind); the stick state becomes 1;
//   "USBSTICK_EJECTREADY": the stick state becomes 4;
//   anything else: no effect, reply "KO".
#include <cstddef>
#include <cstdint>

#include "device/services/shared_var.h"

constexpr char EVENT_COMMAND_FILE[] = "app_command";
constexpr char EVENT_REPLY_FILE[] = "app_reply";
constexpr char EVENT_USB_INSERTED[] = "USBSTICK_INSERTED";
constexpr char EVENT_USB_EJECT_READY[] = "USBSTICK_EJECTREADY";
constexpr uint32_t EVENT_COMMAND_MAX = 1023; // bytes of a command text that are read

// Large enough for any name a command text can carry, so none is ever cut.
constexpr size_t USB_STICK_NAME_SIZE = EVENT_COMMAND_MAX + 1;

/* States of the USB stick (usb_state). */
constexpr uint32_t USB_STATE_NONE = 0;        // no stick
constexpr uint32_t USB_STATE_ANNOUNCED = 1;   // insertion command seen, folder not yet
constexpr uint32_t USB_STATE_PRESENT = 2;     // folder seen
constexpr uint32_t USB_STATE_EJECT_READY = 4; // eject-ready command seen

/* One copy of the stick name, byte by byte atomic: the tick may read it
 * while the main loop writes the other copy. */
struct UsbStickName {
    SharedVar<char> text[USB_STICK_NAME_SIZE]; // terminated name below the media root
};

struct EventState {
    SharedVar<uint8_t> event_pending = 0; // an event arrived and is not handled yet (host → main loop)
    SharedVar<int32_t> event_index = 0;   // that event: 0 Event 1, 1 Event 2; written before the flag
    SharedVar<uint32_t> usb_state = USB_STATE_NONE; // USB_STATE_*; main loop and tick move it
    SharedVar<uint32_t> usb_name_version = 0; // names published; usb_stick_name[version & 1] is current
    UsbStickName usb_stick_name[2];           // the stick's folder name, double-buffered (main loop → tick)
    SharedVar<uint32_t> replies = 0;          // replies written since reset (diagnostics)
};

/* The handler registered with sys_set_event_handler; runs on the host's
 * thread. Records the event for the next event_step. */
void event_on_host(int event);
/* Main loop: handle a recorded event (Event 1: the command exchange). */
void event_step(void);
/* Read, delete and answer one command file of the event root; 0 when there
 * was no command file. */
int event_command_exchange(const char* command_file, const char* reply_file);
/* Act on one command text; 1 for "OK", 0 for "KO". */
int event_handle_command(const char* text);
