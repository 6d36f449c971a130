// Fuzz target: any bytes as the command file "app_command", through the
// device's real exchange (read, delete, answer) and the presence query on
// whatever stick name results.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "device/device_memory.h"
#include "device/events/event.h"
#include "device/events/usbstick.h"
#include "fuzz/fuzz_base_dir.h"

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}

std::string read_file(const char* name) {
    std::string text;
    FILE* f = fs_open(FS_ROOT_EVENT, name, "r");
    if (!f) return text;
    char buf[64];
    uint32_t n;
    while ((n = fs_read(f, buf, sizeof buf)) > 0)
        text.append(buf, n);
    fs_close(f);
    return text;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    device_memory.events = EventState{};
    fuzz_use_base_dir();
    fs_remove(FS_ROOT_EVENT, EVENT_REPLY_FILE);
    FILE* f = fs_open(FS_ROOT_EVENT, EVENT_COMMAND_FILE, "w");
    check(f != nullptr);
    check(fs_write(f, data, static_cast<uint32_t>(size)) == size);
    fs_close(f);

    event_on_host(0);
    event_step();
    check(!fs_file_exists(FS_ROOT_EVENT, EVENT_COMMAND_FILE));

    // What the device saw: at most 1023 bytes, up to the first zero byte.
    const size_t read = size < EVENT_COMMAND_MAX ? size : EVENT_COMMAND_MAX;
    const std::string text(reinterpret_cast<const char*>(data),
                           strnlen(reinterpret_cast<const char*>(data), read));
    const bool inserted = text.rfind(EVENT_USB_INSERTED, 0) == 0;
    const bool eject = text.rfind(EVENT_USB_EJECT_READY, 0) == 0;
    const std::string reply = read_file(EVENT_REPLY_FILE);
    check(reply == ((inserted || eject) ? "OK" : "KO"));

    char name[USB_STICK_NAME_SIZE];
    usbstick_name(name, sizeof name);
    const std::string stick = name;
    if (inserted) {
        // A tail of the text after the prefix and one more character, with no "/".
        check(usbstick_state() == USB_STATE_ANNOUNCED);
        check(stick.size() + 18 <= text.size() || stick.empty());
        check(text.compare(text.size() - stick.size(), stick.size(), stick) == 0);
        check(stick.find('/') == std::string::npos);
    } else {
        check(stick.empty());
        check(usbstick_state() == (eject ? USB_STATE_EJECT_READY : USB_STATE_NONE));
    }
    const int present = usbstick_present();
    check(present == 0 || present == 1);
    return 0;
}
