#include "host/can/CanSetup.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "device/can/can_library.h"
#include "device/can/can_queue.h"

namespace pcsim {

void ApplyCanOptions(const CommandLineOptions& options) {
    std::string dir = options.canLibDir;
    if (dir.empty()) {
        const char* variable = std::getenv(kCanLibDirVariable);
        dir = variable ? variable : "";
        std::error_code ignored;
        if (!dir.empty() &&
            (!std::filesystem::is_directory(dir, ignored) || dir.size() >= CAN_LIBRARY_DIR_MAX)) {
            std::fprintf(stderr,
                         "pc-simulator: %s='%s' is not a directory; CAN libraries come from the "
                         "loader path\n",
                         kCanLibDirVariable, dir.c_str());
            dir.clear();
        }
    }
    can_set_library_dir(dir.empty() ? nullptr : dir.c_str());
    for (int port = 0; port < 2; ++port) {
        const CanPortChoice& choice = options.can[port];
        if (choice.given)
            can_choose_adapter(port, choice.adapter,
                               choice.hasSelector ? choice.selector.c_str() : nullptr);
    }
}

} // namespace pcsim
