// An hour of virtual time on the headless device with a random but
// repeatable script: key taps and holds (page changes, holds past the 1.9 s
// hold time, keys 1-4 together), user events 1 and 2. It reports the
// resident memory once a virtual minute and fails when it grows by more
// than 1 MiB after the first minute, or when the device stops entering
// pages. Run it under the sanitizer builds too; they report on their own.
//
//   soak_headless [VIRTUAL_SECONDS [SEED]]     (default 3600 s, seed 1)
//
// It works in a temporary directory, so the device's files stay out of the
// way.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "device/device_memory.h"
#include "host/headless/HeadlessObserver.h"
#include "host/headless/HeadlessProgram.h"
#include "host/headless/HeadlessRunner.h"

namespace {

constexpr long kAllowedGrowthBytes = 1024 * 1024;

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

/* Counts page entries, as the trace would print them. */
class PageCounter : public pcsim::HeadlessObserver {
  public:
    bool OnIteration(uint32_t, pcsim::HeadlessRunner&) override {
        const page_fn_t entered = device_memory.screen.page_entered;
        if (entered != last_) ++entries;
        last_ = entered;
        return true;
    }
    uint32_t entries = 0;

  private:
    page_fn_t last_ = nullptr;
};

} // namespace

int main(int argc, char** argv) {
    const uint32_t seconds =
        argc > 1 ? static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 3600;
    const uint32_t seed = argc > 2 ? static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10)) : 1;
    const uint32_t runMs = seconds * 1000;

    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("soak_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);

    std::mt19937 random(seed);
    auto between = [&random](uint32_t lo, uint32_t hi) {
        return std::uniform_int_distribution<uint32_t>(lo, hi)(random);
    };
    std::vector<pcsim::ScriptedPress> presses;
    std::vector<pcsim::ScriptedEvent> events;
    for (uint32_t t = 3000; t < runMs;) {
        const uint32_t kind = between(0, 19);
        if (kind < 14) { // a tap
            presses.push_back({static_cast<int>(between(1, 5)), t, between(20, 400)});
        } else if (kind < 17) { // a hold
            presses.push_back({static_cast<int>(between(1, 5)), t, between(1900, 4000)});
        } else if (kind < 18) { // keys 1-4 together
            for (int k = 1; k <= 4; ++k)
                presses.push_back({k, t + between(0, 30), 300});
        } else {
            events.push_back({static_cast<int>(between(1, 2)), t});
        }
        t += between(100, 3000);
    }

    pcsim::HeadlessRunner runner;
    PageCounter pages;
    runner.AddObserver(&pages);
    pcsim::ScheduleEvents(runner, events);
    std::vector<long> resident; // one sample a virtual minute
    for (uint32_t minute = 1; minute * 60000 <= runMs; ++minute) {
        runner.Schedule(minute * 60000, [&resident] { resident.push_back(ResidentBytes()); });
    }

    const auto start = std::chrono::steady_clock::now();
    runner.Run(runMs, presses);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(dir);

    std::printf("soak: %u s of virtual time in %.1f s (%.0fx), seed %u\n", seconds, wall,
                seconds / wall, seed);
    std::printf("soak: %zu presses, %zu events, %u page entries, %u ticks, %u iterations\n",
                presses.size(), events.size(), pages.entries, runner.Ticks(), runner.Iterations());
    if (resident.empty()) return 0;
    long highest = resident.front();
    for (long r : resident)
        highest = std::max(highest, r);
    const long growth = highest - resident.front();
    std::printf(
        "soak: resident memory at 1 min %.2f MiB, highest after it %.2f MiB, at the end %.2f MiB "
        "(growth %.3f MiB)\n",
        resident.front() / 1048576.0, highest / 1048576.0, resident.back() / 1048576.0,
        growth / 1048576.0);
    bool ok = true;
    if (growth > kAllowedGrowthBytes) {
        std::printf(
            "soak: FAILED: resident memory grew by more than 1 MiB after the first minute\n");
        ok = false;
    }
    if (pages.entries < presses.size() / 20) {
        std::printf("soak: FAILED: only %u page entries for %zu presses\n", pages.entries,
                    presses.size());
        ok = false;
    }
    return ok ? 0 : 1;
}
