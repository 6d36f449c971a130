#include "host/canview/CanStatusView.h"

#include <QLabel>
#include <QStatusBar>

namespace pcsim {

namespace {
const char* AdapterName(int32_t type) {
    switch (type) {
    case CAN_ADAPTER_KVASER:
        return "Kvaser";
    case CAN_ADAPTER_REPLAY:
        return "replay";
    case CAN_ADAPTER_SOCKETCAN:
        return "SocketCAN";
    default:
        return "CANdo";
    }
}

CanPortStatus Read(int port) {
    CanPortStatus s{};
    can_port_status(port, &s);
    return s;
}
} // namespace

CanStatusView::CanStatusView(QStatusBar* bar) : QObject(bar) {
    for (int port = 0; port < CAN_PORT_COUNT; ++port) {
        labels[port] = new QLabel(bar);
        bar->addPermanentWidget(labels[port]);
        last[port] = Read(port);
        labels[port]->setText(Describe(port, last[port], 0, 0));
    }
    clock.start();
    connect(&timer, &QTimer::timeout, this, [this] { Refresh(clock.elapsed()); });
    timer.start(kRefreshMs);
}

void CanStatusView::Refresh(qint64 elapsedMs) {
    const qint64 span = elapsedMs - lastMs;
    if (span <= 0) return;
    for (int port = 0; port < CAN_PORT_COUNT; ++port) {
        const CanPortStatus now = Read(port);
        // Unsigned differences: the counters may wrap.
        const uint64_t rx = static_cast<uint32_t>(now.rx_frames - last[port].rx_frames);
        const uint64_t tx = static_cast<uint32_t>(now.tx_frames - last[port].tx_frames);
        const auto perSecond = [span](uint64_t n) {
            return static_cast<uint32_t>((n * 1000 + span / 2) / span);
        };
        labels[port]->setText(Describe(port, now, perSecond(rx), perSecond(tx)));
        last[port] = now;
    }
    lastMs = elapsedMs;
}

QString CanStatusView::Text(int port) const {
    return labels[port]->text();
}

QString CanStatusView::Describe(int port, const CanPortStatus& s, uint32_t rxPerSecond,
                                uint32_t txPerSecond) {
    QString text = QStringLiteral("CAN%1: %2, ")
                       .arg(port + 1)
                       .arg(QString::fromLatin1(AdapterName(s.adapter)));
    if (!s.open) return text + QStringLiteral("closed");
    return text + QStringLiteral("open, rx %1/s, tx %2/s").arg(rxPerSecond).arg(txPerSecond);
}

} // namespace pcsim
