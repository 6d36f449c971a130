#include "host/DisplayPainter.h"

#include <QPainter>
#include <cstring>

#include "host/FrameConversion.h"

namespace pcsim {

QImage MakeFrameImage() {
    QImage image(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

void FlipFrameBits(const uint32_t* frameBits, QImage* image) {
    constexpr size_t kRowBytes = kScreenWidth * sizeof(uint32_t);
    for (int y = 0; y < kScreenHeight; ++y) {
        std::memcpy(image->scanLine(y), frameBits + (kScreenHeight - 1 - y) * kScreenWidth, kRowBytes);
    }
}

QImage MakeGridImage(const uint32_t* gridBits, int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    const size_t rowBytes = static_cast<size_t>(width) * sizeof(uint32_t);
    for (int y = 0; y < height; ++y) {
        std::memcpy(image.scanLine(y), gridBits + static_cast<size_t>(height - 1 - y) * width, rowBytes);
    }
    return image;
}

void PaintDisplay(QPainter& painter, const QImage& backBuffer, const QImage& frame, const QRect& displayRect,
                  bool smooth, const QImage* grid) {
    if (!displayRect.contains(backBuffer.rect())) painter.drawImage(0, 0, backBuffer);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.drawImage(displayRect, frame);
    if (grid) {
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(displayRect.topLeft(), *grid, QRect(QPoint(0, 0), displayRect.size()));
    }
}

} // namespace pcsim
