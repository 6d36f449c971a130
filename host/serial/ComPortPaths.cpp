#include "host/serial/ComPortPaths.h"

#include <cstdlib>

namespace pcsim {

bool ParseComMapping(const std::string& text, int* number, std::string* path, std::string* error) {
    const size_t equals = text.find('=');
    const std::string digits = text.substr(0, equals);
    bool ok = equals != std::string::npos && !digits.empty() && digits.size() <= 3 &&
              equals + 1 < text.size();
    for (char c : digits)
        ok = ok && c >= '0' && c <= '9';
    const int n = ok ? std::atoi(digits.c_str()) : 0;
    if (!ok || n < 1 || n > kMaxComPortNumber) {
        *error = "--com takes N=PATH, a COM number from 1 to " + std::to_string(kMaxComPortNumber) +
                 " and a device path, not '" + text + "'";
        return false;
    }
    *number = n;
    *path = text.substr(equals + 1);
    return true;
}

std::string ComPortPath(int number, const ComPortMap& mapped) {
    const auto found = mapped.find(number);
    if (found != mapped.end()) return found->second;
    const std::string variable = "PCSIM_COM" + std::to_string(number);
    const char* value = std::getenv(variable.c_str());
    if (value && *value) return value;
    return "/dev/ttyS" + std::to_string(number - 1);
}

} // namespace pcsim
