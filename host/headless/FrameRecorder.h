#pragma once
// --frames DIR [--frame-every MS]: the shown screen of a headless run as
// numbered PNG files DIR/frame-000000.png, frame-000001.png, ... in the
// order they were shown, to be turned into an animation.
//
// Without an interval every iteration's frame is written (one every 25 ms
// of virtual time). With one, a frame is written after the first iteration
// at or after each multiple of it (0, MS, 2 MS, ...), so that the pictures
// keep an even pace on average when MS is not a multiple of 25.
#include <cstdint>
#include <string>

#include "host/headless/HeadlessObserver.h"

namespace pcsim {

class FrameRecorder : public HeadlessObserver {
  public:
    FrameRecorder(std::string dir, uint32_t everyMs) : dir_(std::move(dir)), everyMs_(everyMs) {}

    /* Create the directory (and its parents) if missing; false with the
     * reason in error. */
    bool Prepare(std::string* error);
    bool OnIteration(uint32_t t, HeadlessRunner& runner) override;

    uint32_t Written() const { return written_; }
    /* Why the last OnIteration failed; empty while all is well. */
    const std::string& Error() const { return error_; }
    /* The file name of frame n. */
    std::string FramePath(uint32_t n) const;

  private:
    std::string dir_;
    uint32_t everyMs_;   // 0: every iteration
    uint64_t dueMs_ = 0; // the next frame is written at or after this time
    uint32_t written_ = 0;
    std::string error_;
};

} // namespace pcsim
