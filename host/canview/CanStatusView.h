#pragma once
// The state of both CAN ports in the window's status bar: one permanent
// label per port with its adapter, whether it is open, and the frames
// received and sent per second. A timer on the window's thread reads the
// counters the device keeps in atomics a few times a second; no device
// thread touches the labels. Transient messages of others in the same bar
// (showMessage) are left alone.
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>

#include "device/can/can_adapter.h"

class QLabel;
class QStatusBar;

namespace pcsim {

class CanStatusView : public QObject {
  public:
    static constexpr int kRefreshMs = 250;

    /* Adds the two labels to bar and starts refreshing; owned by bar. */
    explicit CanStatusView(QStatusBar* bar);

    /* Read the counters now; elapsedMs is the time since the view was
     * made (the rates are taken over the time since the last refresh). */
    void Refresh(qint64 elapsedMs);
    QString Text(int port) const;

    /* "CAN1: Kvaser, open, rx 12/s, tx 215/s" or "CAN2: CANdo, closed". */
    static QString Describe(int port, const CanPortStatus& status, uint32_t rxPerSecond,
                            uint32_t txPerSecond);

  private:
    std::array<QLabel*, CAN_PORT_COUNT> labels{};
    std::array<CanPortStatus, CAN_PORT_COUNT> last{}; // counters at the last refresh
    qint64 lastMs = 0;                                // time of the last refresh
    QTimer timer;
    QElapsedTimer clock;
};

} // namespace pcsim
