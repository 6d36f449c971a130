// The USB stick of the menu and the headless options: the folder, the link
// and the command file it makes, what the device answers, and what it
// refuses to touch.
#include <gtest/gtest.h>

#include <filesystem>

#include "device/device_memory.h"
#include "device/events/event.h"
#include "device/events/usbstick.h"
#include "device/runtime/sys.h"
#include "host/CommandLine.h"
#include "host/storage/StorageSetup.h"
#include "host/storage/UsbStick.h"
#include "host/storage_temp_dir.h"

namespace {

namespace fs = std::filesystem;
using pcsim::UsbStick;

class UsbStickTest : public testing::Test {
  protected:
    void SetUp() override {
        device_memory_reset();
        pcsim::CommandLineOptions options;
        options.root = base.Path();
        pcsim::ApplyStorageOptions(options);
        pcsim::CreateStorageRoots();
        sys_set_event_handler(event_on_host);
    }
    fs::path Command() const { return base / "rootfs/app/event/app_command"; }
    fs::path Reply() const { return base / "rootfs/app/event/app_reply"; }

    pcsim_test::StorageTempDir base;
    int events = 0;
    UsbStick stick{base.Path(), [this] {
                       ++events;
                       sys_raise_event(0);
                   }};
};

TEST_F(UsbStickTest, InsertLinksTheFolderAndAnnouncesIt) {
    EXPECT_FALSE(stick.IsInserted());
    std::string error;
    ASSERT_TRUE(stick.Insert(&error)) << error;
    EXPECT_TRUE(fs::is_directory(base / "usb-sticks/disk_sda1")) << "made on first use";
    const fs::path link = base / "rootfs/media/disk_sda1";
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), fs::path("../../usb-sticks/disk_sda1"))
        << "relative: the base can move";
    EXPECT_EQ(base.Read(Command()), "USBSTICK_INSERTED /media/disk_sda1") << "no line break";
    EXPECT_EQ(events, 1);
    EXPECT_TRUE(stick.IsInserted());

    event_step();
    EXPECT_EQ(base.Read(Reply()), "OK");
    EXPECT_EQ(usbstick_present(), 1) << "the device finds the folder through the link";
    EXPECT_EQ(usbstick_state(), USB_STATE_PRESENT);
}

TEST_F(UsbStickTest, EjectAnnouncesItAndUnlinksButKeepsTheData) {
    std::string error;
    ASSERT_TRUE(stick.Insert(&error)) << error;
    event_step();
    usbstick_present();
    base.Write(stick.Folder() / "QMX_v084_000001_CAN1.log", "lines");

    ASSERT_TRUE(stick.Eject(&error)) << error;
    EXPECT_EQ(base.Read(Command()), "USBSTICK_EJECTREADY");
    EXPECT_EQ(events, 2);
    EXPECT_FALSE(fs::exists(fs::symlink_status(base / "rootfs/media/disk_sda1")));
    EXPECT_EQ(base.Read(stick.Folder() / "QMX_v084_000001_CAN1.log"), "lines");
    // The next tick sees the stick go, whether or not the command was
    // handled first.
    EXPECT_EQ(usbstick_present(), 0);
    EXPECT_EQ(usbstick_state(), USB_STATE_NONE);
    event_step();
    EXPECT_EQ(base.Read(Reply()), "OK");
    EXPECT_EQ(usbstick_present(), 0);
    EXPECT_EQ(usbstick_state(), USB_STATE_NONE);

    EXPECT_FALSE(stick.Eject(&error));
    EXPECT_NE(error.find("not inserted"), std::string::npos) << error;
    EXPECT_EQ(events, 2) << "nothing raised for a stick that is not in";
    // In again: the same folder, with its files.
    ASSERT_TRUE(stick.Insert(&error)) << error;
    EXPECT_EQ(base.Read(base / "rootfs/media/disk_sda1/QMX_v084_000001_CAN1.log"), "lines");
}

TEST_F(UsbStickTest, LeavesAnythingButItsOwnLinkAlone) {
    // A folder made by hand where the link would go.
    fs::create_directory(base / "rootfs/media/disk_sda1");
    base.Write(base / "rootfs/media/disk_sda1/mine.txt", "keep");
    std::string error;
    EXPECT_FALSE(stick.Insert(&error));
    EXPECT_NE(error.find("rootfs/media/disk_sda1"), std::string::npos) << error;
    EXPECT_EQ(base.Read(base / "rootfs/media/disk_sda1/mine.txt"), "keep");
    EXPECT_FALSE(fs::exists(Command()));
    EXPECT_EQ(events, 0);
    EXPECT_FALSE(stick.IsInserted());
    EXPECT_FALSE(stick.Eject(&error)) << "a folder is not an inserted stick";
    EXPECT_TRUE(fs::is_directory(base / "rootfs/media/disk_sda1"));

    // A stale link (another target) is replaced; a command that cannot be
    // written takes the new link away again.
    fs::remove_all(base / "rootfs/media/disk_sda1");
    fs::create_directory_symlink("/nowhere", base / "rootfs/media/disk_sda1");
    fs::create_directory(Command()); // the command file cannot be written
    EXPECT_FALSE(stick.Insert(&error));
    EXPECT_NE(error.find("app_command"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(fs::symlink_status(base / "rootfs/media/disk_sda1")));
    EXPECT_EQ(events, 0);
    fs::remove(Command());
    ASSERT_TRUE(stick.Insert(&error)) << error;
    EXPECT_EQ(fs::read_symlink(base / "rootfs/media/disk_sda1"),
              fs::path("../../usb-sticks/disk_sda1"));
}

} // namespace
