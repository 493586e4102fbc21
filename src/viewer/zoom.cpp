#include "viewer/zoom.h"

#include <algorithm>
#include <cmath>

namespace tarnel {

namespace {
constexpr int kMargins = 100;       // the crop's 50 pixels on either side
constexpr int32_t kCanvasEnd = 1950;  // the last column a drawing may reach, margin included
} // namespace

int32_t FitDivisor(const std::function<ViewExtent(int32_t)>& render, int32_t current, const ViewExtent& currentView,
                   int width, int height) {
    auto fits = [&](const ViewExtent& e) {
        return e.Width <= width && e.Height <= height && e.MaxX <= kCanvasEnd && e.MaxY <= kCanvasEnd;
    };
    // The drawing itself scales with 1 / divisor: the divisor its extents
    // ask for.
    double ratio = 0;
    if (width > kMargins) ratio = std::max(ratio, double(currentView.Width - kMargins) / (width - kMargins));
    if (height > kMargins) ratio = std::max(ratio, double(currentView.Height - kMargins) / (height - kMargins));
    const double wanted = std::ceil(std::max(current, 1) * ratio);
    int32_t hi = static_cast<int32_t>(std::clamp(wanted, 1.0, double(kMaxViewDivisor)));

    int32_t last = 0;
    auto fitsAt = [&](int32_t d) {
        last = d;
        return fits(render(d));
    };
    // lo never fits (0 stands for "below 1"); hi does once found.
    int32_t lo = 0;
    bool hiFits = fitsAt(hi);
    while (!hiFits && hi < kMaxViewDivisor) {
        lo = hi;
        hi = std::min<int32_t>(kMaxViewDivisor, hi * 2);
        hiFits = fitsAt(hi);
    }
    // Texts wider than the room fit at no divisor: the smallest drawing then.
    if (hiFits) {
        while (hi - lo > 1) {
            const int32_t mid = lo + (hi - lo) / 2;
            if (fitsAt(mid)) hi = mid;
            else lo = mid;
        }
    }
    if (last != hi) render(hi);
    return hi;
}

int32_t WheelDivisor(int32_t divisor, bool zoomIn) {
    const int64_t d = std::clamp<int64_t>(divisor, 1, kMaxViewDivisor);
    int64_t next = zoomIn ? d * 4 / 5 : (d * 5 + 3) / 4;
    if (zoomIn && next >= d) next = d - 1;
    if (!zoomIn && next <= d) next = d + 1;
    return static_cast<int32_t>(std::clamp<int64_t>(next, 1, kMaxViewDivisor));
}

int64_t MappingOrigin(int32_t divisor) {
    return static_cast<int64_t>(std::trunc(static_cast<long double>(divisor) / 115.0L * 250.0L));
}

double ViewPixelToDecimil(int pixel, int32_t divisor, int32_t extentMin, int64_t shift) {
    const int64_t k = int64_t{pixel} + extentMin - 50 - MappingOrigin(divisor) - shift;
    // The middle of the values the mapping takes to offset k: it adds one
    // half and truncates toward zero, so offset 0 takes (-1.5, 0.5) and a
    // negative k takes (k - 1.5, k - 0.5].
    const double middle = k > 0 ? double(k) : k == 0 ? -0.5 : double(k) - 1.0;
    return middle * divisor * 1.15;
}

int64_t DecimilToViewPixel(double decimil, int32_t divisor, int32_t extentMin, int64_t shift) {
    const int64_t offset = static_cast<int64_t>(std::trunc(decimil / divisor / 1.15 + 0.5));
    return MappingOrigin(divisor) + offset + shift - (int64_t{extentMin} - 50);
}

} // namespace tarnel
