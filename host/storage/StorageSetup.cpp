#include "host/storage/StorageSetup.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "device/storage/fs.h"
#include "host/headless/HeadlessRunner.h"
#include "host/storage/UsbStick.h"

namespace pcsim {

namespace fs = std::filesystem;

namespace {
bool ReadTime(const char* option, const std::string& v, uint32_t* out, std::string* error) {
    if (!ParseMilliseconds(v, out)) {
        *error = std::string(option) + " takes a virtual time in whole milliseconds from 0 to " +
                 std::to_string(kMaxRunMs) + ", not '" + v + "'";
        return false;
    }
    return true;
}

/* The base as the messages show it: absolute, so that the default (the
 * working directory) says where it is. */
std::string Shown(const std::string& dir) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(dir.empty() ? fs::path(".") : fs::path(dir), ec);
    return "'" + (ec ? dir : absolute.lexically_normal().string()) + "'";
}
} // namespace

bool ReadStorageRoot(const std::string& v, CommandLineOptions* o, std::string* error) {
    if (v.empty()) {
        *error = "--root needs a directory";
        return false;
    }
    if (v.size() >= FS_BASE_SIZE) {
        *error =
            "--root takes a path of at most " + std::to_string(FS_BASE_SIZE - 1) + " characters";
        return false;
    }
    o->root = v;
    return true;
}

bool ReadUsbInsert(const std::string& v, CommandLineOptions* o, std::string* error) {
    uint32_t ms = 0;
    if (!ReadTime("--usb-insert", v, &ms, error)) return false;
    o->usbInsertMs.push_back(ms);
    return true;
}

bool ReadUsbEject(const std::string& v, CommandLineOptions* o, std::string* error) {
    uint32_t ms = 0;
    if (!ReadTime("--usb-eject", v, &ms, error)) return false;
    for (uint32_t insert : o->usbInsertMs) {
        const uint32_t gap = insert > ms ? insert - ms : ms - insert;
        if (gap >= kUsbActionGapMs) continue;
        *error = "--usb-insert " + std::to_string(insert) + " and --usb-eject " +
                 std::to_string(ms) + " are " + std::to_string(gap) +
                 " ms apart: the unit needs at least " + std::to_string(kUsbActionGapMs) +
                 " ms between an insert and an eject to see both";
        return false;
    }
    o->usbEjectMs.push_back(ms);
    return true;
}

std::string StorageBase(const CommandLineOptions& options) {
    return options.root;
}

bool PrepareStorageBase(const CommandLineOptions& options, std::string* error) {
    const std::string dir = StorageBase(options).empty() ? "." : StorageBase(options);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        *error = "cannot create the storage directory " + Shown(dir) + ": " + ec.message();
        return false;
    }
    if (!fs::is_directory(dir, ec)) {
        *error = "the storage directory " + Shown(dir) + " is not a directory";
        return false;
    }
    // The only sure test of writing is to write: permissions, a read-only
    // mount or a full disk all show here.
    std::string probe = (fs::path(dir) / ".pc-simulator-write-test-XXXXXX").string();
    const int fd = mkstemp(probe.data());
    if (fd < 0) {
        *error =
            "cannot write into the storage directory " + Shown(dir) + ": " + std::strerror(errno);
        return false;
    }
    close(fd);
    unlink(probe.c_str());
    return true;
}

void ApplyStorageOptions(const CommandLineOptions& options) {
    fs_set_base(StorageBase(options).c_str()); // its length was checked with the option
}

void CreateStorageRoots() {
    for (int root = 0; root < FS_ROOT_COUNT; ++root) {
        if (!fs_dir_exists(root, "")) fs_make_root(root);
    }
}

void ScheduleUsbStick(HeadlessRunner* runner, const CommandLineOptions& options, UsbStick* stick,
                      std::vector<std::string>* failures) {
    auto schedule = [&](uint32_t ms, bool insert) {
        runner->Schedule(ms, [stick, failures, ms, insert] {
            std::string error;
            if (insert ? stick->Insert(&error) : stick->Eject(&error)) return;
            const std::string what = std::string(insert ? "--usb-insert" : "--usb-eject") + " at " +
                                     std::to_string(ms) + " ms: " + error;
            std::fprintf(stderr, "pc-simulator: %s\n", what.c_str());
            failures->push_back(what);
        });
    };
    for (uint32_t ms : options.usbInsertMs)
        schedule(ms, true);
    for (uint32_t ms : options.usbEjectMs)
        schedule(ms, false);
}

} // namespace pcsim
