// View > CAN Traffic: the table's two modes, pause and clear, and that the
// tap copies frames for the view only while it is shown and running.
#include <QApplication>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>

#include "device/can/can_adapter.h"
#include "device/device_memory.h"
#include "host/can/CanTap.h"
#include "host/canview/CanTrafficView.h"
#include "host/qt_test_support.h"
#include "host/window/MenuIds.h"
#include "host/window/SimHost.h"

using pcsim::CanTrafficModel;
using pcsim::CanTrafficView;
using pcsim::TapFrame;

namespace {

TapFrame Frame(uint64_t timeUs, uint8_t port, uint8_t sent, uint32_t id, std::initializer_list<uint8_t> data,
               uint8_t extended = 0) {
    TapFrame f{};
    f.timeUs = timeUs;
    f.port = port;
    f.sent = sent;
    f.id = id;
    f.extended = extended;
    f.dlc = static_cast<uint8_t>(data.size());
    std::copy(data.begin(), data.end(), f.data);
    return f;
}

QStringList Row(const CanTrafficModel& model, int row) {
    QStringList cells;
    for (int c = 0; c < model.columnCount(); ++c) cells << model.index(row, c).data().toString();
    return cells;
}

CanMessage Message(uint32_t id, uint8_t dlc) {
    CanMessage m{};
    m.id = id;
    m.dlc = dlc;
    return m;
}

} // namespace

class TestCanTrafficView : public QObject {
    Q_OBJECT

    pcsim_test::TemporarySettings settings;

  private slots:
    void init() {
        device_memory_reset();
        pcsim::CanTapInstall();
    }

    void chronologicalAndByIdentifier() {
        CanTrafficModel model(1000000);
        const TapFrame frames[] = {
            Frame(1000000, 0, 1, 0x111, {0x01, 0x02}),
            Frame(1100000, 1, 0, 0x1ABCDEF0, {0xFF}, 1),
            Frame(1200000, 0, 1, 0x111, {0x03, 0x04}),
            Frame(1450000, 0, 1, 0x111, {0x05}),
        };
        model.Append(frames, 4);
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(Row(model, 0), QStringList({"0.000", "CAN1", "Tx", "111", "2", "01 02"}));
        QCOMPARE(Row(model, 1), QStringList({"0.100", "CAN2", "Rx", "1ABCDEF0", "1", "FF"}));

        model.SetMode(CanTrafficModel::Mode::ByIdentifier);
        QCOMPARE(model.rowCount(), 2);
        // Count, the mean period, the last data.
        QCOMPARE(Row(model, 0), QStringList({"CAN1", "Tx", "111", "3", "225.0", "1", "05", "0.450"}));
        QCOMPARE(Row(model, 1), QStringList({"CAN2", "Rx", "1ABCDEF0", "1", "", "1", "FF", "0.100"}));
        // A new identifier while this mode is shown is a new row.
        const TapFrame more = Frame(1500000, 0, 0, 0x422, {});
        model.Append(&more, 1);
        QCOMPARE(model.rowCount(), 3);
        model.SetMode(CanTrafficModel::Mode::Chronological);
        QCOMPARE(model.rowCount(), 5);
        model.Clear();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.FramesSeen(), 0u);
    }

    void chronologicalKeepsTheNewestRows() {
        CanTrafficModel model(0);
        std::vector<TapFrame> frames;
        for (int i = 0; i < CanTrafficModel::kMaxRows + 5; ++i) frames.push_back(Frame(i, 0, 0, i & 0x7FF, {}));
        model.Append(frames.data(), 7);
        model.Append(frames.data() + 7, static_cast<uint32_t>(frames.size() - 7));
        QCOMPARE(model.rowCount(), CanTrafficModel::kMaxRows);
        QCOMPARE(model.index(0, 3).data().toString(), QStringLiteral("005"));
        QCOMPARE(model.FramesSeen(), uint64_t(CanTrafficModel::kMaxRows + 5));
    }

    /* Rows by identifier stop at kMaxIdRows (29-bit identifiers are far too
     * many): the frames of further identifiers are counted and said in the
     * status line, while identifiers that have a row go on counting. */
    void byIdentifierKeepsItsRowsBoundedAndCountsTheRest() {
        CanTrafficView view;
        pcsim::CanTapRingOf(pcsim::TapReader::TrafficView).DiscardWaiting();
        CanTrafficModel& model = view.Model();
        model.SetMode(CanTrafficModel::Mode::ByIdentifier);
        std::vector<TapFrame> frames;
        for (int i = 0; i < CanTrafficModel::kMaxIdRows + 3; ++i)
            frames.push_back(
                Frame(static_cast<uint64_t>(i), 0, 0, 0x100000u + static_cast<uint32_t>(i), {}, 1));
        model.Append(frames.data(), 10);
        model.Append(frames.data() + 10, static_cast<uint32_t>(frames.size() - 10));
        QCOMPARE(model.rowCount(), CanTrafficModel::kMaxIdRows);
        QCOMPARE(model.FramesWithoutRow(), uint64_t{3});

        const TapFrame again = Frame(20000, 0, 0, 0x100000, {0x42}, 1);
        model.Append(&again, 1);
        QCOMPARE(Row(model, 0).mid(2, 5), QStringList({"00100000", "2", "20.0", "1", "42"}));
        QCOMPARE(model.FramesWithoutRow(), uint64_t{3});
        view.Refresh();
        QCOMPARE(view.StatusText(),
                 QStringLiteral(
                     "10004 frames, 3 without a row by identifier (10000 identifiers at most)"));
        view.Clear();
        QCOMPARE(model.FramesWithoutRow(), uint64_t{0});
        QCOMPARE(view.StatusText(), QStringLiteral("0 frames"));
    }

    /* The device's hooks copy for the view only while it is shown and not
     * paused; what came while paused does not appear later. */
    void showsTheDevicesFramesWhileShownAndRunning() {
        CanTrafficView view;
        CanMessage m = Message(0x123, 0);
        pcsim::CanTapOnReceive(0, &m); // not shown yet
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(pcsim::CanTapRingOf(pcsim::TapReader::TrafficView).Enabled());
        m.id = 0x124;
        pcsim::CanTapOnReceive(1, &m);
        pcsim::CanTapOnTransmit(0, &m);
        view.Refresh();
        QCOMPARE(view.Model().rowCount(), 2);
        QCOMPARE(view.StatusText(), QStringLiteral("2 frames"));

        view.SetPaused(true);
        QVERIFY(!pcsim::CanTapRingOf(pcsim::TapReader::TrafficView).Enabled());
        pcsim::CanTapOnReceive(0, &m);
        view.SetPaused(false);
        view.Refresh();
        QCOMPARE(view.Model().rowCount(), 2);

        view.SetMode(CanTrafficModel::Mode::ByIdentifier);
        QCOMPARE(view.Model().rowCount(), 2); // 0x124 received on CAN2 and sent on CAN1
        view.Clear();
        QCOMPARE(view.Model().rowCount(), 0);
        view.hide();
        QVERIFY(!pcsim::CanTapRingOf(pcsim::TapReader::TrafficView).Enabled());
    }

    void viewMenuOpensIt() {
        pcsim::SimHost host;
        QCOMPARE(host.CanTraffic(), nullptr);
        host.OnCommand(pcsim::kMenuCanTraffic);
        QVERIFY(host.CanTraffic() != nullptr);
        QVERIFY(host.CanTraffic()->isVisible());
        QCOMPARE(host.CanTraffic()->windowTitle(), QStringLiteral("CAN Traffic"));
        CanTrafficView* first = host.CanTraffic();
        host.OnCommand(pcsim::kMenuCanTraffic);
        QCOMPARE(host.CanTraffic(), first);
    }
};

QTEST_MAIN(TestCanTrafficView)
#include "test_can_traffic_view.moc"
