#include "host/trace/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pcsim {

namespace {

std::string Reason(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

/* Make the rename in path's folder durable. Best effort: the file is
 * complete under its new name whatever happens here, so a folder that
 * cannot be opened or synced (some file systems refuse) leaves nothing to
 * undo or report. */
void SyncFolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        *error = path + " is a directory";
        return false;
    }
    std::string temp = path + ".tmp-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        *error = Reason("cannot create", path, errno);
        return false;
    }
    // mkstemp makes the file 0600; give it the usual mode of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) {
        *error = Reason("cannot write", path, errno);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    if (::close(fd) != 0) {
        *error = Reason("cannot write", path, errno);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        *error = Reason("cannot replace", path, errno);
        ::unlink(temp.c_str());
        return false;
    }
    SyncFolderOf(path);
    return true;
}

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        *error = path + " is a directory";
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *error = Reason("cannot read", path, errno);
        return false;
    }
    bytes->clear();
    char buffer[1 << 16];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes->append(buffer, n);
    const bool failed = std::ferror(file);
    const int readError = errno;
    std::fclose(file);
    if (failed) {
        *error = Reason("cannot read", path, readError);
        return false;
    }
    return true;
}

} // namespace pcsim
