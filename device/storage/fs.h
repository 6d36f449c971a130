#pragma once
// The unit's root file system: six fixed roots, each a directory below one
// host base directory, and the file operations that take a root number and
// a name relative to it. Device code never builds a host path itself.
//
// A name is composed as "<root directory>/<name>"; backslashes become "/"
// and trailing "/" are dropped, so "a\\b\\" and "a/b" are the same file and
// an empty name is the root itself. The composed name must fit
// FS_PATH_SIZE (with its terminator): a longer one is refused, never cut to
// some other file's name. The base directory is prefixed after that check,
// so whether a name fits does not depend on where the base lies.
//
// Operations return 1 for success and 0 for failure (counts for read and
// write) and never say why. They keep no state besides the base, which the
// host sets before the device starts, and may be called from any thread.
#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr int FS_ROOT_BIN = 0;    // "rootfs/app/bin"
constexpr int FS_ROOT_DATA = 1;   // "rootfs/app/data"
constexpr int FS_ROOT_CONFIG = 2; // "rootfs/app/data/config": EEPROM files
constexpr int FS_ROOT_LOG = 3;    // "rootfs/app/data/log"
constexpr int FS_ROOT_EVENT = 4;  // "rootfs/app/event": command and reply files
constexpr int FS_ROOT_MEDIA = 5;  // "rootfs/media": USB stick directories
constexpr int FS_ROOT_COUNT = 6;

constexpr size_t FS_PATH_SIZE = 260;   // composed root path and name, terminator included
constexpr size_t FS_BASE_SIZE = 3584;  // base directory, terminator included
constexpr size_t FS_MODE_MAX = 10;     // characters of an fs_open mode
constexpr size_t FS_HOST_PATH_SIZE = FS_BASE_SIZE + 1 + FS_PATH_SIZE; // base + "/" + composed

struct FsState {
    char base[FS_BASE_SIZE] = {}; // host directory the roots lie in; empty: the working directory
};

/* Set the base directory (trailing "/" dropped). 0, and the base unchanged,
 * when it is NULL or too long. Only before the device starts. */
int fs_set_base(const char* dir);
/* The base directory; empty for the working directory. */
const char* fs_base(void);
/* The directory of a root relative to the base ("rootfs/media"); NULL for
 * a root outside 0-5. */
const char* fs_root_dir(int root);
/* The host path of a name under a root, into out (out_size bytes): 1, or 0
 * when the root is unknown, the name NULL or the path does not fit. */
int fs_host_path(int root, const char* name, char* out, size_t out_size);

int fs_dir_exists(int root, const char* name);
/* 1 if the path exists and is not a directory. */
int fs_file_exists(int root, const char* name);
/* Create the root's directory and every missing parent (the base too).
 * Errors of the single creations are ignored: 1 for any root 0-5. */
int fs_make_root(int root);

/* Open with the mode plus "b" (binary in every case); NULL on failure or
 * for a mode longer than FS_MODE_MAX. The caller owns the stream. */
FILE* fs_open(int root, const char* name, const char* mode);
void fs_close(FILE* file);
uint32_t fs_read(FILE* file, void* buffer, uint32_t count);
uint32_t fs_write(FILE* file, const void* data, uint32_t count);
/* origin 1: from the current position, 2: from the end, else from the start. */
int fs_seek(FILE* file, int32_t offset, int origin);
int fs_flush(FILE* file);
/* Flush the stream and make its data durable on the host's disk. */
int fs_sync(FILE* file);
/* Make the names in a root's directory (renames, removals) durable. */
int fs_sync_dir(int root);
/* Size in bytes of a file that is not a directory; -1 if there is none. */
int64_t fs_file_size(int root, const char* name);

int fs_remove(int root, const char* name);
/* Rename (replacing an existing target); both names are composed alike. */
int fs_rename(int root, const char* name, int new_root, const char* new_name);
