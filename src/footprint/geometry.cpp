#include "footprint/geometry.h"

#include <algorithm>
#include <cmath>

namespace tarnel::footprint {

namespace {
constexpr double kDeg = M_PI / 180.0;
constexpr int kQuarterSegments = 8;

double AngleOf(Pt v) { return std::atan2(v.y, v.x) / kDeg; }
double Wrap360(double a) {
    a = std::fmod(a, 360.0);
    return a < 0 ? a + 360.0 : a;
}
// The file's own rotation of arcs (see Arc).
Pt Turn(Pt v, double degrees) {
    const double c = std::cos(degrees * kDeg), s = std::sin(degrees * kDeg);
    return {v.x * c - v.y * s, v.x * s + v.y * c};
}
} // namespace

Pt Rotate(Pt p, double a) {
    if (a == 0) return p;
    const double c = std::cos(a * kDeg), s = std::sin(a * kDeg);
    return {p.x * c + p.y * s, -p.x * s + p.y * c};
}

void Box::Add(Pt p) {
    if (empty) {
        minX = maxX = p.x;
        minY = maxY = p.y;
        empty = false;
        return;
    }
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
}

void Box::AddCircle(Pt c, double r) {
    Add(Pt{c.x - r, c.y - r});
    Add(Pt{c.x + r, c.y + r});
}

void Box::Add(const Box& b) {
    if (b.empty) return;
    Add(Pt{b.minX, b.minY});
    Add(Pt{b.maxX, b.maxY});
}

Pt Arc::End() const {
    if (std::fabs(sweep) >= 360) return start;
    return centre + Turn(start - centre, sweep);
}

std::vector<Pt> Arc::ExtentPoints() const {
    std::vector<Pt> pts{start, End()};
    const bool full = std::fabs(sweep) >= 360;
    const double a0 = AngleOf(start - centre);
    for (int k = 0; k < 4; ++k) {
        const double phi = 90.0 * k;
        const double along = sweep >= 0 ? Wrap360(phi - a0) : Wrap360(a0 - phi);
        if (full || along <= std::fabs(sweep) + 1e-9) {
            const Pt u = k == 0 ? Pt{1, 0} : k == 1 ? Pt{0, 1} : k == 2 ? Pt{-1, 0} : Pt{0, -1};
            pts.push_back({centre.x + radius * u.x, centre.y + radius * u.y});
        }
    }
    return pts;
}

Arc ArcFromCentre(Pt centre, Pt start, double sweep) {
    Arc a;
    a.centre = centre;
    a.start = start;
    a.radius = std::hypot(start.x - centre.x, start.y - centre.y);
    if (!std::isfinite(sweep)) sweep = 0;
    if (std::fabs(sweep) > 360) {
        const double m = std::fmod(sweep, 360.0);
        sweep = m == 0 ? (sweep > 0 ? 360.0 : -360.0) : m;
    }
    a.sweep = sweep;
    return a;
}

std::optional<Arc> ArcThrough(Pt s, Pt m, Pt e) {
    if (s.x == e.x && s.y == e.y) {
        const Pt c{(s.x + m.x) / 2, (s.y + m.y) / 2};
        return ArcFromCentre(c, s, 360);
    }
    // Circumcentre, computed relative to s.
    const Pt b = m - s, c = e - s;
    const double d = 2 * (b.x * c.y - b.y * c.x);
    if (d == 0 || !std::isfinite(d)) return std::nullopt;
    const double b2 = b.x * b.x + b.y * b.y, c2 = c.x * c.x + c.y * c.y;
    const Pt centre{s.x + (c.y * b2 - b.y * c2) / d, s.y + (b.x * c2 - c.x * b2) / d};
    if (!std::isfinite(centre.x) || !std::isfinite(centre.y)) return std::nullopt;
    const double as = AngleOf(s - centre), am = AngleOf(m - centre), ae = AngleOf(e - centre);
    const double dm = Wrap360(am - as), de = Wrap360(ae - as);
    Arc a = ArcFromCentre(centre, s, dm <= de ? de : de - 360.0);
    return a;
}

std::vector<Pt> BezierPoints(Pt p0, Pt p1, Pt p2, Pt p3, int segments) {
    std::vector<Pt> pts;
    pts.reserve(static_cast<size_t>(segments) + 1);
    for (int i = 0; i <= segments; ++i) {
        const double t = static_cast<double>(i) / segments, u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        pts.push_back({a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
    }
    return pts;
}

Outline RoundRectOutline(double w, double h, double r, unsigned chamfered, double chamfer) {
    Outline o;
    const double hw = w / 2, hh = h / 2;
    r = std::clamp(r, 0.0, std::min(std::fabs(hw), std::fabs(hh)));
    chamfer = std::clamp(chamfer, 0.0, std::min(std::fabs(hw), std::fabs(hh)) * 2);
    // Corners clockwise on the drawing: top-left, top-right, bottom-right,
    // bottom-left, each with its chamfer bit and the angle its arc starts at.
    struct Corner {
        double sx, sy;
        unsigned bit;
        double from;
    };
    const Corner corners[4] = {{-1, -1, 1u, 180}, {1, -1, 2u, 270}, {1, 1, 8u, 0}, {-1, 1, 4u, 90}};
    for (const Corner& k : corners) {
        const Pt p{k.sx * hw, k.sy * hh};
        if (chamfered & k.bit) {
            // From the side before the corner to the side after it.
            const bool vertical = k.sx * k.sy < 0;  // top-right, bottom-left: come along a horizontal side
            Pt a = p, b = p;
            if (!vertical) {
                a.y -= k.sy * chamfer;
                b.x -= k.sx * chamfer;
            } else {
                a.x -= k.sx * chamfer;
                b.y -= k.sy * chamfer;
            }
            o.polygon.push_back(a);
            if (chamfer > 0) o.polygon.push_back(b);
            o.bounds.push_back({a, 0});
            o.bounds.push_back({b, 0});
        } else if (r > 0) {
            const Pt c{p.x - k.sx * r, p.y - k.sy * r};
            for (int i = 0; i <= kQuarterSegments; ++i) {
                const double t = (k.from + 90.0 * i / kQuarterSegments) * kDeg;
                o.polygon.push_back({c.x + r * std::cos(t), c.y + r * std::sin(t)});
            }
            o.bounds.push_back({c, r});
        } else {
            o.polygon.push_back(p);
            o.bounds.push_back({p, 0});
        }
    }
    return o;
}

Outline OvalOutline(double w, double h) {
    if (w == h) return CircleOutline(w);
    Outline o;
    const bool wide = w > h;
    const double r = (wide ? h : w) / 2, d = std::fabs(wide ? w - h : h - w) / 2;
    const Pt c1 = wide ? Pt{d, 0} : Pt{0, d}, c2 = wide ? Pt{-d, 0} : Pt{0, -d};
    const double from1 = wide ? -90 : 0, from2 = wide ? 90 : 180;
    for (int i = 0; i <= 2 * kQuarterSegments; ++i) {
        const double t = (from1 + 180.0 * i / (2 * kQuarterSegments)) * kDeg;
        o.polygon.push_back({c1.x + r * std::cos(t), c1.y + r * std::sin(t)});
    }
    for (int i = 0; i <= 2 * kQuarterSegments; ++i) {
        const double t = (from2 + 180.0 * i / (2 * kQuarterSegments)) * kDeg;
        o.polygon.push_back({c2.x + r * std::cos(t), c2.y + r * std::sin(t)});
    }
    o.bounds = {{c1, r}, {c2, r}};
    return o;
}

Outline CircleOutline(double diameter) {
    Outline o;
    o.round = true;
    o.radius = std::fabs(diameter) / 2;
    o.bounds = {{{0, 0}, o.radius}};
    return o;
}

Outline PolygonOutline(std::vector<Pt> pts) {
    Outline o;
    for (const Pt& p : pts) o.bounds.push_back({p, 0});
    o.polygon = std::move(pts);
    return o;
}

} // namespace tarnel::footprint
