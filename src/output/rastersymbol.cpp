// The raster drawing of current symbols: every line 1 pixel wide in mask
// mode, fills in their own colour, texts level in the canvas font, pins with
// their marks, names and numbers.
#include "output/rasterdevice.h"

#include "footprint/geometry.h"
#include "util/clamp.h"

#include <cmath>

namespace tarnel {

using figure::Item;
using figure::Kind;
using figure::Pt;

namespace {

constexpr double kDeg = M_PI / 180.0;
// The gap, in pixels, between a pin's line and its texts.
constexpr int64_t kGap = 2;
// Half the size of a no-connect pin's cross, millimetres.
constexpr double kNoConnectHalf = 0.381;

Pt Direction(double angle) {
    return angle == 0 ? Pt{1, 0} : angle == 90 ? Pt{0, 1} : angle == 180 ? Pt{-1, 0} : Pt{0, -1};
}
Pt Scaled(Pt p, double k) { return {p.x * k, p.y * k}; }

// Where the arc of sweep degrees from start about centre ends.
Pt ArcPoint(Pt centre, Pt start, double degrees) {
    const double c = std::cos(degrees * kDeg), s = std::sin(degrees * kDeg);
    const Pt v = start - centre;
    return {centre.x + v.x * c - v.y * s, centre.y + v.x * s + v.y * c};
}

std::vector<std::string_view> LinesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t from = 0;
    for (;;) {
        const size_t nl = text.find('\n', from);
        lines.push_back(text.substr(from, nl == std::string_view::npos ? std::string_view::npos : nl - from));
        if (nl == std::string_view::npos) break;
        from = nl + 1;
    }
    return lines;
}

} // namespace

void RasterDevice::Segment(const figure::Figure& f, Pt a, Pt b) {
    const QPoint pa = Map(f, a), pb = Map(f, b);
    cv_.MoveTo(pa.x(), pa.y());
    cv_.LineTo(pb.x(), pb.y());
}

void RasterDevice::DrawSymbolItem(const figure::Figure& f, const Item& it) {
    const Pt* p = f.PointsOf(it);
    const bool outline = !(it.flags & figure::kNoOutline);
    const bool filled = it.filled && cv_.Brush == BrushStyle::Solid;
    switch (it.kind) {
        case Kind::Polyline:
        case Kind::Polygon:
        case Kind::Curve: {
            std::vector<QPoint> px;
            if (it.kind == Kind::Curve) {
                if (it.count < 4) return;
                for (const Pt& q : footprint::BezierPoints(p[0], p[1], p[2], p[3])) px.push_back(Map(f, q));
            } else {
                for (uint32_t i = 0; i < it.count; ++i) px.push_back(Map(f, p[i]));
            }
            if (px.empty()) return;
            if (px.size() == 1) {
                // A single point is a dot.
                cv_.MoveTo(px[0].x(), px[0].y());
                cv_.LineTo(px[0].x() + 1, px[0].y());
                return;
            }
            // The fill closes the shape; the outline of an open one stays open.
            if (filled) {
                const Color pen = cv_.PenColor;
                cv_.PenColor = cv_.BrushColor;
                cv_.Polygon(px);
                cv_.PenColor = pen;
            }
            if (outline) {
                if (it.kind == Kind::Polygon) px.push_back(px.front());
                cv_.Polyline(px);
            }
            return;
        }
        case Kind::Circle: {
            const double r = it.radius;
            if (!outline && !filled) return;
            cv_.Ellipse(X(f, p[0].x - r), Y(f, p[0].y + r), X(f, p[0].x + r), Y(f, p[0].y - r));
            return;
        }
        case Kind::Arc: DrawSymbolArc(f, it); return;
        case Kind::Text: DrawSymbolText(f, it); return;
        case Kind::Pin: DrawSymbolPin(f, it); return;
        default: return;
    }
}

void RasterDevice::DrawSymbolArc(const figure::Figure& f, const Item& it) {
    const Pt* p = f.PointsOf(it);
    const Pt c = p[0], s = p[1];
    const double r = it.radius, sweep = it.sweep;
    if (!(r > 0) || !std::isfinite(r) || !std::isfinite(sweep)) return;
    const bool full = std::fabs(sweep) >= 360;
    const int32_t l = X(f, c.x - r), t = Y(f, c.y + r), rt = X(f, c.x + r), b = Y(f, c.y - r);
    if (it.filled && cv_.Brush == BrushStyle::Solid) {
        // Filled as a slice of its circle, as KiCad fills arcs.
        const Color pen = cv_.PenColor;
        cv_.PenColor = cv_.BrushColor;
        if (full) {
            cv_.Ellipse(l, t, rt, b);
        } else {
            const int steps = std::max(8, static_cast<int>(std::ceil(std::fabs(sweep) / 5)));
            std::vector<QPoint> px{Map(f, c)};
            for (int i = 0; i <= steps; ++i) px.push_back(Map(f, ArcPoint(c, s, sweep * i / steps)));
            cv_.Polygon(px);
        }
        cv_.PenColor = pen;
    }
    if (it.flags & figure::kNoOutline) return;
    const BrushStyle brush = cv_.Brush;
    cv_.Brush = BrushStyle::Clear;
    const QPoint S = Map(f, s), E = Map(f, ArcPoint(c, s, sweep));
    if (full) {
        cv_.Arc(l, t, rt, b, S.x(), S.y(), S.x(), S.y());
    } else if (S == E && std::fabs(sweep) < 180) {
        // Ends on one pixel: the canvas would take the whole circle.
        cv_.MoveTo(S.x(), S.y());
        cv_.LineTo(S.x() + 1, S.y());
    } else if (sweep > 0) {
        // Counter-clockwise as seen: the canvas's own way.
        cv_.Arc(l, t, rt, b, S.x(), S.y(), E.x(), E.y());
    } else {
        cv_.Arc(l, t, rt, b, E.x(), E.y(), S.x(), S.y());
    }
    cv_.Brush = brush;
}

void RasterDevice::DrawSymbolText(const figure::Figure& f, const Item& it) {
    const figure::Text& t = f.texts[it.index];
    const QPoint a = Map(f, f.PointsOf(it)[0]);
    const std::vector<std::string_view> lines = LinesOf(t.text);
    const int64_t h = cv_.TextHeight(t.text);
    const int64_t top = t.placement == figure::TextPlacement::TopLeftInset
                            ? int64_t{a.y()} + 2
                            : int64_t{a.y()} - static_cast<int64_t>(lines.size()) * h / 2;
    for (size_t i = 0; i < lines.size(); ++i) {
        const int64_t y = top + static_cast<int64_t>(i) * h;
        const int64_t x = t.placement == figure::TextPlacement::TopLeftInset ? int64_t{a.x()} + 2
                                                                              : a.x() - int64_t{cv_.TextWidth(lines[i])} / 2;
        cv_.TextOut(ClampToInt32(x), ClampToInt32(y), lines[i]);
    }
}

void RasterDevice::DrawSymbolPin(const figure::Figure& f, const Item& it) {
    const figure::Pin& pin = f.pins[it.index];
    const Pt P = pin.at, d = Direction(pin.angle);
    const Pt R = P + Scaled(d, pin.length);
    const double e = pin.markSize;
    const std::string& shape = pin.shape;
    const bool inverted = shape == "inverted" || shape == "inverted_clock";
    cv_.Brush = BrushStyle::Clear;
    if (pin.length != 0) Segment(f, P, inverted ? R - Scaled(d, 2 * e) : R);
    const int64_t AX = X(f, P.x), AY = Y(f, P.y);
    cv_.Ellipse(ClampToInt32(AX - 4), ClampToInt32(AY - 2), ClampToInt32(AX + 2), ClampToInt32(AY + 2));

    const Pt n{-d.y, d.x};
    const Pt u = d.y == 0 ? Pt{0, 1} : Pt{-1, 0};
    if (inverted) {
        const Pt C = R - Scaled(d, e);
        cv_.Ellipse(X(f, C.x - e), Y(f, C.y + e), X(f, C.x + e), Y(f, C.y - e));
    }
    if (shape == "clock" || shape == "inverted_clock" || shape == "clock_low") {
        Segment(f, R + Scaled(n, e), R + Scaled(d, 2 * e));
        Segment(f, R + Scaled(d, 2 * e), R - Scaled(n, e));
    }
    if (shape == "input_low" || shape == "clock_low") {
        const Pt a = R - Scaled(d, 2 * e), b = a + Scaled(u, 2 * e);
        Segment(f, a, b);
        Segment(f, b, R);
    }
    if (shape == "output_low") Segment(f, R + Scaled(u, 2 * e), R - Scaled(d, 2 * e));
    if (shape == "non_logic") {
        Segment(f, R + Pt{-e, -e}, R + Pt{e, e});
        Segment(f, R + Pt{-e, e}, R + Pt{e, -e});
    }
    if (pin.type == "no_connect") {
        const double k = kNoConnectHalf;
        Segment(f, P + Pt{-k, -k}, P + Pt{k, k});
        Segment(f, P + Pt{-k, k}, P + Pt{k, -k});
    }
    DrawPinTexts(f, pin);
}

void RasterDevice::TextWithOverbars(int64_t x, int64_t y, const std::string& text,
                                    const std::vector<figure::Overbar>& over) {
    cv_.TextOut(ClampToInt32(x), ClampToInt32(y), text);
    for (const figure::Overbar& o : over) {
        if (o.from >= o.to || o.to > text.size()) continue;
        const int64_t x1 = x + cv_.TextWidth(std::string_view(text).substr(0, o.from));
        const int64_t x2 = x + cv_.TextWidth(std::string_view(text).substr(0, o.to));
        cv_.MoveTo(ClampToInt32(x1), ClampToInt32(y + 1));
        cv_.LineTo(ClampToInt32(x2), ClampToInt32(y + 1));
    }
}

void RasterDevice::DrawPinTexts(const figure::Figure& f, const figure::Pin& pin) {
    if (!pin.nameShown && !pin.numberShown) return;
    const Pt P = pin.at, d = Direction(pin.angle);
    const Pt R = P + Scaled(d, pin.length);
    const bool horizontal = d.y == 0;
    const int64_t MX = X(f, (P.x + R.x) / 2), MY = Y(f, (P.y + R.y) / 2);
    const int64_t h = cv_.TextHeight(pin.nameText);
    cv_.FontColor = kBlack;
    cv_.Brush = BrushStyle::Clear;
    auto width = [&](const std::string& s) { return int64_t{cv_.TextWidth(s)}; };
    // Above (left of) the line, centred on the midpoint.
    auto above = [&](const std::string& s, const std::vector<figure::Overbar>& o) {
        if (horizontal) TextWithOverbars(MX - width(s) / 2, MY - kGap - h, s, o);
        else TextWithOverbars(MX - kGap - width(s), MY - h / 2, s, o);
    };
    if (pin.nameOffset > 0) {
        if (pin.nameShown) {
            const Pt at = R + Scaled(d, pin.nameOffset);
            const int64_t AX = X(f, at.x), AY = Y(f, at.y);
            const int64_t w = width(pin.nameText);
            if (horizontal) TextWithOverbars(d.x > 0 ? AX : AX - w, AY - h / 2, pin.nameText, pin.nameOver);
            else TextWithOverbars(AX - w / 2, d.y > 0 ? AY - h : AY, pin.nameText, pin.nameOver);
        }
        if (pin.numberShown) above(pin.numberText, pin.numberOver);
        return;
    }
    if (!pin.nameShown || !pin.numberShown) {
        if (pin.nameShown) above(pin.nameText, pin.nameOver);
        else above(pin.numberText, pin.numberOver);
        return;
    }
    above(pin.nameText, pin.nameOver);
    const int64_t w = width(pin.numberText);
    if (horizontal) TextWithOverbars(MX - w / 2, MY + kGap + 1, pin.numberText, pin.numberOver);
    else TextWithOverbars(MX + kGap + 1, MY - h / 2, pin.numberText, pin.numberOver);
}

} // namespace tarnel
