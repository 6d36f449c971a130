#pragma once
// Command-line options of pc-simulator.
#include <cstdint>
#include <string>
#include <vector>

#include "host/ScriptedPress.h"

namespace pcsim {

/* Without options the program opens its window; --headless runs the device
 * without one. */
struct CommandLineOptions {
    bool codegen = false;   // exactly "CODEGEN": exit 0 at once
    bool help = false;      // --help
    bool headless = false;  // --headless: deterministic run without a window
    uint32_t runMs = 0;     // --run-ms N: virtual milliseconds to run
    bool runMsGiven = false;
    std::string screenshot; // --screenshot FILE: bitmap of the last shown screen
    std::vector<ScriptedPress> presses; // --press KEY@MS[:DURATION_MS], repeatable
};

constexpr uint32_t kMaxRunMs = 86400000; // one day of virtual time

/* Parse argv; false with a one-line reason in error when the options are
 * wrong. */
bool ParseCommandLine(int argc, const char* const* argv, CommandLineOptions* options, std::string* error);

/* The usage text printed for --help and after an error. */
std::string UsageText();

} // namespace pcsim
