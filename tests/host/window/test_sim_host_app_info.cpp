// The window of an application other than the demo (examples/hello): what
// the window shows of the application comes from its app_info.
#include <QtTest>

#include "host/qt_test_support.h"
#include "host/window/SimHost.h"

class SimHostAppInfoTest : public QObject {
    Q_OBJECT

  private:
    pcsim_test::TemporarySettings settings;
    pcsim_test::TemporaryStorage storage;

  private slots:
    void titleIsTheApplicationsOwn() {
        pcsim::SimHost host(storage.Options());
        QCOMPARE(host.windowTitle(), QStringLiteral("Hello - PC Simulator"));
    }
};

QTEST_MAIN(SimHostAppInfoTest)
#include "test_sim_host_app_info.moc"
