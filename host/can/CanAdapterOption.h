#pragma once
// The adapter of one CAN port as given on the command line (--can0 ADAPTER,
// --can1 ADAPTER): kvaser[:CHANNEL], cando[:SERIAL], replay:FILE or
// socketcan:INTERFACE.
#include <cstdint>
#include <string>

namespace pcsim {

struct CanPortChoice {
    bool given = false;       // the option was on the command line
    int32_t adapter = 1;      // CanAdapterType of the device (1: Kvaser)
    bool hasSelector = false; // a channel, serial, file or interface was named
    std::string selector;     // that name
};

/* Read an ADAPTER; false with a one-line reason (without the option's name)
 * for a wrong one. A replay file must exist and be a CTB trace. */
bool ParseCanAdapter(const std::string& text, CanPortChoice* choice, std::string* error);

} // namespace pcsim
