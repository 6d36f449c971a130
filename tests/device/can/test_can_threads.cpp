// The real tick and main loop on two threads, as the host runs them, with
// the fake bus busy on both ports: the tick queues frames that the main loop
// sends, the main loop stores replies and mailbox frames that the tick
// reads. Under ThreadSanitizer (scripts/test --tsan) every hand-over is
// checked; in the other builds the test checks that traffic flowed.
#include <atomic>
#include <thread>

#include "device/can/can_fixture.h"
#include "device/can/remote_io.h"
#include "device/runtime/sys.h"

namespace {

class CanThreadsTest : public CanTest {};

TEST_F(CanThreadsTest, TickAndMainLoopShareTheQueuesWithoutRaces) {
    svc_clock_use_monotonic();
    Canlib().keep_sent(0);
    Canlib().rio_reply(std::initializer_list<uint8_t>{5, 1, 0, 0, 0x00, 0x00, 0x80, 0x3F}.begin());
    Canlib().rio_reply(std::initializer_list<uint8_t>{6, 0, 0, 0, 0x00, 0x00, 0x48, 0x41}.begin());
    sys_init();
    sys_app_thread_start();

    std::atomic<bool> quit{false};
    std::atomic<int> ticks{0};
    std::atomic<int> iterations{0};
    std::thread tick([&] {
        while (!quit) {
            sys_tick_isr();
            ++ticks;
            // Many frames per iteration, so that full transmit rings (and
            // their in-place replacement) happen too.
            for (int i = 0; i < 40; ++i)
                rio_set_output_duty(1, static_cast<uint8_t>(i));
            std::this_thread::yield();
        }
    });
    std::thread loop([&] {
        while (!quit) {
            sys_main_loop_step();
            mark_frame_shown();
            ++iterations;
        }
    });
    const uint8_t mailbox[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (int i = 0; i < 300 && !(i >= 50 && ticks > 200 && iterations > 50); ++i) {
        for (int k = 0; k < 20; ++k) {
            Canlib().inject(0, 0x700, 0, mailbox, 8, 0);
            Canlib().inject(1, 0x1234567, 4, mailbox, 8, 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    quit = true;
    tick.join();
    loop.join();
    svc_clock_use_virtual(kEpochMs);

    EXPECT_GT(Canlib().calls("canWrite"), 200);
    EXPECT_EQ(rio_analog(1), 1.0f);
    EXPECT_EQ(rio_supply(), 12.5f);
    uint8_t got[8] = {};
    EXPECT_EQ(can_mailbox_700_read(got), 8);
    EXPECT_EQ(got[7], 8);
}

} // namespace
