#include "host/can/CanTraceSetup.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <unistd.h>

#include "device/services/host_services.h"
#include "host/can/CanTap.h"
#include "host/can/CanTraceFile.h"

namespace pcsim {

namespace {
std::unique_ptr<CanTraceFile>& TraceFile() {
    static std::unique_ptr<CanTraceFile> file;
    return file;
}
} // namespace

void ApplyCanTraceOptions(const CommandLineOptions& options) {
    FinishCanTrace();
    CanTapInstall();
    if (options.canTrace.empty()) return;
    std::string error;
    // Virtual time costs nothing to wait in: a headless trace is complete.
    TraceFile() = CanTraceFile::Open(options.canTrace, &CanTapRingOf(TapReader::TraceFile),
                                     svc_clock_is_virtual() != 0, &error);
    if (!TraceFile()) std::fprintf(stderr, "pc-simulator: %s\n", error.c_str());
}

bool FinishCanTrace() {
    std::unique_ptr<CanTraceFile> file = std::move(TraceFile());
    if (!file) return true;
    std::string problem;
    if (file->Finish(&problem)) return true;
    std::fprintf(stderr, "pc-simulator: %s\n", problem.c_str());
    return false;
}

bool ReadCanTraceOption(const std::string& v, CommandLineOptions* o, std::string* error) {
    std::error_code ignored;
    const std::filesystem::path path(v);
    if (v.empty()) {
        *error = "--can-trace needs a file name";
        return false;
    }
    if (std::filesystem::is_directory(path, ignored)) {
        *error = "--can-trace: " + v + " is a directory";
        return false;
    }
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    if (!std::filesystem::is_directory(folder, ignored)) {
        *error = "--can-trace: the folder " + folder.string() + " does not exist";
        return false;
    }
    // An existing file is only emptied (it may be a device such as
    // /dev/null); a new one needs a folder that may be written in.
    const bool exists = std::filesystem::exists(path, ignored);
    if (exists && ::access(path.c_str(), W_OK) != 0) {
        *error = "--can-trace: cannot write " + v;
        return false;
    }
    if (!exists && ::access(folder.c_str(), W_OK) != 0) {
        *error = "--can-trace: cannot write in " + folder.string();
        return false;
    }
    o->canTrace = v;
    return true;
}

} // namespace pcsim
