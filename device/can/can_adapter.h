#pragma once
// Per-port CAN driver interface (0 on success, -1 on failure).
#include <cstdint>

int can_set_bitrate(int port, uint32_t bitrate);
int can_open(int port);
