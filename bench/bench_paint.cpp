// The window's paint path, per frame: conversion of the device's output
// frame (RGB565 to 32-bit, bottom-up), turning it the right way up, the
// stretch into the display rectangle and the grid blend. The target is a
// 32-bit image of the client size, as the window's backing store is. The
// parts at zoom 4 are timed on their own too, beside a plain copy of the
// client area's bytes.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <vector>

#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "host/display/DisplayPainter.h"
#include "host/display/FrameConversion.h"
#include "host/run/SimulationRunner.h"

namespace {

constexpr int kGridWidth = 10; // the densest grid but one

struct PaintSetup {
    explicit PaintSetup(int zoom)
        : frameBits(pcsim::kScreenWidth * pcsim::kScreenHeight), frame(pcsim::MakeFrameImage()),
          client(zoom < 4 ? QSize(407 * zoom, 421 * zoom) : QSize(320 * zoom, 240 * zoom)),
          display(zoom < 4 ? QRect(43 * zoom, 60 * zoom, 320 * zoom, 240 * zoom)
                           : QRect(QPoint(0, 0), client)),
          backBuffer(client, QImage::Format_RGB32), target(client, QImage::Format_RGB32),
          gridBits(static_cast<size_t>(320 * zoom) * 240 * zoom, 0u), smooth(zoom < 4) {
        device_memory_reset();
        // A busy picture: a colour ramp over the whole output frame.
        uint16_t* out = display_frame_buffer();
        for (int i = 0; i < GFX_WIDTH * GFX_SCREEN_ROWS; ++i)
            out[i] = static_cast<uint16_t>(i * 37);
        backBuffer.fill(Qt::darkGray);
        pcsim::DrawGridDots(gridBits.data(), zoom, kGridWidth);
        grid = pcsim::MakeGridImage(gridBits.data(), 320 * zoom, 240 * zoom);
    }

    pcsim::SimulationRunner runner; // not attached: only its conversion is used
    std::vector<uint32_t> frameBits;
    QImage frame;
    QSize client;
    QRect display;
    QImage backBuffer;
    QImage target;
    std::vector<uint32_t> gridBits;
    QImage grid;
    bool smooth;
};

/* Everything one paint does, with the grid on (range(1) = 1) or off. */
void BM_PaintPath(benchmark::State& state) {
    PaintSetup s(static_cast<int>(state.range(0)));
    const bool withGrid = state.range(1) != 0;
    for (auto _ : state) {
        s.runner.ConvertFrame(s.frameBits.data());
        pcsim::FlipFrameBits(s.frameBits.data(), &s.frame);
        QPainter painter(&s.target);
        pcsim::PaintDisplay(painter, QRect(), s.backBuffer, s.frame, s.display, s.smooth,
                            withGrid ? &s.grid : nullptr);
        painter.end();
        benchmark::DoNotOptimize(s.target.constBits());
    }
}
BENCHMARK(BM_PaintPath)
    ->ArgNames({"zoom", "grid"})
    ->Args({4, 1})
    ->Args({4, 0})
    ->Args({2, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMicrosecond);

/* The parts at zoom 4. */
void BM_Zoom4Convert(benchmark::State& state) {
    PaintSetup s(4);
    for (auto _ : state) {
        s.runner.ConvertFrame(s.frameBits.data());
        benchmark::DoNotOptimize(s.frameBits.data());
    }
}
BENCHMARK(BM_Zoom4Convert)->Unit(benchmark::kMicrosecond);

void BM_Zoom4Flip(benchmark::State& state) {
    PaintSetup s(4);
    for (auto _ : state) {
        pcsim::FlipFrameBits(s.frameBits.data(), &s.frame);
        benchmark::DoNotOptimize(s.frame.constBits());
    }
}
BENCHMARK(BM_Zoom4Flip)->Unit(benchmark::kMicrosecond);

void BM_Zoom4Stretch(benchmark::State& state) {
    PaintSetup s(4);
    for (auto _ : state) {
        QPainter painter(&s.target);
        painter.drawImage(s.display, s.frame);
        painter.end();
        benchmark::DoNotOptimize(s.target.constBits());
    }
}
BENCHMARK(BM_Zoom4Stretch)->Unit(benchmark::kMicrosecond);

void BM_Zoom4GridBlend(benchmark::State& state) {
    PaintSetup s(4);
    for (auto _ : state) {
        QPainter painter(&s.target);
        painter.drawImage(s.display.topLeft(), s.grid);
        painter.end();
        benchmark::DoNotOptimize(s.target.constBits());
    }
}
BENCHMARK(BM_Zoom4GridBlend)->Unit(benchmark::kMicrosecond);

/* For scale: copying the bytes of one zoom-4 client area. */
void BM_Zoom4MemcpyClient(benchmark::State& state) {
    PaintSetup s(4);
    const QImage source = s.backBuffer;
    for (auto _ : state) {
        std::memcpy(s.target.bits(), source.constBits(), static_cast<size_t>(source.sizeInBytes()));
        benchmark::DoNotOptimize(s.target.constBits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Zoom4MemcpyClient)->Unit(benchmark::kMicrosecond);

} // namespace
