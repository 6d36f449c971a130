#include <atomic>
#include <chrono>
#include <thread>

#include "device/device_fixture.h"

namespace {

class PresentTest : public DeviceTest {};

TEST_F(PresentTest, FramesAlternateAndTheFirstPresentDoesNotWait) {
    gfx_clear_layers();
    EXPECT_EQ(display_frame_buffer(), device_memory.frames[1]);
    gfx_present(); // flag starts at 1
    EXPECT_EQ(frame_shown(), 0u);
    EXPECT_EQ(display_frame_buffer(), device_memory.frames[0]);
    EXPECT_EQ(device_memory.frames[1][0], 0xFFFF);
    EXPECT_EQ(device_memory.frames[0][0], 0x0000); // not composed yet
    mark_frame_shown();
    gfx_present();
    EXPECT_EQ(display_frame_buffer(), device_memory.frames[1]);
    EXPECT_EQ(device_memory.frames[0][0], 0xFFFF);
    // The composed frame is the other one: the present's own result.
    const uint16_t* composed = nullptr;
    display_read_composed_frame(
        [](const uint16_t* frame, void* ctx) { *static_cast<const uint16_t**>(ctx) = frame; },
        &composed);
    EXPECT_EQ(composed, device_memory.frames[0]);
    EXPECT_EQ(frame_shown(), 0u); // a look, not a hand-over
}

TEST_F(PresentTest, PresentUsesRotationWhenSet) {
    device_memory.layers[0][0] = 0x1111;
    gfx_set_rotation(1);
    gfx_present();
    EXPECT_EQ(device_memory.frames[1][239 * GFX_WIDTH + 319], 0x1111);
    EXPECT_EQ(gfx_get_rotation(), 1);
}

TEST_F(PresentTest, PresentWaitsUntilAnotherThreadMarksTheFrameShown) {
    flip_frames(); // flag 0: the host has not shown the current frame
    std::atomic<bool> returned{false};
    std::thread device([&] {
        gfx_present();
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(returned.load());
    mark_frame_shown();
    device.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(frame_shown(), 0u);
}

TEST_F(PresentTest, TakingTheFrameHandsOverTheCurrentFrameAndReleasesPresent) {
    gfx_clear_layers();
    gfx_present(); // frame 1 composed; current frame is now 0
    std::atomic<bool> returned{false};
    std::thread device([&] {
        gfx_present(); // composes frame 0, then waits for the host
        returned = true;
    });
    const uint16_t* seen = nullptr;
    while (!returned.load()) {
        display_take_frame(
            [](const uint16_t* frame, void* ctx) { *static_cast<const uint16_t**>(ctx) = frame; },
            &seen);
        std::this_thread::yield();
    }
    device.join();
    EXPECT_NE(seen, nullptr);
}

} // namespace
