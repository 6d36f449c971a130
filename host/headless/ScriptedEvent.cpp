#include "host/headless/ScriptedEvent.h"

#include "host/CommandLine.h"

namespace pcsim {

bool ParseScriptedEvent(const std::string& text, ScriptedEvent* event, std::string* error) {
    const std::string where = "--event '" + text + "': ";
    const size_t at = text.find('@');
    if (at == std::string::npos) {
        *error = where + "expected N@MS, e.g. 1@2500";
        return false;
    }
    const std::string number = text.substr(0, at);
    if (number != "1" && number != "2") {
        *error = where + "the event must be 1 or 2, not '" + number + "'";
        return false;
    }
    const std::string when = text.substr(at + 1);
    uint32_t atMs = 0;
    if (!ParseMilliseconds(when, &atMs)) {
        *error =
            where + "the time must be whole milliseconds from 0 to 86400000, not '" + when + "'";
        return false;
    }
    event->event = number[0] - '0';
    event->atMs = atMs;
    return true;
}

} // namespace pcsim
