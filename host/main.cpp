// pc-simulator entry point.
#include <cstdio>
#include <string>

#include "host/CommandLine.h"
#include "host/FrameConversion.h"
#include "host/HeadlessRunner.h"

namespace {
int RunHeadless(const pcsim::CommandLineOptions& options) {
    pcsim::HeadlessRunner runner;
    runner.Run(options.runMs, options.presses);
    std::printf("ran %u ms of virtual time: %u ticks, %u main loop iterations%s\n", options.runMs,
                runner.Ticks(), runner.Iterations(),
                runner.ExitRequested() ? " (the device asked to exit)" : "");
    if (!options.screenshot.empty()) {
        std::string error;
        if (!pcsim::WriteBitmapFile(options.screenshot, runner.FrameBits(), &error)) {
            std::fprintf(stderr, "pc-simulator: %s\n", error.c_str());
            return 1;
        }
        std::printf("screenshot written to %s\n", options.screenshot.c_str());
    }
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    pcsim::CommandLineOptions options;
    std::string error;
    if (!pcsim::ParseCommandLine(argc, argv, &options, &error)) {
        std::fprintf(stderr, "pc-simulator: %s\n\n%s", error.c_str(), pcsim::UsageText().c_str());
        return 2;
    }
    if (options.codegen) return 0;
    if (options.help) {
        std::fputs(pcsim::UsageText().c_str(), stdout);
        return 0;
    }
    if (options.headless) return RunHeadless(options);
    std::fprintf(stderr, "pc-simulator: this build has no window yet; run with --headless\n\n%s",
                 pcsim::UsageText().c_str());
    return 2;
}
