#pragma once
// The polygon fill rule written the plain way, to check the canvas against:
// on row y every edge that spans the row's centre crosses it at x, the
// crossings are sorted, and between two of them where the winding so far is
// nonzero the pixels whose centres lie within are filled.
#include "canvas/canvas.h"

#include <QPoint>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

// The filled pixels of row y, width wide.
inline std::vector<bool> ReferenceFillRow(const std::vector<QPoint>& pts, int y, int width) {
    std::vector<bool> row(static_cast<size_t>(width), false);
    if (pts.size() < 3) return row;
    const double yc = y + 0.5;
    std::vector<std::pair<double, int>> xs;
    for (size_t i = 0; i < pts.size(); ++i) {
        QPoint a = pts[i], b = pts[(i + 1) % pts.size()];
        if (a.y() == b.y()) continue;
        int dir = 1;
        if (a.y() > b.y()) std::swap(a, b), dir = -1;
        if (!(a.y() <= yc && yc < b.y())) continue;
        const double t = (yc - a.y()) / (static_cast<double>(b.y()) - a.y());
        xs.emplace_back(a.x() + t * (static_cast<double>(b.x()) - a.x()), dir);
    }
    std::sort(xs.begin(), xs.end());
    int winding = 0;
    for (size_t k = 0; k + 1 < xs.size(); ++k) {
        winding += xs[k].second;
        if (winding == 0) continue;
        const double l = std::max(std::ceil(xs[k].first - 0.5), 0.0);
        const double r = std::min(std::floor(xs[k + 1].first - 0.5), width - 1.0);
        for (double x = l; x <= r; ++x) row[static_cast<size_t>(x)] = true;
    }
    return row;
}

// Draws only the fill of pts in black: a white pen in mask mode leaves the
// pixels of the sides alone.
inline void DrawFillOnly(tarnel::Canvas& c, const std::vector<QPoint>& pts) {
    c.Mode = tarnel::PenMode::Mask;
    c.PenColor = tarnel::kWhite;
    c.Brush = tarnel::BrushStyle::Solid;
    c.BrushColor = tarnel::kBlack;
    c.Polygon(pts);
}

// The first pixel of row y where the canvas and the reference differ; -1 if none.
inline int FirstDifference(const tarnel::Canvas& c, const std::vector<QPoint>& pts, int y) {
    const std::vector<bool> want = ReferenceFillRow(pts, y, c.Width());
    for (int x = 0; x < c.Width(); ++x)
        if ((c.Pixel(x, y) == tarnel::kBlack) != want[static_cast<size_t>(x)]) return x;
    return -1;
}
