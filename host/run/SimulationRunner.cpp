#include "host/run/SimulationRunner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "device/runtime/keys.h"
#include "device/runtime/sys.h"
#include "device/services/host_services.h"
#include "host/display/FrameConversion.h"
#include "host/run/DeviceSetup.h"
#include "host/run/PeriodicTimer.h"
#include "host/run/WindowSignal.h"
#include "host/serial/SerialPort.h"
#include "host/serial/UartBridge.h"
#include "host/storage/StorageSetup.h"

namespace pcsim {

namespace {
// Nice value of the tick thread: well above normal, below anything that
// could starve the rest of the desktop.
constexpr int kTickNice = -10;
// While Stop waits it re-releases the present this often, in case the
// device reaches another gfx_present before it sees quit.
constexpr auto kStopReleaseInterval = std::chrono::milliseconds(10);

std::atomic<bool> g_threadsLeftBehind{false};

constexpr size_t kScreenPixels = static_cast<size_t>(GFX_WIDTH) * GFX_SCREEN_ROWS;

/* What a conversion's consumer works on: the bitmaps, the area and the
 * copy of the device pixels it keeps for ChangedSinceConversion. */
struct Conversion {
    uint32_t* bits;
    uint32_t* upright; // nullptr for none
    int uprightStride;
    uint16_t* source;
    FrameArea area;
};
} // namespace

struct SimulationRunner::Shared {
    PeriodicTimer frameTimer;               // paces the main loop
    PeriodicTimer tickTimer;                // paces the tick
    std::atomic<bool> quit{false};          // set once by Stop
    std::shared_ptr<WindowSignal> window;   // set by Attach before any thread runs
    std::shared_ptr<SerialPort> serialPort; // set before the threads start; may be null

    // Single steps. The release/acquire pair on stepTicks orders the step's
    // ticks after the previous iteration and before the stepped one.
    std::atomic<uint32_t> stepsRequested{0}; // Steps not yet begun (window -> application)
    std::atomic<uint32_t> stepTicks{0};      // ticks the tick thread owes a step; 0 when run
    std::atomic<bool> steppedFrame{false};   // a stepped frame waits for the paint
    uint32_t stepPhaseMs = 0;                // application thread: 0 or 25, where a step starts
    std::condition_variable stepTicksRun;    // stepTicks went back to 0 (with lock)

    std::mutex lock;               // guards the members below
    std::condition_variable ended; // a device thread has ended
    bool applicationEnded = false;
    bool tickEnded = false;
    std::thread tickThread; // created by the application thread
};

SimulationRunner::SimulationRunner() : shared(std::make_shared<Shared>()) {}

SimulationRunner::~SimulationRunner() {
    Stop();
}

void SimulationRunner::Attach(std::shared_ptr<WindowSignal> window,
                              const CommandLineOptions& options) {
    shared->window = std::move(window);
    device_memory_reset();
    svc_clock_use_monotonic();
    ApplyDeviceOptions(options);
    CreateStorageRoots();
    sys_init();
    started = true;
}

void SimulationRunner::SetSerialPort(std::shared_ptr<SerialPort> port) {
    shared->serialPort = std::move(port);
}

void SimulationRunner::StartThreads() {
    if (!started || applicationThread.joinable()) return;
    applicationThread = std::thread(ApplicationThread, shared);
}

bool SimulationRunner::SetPaused(bool pause) {
    const bool previous = paused;
    paused = pause;
    mark_frame_shown();
    shared->stepsRequested = 0;   // a Step only means something while paused
    shared->steppedFrame = false; // and so does its frame
    if (pause) {
        shared->frameTimer.Disarm();
        shared->tickTimer.Disarm();
    } else {
        shared->frameTimer.Arm(kFramePeriodMs);
        shared->tickTimer.Arm(kTickPeriodMs);
    }
    return previous;
}

bool SimulationRunner::IsPaused() const {
    return paused;
}

bool SimulationRunner::Step() {
    if (!started || !paused || !applicationThread.joinable()) return false;
    shared->stepsRequested.fetch_add(1);
    shared->frameTimer.Wake();
    return true;
}

bool SimulationRunner::TakeSteppedFrame() {
    return shared->steppedFrame.exchange(false);
}

bool SimulationRunner::Stop() {
    if (!started) return true;
    started = false;
    Shared& s = *shared;
    s.quit = true;
    s.frameTimer.Wake(); // both threads look at quit now, not at their time-out
    s.tickTimer.Wake();
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopTimeoutMs);
    const bool threads = applicationThread.joinable();
    bool ended = true;
    while (threads) {
        // Outside s.lock, so that this thread never holds it together
        // with the frame lock.
        mark_frame_shown();
        std::unique_lock<std::mutex> hold(s.lock);
        if (s.applicationEnded && s.tickEnded) break;
        if (std::chrono::steady_clock::now() >= deadline) {
            ended = false;
            break;
        }
        s.ended.wait_for(hold, kStopReleaseInterval);
    }
    if (threads) {
        std::thread tick;
        {
            std::lock_guard<std::mutex> hold(s.lock);
            tick = std::move(s.tickThread);
        }
        if (ended) {
            applicationThread.join();
            if (tick.joinable()) tick.join();
        } else {
            applicationThread.detach();
            if (tick.joinable()) tick.detach();
            g_threadsLeftBehind = true;
        }
    }
    s.frameTimer.Disarm();
    s.tickTimer.Disarm();
    paused = true;
    return ended;
}

void SimulationRunner::ConvertFrame(uint32_t* frameBits, uint32_t* upright, int uprightStride) {
    Convert(display_take_frame, frameBits, upright, uprightStride, FrameArea::Whole());
}

void SimulationRunner::ConvertFrame(uint32_t* frameBits, uint32_t* upright, int uprightStride,
                                    const FrameArea& area) {
    // Before the first conversion nothing outside the area would be right.
    Convert(display_take_frame, frameBits, upright, uprightStride,
            converted.empty() ? FrameArea::Whole() : area);
}

void SimulationRunner::ConvertSteppedFrame(uint32_t* frameBits, uint32_t* upright,
                                           int uprightStride) {
    Convert(display_read_composed_frame, frameBits, upright, uprightStride, FrameArea::Whole());
}

void SimulationRunner::Convert(FrameReader read, uint32_t* frameBits, uint32_t* upright,
                               int uprightStride, const FrameArea& area) {
    converted.resize(kScreenPixels);
    Conversion c{frameBits, upright, uprightStride, converted.data(), area};
    read(
        [](const uint16_t* frame, void* context) {
            const Conversion& into = *static_cast<const Conversion*>(context);
            const FrameArea& a = into.area;
            if (into.upright) {
                ConvertFramePixels(frame, into.bits, into.upright, into.uprightStride, a);
            } else {
                ConvertFramePixels(frame, into.bits);
            }
            const size_t width = static_cast<size_t>(a.right - a.left);
            for (int y = a.top; y < a.bottom; ++y) {
                const size_t at = static_cast<size_t>(y) * kScreenWidth + a.left;
                std::memcpy(into.source + at, frame + at, width * sizeof(uint16_t));
            }
        },
        &c);
}

FrameArea SimulationRunner::ChangedSinceConversion() {
    if (converted.size() != kScreenPixels) return FrameArea::Whole();
    struct Compare {
        const uint16_t* before;
        FrameArea changed;
    } compare{converted.data(), {kScreenWidth, kScreenHeight, 0, 0}};
    display_read_frame(
        [](const uint16_t* frame, void* context) {
            Compare& c = *static_cast<Compare*>(context);
            FrameArea& a = c.changed;
            for (int y = 0; y < kScreenHeight; ++y) {
                const uint16_t* now = frame + y * kScreenWidth;
                const uint16_t* was = c.before + y * kScreenWidth;
                if (std::memcmp(now, was, kScreenWidth * sizeof(uint16_t)) == 0) continue;
                // Only what lies outside the columns found so far can widen
                // the area: the scans stop at its edges.
                int left = 0;
                while (left < a.left && now[left] == was[left])
                    ++left;
                int right = kScreenWidth;
                while (right > a.right && now[right - 1] == was[right - 1])
                    --right;
                a.left = std::min(a.left, left);
                a.right = std::max(a.right, right);
                a.top = std::min(a.top, y);
                a.bottom = y + 1;
            }
        },
        &compare);
    return compare.changed.Empty() ? FrameArea{} : compare.changed;
}

void SimulationRunner::SetKey(int k, bool pressed) {
    key_input_set(k, pressed ? 1 : 0);
}

void SimulationRunner::RaiseEvent(int n) {
    sys_raise_event(n);
}

bool SimulationRunner::ThreadsLeftBehind() {
    return g_threadsLeftBehind;
}

void SimulationRunner::ApplicationThread(std::shared_ptr<Shared> state) {
    Shared& s = *state;
    pthread_setname_np(pthread_self(), "device-loop"); // as top -H and debuggers show it
    {
        std::lock_guard<std::mutex> hold(s.lock);
        try {
            s.tickThread = std::thread(TickThread, state);
        } catch (const std::system_error&) {
            s.tickEnded = true; // no tick thread: nothing to wait for
        }
    }
    sys_app_thread_start();
    while (!s.quit) {
        const bool due = s.frameTimer.Wait(kWaitTimeoutMs);
        if (s.quit) break;
        const bool stepped = !due && RunStepTicks(s);
        if (!due && !stepped) continue;
        sys_main_loop_step();
        // The host takes every frame, painted or not: the next gfx_present
        // finds it shown and never waits for the window. The paint converts
        // whatever frame is current when it comes.
        mark_frame_shown();
        if (sys_exit_requested()) {
            // The window's close runs Stop, which ends this thread; asking
            // and leaving keeps Stop from waiting on a thread that waits.
            if (s.window) s.window->Raise(WindowSignal::kClose);
            break;
        }
        if (stepped) s.steppedFrame = true;
        if (s.window) s.window->Raise(WindowSignal::kRepaint);
        if (s.serialPort && s.serialPort->IsOpen()) PumpDeviceTransmit(*s.serialPort);
    }
    std::lock_guard<std::mutex> hold(s.lock);
    s.applicationEnded = true;
    s.ended.notify_all();
}

bool SimulationRunner::RunStepTicks(Shared& s) {
    // Take one request, unless Play has just dropped them all.
    uint32_t pending = s.stepsRequested.load();
    do {
        if (pending == 0) return false;
    } while (!s.stepsRequested.compare_exchange_weak(pending, pending - 1));
    // Ticks fall on multiples of 10 ms and iterations on multiples of 25:
    // the ticks in (T, T + 25] are 2 from T = 0 and 3 from T = 25.
    const uint32_t ticks =
        (s.stepPhaseMs + kFramePeriodMs) / kTickPeriodMs - s.stepPhaseMs / kTickPeriodMs;
    s.stepPhaseMs = (s.stepPhaseMs + kFramePeriodMs) % (2 * kFramePeriodMs);
    std::unique_lock<std::mutex> hold(s.lock);
    if (s.tickEnded) return !s.quit; // no tick thread to run them
    s.stepTicks.store(ticks, std::memory_order_release);
    s.tickTimer.Wake();
    while (s.stepTicks.load(std::memory_order_acquire) != 0) {
        if (s.quit) return false;
        s.stepTicksRun.wait_for(hold, kStopReleaseInterval);
    }
    return !s.quit;
}

void SimulationRunner::TickThread(std::shared_ptr<Shared> state) {
    Shared& s = *state;
    // Linux applies a nice value given with a thread id to that thread only.
    // Where raising it is not allowed (an unprivileged user without a nice
    // limit) the tick simply runs at normal priority.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kTickNice);
    pthread_setname_np(pthread_self(), "device-tick");
    while (!s.quit) {
        const bool due = s.tickTimer.Wait(kWaitTimeoutMs);
        if (s.quit) break;
        if (due) sys_tick_isr();
        if (const uint32_t owed = s.stepTicks.load(std::memory_order_acquire)) {
            for (uint32_t i = 0; i < owed; ++i)
                sys_tick_isr();
            std::lock_guard<std::mutex> hold(s.lock);
            s.stepTicks.store(0, std::memory_order_release);
            s.stepTicksRun.notify_all();
        }
    }
    std::lock_guard<std::mutex> hold(s.lock);
    s.tickEnded = true;
    s.ended.notify_all();
}

} // namespace pcsim
