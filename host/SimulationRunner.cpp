#include "host/SimulationRunner.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>

#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "device/runtime/keys.h"
#include "device/runtime/sys.h"
#include "device/services/host_services.h"
#include "host/DeviceSetup.h"
#include "host/FrameConversion.h"
#include "host/PeriodicTimer.h"
#include "host/StorageSetup.h"
#include "host/SerialPort.h"
#include "host/UartBridge.h"
#include "host/WindowSignal.h"

namespace pcsim {

namespace {
// Nice value of the tick thread: well above normal, below anything that
// could starve the rest of the desktop.
constexpr int kTickNice = -10;
// While Stop waits it re-releases the present this often, in case the
// device reaches another gfx_present before it sees quit.
constexpr auto kStopReleaseInterval = std::chrono::milliseconds(10);

std::atomic<bool> g_threadsLeftBehind{false};

/* display_take_frame's consumer: the frame into the bitmap given as bits. */
void ConvertInto(const uint16_t* frame, void* bits) {
    ConvertFramePixels(frame, static_cast<uint32_t*>(bits));
}
} // namespace

struct SimulationRunner::Shared {
    PeriodicTimer frameTimer;             // paces the main loop
    PeriodicTimer tickTimer;              // paces the tick
    std::atomic<bool> quit{false};        // set once by Stop
    std::shared_ptr<WindowSignal> window; // set by Attach before any thread runs
    std::shared_ptr<SerialPort> serialPort; // set before the threads start; may be null

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

void SimulationRunner::Attach(std::shared_ptr<WindowSignal> window, const CommandLineOptions& options) {
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

bool SimulationRunner::Stop() {
    if (!started) return true;
    started = false;
    Shared& s = *shared;
    s.quit = true;
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

void SimulationRunner::ConvertFrame(uint32_t* frameBits) {
    display_take_frame(ConvertInto, frameBits);
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
        if (!s.frameTimer.Wait(kWaitTimeoutMs)) continue;
        if (s.quit) break;
        sys_main_loop_step();
        if (sys_exit_requested()) {
            // The window's close runs Stop, which ends this thread; asking
            // and leaving keeps Stop from waiting on a thread that waits.
            if (s.window) s.window->Raise(WindowSignal::kClose);
            break;
        }
        if (s.window) s.window->Raise(WindowSignal::kRepaint);
        if (s.serialPort && s.serialPort->IsOpen()) PumpDeviceTransmit(*s.serialPort);
    }
    std::lock_guard<std::mutex> hold(s.lock);
    s.applicationEnded = true;
    s.ended.notify_all();
}

void SimulationRunner::TickThread(std::shared_ptr<Shared> state) {
    Shared& s = *state;
    // Linux applies a nice value given with a thread id to that thread only.
    // Where raising it is not allowed (an unprivileged user without a nice
    // limit) the tick simply runs at normal priority.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kTickNice);
    while (!s.quit) {
        if (s.tickTimer.Wait(kWaitTimeoutMs) && !s.quit) sys_tick_isr();
    }
    std::lock_guard<std::mutex> hold(s.lock);
    s.tickEnded = true;
    s.ended.notify_all();
}

} // namespace pcsim
