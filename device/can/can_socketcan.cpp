#include "device/can/can_socketcan.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/can.h>
#include <linux/can/raw.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "device/can/can_library.h"
#include "device/device_memory.h"
#include "device/services/time_base.h"

static SocketcanState& ss() {
    return device_memory.can.socketcan;
}

namespace {

/* "SOCKETCAN: Failed to map CAN port %d to <interface>" */
int fail_open(int port, const char* interface_name) {
    return can_report_failed_map("SOCKETCAN", interface_name ? interface_name : "(no interface)",
                                 port);
}

} // namespace

int socketcan_read_fd(int fd, CanMessage* message) {
    for (;;) {
        can_frame frame{};
        iovec io{&frame, sizeof frame};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timeval))];
        msghdr msg{};
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = recvmsg(fd, &msg, MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n != static_cast<ssize_t>(sizeof frame) || (msg.msg_flags & MSG_TRUNC)) continue;
        if (frame.can_id & CAN_ERR_FLAG) continue;

        const bool extended = (frame.can_id & CAN_EFF_FLAG) != 0;
        message->id = frame.can_id & (extended ? CAN_EFF_MASK : CAN_SFF_MASK);
        message->extended = extended ? 1 : 0;
        message->remote = (frame.can_id & CAN_RTR_FLAG) ? 1 : 0;
        message->dlc = frame.len > 8 ? 8 : frame.len;
        std::memcpy(message->data, frame.data, 8);
        message->timestamp_us = sys_time_us();
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_TIMESTAMP) {
                timeval tv;
                std::memcpy(&tv, CMSG_DATA(c), sizeof tv);
                message->timestamp_us =
                    static_cast<uint64_t>(tv.tv_sec) * 1000000u + static_cast<uint64_t>(tv.tv_usec);
            }
        }
        return 0;
    }
}

int socketcan_write_fd(int fd, const CanMessage* message) {
    can_frame frame{};
    frame.can_id = message->extended ? (message->id & CAN_EFF_MASK) | CAN_EFF_FLAG
                                     : message->id & CAN_SFF_MASK;
    if (message->remote) frame.can_id |= CAN_RTR_FLAG;
    frame.len = message->dlc > 8 ? 8 : message->dlc;
    std::memcpy(frame.data, message->data, frame.len);
    ssize_t n;
    do {
        n = send(fd, &frame, sizeof frame, MSG_DONTWAIT | MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(sizeof frame) ? 0 : -1;
}

int socketcan_attach(int port, int fd) {
    if (fd < 0) return -1;
    SocketcanPort& p = ss().port[port];
    if (p.fd >= 0 && p.fd != fd) close(p.fd);
    p.fd = fd;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int on = 1;
    // Without kernel time stamps the device clock stands in.
    setsockopt(fd, SOL_SOCKET, SO_TIMESTAMP, &on, sizeof on);
    return 0;
}

/* Opening a real CAN socket needs a kernel with CAN support and an
 * interface; the rest of the back-end is tested on socket pairs. */
int socketcan_open(int port, const char* interface_name) {
    SocketcanPort& p = ss().port[port];
    p.selector = interface_name;
    if (p.fd >= 0) return 0;
    if (!interface_name || std::strlen(interface_name) >= IFNAMSIZ)
        return fail_open(port, interface_name);
    const int fd = socket(PF_CAN, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, CAN_RAW);
    if (fd < 0) return fail_open(port, interface_name);
    ifreq request{};
    std::strncpy(request.ifr_name, interface_name, IFNAMSIZ - 1);
    sockaddr_can address{};
    address.can_family = AF_CAN;
    if (ioctl(fd, SIOCGIFINDEX, &request) < 0) {
        close(fd);
        return fail_open(port, interface_name);
    }
    address.can_ifindex = request.ifr_ifindex;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0) {
        close(fd);
        return fail_open(port, interface_name);
    }
    socketcan_attach(port, fd);
    can_report("SOCKETCAN: Mapped CAN port %d to SocketCAN (If:%s)\n", port + 1, interface_name);
    return 0;
}

int socketcan_close(int port) {
    SocketcanPort& p = ss().port[port];
    if (p.fd >= 0) close(p.fd);
    p.fd = -1;
    return 0;
}

int socketcan_transmit(int port, const CanMessage* message) {
    const int fd = ss().port[port].fd;
    return fd >= 0 ? socketcan_write_fd(fd, message) : -1;
}

int socketcan_receive(int port, CanMessage* message) {
    const int fd = ss().port[port].fd;
    return fd >= 0 ? socketcan_read_fd(fd, message) : -1;
}

int socketcan_port_open(int port) {
    return ss().port[port].fd >= 0;
}

/* No library to bind; the bitrate belongs to the interface. */
const CanDriverApi socketcan_driver_api = {
    .bind = nullptr,
    .open = socketcan_open,
    .close = socketcan_close,
    .set_bitrate = nullptr,
    .set_bit_timing = nullptr,
    .transmit = socketcan_transmit,
    .receive = socketcan_receive,
    .port_open = socketcan_port_open,
    .shutdown = nullptr,
    .receive_may_close = 0,
};
