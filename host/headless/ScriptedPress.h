#pragma once
// Scripted key presses of a headless run: "KEY@MS[:DURATION_MS]".
#include <cstdint>
#include <string>
#include <vector>

namespace pcsim {

constexpr uint32_t kDefaultPressMs = 100;

struct ScriptedPress {
    int key = 0;                          // 1-5 (F1-F5)
    uint32_t atMs = 0;                    // virtual time the key goes down
    uint32_t durationMs = kDefaultPressMs; // how long it stays down
};

/* Parse "F3@3000" or "F3@3000:250"; false with the reason in error. */
bool ParseScriptedPress(const std::string& text, ScriptedPress* press, std::string* error);

/* Raw key bits at virtual time t: key k is down while atMs <= t < atMs + durationMs. */
uint8_t ScriptedKeyBits(const std::vector<ScriptedPress>& presses, uint32_t t);

/* The same bits for a run whose time only moves forward, at a cost that
 * does not grow with the length of the script: a long soak has thousands
 * of presses and asks at every 5 ms step. */
class ScriptedKeyTimeline {
  public:
    explicit ScriptedKeyTimeline(std::vector<ScriptedPress> presses);
    /* ScriptedKeyBits(presses, t); t must not be smaller than last time. */
    uint8_t BitsAt(uint32_t t);

  private:
    std::vector<ScriptedPress> presses_; // by atMs
    size_t next_ = 0;                    // first press not yet begun
    std::vector<ScriptedPress> active_;  // begun and perhaps not yet over
};

} // namespace pcsim
