#pragma once
// Zoom of the main window's view beyond its three zoom buttons: the divisor
// at which a drawing fills the room the window has ("Ajustar"), and the
// mouse wheel's steps, kept around the pointer.
#include <cstdint>
#include <functional>

namespace tarnel {

// Past this divisor the mapping's origin (2.17 pixels per divisor unit)
// would carry a drawing off the 2000-pixel canvas.
constexpr int32_t kMaxViewDivisor = 600;

// What a render at some divisor gave: the view's size and the right and
// bottom ends of the drawing on the canvas (pixels; below 0 for nothing
// drawn).
struct ViewExtent {
    int Width = 0, Height = 0;
    int32_t MaxX = -1, MaxY = -1;
};

// The smallest divisor from 1 up at which the whole view, drawing, texts and
// margins, fits in width x height and the drawing stays on the canvas; at
// most kMaxViewDivisor. render(d) draws at divisor d. The search starts
// from the divisor the extents of the drawing at current ask for
// (currentView: that render) and halves the interval from there, since
// texts keep their size at every divisor.
int32_t FitDivisor(const std::function<ViewExtent(int32_t divisor)>& render, int32_t current,
                   const ViewExtent& currentView, int width, int height);

// The divisor one wheel notch in (zoomIn) or out from divisor: about a
// fifth closer or a quarter farther, at least one step, within 1 and
// kMaxViewDivisor.
int32_t WheelDivisor(int32_t divisor, bool zoomIn);

// The mapping's origin for a divisor: the integer part of divisor / 115 x
// 250, in floating point in that order.
int64_t MappingOrigin(int32_t divisor);

// Where a view pixel lies in the drawing, in decimils, and back: column (or
// row) pixel of a view cropped from extentMin - 50, drawn at divisor with
// the drawing moved by shift pixels.
double ViewPixelToDecimil(int pixel, int32_t divisor, int32_t extentMin, int64_t shift);
int64_t DecimilToViewPixel(double decimil, int32_t divisor, int32_t extentMin, int64_t shift);

} // namespace tarnel
