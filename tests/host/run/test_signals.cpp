// SIGINT and SIGTERM end the real program the way File > Exit does: the
// window closes, the device threads stop, the settings are saved and the
// exit code is 0; a headless run ends early with its outputs written.
#include <gtest/gtest.h>

#include "host/run/TerminationSignals.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

/* The program started with args and extra environment entries; stdout and
 * stderr go to a file in dir. */
class Program {
  public:
    Program(const std::vector<std::string>& args, const std::vector<std::string>& env,
            const std::string& dir)
        : output_(dir + "/output.txt") {
        pid_ = fork();
        if (pid_ == 0) {
            if (chdir(dir.c_str()) != 0) _exit(126);
            const int fd = open(output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd, 1);
            dup2(fd, 2);
            for (const std::string& e : env)
                putenv(const_cast<char*>(e.c_str()));
            std::vector<char*> argv{const_cast<char*>(PCSIM_BINARY)};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~Program() {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    /* True once the program has its own handlers for SIGINT and SIGTERM
     * (it would die of them before). */
    bool WaitForHandlers(std::chrono::milliseconds timeout) const {
        for (const auto end = Clock::now() + timeout; Clock::now() < end;
             std::this_thread::sleep_for(20ms)) {
            std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
            std::string line;
            while (std::getline(status, line)) {
                if (line.rfind("SigCgt:", 0) != 0) continue;
                const unsigned long long caught = std::stoull(line.substr(7), nullptr, 16);
                const unsigned long long wanted = (1ull << (SIGINT - 1)) | (1ull << (SIGTERM - 1));
                if ((caught & wanted) == wanted) return true;
            }
        }
        return false;
    }
    void Signal(int signal) const { kill(pid_, signal); }
    /* Exit code within timeout; -1 when still running, -2 - n when killed by signal n. */
    int Wait(std::chrono::milliseconds timeout) {
        for (const auto end = Clock::now() + timeout; Clock::now() < end;
             std::this_thread::sleep_for(10ms)) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -2 - WTERMSIG(status);
            }
        }
        return -1;
    }
    std::string Output() const {
        std::ifstream f(output_);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }

  private:
    std::string output_;
    pid_t pid_ = -1;
    bool reaped_ = false;
};

std::string TemporaryDirectory() {
    std::string dir = testing::TempDir() + "/signals_XXXXXX";
    return mkdtemp(dir.data()) ? dir : std::string();
}

long FileSize(const std::string& path) {
    struct stat s {};
    return stat(path.c_str(), &s) == 0 ? static_cast<long>(s.st_size) : -1;
}

TEST(Signals, EndAHeadlessRunEarlyWithItsOutputs) {
    for (int signal : {SIGINT, SIGTERM}) {
        const std::string dir = TemporaryDirectory();
        Program program({"--headless", "--run-ms", "86400000", "--screenshot", "end.png"}, {}, dir);
        ASSERT_TRUE(program.WaitForHandlers(10s));
        std::this_thread::sleep_for(200ms);
        program.Signal(signal);
        EXPECT_EQ(program.Wait(10s), 0) << program.Output();
        const std::string name = signal == SIGINT ? "SIGINT" : "SIGTERM";
        EXPECT_NE(program.Output().find("(stopped by " + name + ")"), std::string::npos)
            << program.Output();
        EXPECT_GT(FileSize(dir + "/end.png"), 0) << "the screenshot of the part that ran";
    }
}

TEST(Signals, CloseTheWindowLikeExitAndSaveTheSettings) {
    for (int signal : {SIGTERM, SIGINT}) {
        const std::string dir = TemporaryDirectory();
        Program program(
            {}, {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + dir + "/config", "HOME=" + dir},
            dir);
        ASSERT_TRUE(program.WaitForHandlers(20s)) << program.Output();
        std::this_thread::sleep_for(500ms); // the device runs
        const auto sent = Clock::now();
        program.Signal(signal);
        EXPECT_EQ(program.Wait(10s), 0) << program.Output();
        // Stop waits at most a second for the device threads; the rest is
        // the window closing and the settings being written.
        EXPECT_LT(Clock::now() - sent, 5s);
        EXPECT_EQ(program.Output().find("did not stop"), std::string::npos) << program.Output();
        std::ifstream settings(dir + "/config/VELK/Simulator.conf");
        std::stringstream text;
        text << settings.rdbuf();
        EXPECT_NE(text.str().find("ZoomFactor"), std::string::npos) << "settings saved";
    }
}

TEST(Signals, ASecondSignalEndsTheProgramAtOnce) {
    // A child that never acts on the first signal: the second one must end it.
    for (int signal : {SIGINT, SIGTERM}) {
        const pid_t child = fork();
        if (child == 0) {
            pcsim::TerminationSignals termination;
            raise(signal);
            if (!termination.Caught()) _exit(3);
            raise(signal);
            _exit(4); // still alive after the second
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal)
            << "exit " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
}

} // namespace
