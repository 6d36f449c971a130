#pragma once
// A device variable that two device threads (tick and main loop) or the host
// touch. On the target the tick is an interrupt and byte/word accesses are
// atomic by nature; on the desktop the tick runs on its own thread, so each
// access goes through a relaxed atomic. The wrapper stays copyable so that
// state structs can be reset by assigning a freshly initialised instance.
#include <atomic>
#include <type_traits>

template <typename T> class SharedVar {
  public:
    constexpr SharedVar() noexcept : value_(T{}) {}
    constexpr SharedVar(T v) noexcept : value_(v) {}
    SharedVar(const SharedVar& other) noexcept : value_(other.load()) {}
    SharedVar& operator=(const SharedVar& other) noexcept {
        store(other.load());
        return *this;
    }
    SharedVar& operator=(T v) noexcept {
        store(v);
        return *this;
    }
    operator T() const noexcept { return load(); }

    T load() const noexcept { return value_.load(std::memory_order_relaxed); }
    void store(T v) noexcept { value_.store(v, std::memory_order_relaxed); }
    /* Publish/consume pair for ring indices whose slots were written before. */
    T load_acquire() const noexcept { return value_.load(std::memory_order_acquire); }
    void store_release(T v) noexcept { value_.store(v, std::memory_order_release); }

    /* Read-modify-write operations that must not lose a concurrent update,
     * e.g. a key scan setting a press bit while the dispatch clears another. */
    T fetch_or(T mask) noexcept { return value_.fetch_or(mask, std::memory_order_relaxed); }
    T fetch_and(T mask) noexcept { return value_.fetch_and(mask, std::memory_order_relaxed); }
    T fetch_add(T n) noexcept { return value_.fetch_add(n, std::memory_order_relaxed); }
    T fetch_sub(T n) noexcept { return value_.fetch_sub(n, std::memory_order_relaxed); }
    /* Store desired only if the value is still expected; false (with the
     * value found in expected) when another thread changed it first. */
    bool compare_exchange(T& expected, T desired) noexcept {
        return value_.compare_exchange_strong(expected, desired, std::memory_order_relaxed);
    }

  private:
    std::atomic<T> value_;
};
