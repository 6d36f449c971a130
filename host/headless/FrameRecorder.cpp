#include "host/headless/FrameRecorder.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "host/display/ScreenFile.h"
#include "host/headless/HeadlessRunner.h"

namespace pcsim {

bool FrameRecorder::Prepare(std::string* error) {
    const QString dir = QString::fromLocal8Bit(dir_.c_str());
    if (QDir().mkpath(dir) && QFileInfo(dir).isDir()) return true;
    *error = "--frames: cannot create the directory " + dir_;
    return false;
}

std::string FrameRecorder::FramePath(uint32_t n) const {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06u.png", n);
    return dir_ + "/" + name;
}

bool FrameRecorder::OnIteration(uint32_t t, HeadlessRunner& runner) {
    if (t < dueMs_) return true;
    if (everyMs_ != 0) dueMs_ = (static_cast<uint64_t>(t) / everyMs_ + 1) * everyMs_;
    if (!WritePngFile(FramePath(written_), runner.ShownFrameBits(), &error_)) return false;
    ++written_;
    return true;
}

} // namespace pcsim
