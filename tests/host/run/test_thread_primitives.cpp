// The timer the device threads wait on and the signal they wake the window
// with.
#include <gtest/gtest.h>

#include <chrono>
#include <poll.h>
#include <thread>

#include "host/run/PeriodicTimer.h"
#include "host/run/WindowSignal.h"

namespace {

using namespace std::chrono_literals;

TEST(PeriodicTimer, DropsMissedPeriodsInsteadOfCatchingUp) {
    pcsim::PeriodicTimer timer;
    EXPECT_FALSE(timer.Wait(30)) << "not armed: only the time-out ends the wait";
    timer.Arm(10);
    std::this_thread::sleep_for(55ms); // five periods pass unattended
    EXPECT_TRUE(timer.Wait(0)) << "the elapsed periods count as one signal";
    EXPECT_FALSE(timer.Wait(0)) << "and are all consumed by it";
    EXPECT_TRUE(timer.Wait(100)) << "the next period comes on schedule";
}

TEST(PeriodicTimer, DisarmDiscardsAPendingExpiry) {
    pcsim::PeriodicTimer timer;
    timer.Arm(5);
    std::this_thread::sleep_for(20ms);
    timer.Disarm();
    EXPECT_FALSE(timer.Wait(30)) << "a pause takes effect at once";
    timer.Arm(5);
    EXPECT_TRUE(timer.Wait(100));
}

TEST(PeriodicTimer, WakeEndsAWaitWithoutCountingAsAPeriod) {
    pcsim::PeriodicTimer timer;
    const auto start = std::chrono::steady_clock::now();
    std::thread other([&] {
        std::this_thread::sleep_for(20ms);
        timer.Wake();
    });
    EXPECT_FALSE(timer.Wait(5000)) << "woken, not expired";
    other.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s)
        << "the wake did not cut the wait short";
    timer.Wake();
    timer.Wake();
    EXPECT_FALSE(timer.Wait(1000)); // both wakes end this one wait...
    const auto second = std::chrono::steady_clock::now();
    EXPECT_FALSE(timer.Wait(30));
    EXPECT_GE(std::chrono::steady_clock::now() - second, 25ms) << "...and leave nothing behind";
    timer.Arm(5);
    EXPECT_TRUE(timer.Wait(100)) << "a woken timer still expires";
}

TEST(PeriodicTimer, DisarmEndsAWaitForTheNextExpiryAtOnce) {
    // A running device thread sleeps until the next period; a pause must
    // not leave it there for a whole period (or for good).
    pcsim::PeriodicTimer timer;
    timer.Arm(5000);
    const auto start = std::chrono::steady_clock::now();
    std::thread other([&] {
        std::this_thread::sleep_for(20ms);
        timer.Disarm();
    });
    EXPECT_FALSE(timer.Wait(10000)) << "a pause, not an expiry";
    other.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_FALSE(timer.Wait(30)) << "and nothing is left to count as one";
}

bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1;
}

TEST(WindowSignal, GathersRequestsUntilTaken) {
    pcsim::WindowSignal signal;
    EXPECT_FALSE(Readable(signal.Fd()));
    EXPECT_EQ(signal.Take(), 0u);
    std::thread device([&] {
        for (int i = 0; i < 100; ++i)
            signal.Raise(pcsim::WindowSignal::kRepaint);
        signal.Raise(pcsim::WindowSignal::kClose);
    });
    device.join();
    EXPECT_TRUE(Readable(signal.Fd()));
    EXPECT_EQ(signal.Take(), pcsim::WindowSignal::kRepaint | pcsim::WindowSignal::kClose);
    EXPECT_FALSE(Readable(signal.Fd())) << "taking drains the wake-up";
    EXPECT_EQ(signal.Take(), 0u);
    signal.Raise(pcsim::WindowSignal::kRepaint);
    EXPECT_TRUE(Readable(signal.Fd())) << "a request after a take wakes the window again";
}

} // namespace
