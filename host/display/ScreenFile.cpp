#include "host/display/ScreenFile.h"

#include <QImage>
#include <QImageWriter>
#include <cstring>

#include "host/display/FrameConversion.h"

namespace pcsim {

bool IsPngPath(const std::string& path) {
    static const char kSuffix[] = ".png";
    const size_t n = sizeof kSuffix - 1;
    if (path.size() <= n) return false;
    for (size_t i = 0; i < n; ++i) {
        const char c = path[path.size() - n + i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != kSuffix[i]) return false;
    }
    return true;
}

bool WritePngFile(const std::string& path, const uint32_t* frameBits, std::string* error) {
    QImage image(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
    for (int y = 0; y < kScreenHeight; ++y) {
        std::memcpy(image.scanLine(y), frameBits + (kScreenHeight - 1 - y) * kScreenWidth,
                    kScreenWidth * sizeof(uint32_t));
    }
    QImageWriter writer(QString::fromLocal8Bit(path.c_str()), "png");
    if (writer.write(image)) return true;
    if (error) *error = "cannot write " + path + ": " + writer.errorString().toStdString();
    return false;
}

bool WriteScreenFile(const std::string& path, const uint32_t* frameBits, std::string* error) {
    return IsPngPath(path) ? WritePngFile(path, frameBits, error)
                           : WriteBitmapFile(path, frameBits, error);
}

} // namespace pcsim
