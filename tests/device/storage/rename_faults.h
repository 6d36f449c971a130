#pragma once
// Failing chosen renames at the system call boundary: the work runs on a
// thread of its own behind a seccomp filter that hands each of its rename
// calls to the test (seccomp user notification), which lets the call
// through or fails it with an errno, call by call. The code under test
// runs unchanged and the file system sees only the calls let through.
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace pcsim_test {

class RenameFaults {
  public:
    /* Run work with its renames answered in order from verdicts: 0 lets a
     * rename through, anything else fails it with that errno; renames past
     * the list go through. The number of renames, or -1 with the reason in
     * why when the system offers no seccomp user notification. */
    static int Run(const std::vector<int>& verdicts, const std::function<void()>& work,
                   std::string* why) {
        std::promise<int> listener;
        std::future<int> listenerReady = listener.get_future();
        const int doneFd = eventfd(0, EFD_CLOEXEC);
        if (doneFd < 0) {
            *why = std::string("eventfd: ") + std::strerror(errno);
            return -1;
        }
        std::thread worker([&] {
            const int fd = InstallFilter();
            listener.set_value(fd < 0 ? -errno : fd);
            if (fd >= 0) work();
            const uint64_t one = 1;
            if (write(doneFd, &one, sizeof one) < 0) std::abort();
        });
        const int fd = listenerReady.get();
        int renames = 0;
        if (fd >= 0) {
            renames = Answer(fd, doneFd, verdicts);
            close(fd);
        } else {
            *why = std::string("no seccomp user notification here: ") + std::strerror(-fd);
            renames = -1;
        }
        worker.join();
        close(doneFd);
        return renames;
    }

  private:
    /* The filter on the calling thread; its listener, or -1 with errno. */
    static int InstallFilter() {
#if defined(__x86_64__)
        constexpr uint32_t kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
        constexpr uint32_t kArch = AUDIT_ARCH_AARCH64;
#else
        errno = ENOSYS;
        return -1;
#endif
#ifdef __NR_rename
        constexpr uint32_t kRename = __NR_rename;
#else
        constexpr uint32_t kRename = __NR_renameat; // no plain rename on this architecture
#endif
        sock_filter code[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kRename, 3, 0),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_renameat, 2, 0),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_renameat2, 1, 0),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_USER_NOTIF),
        };
        sock_fprog program{static_cast<unsigned short>(sizeof code / sizeof code[0]), code};
        if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return -1;
        return static_cast<int>(syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER,
                                        SECCOMP_FILTER_FLAG_NEW_LISTENER, &program));
    }

    /* Answer the worker's renames until it is done; how many there were. */
    static int Answer(int fd, int doneFd, const std::vector<int>& verdicts) {
        int renames = 0;
        for (;;) {
            pollfd fds[2] = {{fd, POLLIN, 0}, {doneFd, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                std::abort();
            }
            if (fds[0].revents & POLLIN) {
                seccomp_notif request;
                std::memset(&request, 0, sizeof request);
                if (ioctl(fd, SECCOMP_IOCTL_NOTIF_RECV, &request) != 0) continue;
                const size_t index = static_cast<size_t>(renames++);
                const int verdict = index < verdicts.size() ? verdicts[index] : 0;
                seccomp_notif_resp response;
                std::memset(&response, 0, sizeof response);
                response.id = request.id;
                if (verdict == 0) {
                    response.flags = SECCOMP_USER_NOTIF_FLAG_CONTINUE;
                } else {
                    response.error = -verdict;
                }
                ioctl(fd, SECCOMP_IOCTL_NOTIF_SEND, &response);
                continue;
            }
            if (fds[1].revents & POLLIN) return renames;
        }
    }
};

} // namespace pcsim_test
