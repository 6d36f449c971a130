#include "host/can/CanAdapterOption.h"

#include "device/can/can_adapter.h"
#include "device/can/can_queue.h"
#include "device/can/can_replay.h"

namespace pcsim {

namespace {
constexpr size_t kMaxInterfaceName = 15; // IFNAMSIZ without its NUL
constexpr int kMaxKvaserChannel = 255;
constexpr char kForms[] = "kvaser[:CHANNEL], cando[:SERIAL], replay:FILE or socketcan:INTERFACE";

bool ParseChannel(const std::string& text, std::string* error) {
    bool digits = !text.empty() && text.size() <= 3;
    for (char c : text)
        digits = digits && c >= '0' && c <= '9';
    if (!digits || std::stoi(text) > kMaxKvaserChannel) {
        *error = "a Kvaser channel is a number from 0 to 255, not '" + text + "'";
        return false;
    }
    return true;
}
} // namespace

bool ParseCanAdapter(const std::string& text, CanPortChoice* choice, std::string* error) {
    const size_t colon = text.find(':');
    const std::string kind = text.substr(0, colon);
    const bool named = colon != std::string::npos;
    const std::string name = named ? text.substr(colon + 1) : std::string();
    CanPortChoice s;
    s.given = true;
    s.hasSelector = named;
    s.selector = name;
    if (named && name.empty()) {
        *error = "nothing after ':' in '" + text + "'; give " + kForms;
        return false;
    }
    if (name.size() >= CAN_SELECTOR_MAX) {
        *error = "the name in '" + text.substr(0, 40) + "...' is too long";
        return false;
    }
    if (kind == "kvaser") {
        s.adapter = CAN_ADAPTER_KVASER;
        if (named && !ParseChannel(name, error)) return false;
    } else if (kind == "cando") {
        s.adapter = CAN_ADAPTER_CANDO;
    } else if (kind == "replay") {
        s.adapter = CAN_ADAPTER_REPLAY;
        if (!named) {
            *error = "replay needs a trace file: replay:FILE";
            return false;
        }
        switch (replay_check_file(name.c_str())) {
        case REPLAY_FILE_OK:
            break;
        case REPLAY_FILE_UNREADABLE:
            *error = "cannot read the trace file '" + name + "'";
            return false;
        case REPLAY_FILE_NOT_CTB:
            *error = "'" + name + "' is not a CTB trace of version 2";
            return false;
        }
    } else if (kind == "socketcan") {
        s.adapter = CAN_ADAPTER_SOCKETCAN;
        if (!named || name.size() > kMaxInterfaceName) {
            *error = "socketcan needs an interface name of 1 to 15 characters: socketcan:INTERFACE";
            return false;
        }
    } else {
        *error = "unknown adapter '" + kind + "'; give " + kForms;
        return false;
    }
    *choice = s;
    return true;
}

} // namespace pcsim
