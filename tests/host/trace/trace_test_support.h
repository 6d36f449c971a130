#pragma once
// Helpers of the trace format tests: a temporary folder, whole-file reads
// and writes, running a tool with its output captured, and frames in a
// comparable form.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "host/trace/TraceFormats.h"
#include "host/trace/TraceFrame.h"

namespace trace_test {

class TempFolder {
  public:
    TempFolder() {
        std::string pattern = testing::TempDir() + "/pcsim_trace_XXXXXX";
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string Quote(const std::string& arg) {
    std::string out = "'";
    for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct RunResult {
    int status = -1;  // exit code
    std::string out;  // stdout
    std::string err;  // stderr
};

/* Runs a shell command line with stdout and stderr captured in folder. */
inline RunResult Run(const std::string& command, const TempFolder& folder) {
    const std::string out = folder.File("stdout.txt"), err = folder.File("stderr.txt");
    const int raw = std::system((command + " >" + Quote(out) + " 2>" + Quote(err)).c_str());
    RunResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    return r;
}

/* A frame as one readable line, for EXPECT_EQ on whole lists; the
 * direction that log2asc gives frames without one (Rx) counts as none. */
inline std::string Describe(const pcsim::TraceFrame& f, bool withPort = true) {
    char text[128];
    std::snprintf(text, sizeof text, "%lld.%06lld p%d %s%X %s dlc%u", static_cast<long long>(f.timeUs / 1000000),
                  static_cast<long long>(f.timeUs % 1000000), withPort ? f.port : 9, f.extended ? "x" : "s", f.id,
                  f.remote ? "R" : "D", f.dlc);
    std::string s = text;
    if (!f.remote) {
        for (int i = 0; i < f.dlc; ++i) {
            std::snprintf(text, sizeof text, " %02X", f.data[i]);
            s += text;
        }
    }
    if (f.direction == pcsim::TraceDirection::Tx) s += " T";
    return s;
}

inline std::vector<std::string> Describe(const std::vector<pcsim::TraceFrame>& frames, bool withPort = true) {
    std::vector<std::string> out;
    for (const pcsim::TraceFrame& f : frames) out.push_back(Describe(f, withPort));
    return out;
}

inline pcsim::TraceReadResult ReadBytes(pcsim::TraceFormat format, const std::string& bytes,
                                        pcsim::TraceReadOptions options = {}) {
    pcsim::TraceReadResult r;
    pcsim::ReadTrace(format, bytes, options, &r);
    return r;
}

/* Frames of a file with times as offsets from the first one. */
inline std::vector<std::string> OffsetFrames(pcsim::TraceFormat format, const std::string& bytes,
                                             bool withPort = true) {
    pcsim::TraceReadResult r = ReadBytes(format, bytes);
    EXPECT_TRUE(r.bad.empty()) << (r.bad.empty() ? "" : r.bad.front().reason);
    const int64_t start = r.frames.empty() ? 0 : r.frames.front().timeUs;
    for (pcsim::TraceFrame& f : r.frames) f.timeUs -= start;
    return Describe(r.frames, withPort);
}

} // namespace trace_test
