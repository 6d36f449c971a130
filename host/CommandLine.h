#pragma once
// Command-line options of pc-simulator.
//
// Every option is one row of the table in CommandLine.cpp: its names, the
// name of its value, its help line, whether it needs --headless, and the
// function that reads its value into CommandLineOptions. Options that set
// up the device (adapters, storage, ports) apply to the window and to
// headless runs alike; they reach the device through DeviceSetup.
#include <cstdint>
#include <string>
#include <vector>

#include "host/can/CanAdapterOption.h"
#include "host/headless/ScriptedEvent.h"
#include "host/headless/ScriptedPress.h"
#include "host/serial/ComPortPaths.h"

namespace pcsim {

/* Without options the program opens its window; --headless runs the device
 * without one. */
struct CommandLineOptions {
    bool codegen = false;  // exactly "CODEGEN": exit 0 at once
    bool help = false;     // --help
    bool headless = false; // --headless: deterministic run without a window

    // --- Headless run ---
    uint32_t runMs = 0; // --run-ms N: virtual milliseconds to run
    bool runMsGiven = false;
    std::string screenshot;             // --screenshot FILE: the last shown screen (PNG or bitmap)
    std::vector<ScriptedPress> presses; // --press KEY@MS[:DURATION_MS], repeatable

    // --- Headless scripting ---
    std::vector<ScriptedEvent> events; // --event N@MS, repeatable
    std::string framesDir;             // --frames DIR: numbered PNG files of the shown screen
    uint32_t frameEveryMs = 0;         // --frame-every MS: frame interval, 0 = every iteration
    bool traceKeys = false;            // --trace-keys: key changes and page entries on stdout

    // --- CAN ---
    CanPortChoice can[2];    // --can0 ADAPTER, --can1 ADAPTER: the adapters of ports 0 and 1
    std::string canLibDir; // --can-lib-dir DIR: searched first for the vendor libraries
    std::string canTrace;  // --can-trace FILE: every frame of both ports as a candump log

    // --- Storage and USB stick ---
    std::string root;                  // --root DIR: holds rootfs/ and usb-sticks/; empty: the working directory
    std::vector<uint32_t> usbInsertMs; // --usb-insert MS, repeatable: insert the USB stick
    std::vector<uint32_t> usbEjectMs;  // --usb-eject MS, repeatable: eject it

    // --- Serial port ---
    ComPortMap comPaths; // --com N=PATH, repeatable: the device file of COMN
};

constexpr uint32_t kMaxRunMs = 86400000; // one day of virtual time

/* Parse argv; false with a one-line reason in error when the options are
 * wrong. */
bool ParseCommandLine(int argc, const char* const* argv, CommandLineOptions* options, std::string* error);

/* The usage text printed for --help and after an error. */
std::string UsageText();

/* Read a whole number of milliseconds from 0 to kMaxRunMs; false for
 * anything else (signs, fractions, spaces, too large). */
bool ParseMilliseconds(const std::string& text, uint32_t* out);

} // namespace pcsim
