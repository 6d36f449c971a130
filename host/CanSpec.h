#pragma once
// The adapter of one CAN port as given on the command line (--can0 SPEC,
// --can1 SPEC): kvaser[:CHANNEL], cando[:SERIAL], replay:FILE or
// socketcan:INTERFACE.
#include <cstdint>
#include <string>

namespace pcsim {

struct CanPortSpec {
    bool given = false;       // the option was on the command line
    int32_t adapter = 1;      // CanAdapterType of the device (1: Kvaser)
    bool hasSelector = false; // a channel, serial, file or interface was named
    std::string selector;     // that name
};

/* Read a SPEC; false with a one-line reason (without the option's name)
 * for a wrong one. A replay file must exist and be a CTB trace. */
bool ParseCanSpec(const std::string& text, CanPortSpec* spec, std::string* error);

} // namespace pcsim
