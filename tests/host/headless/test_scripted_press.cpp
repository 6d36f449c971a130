#include <gtest/gtest.h>

#include "device/app/pages.h"
#include "device/device_memory.h"
#include "host/headless/HeadlessRunner.h"
#include "host/headless/ScriptedPress.h"
#include "host/storage_temp_dir.h"

namespace {

TEST(ScriptedPress, ParsesKeyTimeAndDuration) {
    static const struct {
        const char* text;
        int key;
        uint32_t at, duration;
    } cases[] = {{"F1@0", 1, 0, 100}, {"F5@3000:250", 5, 3000, 250}, {"f3@10:1", 3, 10, 1}};
    for (const auto& c : cases) {
        pcsim::ScriptedPress p;
        std::string error;
        ASSERT_TRUE(pcsim::ParseScriptedPress(c.text, &p, &error)) << c.text << ": " << error;
        EXPECT_EQ(p.key, c.key);
        EXPECT_EQ(p.atMs, c.at);
        EXPECT_EQ(p.durationMs, c.duration);
    }
}

TEST(ScriptedPress, RejectsBadValuesWithTheReason) {
    static const struct {
        const char* text;
        const char* mentions;
    } cases[] = {
        {"F3", "KEY@MS"},          {"F6@10", "F1 to F5"},   {"G1@10", "F1 to F5"},
        {"@10", "F1 to F5"},       {"F1@", "time"},         {"F1@-5", "time"},
        {"F1@1e3", "time"},        {"F1@10:", "duration"},  {"F1@10:0", "duration"},
        {"F1@10:x", "duration"},   {"F1@99999999999", "time"}, {"F1@10:5:5", "duration"},
    };
    for (const auto& c : cases) {
        pcsim::ScriptedPress p;
        std::string error;
        EXPECT_FALSE(pcsim::ParseScriptedPress(c.text, &p, &error)) << c.text;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << c.text << ": " << error;
        EXPECT_NE(error.find(c.text), std::string::npos) << error;
    }
}

TEST(ScriptedPress, KeyIsDownFromItsTimeForItsDuration) {
    const std::vector<pcsim::ScriptedPress> presses = {{2, 100, 50}, {5, 120, 10}};
    EXPECT_EQ(pcsim::ScriptedKeyBits(presses, 95), 0);
    EXPECT_EQ(pcsim::ScriptedKeyBits(presses, 100), 0x02);
    EXPECT_EQ(pcsim::ScriptedKeyBits(presses, 125), 0x12);
    EXPECT_EQ(pcsim::ScriptedKeyBits(presses, 130), 0x02);
    EXPECT_EQ(pcsim::ScriptedKeyBits(presses, 150), 0);
}

TEST(ScriptedPress, TimelineGivesTheSameBitsAsTheWholeScript) {
    // Overlapping, unordered, back to back and zero-length-apart presses.
    const std::vector<pcsim::ScriptedPress> presses = {
        {3, 500, 1000}, {1, 100, 50}, {2, 100, 5}, {1, 150, 20}, {5, 120, 2000}, {4, 1490, 15}, {2, 0, 1}};
    pcsim::ScriptedKeyTimeline timeline(presses);
    for (uint32_t t = 0; t <= 2500; t += 5) {
        ASSERT_EQ(timeline.BitsAt(t), pcsim::ScriptedKeyBits(presses, t)) << "at " << t;
    }
}

TEST(ScriptedPress, HeadlessRunPressesTheKey) {
    pcsim_test::StorageTempDir base;
    pcsim::HeadlessRunner runner;
    runner.Run(base.Headless(3000, {{5, 2800, 100}}));
    EXPECT_EQ(device_memory.screen.update_handler.load(), &page_gauges_update);
    EXPECT_EQ(device_memory.keys.key_input, 0); // released after its 100 ms
}

} // namespace
