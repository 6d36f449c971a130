// Simulate › USB Stick in the window: the menu shows whether the stick is
// in, Insert and Eject reach the running device, a failure is reported in
// a message box, and a change made outside shows when the menu opens.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "device/device_memory.h"
#include "device/events/event.h"
#include "device/events/usbstick.h"
#include "host/CommandLine.h"
#include "host/qt_test_support.h"
#include "host/window/MenuIds.h"
#include "host/window/SimHost.h"

using pcsim::SimHost;
namespace fs = std::filesystem;

class SimHostUsbStickTest : public QObject {
    Q_OBJECT

  private:
    pcsim_test::TemporarySettings settings;
    std::unique_ptr<QTemporaryDir> base; // the unit's storage, fresh for each test
    std::unique_ptr<SimHost> host;

    fs::path Under(const char* relative) const {
        return fs::path(base->path().toStdString()) / relative;
    }
    QAction* Insert() const { return host->MenuAction(pcsim::kMenuUsbInsert); }
    QAction* Eject() const { return host->MenuAction(pcsim::kMenuUsbEject); }
    /* Insert checked and greyed while the stick is in; Eject only then. */
    bool ShowsInserted() const {
        return Insert()->isChecked() && !Insert()->isEnabled() && Eject()->isEnabled();
    }
    bool ShowsEjected() const {
        return !Insert()->isChecked() && Insert()->isEnabled() && !Eject()->isEnabled();
    }
    QMenu* StickMenu() const {
        for (QAction* top : host->menuBar()->actions()) {
            if (!top->menu()) continue;
            for (QAction* a : top->menu()->actions()) {
                if (a->text() == "&USB Stick") return a->menu();
            }
        }
        return nullptr;
    }

  private slots:
    void init() {
        settings.Clear();
        base = std::make_unique<QTemporaryDir>();
        pcsim::CommandLineOptions options;
        options.root = base->path().toStdString();
        host = std::make_unique<SimHost>(options);
    }
    void cleanup() { host.reset(); }

    void insertAndEjectReachTheRunningDevice() {
        host->Run();
        QVERIFY(ShowsEjected());
        Insert()->trigger();
        QVERIFY(fs::is_symlink(Under("rootfs/media/disk_sda1")));
        QVERIFY(ShowsInserted());
        QTRY_COMPARE_WITH_TIMEOUT(usbstick_state(), USB_STATE_PRESENT, 5000);

        std::ofstream(Under("usb-sticks/disk_sda1/kept.txt")) << "data";
        Eject()->trigger();
        QVERIFY(ShowsEjected());
        QTRY_COMPARE_WITH_TIMEOUT(usbstick_state(), USB_STATE_NONE, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(device_memory.events.replies.load(), 2u, 5000);
        QVERIFY(fs::exists(Under("usb-sticks/disk_sda1/kept.txt")));
    }

    void aFailedInsertIsReported() {
        host->OnCreate();
        fs::create_directory(Under("rootfs/media/disk_sda1")); // made by hand: not ours to replace
        pcsim_test::MessageBoxSeen seen;
        auto answer = pcsim_test::CloseMessageBoxes(&seen);
        host->OnCommand(pcsim::kMenuUsbInsert);
        QCOMPARE(seen.title, QStringLiteral("USB Stick"));
        QCOMPARE(seen.text, QStringLiteral("The USB stick disk_sda1 could not be inserted."));
        QVERIFY2(seen.details.contains("rootfs/media/disk_sda1"), qPrintable(seen.details));
        QVERIFY(ShowsEjected());
        QVERIFY(fs::is_directory(Under("rootfs/media/disk_sda1")));
    }

    void theMenuShowsChangesMadeOutside() {
        host->OnCreate();
        // A link left from an earlier run is an inserted stick.
        fs::create_directories(Under("usb-sticks/disk_sda1"));
        fs::create_directory_symlink("../../usb-sticks/disk_sda1", Under("rootfs/media/disk_sda1"));
        QVERIFY(ShowsEjected());
        emit StickMenu()->aboutToShow();
        QVERIFY(ShowsInserted());
        fs::remove(Under("rootfs/media/disk_sda1"));
        emit StickMenu()->aboutToShow();
        QVERIFY(ShowsEjected());
    }
};

QTEST_MAIN(SimHostUsbStickTest)
#include "test_sim_host_usb_stick.moc"
