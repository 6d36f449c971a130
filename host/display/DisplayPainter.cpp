#include "host/display/DisplayPainter.h"

#include <QPainter>
#include <cstring>

#include "host/display/FrameConversion.h"

namespace pcsim {

QImage MakeFrameImage() {
    QImage image(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

void FlipFrameBits(const uint32_t* frameBits, QImage* image) {
    constexpr size_t kRowBytes = kScreenWidth * sizeof(uint32_t);
    for (int y = 0; y < kScreenHeight; ++y) {
        std::memcpy(image->scanLine(y), frameBits + (kScreenHeight - 1 - y) * kScreenWidth,
                    kRowBytes);
    }
}

void DrawGridDots(uint32_t* gridBits, int zoom, int gridWidth) {
    // Grey 0x7F at alpha 0x7F, premultiplied: blending it moves a pixel
    // about halfway towards grey.
    constexpr uint32_t kGridDot = 0x7F7F7F7Fu;
    const int rowLength = kScreenWidth * zoom;
    const int rows = kScreenHeight * zoom;
    const int step = gridWidth * zoom;
    for (int r = 0; r < rows - 1; ++r) {
        uint32_t* row = gridBits + static_cast<size_t>(r) * rowLength;
        if (r % step == 0) {
            for (int x = 0; x < rowLength - 1; x += 2)
                row[x] = kGridDot;
        } else if (r % 2 == 0) {
            for (int x = 0; x < rowLength - 1; x += step)
                row[x] = kGridDot;
        }
    }
}

QImage MakeGridImage(const uint32_t* gridBits, int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    const size_t rowBytes = static_cast<size_t>(width) * sizeof(uint32_t);
    for (int y = 0; y < height; ++y) {
        std::memcpy(image.scanLine(y), gridBits + static_cast<size_t>(height - 1 - y) * width,
                    rowBytes);
    }
    return image;
}

void PaintDisplay(QPainter& painter, const QRect& dirty, const QImage& backBuffer,
                  const QImage& frame, const QRect& displayRect, bool smooth, const QImage* grid) {
    // The bezel only where this paint reaches beyond the screen: the device's
    // repaints cover just the part of the screen that changed.
    const QRect reach = dirty.isEmpty() ? backBuffer.rect() : dirty;
    if (!displayRect.contains(reach)) painter.drawImage(0, 0, backBuffer);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.drawImage(displayRect, frame);
    if (grid) {
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(displayRect.topLeft(), *grid, QRect(QPoint(0, 0), displayRect.size()));
    }
}

} // namespace pcsim
