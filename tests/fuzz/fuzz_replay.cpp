// Fuzz target for the trace file reader of the replay back-end: any file
// (header, records, truncation, flags, lengths) is opened and played back
// for a while on a virtual clock, through the same calls the receive pass
// makes. It must neither crash, read out of bounds nor loop forever.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "device/can/can_adapter.h"
#include "device/can/can_replay.h"
#include "device/device_memory.h"
#include "device/services/host_services.h"
#include "device/services/time_base.h"

namespace {
constexpr int kReceivesPerInput = 600; // more than two passes over a short file

const char* TracePath() {
    static char path[64] = "";
    if (!path[0]) {
        std::snprintf(path, sizeof path, "/tmp/pcsim_fuzz_replay_%d.ctb",
                      static_cast<int>(getpid()));
        std::atexit([] { unlink(path); });
    }
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = [] {
        device_memory_reset();
        svc_clock_use_virtual(0x10000);
        sys_time_start();
        return true;
    }();
    (void)started;
    FILE* f = std::fopen(TracePath(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    can_set_adapter(0, CAN_ADAPTER_REPLAY, TracePath());
    if (can_open(0) == 0) {
        CanMessage m;
        for (int i = 0; i < kReceivesPerInput; ++i) {
            if (can_receive(0, &m) == 0 && m.dlc > 8) std::abort();
            // Time moves by an amount taken from the input, so that due
            // times are reached in varied ways.
            svc_clock_advance(size ? data[i % size] : 1);
        }
    }
    can_close(0);
    return 0;
}
