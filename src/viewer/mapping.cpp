#include "viewer/mapping.h"

#include "tokenizer/libtext.h"

#include <cmath>
#include <limits>

namespace tarnel {

void CoordinateMapping::ResetExtents() {
    lowestX_ = lowestY_ = 2147483647;
    ExtentMinX = ExtentMinY = 2147483647;
    ExtentMaxX = ExtentMaxY = -2147483647 - 1;
}

int32_t CoordinateMapping::MapNum(int64_t v, bool track, bool isY) {
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
        // Out-of-range values go through text like every computed value.
        return Map(IntText(v), track, isY);
    }
    const long double div = ScaleDivisor;
    if (ScaleDivisor != originDivisor_) {
        originDivisor_ = ScaleDivisor;
        origin_ = static_cast<int64_t>(std::trunc(div / 115.0L * 250.0L));
    }
    const int64_t origin = origin_;
    const int64_t offset = static_cast<int64_t>(std::trunc(static_cast<long double>(v) / div / 1.15L + 0.5L));
    const int32_t result = ClampToInt32(origin + offset + (isY ? ShiftY : ShiftX));
    if (track) TrackPixel(result, isY);
    return result;
}

void CoordinateMapping::TrackPixel(int64_t px, bool isY) {
    const int32_t result = ClampToInt32(px);
    int32_t& low = isY ? lowestY_ : lowestX_;
    if (result < low) low = result;
    int32_t& mn = isY ? ExtentMinY : ExtentMinX;
    int32_t& mx = isY ? ExtentMaxY : ExtentMaxX;
    if (result < mn) mn = result;
    if (mn < 0) mn = 0;
    if (result > mx) mx = result;
}

int32_t CoordinateMapping::Map(std::string_view text, bool track, bool isY) {
    return MapNum(ReadInt(text), track, isY);
}

} // namespace tarnel
