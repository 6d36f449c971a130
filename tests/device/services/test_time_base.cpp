#include "device/device_fixture.h"
#include "device/services/time_base.h"

namespace {

class TimeBaseTest : public DeviceTest {};

TEST_F(TimeBaseTest, CountsFromFirstUse) {
    svc_clock_advance(5000);
    sys_time_start();
    EXPECT_EQ(sys_time_ms(), 0u);
    svc_clock_advance(2500);
    EXPECT_EQ(sys_time_ms(), 2500u);
    EXPECT_EQ(sys_time_s(), 2u);
    EXPECT_EQ(sys_time_us(), 2500000u);
    sys_time_start(); // latches only once
    EXPECT_EQ(sys_time_ms(), 2500u);
}

TEST_F(TimeBaseTest, UptimeIsZeroAfterStartupAndKeepsRunning) {
    svc_clock_advance(123);
    sys_init();
    EXPECT_EQ(sys_uptime_ms(), 0u);
    svc_clock_advance(40);
    EXPECT_EQ(sys_uptime_ms(), 40u);
}

TEST_F(TimeBaseTest, ElapsedHandlesWrapAndMissingStamp) {
    static const struct {
        uint32_t last, uptime, expected;
    } cases[] = {
        {100, 350, 250},
        {0xFFFFFFF0u, 0x10, 0x1F},
        {0, 0, 0},
    };
    sys_time_start();
    for (const auto& c : cases) {
        device_memory.time.start_stamp = 0;
        svc_clock_set(device_memory.time.origin + c.uptime);
        uint32_t last = c.last;
        EXPECT_EQ(sys_elapsed_ms(&last), c.expected) << c.last << " -> " << c.uptime;
        EXPECT_EQ(last, c.uptime);
    }
    EXPECT_EQ(sys_elapsed_ms(nullptr), 0u);
}

TEST_F(TimeBaseTest, UptimeSecondsAddsCountedWraps) {
    sys_time_start();
    const uint32_t origin = device_memory.time.origin;
    svc_clock_set(origin + 0xFFFFFF00u);
    EXPECT_EQ(sys_uptime_track(), 0xFFFFFF00u);
    svc_clock_set(origin + 1000u); // the 32-bit uptime has wrapped
    EXPECT_FLOAT_EQ(sys_uptime_s(), 4294968.5f);
    EXPECT_EQ(device_memory.time.uptime_wraps, 1u);
    EXPECT_FLOAT_EQ(sys_uptime_s(), 4294968.5f); // same uptime: no second wrap
}

TEST_F(TimeBaseTest, VirtualSleepAdvancesTheClock) {
    sys_time_start();
    svc_sleep_ms(30);
    EXPECT_EQ(sys_time_ms(), 30u);
}

} // namespace
