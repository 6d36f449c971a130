#include "host/headless/ScriptedPress.h"

#include <algorithm>

#include "host/CommandLine.h"

namespace pcsim {

bool ParseScriptedPress(const std::string& text, ScriptedPress* press, std::string* error) {
    const std::string where = "--press '" + text + "': ";
    const size_t at = text.find('@');
    if (at == std::string::npos) {
        *error = where + "expected KEY@MS[:DURATION_MS], e.g. F3@2000:150";
        return false;
    }
    const std::string key = text.substr(0, at);
    if (key.size() != 2 || (key[0] != 'F' && key[0] != 'f') || key[1] < '1' || key[1] > '5') {
        *error = where + "the key must be F1 to F5, not '" + key + "'";
        return false;
    }
    const size_t colon = text.find(':', at + 1);
    const std::string when = text.substr(at + 1, colon == std::string::npos ? std::string::npos : colon - at - 1);
    uint32_t atMs = 0;
    if (!ParseMilliseconds(when, &atMs)) {
        *error = where + "the time must be whole milliseconds from 0 to 86400000, not '" + when + "'";
        return false;
    }
    uint32_t duration = kDefaultPressMs;
    if (colon != std::string::npos) {
        const std::string length = text.substr(colon + 1);
        if (!ParseMilliseconds(length, &duration) || duration == 0) {
            *error = where + "the duration must be whole milliseconds from 1 to 86400000, not '" + length + "'";
            return false;
        }
    }
    press->key = key[1] - '0';
    press->atMs = static_cast<uint32_t>(atMs);
    press->durationMs = static_cast<uint32_t>(duration);
    return true;
}

uint8_t ScriptedKeyBits(const std::vector<ScriptedPress>& presses, uint32_t t) {
    uint8_t bits = 0;
    for (const ScriptedPress& p : presses) {
        if (t >= p.atMs && static_cast<uint64_t>(t) < static_cast<uint64_t>(p.atMs) + p.durationMs) {
            bits = static_cast<uint8_t>(bits | (1u << (p.key - 1)));
        }
    }
    return bits;
}

ScriptedKeyTimeline::ScriptedKeyTimeline(std::vector<ScriptedPress> presses) : presses_(std::move(presses)) {
    std::stable_sort(presses_.begin(), presses_.end(),
                     [](const ScriptedPress& a, const ScriptedPress& b) { return a.atMs < b.atMs; });
}

uint8_t ScriptedKeyTimeline::BitsAt(uint32_t t) {
    while (next_ < presses_.size() && presses_[next_].atMs <= t) active_.push_back(presses_[next_++]);
    const auto over = [t](const ScriptedPress& p) {
        return static_cast<uint64_t>(t) >= static_cast<uint64_t>(p.atMs) + p.durationMs;
    };
    active_.erase(std::remove_if(active_.begin(), active_.end(), over), active_.end());
    return ScriptedKeyBits(active_, t);
}

} // namespace pcsim
