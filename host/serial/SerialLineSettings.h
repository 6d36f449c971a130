#pragma once
// The line settings of a device serial channel as terminal attributes.
#include <cstdint>
#include <string>
#include <termios.h>

namespace pcsim {

// The line parameters of a device serial channel, in table order.
constexpr int kLineBaudIndex = 0;     // index into kBaudRates
constexpr int kLineEightDataBits = 1; // non-zero: 8 data bits, else 7
constexpr int kLineParity = 2;        // 1 odd, 2 even, anything else none
constexpr int kLineTwoStopBits = 3;   // exactly 1: two stop bits, else one

constexpr int kBaudIndexCount = 13;
constexpr uint32_t kBaudRates[kBaudIndexCount] = {
    110, 300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};

/* Turn t into a raw line with the channel's speed, data bits, parity and
 * stop bits: no hardware or software flow control, modem status lines
 * ignored; received bytes are delivered as they came, a parity error never
 * replaces or drops one. False with the reason (t unchanged) when the baud
 * index is not in the table. */
bool MakeLineSettings(const int32_t params[4], termios* t, std::string* error);

} // namespace pcsim
