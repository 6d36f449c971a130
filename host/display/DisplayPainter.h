#pragma once
// The window's paint path, shared by the window and the paint benchmark:
// the converted frame is turned the right way up, stretched into the
// display rectangle (smoothly at zooms 1 and 2, pixel-exact at 4) and the
// grid overlay is blended over it with its premultiplied alpha.
#include <QImage>
#include <QRect>
#include <cstdint>

class QPainter;

namespace pcsim {

/* A 320 x 240 image in the format FlipFrameBits writes. */
QImage MakeFrameImage();

/* frameBits (320 x 240, bottom-up, as ConvertFramePixels writes it) into
 * image, top row first. */
void FlipFrameBits(const uint32_t* frameBits, QImage* image);

/* Grid dots into gridBits, an all-transparent overlay of (320 zoom) x
 * (240 zoom) pixels stored bottom-up: dotted horizontal lines on every
 * buffer row that is a multiple of gridWidth * zoom, and on the other even
 * rows a dot every gridWidth * zoom pixels. The topmost line gets none. */
void DrawGridDots(uint32_t* gridBits, int zoom, int gridWidth);

/* The grid overlay image for painting: gridBits (width x height,
 * bottom-up, premultiplied ARGB) the right way up. */
QImage MakeGridImage(const uint32_t* gridBits, int width, int height);

/* One paint of the client area's dirty rectangle (empty: all of it): the
 * bezel (backBuffer, client-sized) where the display rectangle does not
 * cover it, the frame stretched into displayRect, then grid (if given)
 * blended 1:1 at displayRect. */
void PaintDisplay(QPainter& painter, const QRect& dirty, const QImage& backBuffer,
                  const QImage& frame, const QRect& displayRect, bool smooth, const QImage* grid);

} // namespace pcsim
