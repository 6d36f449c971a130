#pragma once
// CAN tests: a fresh device on the virtual clock, the debug output captured,
// and the fake vendor libraries of tests/fakes reached through the same
// library handle the device binds (dlopen of the same path), reset before
// each test.
#include <dlfcn.h>
#include <string>

#include "device/can/can_adapter.h"
#include "device/can/can_library.h"
#include "device/can/can_queue.h"
#include "device/device_fixture.h"

/* One fake library, loaded once per process and never unloaded, so that its
 * state survives the device's own dlclose between tests. */
class FakeLibrary {
  public:
    FakeLibrary(const char* folder, const char* file)
        : path_(std::string(PCSIM_FAKE_LIB_ROOT) + "/" + folder + "/" + file),
          handle_(dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    bool Loaded() const { return handle_ != nullptr; }
    template <typename Fn> Fn Get(const char* name) const {
        return reinterpret_cast<Fn>(dlsym(handle_, name));
    }

  private:
    std::string path_;
    void* handle_;
};

/* The control functions of the fake CANlib. */
struct FakeCanlib {
    explicit FakeCanlib(const char* folder) : lib(folder, "libcanlib.so.1") {}
    FakeLibrary lib;
    void (*reset)() = lib.Get<void (*)()>("fake_canlib_reset");
    void (*set_channels)(int) = lib.Get<void (*)(int)>("fake_canlib_set_channels");
    void (*set_channel_info)(int, uint64_t, uint64_t) =
        lib.Get<void (*)(int, uint64_t, uint64_t)>("fake_canlib_set_channel_info");
    int (*calls)(const char*) = lib.Get<int (*)(const char*)>("fake_canlib_calls");
    const char* (*call_log)() = lib.Get<const char* (*)()>("fake_canlib_call_log");
    long (*arg)(const char*, int) = lib.Get<long (*)(const char*, int)>("fake_canlib_arg");
    void (*force)(const char*, int) = lib.Get<void (*)(const char*, int)>("fake_canlib_force");
    void (*inject)(int, uint32_t, unsigned, const uint8_t*, unsigned, unsigned long) =
        lib.Get<void (*)(int, uint32_t, unsigned, const uint8_t*, unsigned, unsigned long)>(
            "fake_canlib_inject");
    int (*pending)(int) = lib.Get<int (*)(int)>("fake_canlib_pending");
    int (*sent_count)(int) = lib.Get<int (*)(int)>("fake_canlib_sent_count");
    int (*sent)(int, int, uint32_t*, uint8_t*, uint8_t*, uint8_t*) =
        lib.Get<int (*)(int, int, uint32_t*, uint8_t*, uint8_t*, uint8_t*)>("fake_canlib_sent");
    void (*generate)(int, long) = lib.Get<void (*)(int, long)>("fake_canlib_generate");
    void (*keep_sent)(int) = lib.Get<void (*)(int)>("fake_canlib_keep_sent");
    void (*rio_reply)(const uint8_t*) = lib.Get<void (*)(const uint8_t*)>("fake_canlib_rio_reply");
    int (*rio_commands)(int) = lib.Get<int (*)(int)>("fake_canlib_rio_commands");
    int (*open_handles)() = lib.Get<int (*)()>("fake_canlib_open_handles");
    void (*set_time)(unsigned long) = lib.Get<void (*)(unsigned long)>("fake_canlib_set_time");
};

/* The control functions of the fake CANdo library. */
struct FakeCando {
    explicit FakeCando(const char* folder) : lib(folder, "libCANdo.so") {}
    FakeLibrary lib;
    void (*reset)() = lib.Get<void (*)()>("fake_cando_reset");
    void (*add_device)(const char*) = lib.Get<void (*)(const char*)>("fake_cando_add_device");
    int (*calls)(const char*) = lib.Get<int (*)(const char*)>("fake_cando_calls");
    const char* (*call_log)() = lib.Get<const char* (*)()>("fake_cando_call_log");
    long (*arg)(const char*, int) = lib.Get<long (*)(const char*, int)>("fake_cando_arg");
    void (*force)(const char*, int) = lib.Get<void (*)(const char*, int)>("fake_cando_force");
    int (*open_ports)(int) = lib.Get<int (*)(int)>("fake_cando_open_ports");
    void (*inject)(int, uint32_t, uint8_t, const uint8_t*, uint8_t, uint32_t) =
        lib.Get<void (*)(int, uint32_t, uint8_t, const uint8_t*, uint8_t, uint32_t)>(
            "fake_cando_inject");
    int (*sent_count)(int) = lib.Get<int (*)(int)>("fake_cando_sent_count");
    void (*report_write_index)(long) = lib.Get<void (*)(long)>("fake_cando_report_write_index");
    void (*rio_reply)(const uint8_t*) = lib.Get<void (*)(const uint8_t*)>("fake_cando_rio_reply");
    int (*rio_commands)(int) = lib.Get<int (*)(int)>("fake_cando_rio_commands");
};

inline FakeCanlib& Canlib() {
    static FakeCanlib fake("lib");
    return fake;
}

inline FakeCando& Cando() {
    static FakeCando fake("lib");
    return fake;
}

inline std::string FakeLibDir(const char* folder = "lib") {
    return std::string(PCSIM_FAKE_LIB_ROOT) + "/" + folder;
}

class CanTest : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        ASSERT_TRUE(Canlib().lib.Loaded() && Cando().lib.Loaded()) << "fake libraries not built";
        Canlib().reset();
        Cando().reset();
        Debug().clear();
        svc_debug_set_sink([](const char* text) { Debug() += text; });
        can_set_library_dir(FakeLibDir().c_str());
        can_queues_init(); // both ports on Kvaser, as at start-up
    }
    void TearDown() override {
        device_memory_reset(); // closes the ports while the fakes still count
        svc_debug_set_sink(nullptr);
    }
    /* The debug output since the test began. */
    static std::string& Debug() {
        static std::string text;
        return text;
    }
};
