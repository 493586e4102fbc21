#include "canvas/canvas.h"

#include <algorithm>
#include <cmath>

namespace tarnel {

void Canvas::Polygon(const std::vector<QPoint>& pts) {
    if (pts.empty()) return;
    const bool mask = Mode == PenMode::Mask;
    if (Brush == BrushStyle::Solid && pts.size() >= 3) {
        struct Edge {
            double x0, y0, x1, y1;
            int dir;
        };
        std::vector<Edge> edges;
        edges.reserve(pts.size());
        double minY = 1e300, maxY = -1e300;
        for (size_t i = 0; i < pts.size(); ++i) {
            const QPoint a = pts[i], b = pts[(i + 1) % pts.size()];
            if (a.y() == b.y()) continue;
            Edge e{double(a.x()), double(a.y()), double(b.x()), double(b.y()), 1};
            if (e.y0 > e.y1) {
                std::swap(e.x0, e.x1);
                std::swap(e.y0, e.y1);
                e.dir = -1;
            }
            minY = std::min(minY, e.y0);
            maxY = std::max(maxY, e.y1);
            edges.push_back(e);
        }
        // Rows are sampled at their centres; only rows on the surface count,
        // so huge coordinates cost no more than the surface's height.
        const int yFrom = static_cast<int>(std::max(0.0, std::ceil(minY - 0.5)));
        const int yTo = static_cast<int>(std::min<double>(Height() - 1, std::floor(maxY - 0.5)));
        if (yFrom <= yTo) {
            std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
            const QRgb bc = ToRgb(BrushColor);
            std::vector<const Edge*> active;
            std::vector<std::pair<double, int>> xs;
            size_t next = 0;
            for (int y = yFrom; y <= yTo; ++y) {
                const double yc = y + 0.5;
                while (next < edges.size() && edges[next].y0 <= yc) active.push_back(&edges[next++]);
                active.erase(std::remove_if(active.begin(), active.end(), [&](const Edge* e) { return e->y1 <= yc; }),
                             active.end());
                xs.clear();
                for (const Edge* e : active) {
                    if (e->y0 > yc) continue;
                    const double t = (yc - e->y0) / (e->y1 - e->y0);
                    xs.emplace_back(e->x0 + t * (e->x1 - e->x0), e->dir);
                }
                std::sort(xs.begin(), xs.end());
                int winding = 0;
                for (size_t k = 0; k + 1 < xs.size(); ++k) {
                    winding += xs[k].second;
                    if (winding == 0) continue;
                    const double l = std::ceil(xs[k].first - 0.5), r = std::floor(xs[k + 1].first - 0.5);
                    if (l > r) continue;
                    const int li = static_cast<int>(std::max(l, -1.0)), ri = static_cast<int>(std::min<double>(r, Width()));
                    HSpan(y, li, ri, bc, mask);
                }
            }
        }
    }
    const int sx = curX_, sy = curY_;
    MoveTo(pts[0].x(), pts[0].y());
    for (size_t i = 1; i < pts.size(); ++i) LineTo(pts[i].x(), pts[i].y());
    LineTo(pts[0].x(), pts[0].y());
    curX_ = sx;
    curY_ = sy;
}

} // namespace tarnel
