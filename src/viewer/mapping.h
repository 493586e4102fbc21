#pragma once
// The coordinate mapping: decimils to pixels of the work canvas at the scale
// divisor, widening the extents of what is drawn.
#include <cstdint>
#include <string_view>

namespace tarnel {

class CoordinateMapping {
public:
    int32_t ScaleDivisor = 10;
    int32_t ExtentMinX = 2147483647, ExtentMaxX = -2147483647 - 1;
    int32_t ExtentMinY = 2147483647, ExtentMaxY = -2147483647 - 1;
    // A move, in pixels, added to every mapped place (a drawing kept whole).
    int64_t ShiftX = 0, ShiftY = 0;

    // Forgets the extents (and the least places) of the last drawing.
    void ResetExtents();
    // Maps a coordinate in decimils, widening the extents when track is set.
    int32_t MapNum(int64_t v, bool track, bool isY);
    // Widens the extents by a place already in pixels (what a text covers).
    void TrackPixel(int64_t px, bool isY);
    // Maps a coordinate written as text (the integer reading).
    int32_t Map(std::string_view text, bool track, bool isY);
    // The least places mapped with tracking since the reset, not held at 0.
    int32_t LowestX() const { return lowestX_; }
    int32_t LowestY() const { return lowestY_; }

private:
    int32_t lowestX_ = 2147483647, lowestY_ = 2147483647;
    int32_t originDivisor_ = 0;  // the divisor origin_ was computed for
    int64_t origin_ = 0;
};

} // namespace tarnel
