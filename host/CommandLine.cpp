#include "host/CommandLine.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace pcsim {

std::string UsageText() {
    return "usage: pc-simulator\n"
           "       pc-simulator --headless --run-ms N [--press KEY@MS[:DURATION_MS]]... [--screenshot FILE]\n"
           "       pc-simulator --help\n"
           "\n"
           "Without options the window opens and the device runs in real time:\n"
           "F1-F5 or the bezel buttons are the device keys, Escape closes the window.\n"
           "\n"
           "  --headless         run the device without a window, in virtual time:\n"
           "                     a tick every 10 ms, a main loop iteration every 25 ms\n"
           "  --run-ms N         virtual milliseconds to run (0 to 86400000); needs --headless\n"
           "  --press KEY@MS[:DURATION_MS]\n"
           "                     hold key F1-F5 from virtual time MS for DURATION_MS\n"
           "                     (default 100); repeatable\n"
           "  --screenshot FILE  after the run, write the last shown screen as a\n"
           "                     320 x 240, 32-bit Windows bitmap\n"
           "  --help             print this text\n";
}

namespace {
bool ParseMs(const char* text, uint32_t* out) {
    if (!text || !*text) return false;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9') return false;
    }
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || v > kMaxRunMs) return false;
    *out = static_cast<uint32_t>(v);
    return true;
}
} // namespace

bool ParseCommandLine(int argc, const char* const* argv, CommandLineOptions* options, std::string* error) {
    CommandLineOptions o;
    if (argc == 2 && std::strcmp(argv[1], "CODEGEN") == 0) {
        o.codegen = true;
        *options = o;
        return true;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                *error = std::string(name) + " needs a value";
                return nullptr;
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--headless") {
            o.headless = true;
        } else if (arg == "--run-ms") {
            const char* v = value("--run-ms");
            if (!v) return false;
            if (!ParseMs(v, &o.runMs)) {
                *error = "--run-ms takes a whole number of milliseconds from 0 to 86400000, not '" +
                         std::string(v) + "'";
                return false;
            }
            o.runMsGiven = true;
        } else if (arg == "--press") {
            const char* v = value("--press");
            if (!v) return false;
            ScriptedPress press;
            if (!ParseScriptedPress(v, &press, error)) return false;
            o.presses.push_back(press);
        } else if (arg == "--screenshot") {
            const char* v = value("--screenshot");
            if (!v) return false;
            if (!*v) {
                *error = "--screenshot needs a file name";
                return false;
            }
            o.screenshot = v;
        } else {
            *error = "unknown option '" + arg + "'";
            return false;
        }
    }
    if (o.help) {
        *options = o;
        return true;
    }
    if (!o.headless && (o.runMsGiven || !o.screenshot.empty() || !o.presses.empty())) {
        *error = "--run-ms, --screenshot and --press need --headless";
        return false;
    }
    if (o.headless && !o.runMsGiven) {
        *error = "--headless needs --run-ms N";
        return false;
    }
    *options = o;
    return true;
}

} // namespace pcsim
