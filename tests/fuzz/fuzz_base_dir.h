#pragma once
// A storage base for a fuzz target: made once per process, with every root,
// in memory (/dev/shm) where there is one, so that file syncs cost nothing;
// removed again when the process ends.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>

#include "device/storage/fs.h"

class FuzzBaseDir {
  public:
    FuzzBaseDir() {
        struct stat st;
        const char* tmp = std::getenv("TMPDIR");
        const std::string parent =
            stat("/dev/shm", &st) == 0 ? "/dev/shm" : (tmp && *tmp ? tmp : "/tmp");
        std::string pattern = parent + "/pcsim_fuzz_XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        path = pattern;
    }
    ~FuzzBaseDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

/* Point the device's file system at the base and make its roots. */
inline void fuzz_use_base_dir() {
    static const FuzzBaseDir base;
    if (!fs_set_base(base.path.c_str())) std::abort();
    for (int root = 0; root < FS_ROOT_COUNT; ++root) {
        if (!fs_dir_exists(root, "")) fs_make_root(root);
    }
}
