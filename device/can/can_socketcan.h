#pragma once
// SocketCAN back-end: a raw CAN socket on a Linux network interface (can0,
// vcan0, ...), the way Linux reaches every adapter with a kernel driver and
// shares the bus with candump and cansend. Classic frames only; extended and
// remote flags are carried both ways; the receive time is the socket's own
// time stamp. The selector of a port is the interface name. The bitrate
// belongs to the interface (ip link set ... type can bitrate N), so the
// bitrate operations only return 0.
//
// Reading and writing work on a plain file descriptor that carries
// struct can_frame records; socketcan_attach hands any such descriptor to a
// port, which is how the tests drive the back-end over a socket pair.
#include <cstdint>

#include "device/can/can_adapter.h"
#include "device/can/can_driver.h"

struct SocketcanPort {
    int32_t fd = -1;                // the port's socket, -1 while closed
    const char* selector = nullptr; // interface name, not copied
};

struct SocketcanState {
    SocketcanPort port[CAN_PORT_COUNT]; // per port
};

int socketcan_open(int port, const char* interface_name);
/* Make fd the port's socket (closing one it had), non-blocking; the port
 * owns it from now on. Returns 0, or -1 for a negative fd. */
int socketcan_attach(int port, int fd);
int socketcan_close(int port);
int socketcan_transmit(int port, const CanMessage* message);
int socketcan_receive(int port, CanMessage* message);
int socketcan_port_open(int port);
/* Read one frame from fd: 0 = message written, -1 = nothing waiting. Frames
 * of the wrong size and error frames are passed over. */
int socketcan_read_fd(int fd, CanMessage* message);
/* Write one frame to fd without blocking: 0 = written, -1 = refused. */
int socketcan_write_fd(int fd, const CanMessage* message);

/* The back-end's operations for the per-port interface. */
extern const CanDriverApi socketcan_driver_api;
