#include "symbol/arcs.h"

#include <algorithm>
#include <cmath>

namespace tarnel::symbol {

namespace {

constexpr double kDeg = M_PI / 180.0;

// Millimetres to whole 0.0001 mm (KiCad's internal unit), halves away from
// zero; held far inside the range products of two may use.
int64_t Iu(double mm) {
    if (!std::isfinite(mm)) return 0;
    return std::llround(std::clamp(mm * 10000.0, -1e15, 1e15));
}

struct IPt {
    int64_t x, y;
    bool operator==(const IPt&) const = default;
};
IPt Iu(Pt p) { return {Iu(p.x), Iu(p.y)}; }
Pt Mm(IPt p) { return {p.x / 10000.0, p.y / 10000.0}; }

__int128 Cross(IPt o, IPt a, IPt b) {
    return static_cast<__int128>(a.x - o.x) * (b.y - o.y) - static_cast<__int128>(a.y - o.y) * (b.x - o.x);
}
__int128 Dot(IPt o, IPt a, IPt b) {
    return static_cast<__int128>(a.x - o.x) * (b.x - o.x) + static_cast<__int128>(a.y - o.y) * (b.y - o.y);
}

double AngleOf(Pt v) { return std::atan2(v.y, v.x) / kDeg; }
double Wrap360(double a) {
    a = std::fmod(a, 360.0);
    return a < 0 ? a + 360.0 : a;
}

ArcShape DotAt(Pt s) {
    ArcShape a;
    a.kind = ArcShape::Dot;
    a.s = a.m = a.e = s;
    return a;
}

} // namespace

std::vector<Pt> ArcShape::Extents() const {
    switch (kind) {
        case Dot: return {s};
        case Segments: return {s, m, e};
        case Arc: break;
    }
    const bool full = std::fabs(sweep) >= 360;
    std::vector<Pt> pts;
    if (!full) pts = {s, e};
    const double a0 = AngleOf(s - centre);
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

ArcShape ArcThroughPoints(Pt sIn, Pt mIn, Pt eIn, double version) {
    const IPt is = Iu(sIn), im = Iu(mIn), ie = Iu(eIn);
    const Pt s = Mm(is), m = Mm(im), e = Mm(ie);
    const bool fixUp = version <= kArcFixUpUntil;
    if (is == im && im == ie) return DotAt(s);
    ArcShape a;
    a.s = s;
    a.m = m;
    a.e = e;
    if (is == ie) {
        if (fixUp) return DotAt(s);
        a.kind = ArcShape::Arc;
        a.centre = {(s.x + m.x) / 2, (s.y + m.y) / 2};
        a.radius = std::hypot(m.x - s.x, m.y - s.y) / 2;
        a.sweep = 360;
        return a;
    }
    if (Cross(is, im, ie) == 0) {
        a.kind = ArcShape::Segments;
        return a;
    }
    // The circle through the three points, computed relative to s.
    const Pt b = m - s, c = e - s;
    const double d = 2 * (b.x * c.y - b.y * c.x);
    const double b2 = b.x * b.x + b.y * b.y, c2 = c.x * c.x + c.y * c.y;
    const Pt centre{s.x + (c.y * b2 - b.y * c2) / d, s.y + (b.x * c2 - c.x * b2) / d};
    if (!std::isfinite(centre.x) || !std::isfinite(centre.y)) {
        a.kind = ArcShape::Segments;
        return a;
    }
    const double as = AngleOf(s - centre), am = AngleOf(m - centre), ae = AngleOf(e - centre);
    const double dm = Wrap360(am - as), de = Wrap360(ae - as);
    double sweep = dm <= de ? de : de - 360.0;
    a.kind = ArcShape::Arc;
    a.centre = centre;
    a.radius = std::hypot(s.x - centre.x, s.y - centre.y);
    if (fixUp) {
        const __int128 D = Dot(im, is, ie);
        if (D > 0) {
            // Longer than a half circle: the rest of the circle instead.
            sweep = sweep > 0 ? sweep - 360.0 : sweep + 360.0;
        } else if (D == 0) {
            // A half circle: 179.5 degrees, bulging the same way.
            const Pt mid{(s.x + e.x) / 2, (s.y + e.y) / 2};
            const double h = std::hypot(e.x - s.x, e.y - s.y) / 2;
            Pt away = mid - m;
            const double len = std::hypot(away.x, away.y);
            away = {away.x / len, away.y / len};
            const double t = std::tan(0.25 * kDeg);
            a.centre = {mid.x + away.x * h * t, mid.y + away.y * h * t};
            a.radius = h / std::cos(0.25 * kDeg);
            sweep = sweep > 0 ? 179.5 : -179.5;
        }
    }
    a.sweep = sweep;
    return a;
}

ArcShape ArcAboutCentre(Pt sIn, Pt eIn, Pt cIn) {
    const IPt is = Iu(sIn), ie = Iu(eIn), ic = Iu(cIn);
    const Pt s = Mm(is), e = Mm(ie), c = Mm(ic);
    if (is == ic || ie == ic) return DotAt(s);
    const __int128 cross = Cross(ic, is, ie), dot = Dot(ic, is, ie);
    if (cross == 0 && dot > 0 && is == ie) return DotAt(s);
    ArcShape a;
    a.kind = ArcShape::Arc;
    a.s = s;
    a.e = e;
    a.m = s;
    a.centre = c;
    a.radius = std::hypot(s.x - c.x, s.y - c.y);
    if (cross == 0) {
        a.sweep = dot < 0 ? 180.0 : 0.0;
    } else {
        a.sweep = std::atan2(static_cast<double>(cross), static_cast<double>(dot)) / kDeg;
    }
    if (a.sweep == 0) return DotAt(s);
    return a;
}

} // namespace tarnel::symbol
