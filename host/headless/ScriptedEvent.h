#pragma once
// Scripted user events of a headless run: "N@MS" raises Event N (1 or 2,
// as the menu names them; the device receives N - 1) at virtual time MS.
#include <cstdint>
#include <string>

namespace pcsim {

struct ScriptedEvent {
    int event = 0;     // 1 or 2
    uint32_t atMs = 0; // virtual time it is raised
};

/* Parse "1@2500"; false with the reason in error. */
bool ParseScriptedEvent(const std::string& text, ScriptedEvent* event, std::string* error);

} // namespace pcsim
