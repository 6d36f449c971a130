// pc-simulator entry point.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/CommandLine.h"
#include "host/can/CanTraceSetup.h"
#include "host/headless/HeadlessProgram.h"
#include "host/run/SimulationRunner.h"
#include "host/storage/StorageSetup.h"
#include "host/window/WindowMain.h"

namespace {
int RunHeadless(const pcsim::CommandLineOptions& options) {
    return pcsim::RunHeadlessProgram(options, stdout, stderr);
}

/* Whether Qt has somewhere to put the window. Without this check Qt aborts
 * with a platform plugin error that does not say what to do. */
bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}
} // namespace

int main(int argc, char** argv) {
    pcsim::CommandLineOptions options;
    std::string error;
    if (!pcsim::ParseCommandLine(argc, argv, &options, &error)) {
        std::fprintf(stderr, "pc-simulator: %s\nRun 'pc-simulator --help' for the options.\n",
                     error.c_str());
        return 2;
    }
    if (options.codegen) return 0;
    if (options.help) {
        std::fputs(pcsim::UsageText().c_str(), stdout);
        return 0;
    }
    // The unit's storage must be usable before anything starts.
    if (!pcsim::PrepareStorageBase(options, &error)) {
        std::fprintf(stderr, "pc-simulator: %s\n", error.c_str());
        return 1;
    }
    if (options.headless) return RunHeadless(options);
    if (!HasDisplay()) {
        std::fputs("pc-simulator: no display to open the window on (DISPLAY and WAYLAND_DISPLAY "
                   "are not set);\n"
                   "run it on a desktop, or use --headless to run the device without a window\n",
                   stderr);
        return 1;
    }
    const int result = pcsim::RunSimulatorWindow(argc, argv, options);
    pcsim::FinishCanTrace();
    if (pcsim::SimulationRunner::ThreadsLeftBehind()) {
        // A device thread that did not stop still runs on static device
        // state: end without destroying it (the settings are saved).
        std::fputs(
            "pc-simulator: a device thread did not stop within a second; ending without it\n",
            stderr);
        std::fflush(nullptr);
        std::_Exit(result);
    }
    return result;
}
