#include "device/storage/fs.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "device/device_memory.h"

static FsState& fss() { return device_memory.storage.fs; }

static const char* const root_dirs[FS_ROOT_COUNT] = {
    "rootfs/app/bin",  "rootfs/app/data",  "rootfs/app/data/config",
    "rootfs/app/data/log", "rootfs/app/event", "rootfs/media",
};

/* Backslashes become "/", then trailing "/" go (never the first character). */
static void fs_normalise(char* path) {
    size_t len = 0;
    for (; path[len] != '\0'; ++len) {
        if (path[len] == '\\') path[len] = '/';
    }
    while (len > 1 && path[len - 1] == '/') path[--len] = '\0';
}

int fs_set_base(const char* dir) {
    if (!dir) return 0;
    const size_t len = std::strlen(dir);
    if (len >= FS_BASE_SIZE) return 0;
    char* base = fss().base;
    std::memcpy(base, dir, len + 1);
    for (size_t n = len; n > 1 && base[n - 1] == '/'; --n) base[n - 1] = '\0';
    return 1;
}

const char* fs_base(void) { return fss().base; }

const char* fs_root_dir(int root) {
    return (root >= 0 && root < FS_ROOT_COUNT) ? root_dirs[root] : nullptr;
}

int fs_host_path(int root, const char* name, char* out, size_t out_size) {
    const char* dir = fs_root_dir(root);
    if (!dir || !name || !out) return 0;
    char composed[FS_PATH_SIZE];
    const int n = std::snprintf(composed, sizeof composed, "%s/%s", dir, name);
    if (n < 0 || static_cast<size_t>(n) >= sizeof composed) return 0; // refused, not cut
    fs_normalise(composed);
    const char* base = fss().base;
    int m;
    if (base[0] == '\0') {
        m = std::snprintf(out, out_size, "%s", composed);
    } else {
        const bool slash = base[std::strlen(base) - 1] == '/'; // the base "/" itself
        m = std::snprintf(out, out_size, slash ? "%s%s" : "%s/%s", base, composed);
    }
    return (m >= 0 && static_cast<size_t>(m) < out_size) ? 1 : 0;
}

/* stat of a composed path; 0 when it cannot be composed or does not exist. */
static int fs_stat(int root, const char* name, struct stat* st) {
    char path[FS_HOST_PATH_SIZE];
    if (!fs_host_path(root, name, path, sizeof path)) return 0;
    return stat(path, st) == 0 ? 1 : 0;
}

int fs_dir_exists(int root, const char* name) {
    struct stat st;
    return (fs_stat(root, name, &st) && S_ISDIR(st.st_mode)) ? 1 : 0;
}

int fs_file_exists(int root, const char* name) {
    struct stat st;
    return (fs_stat(root, name, &st) && !S_ISDIR(st.st_mode)) ? 1 : 0;
}

int64_t fs_file_size(int root, const char* name) {
    struct stat st;
    if (!fs_stat(root, name, &st) || S_ISDIR(st.st_mode)) return -1;
    return static_cast<int64_t>(st.st_size);
}

/* Create path as a directory unless something is there already. */
static void fs_make_one(const char* path) {
    if (access(path, F_OK) != 0) mkdir(path, 0777);
}

int fs_make_root(int root) {
    char path[FS_HOST_PATH_SIZE];
    if (!fs_host_path(root, "", path, sizeof path)) return 0;
    for (size_t i = 0; path[i] != '\0'; ++i) {
        if (path[i] != '/') continue;
        path[i] = '\0';
        fs_make_one(path);
        path[i] = '/';
    }
    fs_make_one(path);
    return 1;
}

FILE* fs_open(int root, const char* name, const char* mode) {
    if (!mode) return nullptr;
    const size_t len = std::strlen(mode);
    if (len > FS_MODE_MAX) return nullptr;
    char binary[FS_MODE_MAX + 2];
    std::memcpy(binary, mode, len);
    binary[len] = 'b';
    binary[len + 1] = '\0';
    char path[FS_HOST_PATH_SIZE];
    if (!fs_host_path(root, name, path, sizeof path)) return nullptr;
    return std::fopen(path, binary);
}

void fs_close(FILE* file) {
    if (file) std::fclose(file);
}

uint32_t fs_read(FILE* file, void* buffer, uint32_t count) {
    if (!file || !buffer) return 0;
    return static_cast<uint32_t>(std::fread(buffer, 1, count, file));
}

uint32_t fs_write(FILE* file, const void* data, uint32_t count) {
    if (!file || !data) return 0;
    return static_cast<uint32_t>(std::fwrite(data, 1, count, file));
}

int fs_seek(FILE* file, int32_t offset, int origin) {
    if (!file) return 0;
    const int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
    return std::fseek(file, offset, whence) == 0 ? 1 : 0;
}

int fs_flush(FILE* file) {
    if (!file) return 0;
    return std::fflush(file) == 0 ? 1 : 0;
}

int fs_sync(FILE* file) {
    if (!fs_flush(file)) return 0;
    return fsync(fileno(file)) == 0 ? 1 : 0;
}

int fs_sync_dir(int root) {
    char path[FS_HOST_PATH_SIZE];
    if (!fs_host_path(root, "", path, sizeof path)) return 0;
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 0;
    const int ok = fsync(fd) == 0 ? 1 : 0;
    close(fd);
    return ok;
}

int fs_remove(int root, const char* name) {
    char path[FS_HOST_PATH_SIZE];
    if (!fs_host_path(root, name, path, sizeof path)) return 0;
    return unlink(path) == 0 ? 1 : 0; // files only: a directory is never removed
}

int fs_rename(int root, const char* name, int new_root, const char* new_name) {
    char from[FS_HOST_PATH_SIZE];
    char to[FS_HOST_PATH_SIZE];
    if (!fs_host_path(root, name, from, sizeof from)) return 0;
    if (!fs_host_path(new_root, new_name, to, sizeof to)) return 0;
    return std::rename(from, to) == 0 ? 1 : 0;
}
