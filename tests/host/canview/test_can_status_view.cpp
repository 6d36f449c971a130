// The CAN part of the window's status bar.
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QtTest>

#include "device/device_memory.h"
#include "host/canview/CanStatusView.h"
#include "host/qt_test_support.h"
#include "host/run/SimulationRunner.h"
#include "host/window/SimHost.h"

using pcsim::CanStatusView;

class TestCanStatusView : public QObject {
    Q_OBJECT

    pcsim_test::TemporarySettings settings;
    pcsim_test::TemporaryStorage storage;

  private slots:
    void init() { device_memory_reset(); }

    void describe_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("adapter");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("text");
        QTest::newRow("kvaser open") << 0 << 1 << true << "CAN1: Kvaser, open, rx 12/s, tx 215/s";
        QTest::newRow("kvaser closed") << 1 << 1 << false << "CAN2: Kvaser, closed";
        QTest::newRow("cando") << 0 << 0 << true << "CAN1: CANdo, open, rx 12/s, tx 215/s";
        QTest::newRow("unknown type is CANdo") << 1 << 9 << false << "CAN2: CANdo, closed";
        QTest::newRow("replay") << 1 << 2 << true << "CAN2: replay, open, rx 12/s, tx 215/s";
        QTest::newRow("socketcan") << 0 << 3 << false << "CAN1: SocketCAN, closed";
    }
    void describe() {
        QFETCH(int, port);
        QFETCH(int, adapter);
        QFETCH(bool, open);
        QFETCH(QString, text);
        CanPortStatus s{};
        s.adapter = adapter;
        s.open = open ? 1 : 0;
        QCOMPARE(CanStatusView::Describe(port, s, 12, 215), text);
    }

    /* Rates over the time since the last refresh, from the device's
     * counters; a wrapped counter still counts right. */
    void refreshTakesRatesFromTheCounters() {
        QMainWindow window;
        auto* view = new CanStatusView(window.statusBar());
        CanAdapterState& a = device_memory.can.adapter;
        a.type[0] = 1;
        a.open[0] = 1;
        a.rx_frames[0] = 0xFFFFFFF0u;
        view->Refresh(500);     // a first span to start from
        a.rx_frames[0] = 0x10u; // 32 more, across the wrap
        a.tx_frames[0] = 100u;
        view->Refresh(1000);
        QCOMPARE(view->Text(0), QStringLiteral("CAN1: Kvaser, open, rx 64/s, tx 200/s"));
        QCOMPARE(view->Text(1), QStringLiteral("CAN2: CANdo, closed"));
        QCOMPARE(window.statusBar()->findChildren<QLabel*>().size(), 2);
    }

    /* The window shows both ports; without a library they are closed. */
    void windowHasTheStatusBar() {
        pcsim::SimHost host(storage.Options());
        host.OnCreate();
        const QList<QLabel*> labels = host.statusBar()->findChildren<QLabel*>();
        QCOMPARE(labels.size(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(labels[0]->text(), QStringLiteral("CAN1: Kvaser, closed"), 2000);
        QCOMPARE(labels[1]->text(), QStringLiteral("CAN2: Kvaser, closed"));
        host.Runner().Stop();
    }
};

QTEST_MAIN(TestCanStatusView)
#include "test_can_status_view.moc"
