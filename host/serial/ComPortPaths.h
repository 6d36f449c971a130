#pragma once
// Which device file "COMn" names. By default the n-th serial port,
// /dev/ttyS(n-1); the environment variable PCSIM_COMn or the option
// --com N=PATH points any COM number at any device (a USB serial adapter,
// a pseudo-terminal), the option winning over the environment.
#include <map>
#include <string>

namespace pcsim {

constexpr int kMaxComPortNumber = 127; // the port number is a signed byte

/* COM number -> device path, as given with --com. */
using ComPortMap = std::map<int, std::string>;

/* Read "N=PATH" (N from 1 to kMaxComPortNumber, PATH not empty); false
 * with a one-line reason in error for anything else. */
bool ParseComMapping(const std::string& text, int* number, std::string* path, std::string* error);

/* The device path of COMn: mapped[n], else $PCSIM_COMn when set and not
 * empty, else /dev/ttyS(n-1). */
std::string ComPortPath(int number, const ComPortMap& mapped);

} // namespace pcsim
