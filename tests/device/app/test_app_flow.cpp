// The gauge application from start-up: the page sequence, the keys that
// select pages, the model's initialisation and its own state's reset.
#include <cmath>

#include "device/app/app.h"
#include "device/app/pages.h"
#include "device/device_fixture.h"
#include "device/runtime/keys.h"
#include "device/screen/screen.h"

namespace {

/* The application from start-up, driven like the host: a tick every 10 ms,
 * an iteration every 25 ms. */
class AppFlowTest : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        sys_init();
        sys_app_thread_start();
    }
    static page_fn_t shown() { return device_memory.screen.update_handler; }
    void Tap(int key, uint32_t ms = 100) {
        key_input_set(key, 1);
        Run(ms);
        key_input_set(key, 0);
        Run(100);
    }
};

TEST_F(AppFlowTest, StartsOnTheVersionPageAndHandsOverToFuelAfterTwoSeconds) {
    EXPECT_EQ(app_state.demo_frame_count, 1u); // counted once by the start-up
    EXPECT_EQ(device_memory.screen.page_request.load(), &page_splash_enter);
    Run(25);
    EXPECT_EQ(shown(), &page_version_update);
    Run(1900);
    EXPECT_EQ(shown(), &page_version_update);
    Run(150);
    EXPECT_EQ(shown(), &page_fuel_update);
    EXPECT_GE(app_state.version_page_elapsed, APP_VERSION_PAGE_MS);
    Run(5000);
    EXPECT_EQ(shown(), &page_fuel_update);
}

TEST_F(AppFlowTest, EachKeySelectsItsPage) {
    Run(2500);
    static const struct {
        int key;
        page_fn_t page;
    } cases[] = {{3, page_engine_a_update}, {4, page_engine_b_update}, {5, page_gauges_update},
                 {2, page_splash_update},   {1, page_fuel_update}};
    for (const auto& c : cases) {
        Tap(c.key);
        EXPECT_EQ(shown(), c.page) << "key " << c.key;
    }
}

TEST_F(AppFlowTest, KeyThreeOnTheVersionPageAndHeldDoesNothingMore) {
    Run(100);
    ASSERT_EQ(shown(), &page_version_update);
    key_input_set(3, 1);
    Run(100);
    EXPECT_EQ(shown(), &page_engine_a_update);
    Run(3000); // still held: the version time-out does not apply any more
    EXPECT_EQ(shown(), &page_engine_a_update);
    key_input_set(3, 0);
    Run(100);
    // Pressing key 3 again requests the page already entered: no re-entry,
    // so the background (with a marker in it) is not redrawn.
    device_memory.layers[1][0] = 0x1234;
    Tap(3);
    EXPECT_EQ(shown(), &page_engine_a_update);
    EXPECT_EQ(device_memory.layers[1][0], 0x1234);
}

TEST_F(AppFlowTest, KeyHeldSinceStartupActsOnlyAfterARepress) {
    key_input_set(5, 1);
    Run(2600);
    EXPECT_EQ(shown(), &page_fuel_update);
    key_input_set(5, 0);
    Run(100);
    EXPECT_EQ(shown(), &page_fuel_update);
    Tap(5);
    EXPECT_EQ(shown(), &page_gauges_update);
}

TEST_F(AppFlowTest, HighestKeyWinsInOneModelStep) {
    Run(2500);
    // Both presses reach the key bytes in the same tick's scan.
    key_input_set(3, 1);
    key_input_set(5, 1);
    Run(100);
    EXPECT_EQ(shown(), &page_gauges_update);
}

TEST_F(AppFlowTest, ModelStateInitResetsTheModel) {
    device_memory.io.output_state[0] = 1;
    device_memory.io.output_mode[0] = 1;
    app_state.page_keys[PAGE_FUEL].flag[2] = 0;
    app_state.version_page_elapsed = 1234;
    model_state_init();
    EXPECT_EQ(device_memory.io.output_state[0], 0);
    EXPECT_EQ(device_memory.io.output_mode[0], 0);
    EXPECT_EQ(app_state.page_keys[PAGE_FUEL].flag[2], 1);
    EXPECT_EQ(app_state.version_page_elapsed, 0u);
    EXPECT_EQ(app_state.model_first_step, 1);
    EXPECT_EQ(app_state.demo_frame_count, 0u);
    EXPECT_EQ(device_memory.screen.page_request.load(), &page_splash_enter);
}

TEST_F(AppFlowTest, DeviceResetRestoresTheApplicationsState) {
    Run(2500);
    ASSERT_EQ(shown(), &page_fuel_update);
    ASSERT_NE(app_state.demo_frame_count, 0u);
    ASSERT_NE(app_state.demo.fuel_gauge, 0.0);
    ASSERT_EQ(app_state.page_keys[PAGE_GAUGES].flag[0], 1); // set by the model's initialisation
    device_memory_reset(); // the one reset of the tests, through app_reset
    EXPECT_EQ(app_state.demo_frame_count, 0u);
    EXPECT_EQ(app_state.version_page_elapsed, 0u);
    EXPECT_EQ(app_state.demo.fuel_gauge, 0.0);
    EXPECT_EQ(app_state.page_keys[PAGE_GAUGES].flag[0], 0);
}

TEST_F(AppFlowTest, PagesGoByTheirNames) {
    EXPECT_STREQ(screen_page_name(page_fuel_enter), "fuel");
    EXPECT_STREQ(screen_page_name(page_engine_b_enter), "engine_b");
    EXPECT_STREQ(screen_page_name(page_fuel_update), "unknown"); // names go by enter function
}

TEST_F(AppFlowTest, StatusValuesAreEncodedInHundredths) {
    static const struct {
        float in;
        uint16_t out;
    } cases[] = {{-1.0f, 0}, {0.0f, 0}, {1.0f, 100}, {12.345f, 1234}, {655.35f, 65534}, // 655.35 as a float is just below it
                 {656.0f, 0xFFFF}, {NAN, 0}};
    for (const auto& c : cases) EXPECT_EQ(model_encode_centi(c.in), c.out) << c.in;
}

} // namespace
