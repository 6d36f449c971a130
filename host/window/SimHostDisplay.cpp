// SimHost: display rectangle, bitmaps, grid overlay, painting, key zones,
// cursor and coordinate tooltip.
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cstdio>

#include "host/display/DisplayPainter.h"
#include "host/display/FrameConversion.h"
#include "host/run/SimulationRunner.h"
#include "host/window/DisplayWidget.h"
#include "host/window/HostArt.h"
#include "host/window/SimHost.h"

namespace pcsim {

namespace {
// The screen opening of the bezel as fractions of the client area
// (43/407, 363/407, 60/421, 300/421).
constexpr double kDisplayLeft = 0.10565110565110565;
constexpr double kDisplayRight = 0.8918918918918919;
constexpr double kDisplayTop = 0.14251781472684086;
constexpr double kDisplayBottom = 0.7125890736342043;
// From this zoom on the image fills the window and there is no bezel.
constexpr int32_t kBezelLessZoom = 4;

int Truncate(double v) {
    return static_cast<int>(v);
}
} // namespace

int SimHost::ResizeForZoom(int32_t z) {
    if (windowPos[0] == kUnknownPosition || windowPos[1] == kUnknownPosition) {
        // Until the system has placed the window there is nothing to keep.
        if (isVisible()) windowPos = {pos().x(), pos().y()};
    }
    const QSize client = z < kBezelLessZoom ? QSize(kBezelWidth * z, kBezelHeight * z)
                                            : QSize(kScreenWidth * z, kScreenHeight * z);
    display->setFixedSize(client);
    adjustSize();
    if (windowPos[0] != kUnknownPosition && windowPos[1] != kUnknownPosition) {
        move(windowPos[0], windowPos[1]);
    }
    RebuildBitmaps(z);
    return 1;
}

void SimHost::RebuildBitmaps(int32_t z) {
    const int w = display->width();
    const int h = display->height();
    if (z >= kBezelLessZoom) {
        displayRect = QRect(0, 0, w, h);
    } else {
        const float fw = static_cast<float>(w);
        const float fh = static_cast<float>(h);
        const int left = Truncate(fw * kDisplayLeft);
        const int right = Truncate(fw * kDisplayRight);
        const int top = Truncate(fh * kDisplayTop);
        const int bottom = Truncate(fh * kDisplayBottom);
        displayRect = QRect(left, top, right - left, bottom - top);
    }
    if (z < kBezelLessZoom) {
        backBuffer = bezel.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_RGB32);
    } else {
        backBuffer = QImage(w, h, QImage::Format_RGB32);
        backBuffer.fill(Qt::black);
    }
    BuildGridOverlay(); // sized by zoom, which SetZoom has already set to z
    display->update();
}

void SimHost::BuildGridOverlay() {
    const int rowLength = kScreenWidth * zoom;
    const int rows = kScreenHeight * zoom;
    gridBits.assign(static_cast<size_t>(rowLength) * rows, 0u);
    if (gridEnabled) DrawGridDots(gridBits.data(), zoom, gridWidth);
    gridImage = MakeGridImage(gridBits.data(), rowLength, rows);
}

QRect SimHost::ClientRectOf(const FrameArea& area) const {
    const int scale = displayRect.width() / kScreenWidth; // the zoom, at every zoom
    const QRect r(displayRect.left() + (area.left - 1) * scale,
                  displayRect.top() + (area.top - 1) * scale, (area.right - area.left + 2) * scale,
                  (area.bottom - area.top + 2) * scale);
    return r & displayRect;
}

FrameArea SimHost::FrameAreaOf(const QRect& r) const {
    const int scale = displayRect.width() / kScreenWidth;
    const QRect inside = r & displayRect;
    if (inside.isEmpty() || scale <= 0) return {};
    const int left = (inside.left() - displayRect.left()) / scale - 1;
    const int top = (inside.top() - displayRect.top()) / scale - 1;
    const int right = (inside.right() - displayRect.left()) / scale + 2;
    const int bottom = (inside.bottom() - displayRect.top()) / scale + 2;
    return {std::max(left, 0), std::max(top, 0), std::min(right, kScreenWidth),
            std::min(bottom, kScreenHeight)};
}

void SimHost::OnPaint(QPainter& painter, const QRect& dirty) {
    // While paused the device is not asked for a frame: the window keeps
    // showing the last one it converted, until a Step brings a new one,
    // and then shows the frame of that step. Running, a paint converts the
    // part of the frame it shows (the device's repaints ask for the part
    // that changed); what lies outside stays as converted before, and the
    // runner's comparison finds it if it differs.
    // frameImage gets the picture in the same pass: nothing to turn upright.
    uint32_t* upright = reinterpret_cast<uint32_t*>(frameImage.bits());
    const int stride = static_cast<int>(frameImage.bytesPerLine() / sizeof(uint32_t));
    if (!runner->IsPaused()) {
        const FrameArea area = FrameAreaOf(dirty);
        if (!area.Empty()) runner->ConvertFrame(frameBits.data(), upright, stride, area);
    } else if (runner->TakeSteppedFrame()) {
        runner->ConvertSteppedFrame(frameBits.data(), upright, stride);
    }
    PaintDisplay(painter, dirty, backBuffer, frameImage, displayRect, zoom < kBezelLessZoom,
                 gridEnabled ? &gridImage : nullptr);
}

int SimHost::HitTestKey(int x, int y) const {
    const uint16_t ux = static_cast<uint16_t>(x);
    const uint16_t uy = static_cast<uint16_t>(y);
    // The float fractions are widened to double before multiplying: in
    // float arithmetic several edges would round onto the next column.
    const double w = display->width();
    const double h = display->height();
    if (uy <= Truncate(h * keyZoneTop) || uy >= Truncate(h * keyZoneBottom)) return 0;
    for (int k = 0; k < static_cast<int>(keyZones.size()); ++k) {
        if (ux > Truncate(w * keyZones[k][0]) && ux < w * keyZones[k][1]) return k + 1;
    }
    return 0;
}

void SimHost::SetPointer(PointerShape shape) {
    if (shape == pointer) return;
    pointer = shape;
    switch (shape) {
    case PointerShape::kArrow:
        display->unsetCursor();
        break;
    case PointerShape::kHand:
        display->setCursor(Qt::PointingHandCursor);
        break;
    case PointerShape::kDevice:
        display->setCursor(QCursor(deviceCursorPixmap, kDeviceCursorHotX, kDeviceCursorHotY));
        break;
    }
}

void SimHost::OnMouseMove(QPoint at) {
    PointerShape shape = HitTestKey(at.x(), at.y()) ? PointerShape::kHand : PointerShape::kArrow;
    if (displayRect.contains(at)) {
        shape = PointerShape::kDevice;
        char text[20];
        std::snprintf(text, sizeof text, "X:%d Y:%d", (at.x() - displayRect.left()) / zoom,
                      (at.y() - displayRect.top()) / zoom);
        toolTipText = QString::fromLatin1(text);
        QToolTip::showText(display->mapToGlobal(at), toolTipText, display);
    } else {
        OnMouseLeave();
    }
    SetPointer(shape);
}

void SimHost::OnMouseLeave() {
    toolTipText.clear();
    QToolTip::hideText();
}

void SimHost::OnMouseButton(QPoint at, bool pressed) {
    const int k = HitTestKey(at.x(), at.y());
    if (pressed) {
        mouseKey = k;
    } else if (mouseKey != 0 && mouseKey != k) {
        // The pointer left the button it pressed: release that one too, or
        // the device would see it held for ever.
        runner->SetKey(mouseKey, false);
    }
    if (!pressed) mouseKey = 0;
    if (k == 0) return;
    runner->SetKey(k, pressed);
    SetPointer(PointerShape::kHand);
}

} // namespace pcsim
