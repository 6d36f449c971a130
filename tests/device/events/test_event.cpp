// The event channel: what Event 1 and Event 2 do with the command file, the
// stick names that insertion commands give, the replies, and one reply per
// command file.
#include "device/device_memory.h"
#include "device/events/event.h"
#include "device/events/usbstick.h"
#include "device/runtime/sys.h"
#include "device/storage/storage_fixture.h"

namespace {

namespace fs = std::filesystem;

class Events : public StorageTest {
  protected:
    void SetUp() override {
        StorageTest::SetUp();
        MakeRoots();
        sys_set_event_handler(event_on_host); // as sys_init registers it
    }
    fs::path Command() const { return Path(FS_ROOT_EVENT, EVENT_COMMAND_FILE); }
    fs::path Reply() const { return Path(FS_ROOT_EVENT, EVENT_REPLY_FILE); }
    /* The host's side: a command file, Event 1, and the next event step. */
    void Exchange(const std::string& command) {
        WriteText(Command(), command);
        sys_raise_event(0);
        event_step();
    }
    static std::string Name() {
        char name[USB_STICK_NAME_SIZE];
        usbstick_name(name, sizeof name);
        return name;
    }
};

TEST_F(Events, Event2ClearsThePendingEventWithoutReadingTheCommand) {
    WriteText(Command(), "USBSTICK_INSERTED /media/disk_sda1");
    sys_raise_event(1);
    EXPECT_EQ(device_memory.events.event_pending, 1);
    EXPECT_EQ(device_memory.events.event_index, 1);
    event_step();
    EXPECT_EQ(device_memory.events.event_pending, 0);
    EXPECT_TRUE(fs::exists(Command())) << "the command file is not read";
    EXPECT_FALSE(fs::exists(Reply()));
    EXPECT_EQ(usbstick_state(), USB_STATE_NONE);
    event_step(); // nothing pending: nothing happens
    EXPECT_TRUE(fs::exists(Command()));
}

TEST_F(Events, InsertionCommandsNameTheStick) {
    static const struct {
        const char* command;
        const char* name;
    } cases[] = {
        {"USBSTICK_INSERTED /media/disk_sda1", "disk_sda1"},
        {"USBSTICK_INSERTED /run/media/user/disk_sda1", "disk_sda1"},
        {"USBSTICK_INSERTED disk_sda1", "disk_sda1"},
        {"USBSTICK_INSERTED/disk_sda1", "disk_sda1"},
        {"USBSTICK_INSERTED", ""},
        {"USBSTICK_INSERTED ", ""},
        {"USBSTICK_INSERTEDx", ""},
        {"USBSTICK_INSERTED /media/", ""},
        {"USBSTICK_INSERTED disk_sda1\n", "disk_sda1\n"}, // the line break stays
        {"USBSTICK_INSERTED_EXTRA stick", "EXTRA stick"}, // a prefix is enough
    };
    for (const auto& c : cases) {
        device_memory.events.usb_state = USB_STATE_PRESENT;
        Exchange(c.command);
        EXPECT_EQ(ReadText(Reply()), "OK") << c.command;
        EXPECT_EQ(Name(), c.name) << c.command;
        EXPECT_EQ(usbstick_state(), USB_STATE_ANNOUNCED) << c.command;
        EXPECT_FALSE(fs::exists(Command())) << "the command file is deleted";
    }
    const char with_zero[] = "USBSTICK_INSERTED /media/disk_sda1\0/ignored";
    Exchange(std::string(with_zero, sizeof with_zero - 1));
    EXPECT_EQ(Name(), "disk_sda1") << "the text ends at a zero byte";
}

TEST_F(Events, OtherCommandsAreAnsweredKoAndChangeNothing) {
    Exchange("USBSTICK_INSERTED /media/stick");
    static const char* const refused[] = {"USBSTICK_EJECT", "usbstick_inserted /media/x", "",
                                          " USBSTICK_EJECTREADY", "HELLO"};
    for (const char* command : refused) {
        Exchange(command);
        EXPECT_EQ(ReadText(Reply()), "KO") << command;
        EXPECT_EQ(usbstick_state(), USB_STATE_ANNOUNCED) << command;
        EXPECT_EQ(Name(), "stick") << command;
    }
    Exchange("USBSTICK_EJECTREADY");
    EXPECT_EQ(ReadText(Reply()), "OK");
    EXPECT_EQ(usbstick_state(), USB_STATE_EJECT_READY);
    EXPECT_EQ(Name(), "stick") << "the name stays";
}

TEST_F(Events, OneCommandFileGivesOneReply) {
    Exchange("USBSTICK_EJECTREADY");
    ASSERT_EQ(ReadText(Reply()), "OK");
    fs::remove(Reply());
    sys_raise_event(0);
    event_step();
    EXPECT_FALSE(fs::exists(Reply())) << "no command file, no reply";
    EXPECT_EQ(device_memory.events.replies, 1u);
}

TEST_F(Events, ReadsAtMost1023BytesAndSurvivesAReplyThatCannotBeMade) {
    const std::string head = "USBSTICK_INSERTED /media/";
    const std::string name(1023 - head.size(), 'n');
    Exchange(head + name + "/beyond_the_limit");
    EXPECT_EQ(Name(), name);
    EXPECT_FALSE(fs::exists(Command()));
    // A reply that cannot be created is simply not written.
    fs::remove(Reply());
    fs::create_directory(Reply());
    Exchange("USBSTICK_EJECTREADY");
    EXPECT_EQ(usbstick_state(), USB_STATE_EJECT_READY);
    EXPECT_TRUE(fs::is_directory(Reply()));
}

} // namespace
