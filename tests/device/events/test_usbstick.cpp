// The USB stick's presence: the state table, the moves a stick's folder
// causes, and the name handed from the main loop to the tick without torn
// reads.
#include <atomic>
#include <thread>

#include "device/device_memory.h"
#include "device/events/event.h"
#include "device/events/usbstick.h"
#include "device/storage/storage_fixture.h"

namespace {

namespace fs = std::filesystem;

class UsbStickPresence : public StorageTest {
  protected:
    void SetUp() override {
        StorageTest::SetUp();
        MakeRoots();
    }
};

TEST_F(UsbStickPresence, FollowsTheStateTable) {
    static const struct {
        uint32_t state;
        bool folder; // the stick's folder exists
        uint32_t next;
        int present;
    } cases[] = {
        {USB_STATE_ANNOUNCED, true, USB_STATE_PRESENT, 1},
        {USB_STATE_ANNOUNCED, false, USB_STATE_ANNOUNCED, 0},
        {USB_STATE_PRESENT, true, USB_STATE_PRESENT, 1},
        {USB_STATE_PRESENT, false, USB_STATE_NONE, 0},
        {USB_STATE_EJECT_READY, true, USB_STATE_EJECT_READY, 1},
        {USB_STATE_EJECT_READY, false, USB_STATE_NONE, 0},
        {USB_STATE_NONE, true, USB_STATE_NONE, 0},
        {3, true, 3, 0}, // not a state the commands set
    };
    usbstick_set_name("disk_sda1");
    for (const auto& c : cases) {
        fs::remove_all(Path(FS_ROOT_MEDIA, "disk_sda1"));
        if (c.folder) fs::create_directory(Path(FS_ROOT_MEDIA, "disk_sda1"));
        device_memory.events.usb_state = c.state;
        EXPECT_EQ(usbstick_present(), c.present) << c.state << (c.folder ? " with" : " without");
        EXPECT_EQ(usbstick_state(), c.next) << c.state << (c.folder ? " with" : " without");
    }
}

TEST_F(UsbStickPresence, AnInsertedStickIsSeenAndThenSeenToGo) {
    fs::create_directory(Path(FS_ROOT_MEDIA, "disk_sda1"));
    event_handle_command("USBSTICK_INSERTED /media/disk_sda1");
    EXPECT_EQ(usbstick_present(), 1);
    EXPECT_EQ(usbstick_state(), USB_STATE_PRESENT);
    fs::remove(Path(FS_ROOT_MEDIA, "disk_sda1"));
    EXPECT_EQ(usbstick_present(), 0);
    EXPECT_EQ(usbstick_state(), USB_STATE_NONE);

    // A line break kept in the name never matches the folder.
    fs::create_directory(Path(FS_ROOT_MEDIA, "disk_sda1"));
    event_handle_command("USBSTICK_INSERTED disk_sda1\n");
    EXPECT_EQ(usbstick_present(), 0);
    EXPECT_EQ(usbstick_state(), USB_STATE_ANNOUNCED);

    // Eject-ready before any insertion: the empty name is the media root.
    device_memory_reset();
    fs_set_base(base_.c_str());
    event_handle_command("USBSTICK_EJECTREADY");
    EXPECT_EQ(usbstick_present(), 1);
    EXPECT_EQ(usbstick_state(), USB_STATE_EJECT_READY);
}

TEST(UsbStickName, IsNeverReadHalfWritten) {
    device_memory_reset();
    // Two names of very different lengths: a torn read would mix them.
    const std::string long_name(900, 'L');
    const std::string short_name = "s";
    std::atomic<bool> done{false};
    std::atomic<uint32_t> reads{0};
    std::thread tick([&] {
        char name[USB_STICK_NAME_SIZE];
        while (!done.load()) {
            usbstick_name(name, sizeof name);
            const std::string seen = name;
            if (seen != long_name && seen != short_name && !seen.empty()) {
                ADD_FAILURE() << "torn name of " << seen.size() << " characters";
                return;
            }
            reads.fetch_add(1);
        }
    });
    for (int i = 0; i < 20000 || reads.load() < 1000; ++i) {
        usbstick_set_name((i & 1) ? long_name.c_str() : short_name.c_str());
    }
    done = true;
    tick.join();
    char name[8];
    usbstick_name(name, sizeof name);
    EXPECT_STREQ(name, "LLLLLLL") << "a copy is cut to the room given, and terminated";
}

} // namespace
