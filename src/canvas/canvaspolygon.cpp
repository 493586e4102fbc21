#include "canvas/canvas.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>

namespace tarnel {

// The fill rule: on each row, sampled at its centre, an edge crosses at x as
// computed by CrossX; a pixel is filled when a crossing falls exactly on its
// centre or when the winding of the crossings left of its centre is nonzero.
//
// Rather than finding and sorting every crossing of every row, each edge is
// kept in the column where its crossing falls, and visited again only on the
// row where that column changes: a polygon of a million near-vertical edges
// costs its edges and its rows, not their product.
namespace {

struct Place {
    int32_t start, exact;
    bool operator==(const Place&) const = default;
};

struct Edge {
    int32_t x0, y0, x1, y1;  // y0 < y1
    int32_t last;            // the last row it crosses on the surface
    int8_t dir;
    int32_t next = -1;        // the next edge due on the same row
    bool placed = false;      // counted in the columns at `at`
    bool ahead = false;       // `coming` is its place on the row it is due
    Place at{0, INT_MIN}, coming{0, INT_MIN};
};

double CrossX(const Edge& e, int y) {
    const double yc = y + 0.5;
    const double t = (yc - e.y0) / (static_cast<double>(e.y1) - e.y0);
    return e.x0 + t * (static_cast<double>(e.x1) - e.x0);
}

// Where edge e crosses row y, as the start column of its winding and the
// column it hits exactly (INT_MIN for none), both brought into [lo, hi + 1].
// CrossX never decreases or never increases along an edge, so each place
// holds on one run of rows.
Place PlaceOf(const Edge& e, int y, int32_t lo, int32_t hi) {
    const double x = CrossX(e, y);
    const double f = std::floor(x - 0.5);
    Place p{0, INT_MIN};
    if (f + 1 <= lo) p.start = lo;
    else if (f + 1 >= static_cast<double>(hi) + 1) p.start = hi + 1;
    else p.start = static_cast<int32_t>(f) + 1;
    if (x - 0.5 == f && f >= lo && f <= hi) p.exact = static_cast<int32_t>(f);
    return p;
}

} // namespace

void Canvas::FillPolygon(const std::vector<QPoint>& pts, QRgb c, bool mask) {
    const int H = Height();
    std::vector<Edge> edges;
    edges.reserve(pts.size());
    int64_t minX = INT64_MAX, maxX = INT64_MIN;
    int yFrom = INT_MAX, yTo = INT_MIN;
    for (size_t i = 0; i < pts.size(); ++i) {
        const QPoint a = pts[i], b = pts[(i + 1) % pts.size()];
        if (a.y() == b.y()) continue;
        Edge e{a.x(), a.y(), b.x(), b.y(), 0, 1};
        if (e.y0 > e.y1) {
            std::swap(e.x0, e.x1);
            std::swap(e.y0, e.y1);
            e.dir = -1;
        }
        // Rows y with y0 <= y + 0.5 < y1, on the surface.
        const int first = std::max(e.y0, 0);
        e.last = static_cast<int32_t>(std::min<int64_t>(int64_t{e.y1} - 1, H - 1));
        if (first > e.last) continue;
        minX = std::min<int64_t>(minX, std::min(e.x0, e.x1));
        maxX = std::max<int64_t>(maxX, std::max(e.x0, e.x1));
        yFrom = std::min(yFrom, first);
        yTo = std::max(yTo, static_cast<int>(e.last));
        edges.push_back(e);
    }
    // Crossings lie between their edge's ends: columns outside the edges'
    // span, give or take one, are never filled.
    const int32_t lo = static_cast<int32_t>(std::max<int64_t>(minX - 1, 0));
    const int32_t hi = static_cast<int32_t>(std::min<int64_t>(maxX + 1, Width() - 1));
    if (edges.empty() || lo > hi) return;
    if (!Spend(kPolygonWork + kEdgeWork * static_cast<int64_t>(edges.size()) + (hi - lo) + (yTo - yFrom))) return;

    // Per column lo .. hi + 1: the winding that starts there, the crossings
    // exactly on its centre, and a bit while either is in use.
    const size_t n = static_cast<size_t>(hi - lo) + 2;
    std::vector<int32_t> wind(n), exact(n), uses(n);
    std::vector<uint64_t> busy((n + 63) / 64);
    auto use = [&](size_t k, int d) {
        uses[k] += d;
        if (uses[k]) busy[k / 64] |= uint64_t{1} << (k % 64);
        else busy[k / 64] &= ~(uint64_t{1} << (k % 64));
    };
    auto add = [&](const Edge& e, const Place& p, int sign) {
        const size_t k = static_cast<size_t>(p.start - lo);
        wind[k] += sign * e.dir;
        use(k, sign);
        if (p.exact != INT_MIN) {
            const size_t x = static_cast<size_t>(p.exact - lo);
            exact[x] += sign;
            use(x, sign);
        }
    };

    // Edges due on each row, as lists threaded through Edge::next.
    std::vector<int32_t> due(static_cast<size_t>(yTo - yFrom) + 2, -1);
    auto schedule = [&](int32_t i, int row) {
        int32_t& head = due[static_cast<size_t>(row - yFrom)];
        edges[static_cast<size_t>(i)].next = head;
        head = i;
    };
    for (size_t i = 0; i < edges.size(); ++i) schedule(static_cast<int32_t>(i), std::max(edges[i].y0, 0));

    int64_t evaluations = 0;
    for (int y = yFrom; y <= yTo; ++y) {
        // Move the edges whose column changes here; find the row of their next change.
        for (int32_t i = due[static_cast<size_t>(y - yFrom)]; i >= 0;) {
            Edge& e = edges[static_cast<size_t>(i)];
            const int32_t following = e.next;
            if (e.placed) add(e, e.at, -1);
            e.placed = false;
            if (y <= e.last) {
                evaluations += !e.ahead;
                const Place p = e.ahead ? e.coming : PlaceOf(e, y, lo, hi);
                add(e, p, +1);
                e.at = p;
                e.placed = true;
                // Gallop, then halve: the first row whose place differs,
                // kept with its place for that row.
                int64_t same = y, step = 1, other = y + 1;
                e.ahead = false;
                // A place that holds to the last row holds on every row between.
                if (other <= e.last && (++evaluations, PlaceOf(e, e.last, lo, hi) == p)) {
                    same = e.last;
                    other = int64_t{e.last} + 1;
                }
                while (other <= e.last) {
                    ++evaluations;
                    const Place q = PlaceOf(e, static_cast<int>(other), lo, hi);
                    if (!(q == p)) {
                        e.coming = q;
                        e.ahead = true;
                        break;
                    }
                    same = other;
                    step *= 2;
                    other = y + step;
                }
                if (!e.ahead) other = std::min<int64_t>(other, int64_t{e.last} + 1);
                while (other - same > 1) {
                    const int64_t mid = same + (other - same) / 2;
                    ++evaluations;
                    const Place q = PlaceOf(e, static_cast<int>(mid), lo, hi);
                    if (q == p) {
                        same = mid;
                    } else {
                        other = mid;
                        e.coming = q;
                        e.ahead = true;
                    }
                }
                schedule(i, static_cast<int>(other));
            }
            i = following;
        }
        // Walk the columns in use: between two of them the winding is constant.
        // run(l, on): the columns from l up to the next call are filled or not.
        int32_t w = 0, from = lo, openAt = INT_MIN;
        int64_t visited = 0;
        auto run = [&](int32_t l, bool on) {
            if (on && openAt == INT_MIN) {
                openAt = l;
            } else if (!on && openAt != INT_MIN) {
                HSpan(y, openAt, l - 1, c, mask);
                openAt = INT_MIN;
            }
        };
        for (size_t word = 0; word < busy.size(); ++word) {
            for (uint64_t bits = busy[word]; bits; bits &= bits - 1) {
                const size_t k = word * 64 + static_cast<size_t>(std::countr_zero(bits));
                const int32_t col = lo + static_cast<int32_t>(k);
                if (col > hi) break;
                ++visited;
                if (col > from) run(from, w != 0);
                w += wind[k];
                run(col, w != 0 || exact[k] > 0);
                from = col + 1;
            }
        }
        if (from <= hi) run(from, w != 0);
        run(hi + 1, false);
        if (!Spend(static_cast<int64_t>(busy.size()) + 4 * visited + kEdgeWork * evaluations + 16)) return;
        evaluations = 0;
    }
}

void Canvas::Polygon(const std::vector<QPoint>& pts) {
    if (pts.empty()) return;
    if (Brush == BrushStyle::Solid && pts.size() >= 3) {
        DrawOp op = Op(DrawOp::PolygonFill, {}, false, true);
        op.pts = &pts;
        int64_t l = INT64_MAX, t = INT64_MAX, r = INT64_MIN, b = INT64_MIN;
        for (const QPoint& p : pts) {
            l = std::min<int64_t>(l, p.x()), r = std::max<int64_t>(r, p.x());
            t = std::min<int64_t>(t, p.y()), b = std::max<int64_t>(b, p.y());
        }
        const int64_t expected = SurfaceArea(l, t, r + 1, b + 1) + kEdgeWork * static_cast<int64_t>(pts.size());
        if (Begin(op, expected)) {
            FillPolygon(pts, ToRgb(BrushColor), Mode == PenMode::Mask);
            Done(op, expected);
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
