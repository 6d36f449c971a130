#pragma once
// Something that watches a headless run as it goes (a trace, a frame
// recorder). The runner calls it at fixed points of each step; see
// HeadlessRunner.h for the order.
#include <cstdint>

namespace pcsim {

class HeadlessRunner;

class HeadlessObserver {
  public:
    virtual ~HeadlessObserver() = default;
    /* The raw key bits changed at virtual time t (ms since the start):
     * before and after, key k in bit k - 1. */
    virtual void OnKeys(uint32_t t, uint8_t before, uint8_t after) {
        (void)t, (void)before, (void)after;
    }
    /* A main loop iteration ran at t and its frame was handed over. The
     * shown screen is runner.ShownFrameBits(). False ends the run; the
     * observer keeps the reason. */
    virtual bool OnIteration(uint32_t t, HeadlessRunner& runner) {
        (void)t, (void)runner;
        return true;
    }
};

} // namespace pcsim
