#pragma once
// --trace-keys: one line per key change and per page entry of a headless
// run, in the order they happen, each starting with the virtual time in
// milliseconds since the start of the run (the time --press and --event
// use):
//
//   3000 key F5 down
//   3025 page gauges
//   3100 key F5 up
//
// A key line gives the raw key as the script holds it; a page line the page
// whose enter function the iteration at that time ran. The time is a plain
// decimal number and the fields are separated by single spaces, so that a
// CI job can match whole lines ("grep -qx '3025 page gauges'"); no other
// output of the program starts with a digit.
#include <cstdint>
#include <cstdio>

#include "device/screen/screen.h"
#include "host/headless/HeadlessObserver.h"

namespace pcsim {

class KeyTrace : public HeadlessObserver {
  public:
    /* Writes to out (not owned). */
    explicit KeyTrace(std::FILE* out) : out_(out) {}

    void OnKeys(uint32_t t, uint8_t before, uint8_t after) override;
    bool OnIteration(uint32_t t, HeadlessRunner& runner) override;

  private:
    std::FILE* out_;
    page_fn_t entered_ = nullptr; // the page entry last reported
};

} // namespace pcsim
