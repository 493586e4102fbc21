#include "output/rasterdevice.h"

#include "footprint/geometry.h"
#include "tokenizer/libtext.h"

#include <cmath>

namespace tarnel {

using figure::Item;
using figure::Kind;
using figure::Pt;

Color Palette::operator()(const figure::Ink& ink) const {
    switch (ink.slot) {
        case figure::Ink::Pad: return pad;
        case figure::Ink::Comp: return comp;
        case figure::Ink::Body: return body;
        case figure::Ink::Hole: return hole;
        default: return ink.rgb;
    }
}

void RasterDevice::Apply(const figure::Paint& p) {
    if (p.set & figure::Paint::kPen) cv_.PenColor = palette_(p.pen);
    if (p.set & figure::Paint::kBrush) {
        cv_.Brush = p.brushSolid ? BrushStyle::Solid : BrushStyle::Clear;
        if (p.brushSolid) cv_.BrushColor = palette_(p.brush);
    }
    if (p.set & figure::Paint::kMode) cv_.Mode = p.copyMode ? PenMode::Copy : PenMode::Mask;
    if (p.set & figure::Paint::kFont) cv_.FontColor = palette_(p.font);
}

void RasterDevice::Replay(const figure::Figure& f, size_t first) {
    for (size_t k = first; k < f.items.size(); ++k) {
        const Item& it = f.items[k];
        Apply(it.paint);
        track_ = (it.flags & figure::kPointsAreExtents) != 0;
        if (!track_) {
            const Pt* e = f.ExtentsOf(it);
            for (uint32_t i = 0; i < it.extCount; ++i) {
                map_.MapNum(f.RasterX(e[i].x), true, false);
                map_.MapNum(f.RasterY(e[i].y), true, true);
            }
        }
        Draw(f, it);
        track_ = false;
    }
    if (PadNumbers && f.source == figure::Source::Footprint && first == 0) DrawPadNumbers(f);
}

void RasterDevice::Draw(const figure::Figure& f, const Item& it) {
    if (f.source == figure::Source::Symbol) {
        DrawSymbolItem(f, it);
        return;
    }
    const Pt* p = f.PointsOf(it);
    switch (it.kind) {
        case Kind::State: break;
        case Kind::Segment: {
            const QPoint a = Map(f, p[0]), b = Map(f, p[1]);
            cv_.MoveTo(a.x(), a.y());
            cv_.LineTo(b.x(), b.y());
            break;
        }
        case Kind::Polyline:
        case Kind::Polygon: {
            std::vector<QPoint> px;
            px.reserve(it.count + 1);
            for (uint32_t i = 0; i < it.count; ++i) px.push_back(Map(f, p[i]));
            if (it.flags & figure::kTailAtPixelOrigin) px.emplace_back(0, 0);
            if (it.kind == Kind::Polygon) cv_.Polygon(px);
            else cv_.Polyline(px);
            break;
        }
        case Kind::Rect: {
            const QPoint a = Map(f, p[0]), b = Map(f, p[1]);
            cv_.Rectangle(a.x(), a.y(), b.x(), b.y());
            break;
        }
        case Kind::Circle: {
            const double r = it.radius;
            cv_.Ellipse(X(f, p[0].x - r), Y(f, p[0].y - r), X(f, p[0].x + r), Y(f, p[0].y + r));
            break;
        }
        case Kind::Arc: DrawArc(f, it); break;
        case Kind::Curve: DrawCurve(f, it); break;
        case Kind::Text: DrawText(f, it); break;
        case Kind::Pad:
        case Kind::DrillHole: DrawOutline(f, it); break;
        case Kind::Pin: DrawPin(f, it); break;
    }
}

void RasterDevice::DrawOutline(const figure::Figure& f, const Item& it) {
    const Pt* p = f.PointsOf(it);
    switch (it.outline) {
        case figure::Outline::Box: {
            const QPoint a = Map(f, p[0]), b = Map(f, p[1]);
            cv_.Rectangle(a.x(), a.y(), b.x(), b.y());
            break;
        }
        case figure::Outline::EllipseBox: {
            const QPoint a = Map(f, p[0]), b = Map(f, p[1]);
            cv_.Ellipse(a.x(), a.y(), b.x(), b.y());
            break;
        }
        case figure::Outline::Circle: {
            const double r = it.radius;
            cv_.Ellipse(X(f, p[0].x - r), Y(f, p[0].y - r), X(f, p[0].x + r), Y(f, p[0].y + r));
            break;
        }
        case figure::Outline::Polygon: {
            std::vector<QPoint> px;
            px.reserve(it.count);
            for (uint32_t i = 0; i < it.count; ++i) px.push_back(Map(f, p[i]));
            cv_.Polygon(px);
            break;
        }
    }
}

void RasterDevice::DrawArc(const figure::Figure& f, const Item& it) {
    const Pt* p = f.PointsOf(it);
    const double r = it.radius;
    if (it.flags & figure::kLegacyArc) {
        // Counter-clockwise on the drawing from the computed end to the start.
        const QPoint s = Map(f, p[1]), e = Map(f, p[2]);
        cv_.Arc(X(f, p[0].x - r), Y(f, p[0].y - r), X(f, p[0].x + r), Y(f, p[0].y + r), e.x(), e.y(), s.x(),
                s.y());
        return;
    }
    if (r <= 0 || !std::isfinite(r)) return;
    footprint::Arc a;
    a.centre = p[0];
    a.start = p[1];
    a.radius = r;
    a.sweep = it.sweep;
    const int32_t l = X(f, a.centre.x - r), t = Y(f, a.centre.y - r);
    const int32_t rt = X(f, a.centre.x + r), b = Y(f, a.centre.y + r);
    const QPoint s = Map(f, a.start), e = Map(f, a.End());
    // The canvas runs counter-clockwise on the drawing, a positive sweep
    // clockwise: swap the ends for it.
    if (std::fabs(a.sweep) >= 360) cv_.Arc(l, t, rt, b, s.x(), s.y(), s.x(), s.y());
    else if (a.sweep > 0) cv_.Arc(l, t, rt, b, e.x(), e.y(), s.x(), s.y());
    else if (a.sweep < 0) cv_.Arc(l, t, rt, b, s.x(), s.y(), e.x(), e.y());
}

void RasterDevice::DrawCurve(const figure::Figure& f, const Item& it) {
    const Pt* c = f.PointsOf(it);
    Pt offset, position;
    double angle = 0;
    if (it.flags & figure::kPlacedByPad) {
        const figure::Pad& pad = f.pads[it.index];
        offset = pad.drillOffset;
        position = pad.at;
        angle = pad.angle;
    }
    std::vector<QPoint> px;
    for (const Pt& q : footprint::BezierPoints(c[0], c[1], c[2], c[3]))
        px.push_back(Map(f, footprint::Place(q, offset, position, angle)));
    if (it.filled) cv_.Polygon(px);
    else cv_.Polyline(px);
}

void RasterDevice::DrawText(const figure::Figure& f, const Item& it) {
    const figure::Text& t = f.texts[it.index];
    const QPoint a = Map(f, f.PointsOf(it)[0]);
    switch (t.placement) {
        case figure::TextPlacement::TopLeft: cv_.TextOut(a.x(), a.y(), t.text); break;
        case figure::TextPlacement::TopLeftInset:
            cv_.TextOut(ClampToInt32(int64_t{a.x()} + 2), ClampToInt32(int64_t{a.y()} + 2), t.text);
            break;
        case figure::TextPlacement::TopLeftBelow:
            cv_.TextOut(a.x(), ClampToInt32(static_cast<int64_t>(a.y()) + 20), t.text);
            break;
        case figure::TextPlacement::Centred: {
            const int64_t w = cv_.TextWidth(t.text), h = cv_.TextHeight(t.text);
            const int64_t x = a.x() - w / 2, y = a.y() - h / 2;
            if (TextExtents && f.source == figure::Source::Footprint) {
                map_.TrackPixel(x, false);
                map_.TrackPixel(x + w, false);
                map_.TrackPixel(y, true);
                map_.TrackPixel(y + h, true);
            }
            cv_.TextOut(ClampToInt32(x), ClampToInt32(y), t.text);
            break;
        }
    }
}

void RasterDevice::DrawPadNumbers(const figure::Figure& f) {
    // More numbers than any real footprint has are not written.
    constexpr size_t kMostNumbers = 10000;
    constexpr int kLeastPixels = 7;  // smaller text cannot be read
    const QFont saved = cv_.Font;
    const Color savedColour = cv_.FontColor;
    const BrushStyle savedBrush = cv_.Brush;
    cv_.Brush = BrushStyle::Clear;
    cv_.FontColor = kWhite;
    size_t written = 0;
    for (const Item& it : f.items) {
        if (it.kind != Kind::Pad || it.index >= f.pads.size() || it.extCount < 2) continue;
        const figure::Pad& pad = f.pads[it.index];
        if (pad.number.empty() || written >= kMostNumbers) continue;
        // The copper's box on the canvas.
        const Pt* e = f.ExtentsOf(it);
        const int64_t l = X(f, e[0].x), t = Y(f, e[0].y), r = X(f, e[1].x), b = Y(f, e[1].y);
        const int64_t w = r - l, h = b - t;
        if (w < kLeastPixels || h < kLeastPixels || r < 0 || b < 0 || l >= cv_.Width() || t >= cv_.Height()) continue;
        const Pt c = footprint::Place({0, 0}, pad.drillOffset, pad.at, pad.angle);
        const int64_t cx = X(f, c.x), cy = Y(f, c.y);
        // The largest pixel size, up to the canvas font's, whose text fits
        // in four fifths of the box.
        QFont font = saved;
        int size = std::min<int>(static_cast<int>(h * 4 / 5), 40);
        for (; size >= kLeastPixels; size = size * 9 / 10) {
            font.setPixelSize(size);
            cv_.Font = font;
            if (cv_.TextWidth(pad.number) <= w * 4 / 5 && cv_.TextHeight(pad.number) <= h * 4 / 5 + 2) break;
        }
        if (size < kLeastPixels) continue;
        const int64_t tw = cv_.TextWidth(pad.number), th = cv_.TextHeight(pad.number);
        cv_.TextOut(ClampToInt32(cx - tw / 2), ClampToInt32(cy - th / 2), pad.number);
        ++written;
    }
    cv_.Font = saved;
    cv_.FontColor = savedColour;
    cv_.Brush = savedBrush;
}

void RasterDevice::DrawPin(const figure::Figure& f, const Item& it) {
    const figure::Pin& pin = f.pins[it.index];
    const Pt* p = f.PointsOf(it);
    const int64_t AX = X(f, p[0].x), AY = Y(f, p[0].y);
    if (pin.orientation) {
        const int64_t X0 = X(f, p[1].x), Y0 = Y(f, p[1].y);
        const std::string& name = pin.name;
        const std::string& number = pin.number;
        const int64_t Wn = cv_.TextWidth(name), Hn = cv_.TextHeight(name), Wnum = cv_.TextWidth(number);
        int64_t nx, ny, mx, my, bx, by;
        switch (pin.orientation) {
            case 'L':
                nx = X0 - Wn - 20; ny = Y0 - RoundHalfEven(Hn / 2.0);
                mx = X0 + 20; my = Y0 - Hn - 5; bx = X0 + 8; by = Y0; break;
            case 'R':
                nx = X0 + 20; ny = Y0 - RoundHalfEven(Hn / 2.0);
                mx = X0 - Wnum - 30; my = Y0 - Hn - 3; bx = X0 - 8; by = Y0; break;
            case 'U':
                nx = X0 - Wn - 8; ny = Y0 + Hn;
                mx = X0 + RoundHalfEven(Wnum / 2.0); my = Y0 + 2 * Hn; bx = X0; by = Y0 + 8; break;
            default:
                nx = X0 - Wn - 8; ny = Y0 - 2 * Hn;
                mx = X0 + Wnum; my = Y0 - Hn; bx = X0; by = Y0 - 8; break;
        }
        cv_.MoveTo(static_cast<int>(AX), static_cast<int>(AY));
        cv_.LineTo(static_cast<int>(X0), static_cast<int>(Y0));
        cv_.FontColor = pin.zeroLengthText ? kOlive : kBlack;
        if (name != "~" && name != number) cv_.TextOut(ClampToInt32(nx), ClampToInt32(ny), name);
        cv_.TextOut(ClampToInt32(mx), ClampToInt32(my), number);
        cv_.Ellipse(ClampToInt32(AX - 4), ClampToInt32(AY - 2), ClampToInt32(AX + 2), ClampToInt32(AY + 2));
        if (pin.shape == "I") {
            cv_.Mode = PenMode::Copy;
            cv_.Ellipse(ClampToInt32(bx - 8), ClampToInt32(by - 8), ClampToInt32(bx + 8), ClampToInt32(by + 8));
        }
        return;
    }
    cv_.Ellipse(ClampToInt32(AX - 4), ClampToInt32(AY - 2), ClampToInt32(AX + 2), ClampToInt32(AY + 2));
}

} // namespace tarnel
