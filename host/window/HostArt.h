#pragma once
// The compiled-in pictures of the window (drawn by tools/draw_host_art.py,
// compiled in by the Qt resource system).

namespace pcsim {

inline constexpr char kBezelPicture[] =
    ":/art/bezel.png"; // 407 x 421, screen opening (43, 60)-(363, 300)
inline constexpr char kWindowIcon[] = ":/art/icon.png";     // 64 x 64
inline constexpr char kDeviceCursor[] = ":/art/cursor.png"; // 32 x 32 crosshair
constexpr int kDeviceCursorHotX = 15;                       // the crosshair's centre
constexpr int kDeviceCursorHotY = 15;

} // namespace pcsim
