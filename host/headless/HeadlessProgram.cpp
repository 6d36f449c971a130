#include "host/headless/HeadlessProgram.h"

#include <memory>
#include <string>

#include "device/runtime/sys.h"
#include "host/can/CanTraceSetup.h"
#include "host/display/ScreenFile.h"
#include "host/headless/FrameRecorder.h"
#include "host/headless/HeadlessRunner.h"
#include "host/headless/KeyTrace.h"
#include "host/run/TerminationSignals.h"
#include "host/storage/StorageSetup.h"
#include "host/storage/UsbStick.h"

namespace pcsim {

void ScheduleEvents(HeadlessRunner& runner, const std::vector<ScriptedEvent>& events) {
    for (const ScriptedEvent& e : events) {
        const int device_event = e.event - 1; // menu Event 1 and 2 are device events 0 and 1
        runner.Schedule(e.atMs, [device_event] { sys_raise_event(device_event); });
    }
}

int RunHeadlessProgram(const CommandLineOptions& options, std::FILE* out, std::FILE* err) {
    HeadlessRunner runner;
    TerminationSignals termination;
    runner.SetStopFlag(&termination.Caught());

    ScheduleEvents(runner, options.events);
    UsbStick stick(StorageBase(options), [] { sys_raise_event(0); });
    std::vector<std::string> stickFailures; // each already reported when it happened
    ScheduleUsbStick(&runner, options, &stick, &stickFailures);
    KeyTrace trace(out);
    if (options.traceKeys) runner.AddObserver(&trace);
    std::unique_ptr<FrameRecorder> frames;
    if (!options.framesDir.empty()) {
        frames = std::make_unique<FrameRecorder>(options.framesDir, options.frameEveryMs);
        std::string error;
        if (!frames->Prepare(&error)) {
            std::fprintf(err, "pc-simulator: %s\n", error.c_str());
            return 1;
        }
        runner.AddObserver(frames.get());
    }

    runner.Run(options);
    const bool traced = FinishCanTrace();

    std::string ending;
    if (runner.ExitRequested()) ending = " (the device asked to exit)";
    if (runner.Stopped()) ending = std::string(" (stopped by ") + termination.SignalName() + ")";
    std::fprintf(out, "ran %u ms of virtual time: %u ticks, %u main loop iterations%s\n",
                 runner.RanMs(), runner.Ticks(), runner.Iterations(), ending.c_str());
    int status = stickFailures.empty() && traced ? 0 : 1;
    if (frames) {
        if (runner.ObserverFailed()) {
            std::fprintf(err, "pc-simulator: --frames: %s\n", frames->Error().c_str());
            status = 1;
        }
        // Worded so that no line but the key trace's starts with a digit.
        std::fprintf(out, "wrote %u frames to %s\n", frames->Written(), options.framesDir.c_str());
    }
    if (!options.screenshot.empty()) {
        std::string error;
        if (WriteScreenFile(options.screenshot, runner.FrameBits(), &error)) {
            std::fprintf(out, "screenshot written to %s\n", options.screenshot.c_str());
        } else {
            std::fprintf(err, "pc-simulator: %s\n", error.c_str());
            status = 1;
        }
    }
    std::fflush(out);
    return status;
}

} // namespace pcsim
