#include "host/serial/SerialLineSettings.h"

namespace pcsim {

namespace {
// Terminal speeds for the baud indices.
constexpr speed_t kSpeeds[kBaudIndexCount] = {B110,    B300,    B1200,  B2400,  B4800,
                                              B9600,   B19200,  B38400, B57600, B115200,
                                              B230400, B460800, B921600};
constexpr int32_t kParityOdd = 1;
constexpr int32_t kParityEven = 2;
} // namespace

bool MakeLineSettings(const int32_t params[4], termios* t, std::string* error) {
    const int32_t baud = params[kLineBaudIndex];
    if (baud < 0 || baud >= kBaudIndexCount) {
        *error = "the device's baud index " + std::to_string(baud) + " is not one of 0 to " +
                 std::to_string(kBaudIndexCount - 1);
        return false;
    }
    cfmakeraw(t);
    t->c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK | ISTRIP);
    t->c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t->c_cflag |= CLOCAL | CREAD | (params[kLineEightDataBits] ? CS8 : CS7);
    // With parity the port sends it and expects it on the line, but input
    // parity checking (INPCK) stays off: with it, and without IGNPAR or
    // PARMRK, the terminal would hand over a byte with a parity error as a
    // NUL byte instead of the byte received.
    const int32_t parity = params[kLineParity];
    if (parity == kParityOdd || parity == kParityEven) {
        t->c_cflag |= PARENB | (parity == kParityOdd ? PARODD : 0);
    }
    if (params[kLineTwoStopBits] == 1) t->c_cflag |= CSTOPB;
    cfsetispeed(t, kSpeeds[baud]);
    cfsetospeed(t, kSpeeds[baud]);
    return true;
}

} // namespace pcsim
