#include <string>
#include <vector>

#include "device/device_fixture.h"
#include "device/runtime/keys.h"

namespace {

/* Handlers append one letter per call and note the virtual time. */
std::string g_log;
uint32_t g_hold_ms = 0;
uint32_t* g_now = nullptr;
void on_press() { g_log += 'P'; }
void on_release() { g_log += 'R'; }
void on_hold() {
    g_log += 'H';
    g_hold_ms = *g_now;
}

class KeyTest : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        g_log.clear();
        g_hold_ms = 0;
        g_now = &now_ms_;
        // No sys_init: the application would take over the key bindings on
        // its first page; here the keys stay the test's own.
        sys_app_thread_start();
        key_clear_handlers();
    }
    void Bind(uint8_t index) {
        key_set_press_handler(on_press, index);
        key_set_release_handler(on_release, index);
        key_set_hold_handler(on_hold, index, KEY_DEFAULT_HOLD_TIME);
    }
};

TEST_F(KeyTest, TapRunsPressThenReleaseOnce) {
    Bind(1);
    Run(5);
    key_input_set(2, 1);
    Run(40); // scanned by the tick, dispatched by the next iteration
    EXPECT_EQ(g_log, "P");
    Run(300);
    key_input_set(2, 0);
    Run(200);
    EXPECT_EQ(g_log, "PR");
}

TEST_F(KeyTest, PressBeepsOnceAt800HzFor200MsOnlyWhenTheBeepIsOn) {
    // The sound output tick by tick while key 3 is held for half a second
    // and pressed again: the press tick starts the 800 Hz tone, the tick
    // then sounds 1000 while it counts the 200 ms (10 ticks) down.
    for (const uint8_t enabled : {1, 0}) {
        SetUp();
        device_memory.keys.beep_enabled = enabled;
        std::vector<uint32_t> sound;
        auto ticks = [&sound](int n) {
            for (int i = 0; i < n; ++i) {
                sys_tick_isr();
                sound.push_back(device_memory.board.sound);
            }
        };
        ticks(2);
        key_input_set(3, 1);
        ticks(50); // held: no second beep
        key_input_set(3, 0);
        ticks(5);
        key_input_set(3, 1);
        ticks(15);
        std::vector<uint32_t> expected(72, 0);
        if (enabled) {
            for (const int press : {2, 57}) {
                expected[press] = 800;
                for (int i = 1; i <= 10; ++i) expected[press + i] = 1000;
            }
        }
        EXPECT_EQ(sound, expected) << "beep " << int(enabled);
    }
}

TEST_F(KeyTest, HoldRunsOnceBetween1810And1900MsAndSuppressesRelease) {
    // Whatever the phase of the press against the 100 ms divider, the hold
    // is recognised 1.81 s to 1.9 s after the tick that saw the press.
    for (uint32_t phase = 0; phase < 100; phase += 10) {
        SetUp();
        Bind(0);
        Run(5 + phase);
        const uint32_t pressed_at = now_ms_ + 5; // the next tick scans it
        key_input_set(1, 1);
        uint32_t hold_seen_at = 0;
        while (now_ms_ < pressed_at + 3000) {
            Run(5);
            if (!hold_seen_at && (device_memory.keys.hold_flags & 1)) hold_seen_at = now_ms_;
        }
        key_input_set(1, 0);
        Run(500);
        SCOPED_TRACE(testing::Message() << "press phase " << phase);
        EXPECT_EQ(g_log, "PH");
        EXPECT_GE(hold_seen_at - pressed_at, 1810u);
        EXPECT_LE(hold_seen_at - pressed_at, 1900u);
        // The handler runs in the first iteration after the hold (25 ms later at most).
        EXPECT_GE(g_hold_ms, hold_seen_at);
        EXPECT_LE(g_hold_ms - hold_seen_at, 25u);
    }
}

TEST_F(KeyTest, HoldTimeOneHoldsAtOnceAndZeroNever) {
    key_set_press_handler(on_press, 0);
    key_set_hold_handler(on_hold, 0, 1);
    key_set_release_handler(on_release, 1);
    key_set_hold_handler(on_hold, 1, 0);
    Run(5);
    key_input_set(1, 1);
    Run(60);
    EXPECT_EQ(g_log, "H"); // while held, the press waits
    key_input_set(1, 0);
    Run(60);
    EXPECT_EQ(g_log, "HP"); // no release event after a hold; the press goes out
    key_input_set(2, 1);
    Run(3000);
    key_input_set(2, 0);
    Run(100);
    EXPECT_EQ(g_log, "HPR"); // hold time 0: key 2 is never held
}

TEST_F(KeyTest, KeysOneToFourTogetherSetDisplayDefaultsWithoutPressHandlers) {
    for (uint8_t i = 0; i < 5; ++i) Bind(i);
    sys_display_settings()->brightness = 4;
    sys_display_settings()->mode = 0;
    Run(5);
    for (int k = 1; k <= 4; ++k) key_input_set(k, 1);
    Run(50);
    EXPECT_EQ(sys_display_settings()->brightness, 10);
    EXPECT_EQ(sys_display_settings()->mode, 2);
    EXPECT_EQ(g_log, "");
    for (int k = 1; k <= 4; ++k) key_input_set(k, 0);
    Run(100);
    EXPECT_EQ(g_log.find('P'), std::string::npos);
}

TEST_F(KeyTest, KeyFiveDownFirstPreventsTheCombination) {
    for (uint8_t i = 0; i < 5; ++i) Bind(i);
    sys_display_settings()->brightness = 4;
    sys_display_settings()->mode = 0;
    Run(5);
    key_input_set(5, 1);
    Run(50);
    for (int k = 1; k <= 4; ++k) key_input_set(k, 1);
    Run(200);
    EXPECT_EQ(sys_display_settings()->brightness, 4);
    EXPECT_EQ(sys_display_settings()->mode, 0);
    EXPECT_EQ(g_log, "PPPPP"); // key 5, then keys 1-4 one per iteration
}

TEST_F(KeyTest, ReleaseWithoutPressHandlerRunsFromThePressBranch) {
    key_set_release_handler(on_release, 2);
    // Press and release between two iterations: both events are pending at
    // dispatch, and the missing press handler lets the release run at once.
    Run(5);
    key_input_set(3, 1);
    Run(5); // t = 10: the scan records the press
    key_input_set(3, 0);
    Run(10); // t = 20: the scan records the release
    EXPECT_EQ(device_memory.keys.release_events & 4, 4);
    Run(5); // t = 25: one dispatch
    EXPECT_EQ(g_log, "R");
    EXPECT_EQ(device_memory.keys.release_events, 0);
}

TEST_F(KeyTest, BindingIndicesAboveFourAreIgnoredAndClearRestoresDefaults) {
    key_set_press_handler(on_press, 5);
    key_set_hold_handler(on_hold, 200, 3);
    key_set_release_handler(on_release, 255);
    for (const KeyBinding& b : device_memory.keys.bindings) {
        EXPECT_EQ(b.press, nullptr);
        EXPECT_EQ(b.release, nullptr);
        EXPECT_EQ(b.hold, nullptr);
    }
    key_set_hold_handler(on_hold, 4, 7);
    EXPECT_EQ(device_memory.keys.hold_time[4], 7);
    key_clear_handlers();
    EXPECT_EQ(device_memory.keys.bindings[4].hold, nullptr);
    EXPECT_EQ(device_memory.keys.hold_time[4], KEY_DEFAULT_HOLD_TIME);
}

TEST_F(KeyTest, HostKeyInputIgnoresNumbersOutsideOneToFive) {
    key_input_set(0, 1);
    key_input_set(6, 1);
    EXPECT_EQ(key_input_get(), 0);
    key_input_set(5, 1);
    key_input_set(1, 1);
    EXPECT_EQ(key_input_get(), 0x11);
    key_input_set(5, 0);
    EXPECT_EQ(key_input_get(), 0x01);
}

} // namespace
