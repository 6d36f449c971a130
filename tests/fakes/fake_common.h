#pragma once
// Pieces shared by the fake vendor CAN libraries (each library compiles its
// own copy): the record of calls that tests read back, and the remote I/O
// unit that sits on a fake bus and answers commands 0x421 with replies
// 0x422. Test code, so it may use the heap and the standard library.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace fake {

/* Counts, order and last arguments of every entry point, and the results
 * that tests force on them. */
class CallRecord {
  public:
    void Reset() {
        counts_.clear();
        log_.clear();
        last_.clear();
        forced_.clear();
    }
    /* Record a call; chatty calls (receive, send) are counted but kept out
     * of the order log. Returns the forced result, or fallback. */
    int Call(const char* name, std::vector<long> args, int fallback, bool logged = true) {
        ++counts_[name];
        if (logged) {
            if (!log_.empty()) log_ += ' ';
            log_ += name;
        }
        last_[name] = std::move(args);
        auto forced = forced_.find(name);
        return forced == forced_.end() ? fallback : forced->second;
    }
    int Count(const char* name) const {
        auto it = counts_.find(name);
        return it == counts_.end() ? 0 : it->second;
    }
    const std::string& Log() const { return log_; }
    /* Argument i of the last call of name; 0 when there was none. */
    long Arg(const char* name, int i) const {
        auto it = last_.find(name);
        if (it == last_.end() || i < 0 || static_cast<size_t>(i) >= it->second.size()) return 0;
        return it->second[static_cast<size_t>(i)];
    }
    void Force(const char* name, int result) {
        if (result == 0)
            forced_.erase(name);
        else
            forced_[name] = result;
    }

  private:
    std::map<std::string, int> counts_;
    std::string log_;
    std::map<std::string, std::vector<long>> last_;
    std::map<std::string, int> forced_;
};

struct Frame {
    uint32_t id = 0;
    bool extended = false;
    uint8_t dlc = 0;
    std::array<uint8_t, 8> data{};
};

/* The remote I/O unit: counts the commands it hears by type and answers
 * every request-all (type 0) with the replies it was given. */
class RioUnit {
  public:
    void Reset() {
        replies_.clear();
        commands_.fill(0);
    }
    void AddReply(const uint8_t* data) {
        Frame f;
        f.id = 0x422;
        f.dlc = 8;
        std::memcpy(f.data.data(), data, 8);
        replies_.push_back(f);
    }
    /* The unit hears one frame; returns the replies it sends. */
    std::vector<Frame> Hear(const Frame& f) {
        if (f.extended || f.id != 0x421 || f.dlc < 1) return {};
        ++commands_[f.data[0]];
        return f.data[0] == 0 ? replies_ : std::vector<Frame>{};
    }
    int Commands(int type) const {
        return (type >= 0 && type < 256) ? commands_[static_cast<size_t>(type)] : 0;
    }

  private:
    std::vector<Frame> replies_;
    std::array<int, 256> commands_{};
};

} // namespace fake
