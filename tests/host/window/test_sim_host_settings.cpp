// The persisted settings: first-run defaults, what a run leaves behind and
// how the next run picks it up, and stored values that do not make sense.
#include <QAction>
#include <QtTest>
#include <memory>

#include "host/qt_test_support.h"
#include "host/window/DisplayWidget.h"
#include "host/window/MenuIds.h"
#include "host/window/SimHost.h"

using pcsim::SimHost;

namespace {
QByteArray Bytes(std::initializer_list<uint8_t> bytes) {
    QByteArray out;
    for (uint8_t b : bytes)
        out.append(static_cast<char>(b));
    return out;
}

bool Checked(const SimHost& host, int id) {
    return host.MenuAction(id)->isChecked();
}
} // namespace

class SimHostSettingsTest : public QObject {
    Q_OBJECT

  private:
    pcsim_test::TemporarySettings settings;
    pcsim_test::TemporaryStorage storage;

  private slots:
    void init() {
        settings.Clear();
        storage.Renew();
    }

    void firstRunDefaults() {
        SimHost host(storage.Options());
        QCOMPARE(host.Zoom(), 1);
        QCOMPARE(host.GridEnabled(), 0);
        QCOMPARE(host.GridWidth(), 10);
        QCOMPARE(host.WindowPos()[0], SimHost::kUnknownPosition);
        QCOMPARE(host.WindowPos()[1], SimHost::kUnknownPosition);
        host.OnCreate();
        QVERIFY(Checked(host, pcsim::kMenuZoom1));
        QVERIFY(Checked(host, pcsim::kMenuNoGrid));
        for (int id :
             {pcsim::kMenuGrid40, pcsim::kMenuGrid20, pcsim::kMenuGrid10, pcsim::kMenuGrid5}) {
            QVERIFY(!Checked(host, id));
        }
        QCOMPARE(host.Display()->size(), QSize(407, 421));
    }

    void gridChoiceSurvivesARestart() {
        {
            SimHost host(storage.Options());
            host.OnCreate();
            host.OnCommand(pcsim::kMenuGrid20);
            host.OnCommand(pcsim::kMenuNoGrid);
        }
        QSettings store = pcsim_test::TemporarySettings::Store();
        QCOMPARE(store.value("GridEnabled").toByteArray(), Bytes({0, 0, 0, 0}));
        QCOMPARE(store.value("GridWidth").toByteArray(), Bytes({20, 0, 0, 0}));
        SimHost host(storage.Options());
        host.OnCreate();
        QVERIFY(Checked(host, pcsim::kMenuNoGrid));
        QVERIFY(!Checked(host, pcsim::kMenuGrid20));
        host.OnCommand(pcsim::kMenuNoGrid);
        QCOMPARE(host.GridWidth(), 20);
    }

    void everyValueIsStoredWithItsSize() {
        {
            SimHost host(storage.Options());
            host.OnCreate();
            host.OnCommand(pcsim::kMenuZoom2);
            host.OnCommand(pcsim::kMenuGrid5);
        }
        QSettings store = pcsim_test::TemporarySettings::Store();
        QCOMPARE(store.value("MainWindowTopLeft").toByteArray().size(), 8);
        QCOMPARE(store.value("ZoomFactor").toByteArray(), Bytes({2, 0, 0, 0}));
        QCOMPARE(store.value("GridEnabled").toByteArray(), Bytes({1, 0, 0, 0}));
        QCOMPARE(store.value("GridWidth").toByteArray(), Bytes({5, 0, 0, 0}));
        QCOMPARE(store.value("COMPort").toByteArray(), Bytes({0}));
        QCOMPARE(store.value("COMPortConnected").toByteArray(), Bytes({0, 0, 0, 0}));
    }

    void zoomFourAndPositionComeBack() {
        {
            QSettings store = pcsim_test::TemporarySettings::Store();
            store.setValue("ZoomFactor", Bytes({4, 0, 0, 0}));
            store.setValue("MainWindowTopLeft", Bytes({100, 0, 0, 0, 0x32, 0, 0, 0}));
        }
        SimHost host(storage.Options());
        QCOMPARE(host.WindowPos()[0], 100);
        QCOMPARE(host.WindowPos()[1], 50);
        host.OnCreate();
        QCOMPARE(host.Zoom(), 4);
        QVERIFY(Checked(host, pcsim::kMenuZoom4));
        QCOMPARE(host.Display()->size(), QSize(1280, 960));
    }

    void storedValuesThatMakeNoSense_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("gridEnabled");
        QTest::addColumn<int>("gridWidth");
        QTest::newRow("zoom 3") << "ZoomFactor" << Bytes({3, 0, 0, 0}) << 1 << 0 << 10;
        QTest::newRow("zoom 0") << "ZoomFactor" << Bytes({0, 0, 0, 0}) << 1 << 0 << 10;
        QTest::newRow("zoom -4") << "ZoomFactor" << Bytes({0xFC, 0xFF, 0xFF, 0xFF}) << 1 << 0 << 10;
        QTest::newRow("zoom 2 in 5 bytes (too long)")
            << "ZoomFactor" << Bytes({2, 0, 0, 0, 0}) << 1 << 0 << 10;
        QTest::newRow("zoom 2 in one byte") << "ZoomFactor" << Bytes({2}) << 2 << 0 << 10;
        QTest::newRow("zoom as text") << "ZoomFactor" << QByteArray("4") << 1 << 0 << 10;
        QTest::newRow("grid width 7") << "GridWidth" << Bytes({7, 0, 0, 0}) << 1 << 0 << 10;
        QTest::newRow("grid width 0") << "GridWidth" << Bytes({0, 0, 0, 0}) << 1 << 0 << 10;
        QTest::newRow("grid width 40") << "GridWidth" << Bytes({40, 0, 0, 0}) << 1 << 0 << 40;
        QTest::newRow("grid enabled 2") << "GridEnabled" << Bytes({2, 0, 0, 0}) << 1 << 0 << 10;
        QTest::newRow("grid enabled 1") << "GridEnabled" << Bytes({1, 0, 0, 0}) << 1 << 1 << 10;
    }
    void storedValuesThatMakeNoSense() {
        QFETCH(QString, name);
        QFETCH(QByteArray, stored);
        QFETCH(int, zoom);
        QFETCH(int, gridEnabled);
        QFETCH(int, gridWidth);
        pcsim_test::TemporarySettings::Store().setValue(name, stored);
        SimHost host(storage.Options());
        QCOMPARE(host.Zoom(), zoom);
        QCOMPARE(host.GridEnabled(), gridEnabled);
        QCOMPARE(host.GridWidth(), gridWidth);
        host.OnCreate(); // and the window comes up with them
        QCOMPARE(int(host.GridBits().size()), 320 * zoom * 240 * zoom);
    }
};

QTEST_MAIN(SimHostSettingsTest)
#include "test_sim_host_settings.moc"
