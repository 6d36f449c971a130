#include "device/device_memory.h"

#include <cstring>

#include "device/runtime/app_hooks.h"

DeviceMemory device_memory;

void device_memory_reset(void) {
    DeviceMemory& m = device_memory;
    std::memset(m.layers, 0, sizeof m.layers);
    std::memset(m.frames, 0, sizeof m.frames);
    m.gfx = GfxState{};
    m.image = ImageState{};
    text_shutdown(); // FreeType's own memory goes back before the handles are cleared
    m.text = TextState{};
    m.sys = SysState{};
    m.keys = KeyState{};
    m.time = TimeBase{};
    m.io = IoChannels{};
    m.serial = SerialState{};
    m.board = BoardState{};
    m.nonfinite = NonFinite{};
    m.storage = StorageState{};
    m.events = EventState{};
    can_shutdown(); // ports closed and libraries unloaded before their handles are cleared
    m.can = CanState{};
    can_log_shutdown(); // the log files closed before their handles are cleared
    m.can_log = CanLogState{};
    m.trace = CallTrace{};
    m.screen = ScreenState{};
    app_reset();
}
