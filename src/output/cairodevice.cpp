#include "output/cairodevice.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tarnel {

using figure::Item;
using figure::Kind;
using figure::Pt;

namespace {

constexpr double kDeg = M_PI / 180;
// Capital letters' height in ems: a figure text's height is its capitals'.
constexpr double kCapHeight = 0.729;

bool Flipped(const figure::Figure& f) { return f.raster == figure::RasterScale::SymbolMm; }

// Pads whose copper is drawn from their data, exactly.
enum class Exact { No, Rect, RoundRect, Circle, Oval };

Exact ExactShape(const figure::Figure& f, const figure::Pad& p) {
    if (f.source != figure::Source::Footprint || f.units != figure::Units::Millimetre) return Exact::No;
    if (!(p.w > 0) || !(p.h > 0) || !std::isfinite(p.w) || !std::isfinite(p.h)) return Exact::No;
    if (p.shape == "rect") return Exact::Rect;
    if (p.shape == "roundrect" && p.chamferCorners == 0) return Exact::RoundRect;
    if (p.shape == "circle") return Exact::Circle;
    if (p.shape == "oval") return Exact::Oval;
    return Exact::No;
}

// A w x h oval (semicircles on its shorter sides) centred on the origin.
void OvalPath(cairo_t* cr, double w, double h) {
    cairo_new_sub_path(cr);
    if (w == h) {
        cairo_arc(cr, 0, 0, w / 2, 0, 2 * M_PI);
    } else if (w > h) {
        const double r = h / 2, d = w / 2 - r;
        cairo_arc(cr, d, 0, r, -M_PI / 2, M_PI / 2);
        cairo_arc(cr, -d, 0, r, M_PI / 2, 3 * M_PI / 2);
    } else {
        const double r = w / 2, d = h / 2 - r;
        cairo_arc(cr, 0, d, r, 0, M_PI);
        cairo_arc(cr, 0, -d, r, M_PI, 2 * M_PI);
    }
    cairo_close_path(cr);
}

void RoundRectPath(cairo_t* cr, double w, double h, double r) {
    r = std::clamp(r, 0.0, std::min(w, h) / 2);
    const double x0 = -w / 2, y0 = -h / 2, x1 = w / 2, y1 = h / 2;
    if (r <= 0) {
        cairo_rectangle(cr, x0, y0, w, h);
        return;
    }
    cairo_new_sub_path(cr);
    cairo_arc(cr, x1 - r, y0 + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x1 - r, y1 - r, r, 0, M_PI / 2);
    cairo_arc(cr, x0 + r, y1 - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x0 + r, y0 + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

double Luma(Color c) { return 0.299 * (c & 0xFF) + 0.587 * ((c >> 8) & 0xFF) + 0.114 * ((c >> 16) & 0xFF); }

bool Finite(Pt p) { return std::isfinite(p.x) && std::isfinite(p.y); }

} // namespace

struct CairoDevice::Ink {
    bool fill = false, stroke = false;
    Color fillColour = 0, strokeColour = 0;
    double width = 0;  // points
    bool batch = false;
};

struct CairoDevice::State {
    cairo_matrix_t page;    // the caller's transform
    cairo_matrix_t units;   // figure units to the page
    cairo_matrix_t mm;      // millimetres (pad data) to the page
    double ptPerUnit = 1;   // page units to one figure unit
    double ptPerMm = 1;
    CairoDrawOptions options;
    // The canvas state the items change, as the raster keeps it.
    Color pen = kBlack, brush = kWhite, font = kBlack;
    bool brushSolid = true, copyMode = false;
    // The path being built and how it will be painted.
    Ink ink;
    bool pending = false;
    // The first copper item of each pad.
    std::vector<const figure::Item*> copper;
};

bool DrawingBounds(const figure::Figure& f, bool withTexts, footprint::Box& box) {
    box = footprint::Box();
    const double sy = Flipped(f) ? -1 : 1;
    for (const Item& it : f.items) {
        if (it.kind == Kind::State || (it.flags & figure::kRasterOnly)) continue;
        if (it.kind == Kind::Text) {
            if (!withTexts || it.index >= f.texts.size() || !it.count) continue;
            const figure::Text& t = f.texts[it.index];
            const Pt at = f.PointsOf(it)[0];
            const double h = std::fabs(f.Millimetres(t.height > 0 ? t.height : 1 / f.mmPerUnit));
            const double w = 0.6 * h / kCapHeight * static_cast<double>(OneLineText(t.text).size());
            const Pt c{f.Millimetres(at.x), sy * f.Millimetres(at.y)};
            if (!Finite(c) || !std::isfinite(w)) continue;
            const double a = std::fmod(std::fabs(t.angle), 180.0);
            double hw = w / 2, hh = h / 2;
            if (std::fabs(a - 90) < 1) std::swap(hw, hh);
            else if (a > 1 && a < 179) hw = hh = std::max(hw, hh);
            // A text set from one end reaches a whole width that way.
            double cx = c.x;
            if (t.hAlign == figure::HAlign::Left && std::max(hw, hh) == hw) cx += hw;
            if (t.hAlign == figure::HAlign::Right && std::max(hw, hh) == hw) cx -= hw;
            box.Add(Pt{cx - hw, c.y - hh});
            box.Add(Pt{cx + hw, c.y + hh});
            continue;
        }
        const Pt* e = f.ExtentsOf(it);
        for (uint32_t i = 0; i < it.extCount; ++i) {
            const Pt p{f.Millimetres(e[i].x), sy * f.Millimetres(e[i].y)};
            if (Finite(p)) box.Add(p);
        }
    }
    return !box.empty;
}

void CairoDevice::Colour(Color c) {
    cairo_set_source_rgb(cr_, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0);
}

void CairoDevice::Draw(const figure::Figure& f, double x, double y, double ptPerMm, const CairoDrawOptions& options) {
    if (!(ptPerMm > 0) || !std::isfinite(ptPerMm) || !std::isfinite(x) || !std::isfinite(y)) return;
    State s;
    s.options = options;
    s.ptPerMm = ptPerMm;
    s.ptPerUnit = ptPerMm * f.mmPerUnit;
    cairo_save(cr_);
    cairo_get_matrix(cr_, &s.page);
    const double sy = Flipped(f) ? -1 : 1;
    cairo_translate(cr_, x, y);
    cairo_scale(cr_, ptPerMm, sy * ptPerMm);
    cairo_get_matrix(cr_, &s.mm);
    cairo_set_matrix(cr_, &s.page);
    cairo_translate(cr_, x, y);
    cairo_scale(cr_, s.ptPerUnit, sy * s.ptPerUnit);
    cairo_get_matrix(cr_, &s.units);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    cairo_new_path(cr_);
    s.copper.assign(f.pads.size(), nullptr);
    std::vector<Postponed> drills;
    for (const Item& it : f.items) {
        const figure::Paint& p = it.paint;
        if (p.set & figure::Paint::kPen) s.pen = palette_(p.pen);
        if (p.set & figure::Paint::kBrush) {
            s.brushSolid = p.brushSolid;
            if (p.brushSolid) s.brush = palette_(p.brush);
        }
        if (p.set & figure::Paint::kMode) s.copyMode = p.copyMode;
        if (p.set & figure::Paint::kFont) s.font = palette_(p.font);
        if (it.flags & figure::kRasterOnly) continue;
        if (it.kind == Kind::Pad && it.index < s.copper.size() && !s.copper[it.index]) s.copper[it.index] = &it;
        // The holes of a run of pads are drilled after their copper, so
        // that all the copper of a colour is one path and all the holes
        // another.
        const bool ofPads = it.kind == Kind::Pad || (it.flags & figure::kOfPad);
        if (it.kind == Kind::DrillHole) {
            drills.push_back({&it, s.brushSolid, s.brush, s.copyMode});
            continue;
        }
        if (!ofPads) Drill(f, drills, s);
        DrawItem(f, it, s);
    }
    Drill(f, drills, s);
    Flush(s);
    if (options.padNumbers) PadNumbers(f, s);
    cairo_restore(cr_);
}

CairoDevice::Ink CairoDevice::InkOf(const State& s, bool fill, Color fillColour, bool stroke, Color strokeColour,
                                     double widthUnits, bool exactFill) const {
    // Mask mode leaves white off: it changes nothing on the raster.
    if (!s.copyMode && fillColour == kWhite) fill = false;
    if (!s.copyMode && strokeColour == kWhite) stroke = false;
    Ink ink;
    ink.fill = fill, ink.stroke = stroke;
    ink.fillColour = fill ? fillColour : 0;
    ink.strokeColour = stroke ? strokeColour : 0;
    if (stroke) {
        const double w = widthUnits > 0 && std::isfinite(widthUnits) ? widthUnits * s.ptPerUnit : 0;
        ink.width = std::max(w, s.options.minLinePt);
    }
    // Strokes of one colour and width make one path; fills only when their
    // shapes all turn the same way (the exact pad shapes), so that
    // overlapping ones add up instead of cutting holes.
    ink.batch = (stroke && !fill) || (fill && !stroke && exactFill);
    return ink;
}

bool CairoDevice::Begin(State& s, const Ink& ink) {
    if (!ink.fill && !ink.stroke) return false;
    if (s.pending && !(ink.batch && s.ink.batch && ink.fill == s.ink.fill && ink.stroke == s.ink.stroke &&
                       ink.fillColour == s.ink.fillColour && ink.strokeColour == s.ink.strokeColour &&
                       ink.width == s.ink.width))
        Flush(s);
    s.ink = ink;
    s.pending = true;
    return true;
}

void CairoDevice::Flush(State& s) {
    if (!s.pending) return;
    s.pending = false;
    cairo_set_matrix(cr_, &s.page);
    if (s.ink.fill) {
        Colour(s.ink.fillColour);
        if (s.ink.stroke) cairo_fill_preserve(cr_);
        else cairo_fill(cr_);
    }
    if (s.ink.stroke) {
        Colour(s.ink.strokeColour);
        cairo_set_line_width(cr_, s.ink.width);
        cairo_stroke(cr_);
    }
    cairo_new_path(cr_);
}

void CairoDevice::Drill(const figure::Figure& f, std::vector<Postponed>& drills, State& s) {
    const bool solid = s.brushSolid, copy = s.copyMode;
    const Color brush = s.brush;
    for (const Postponed& d : drills) {
        s.brushSolid = d.brushSolid, s.brush = d.brush, s.copyMode = d.copyMode;
        DrawItem(f, *d.item, s);
    }
    s.brushSolid = solid, s.brush = brush, s.copyMode = copy;
    drills.clear();
}

void CairoDevice::DrawItem(const figure::Figure& f, const figure::Item& it, State& s) {
    const Pt* p = f.PointsOf(it);
    // Starts an item painted so; false when it shows nothing.
    auto begin = [&](bool fill, Color fillColour, bool stroke, Color strokeColour, double width, bool exactFill) {
        if (!Begin(s, InkOf(s, fill, fillColour, stroke, strokeColour, width, exactFill))) return false;
        cairo_set_matrix(cr_, &s.units);
        return true;
    };
    auto end = [&] {
        if (!s.ink.batch) Flush(s);
        cairo_set_matrix(cr_, &s.page);
    };
    switch (it.kind) {
        case Kind::State: break;
        case Kind::Segment:
            if (it.count < 2 || !begin(false, 0, true, s.pen, it.strokeWidth, false)) break;
            cairo_move_to(cr_, p[0].x, p[0].y);
            cairo_line_to(cr_, p[1].x, p[1].y);
            end();
            break;
        case Kind::Polyline:
        case Kind::Polygon: {
            const bool closed = it.kind == Kind::Polygon;
            if (!it.count || !begin(closed && s.brushSolid, s.brush, true, s.pen, it.strokeWidth, false)) break;
            cairo_move_to(cr_, p[0].x, p[0].y);
            for (uint32_t i = 1; i < it.count; ++i) cairo_line_to(cr_, p[i].x, p[i].y);
            if (closed) cairo_close_path(cr_);
            end();
            break;
        }
        case Kind::Rect:
            if (it.count < 2 || !begin(s.brushSolid, s.brush, true, s.pen, it.strokeWidth, false)) break;
            cairo_rectangle(cr_, p[0].x, p[0].y, p[1].x - p[0].x, p[1].y - p[0].y);
            end();
            break;
        case Kind::Circle:
            if (!it.count || !(it.radius > 0) || !std::isfinite(it.radius)) break;
            if (!begin(s.brushSolid, s.brush, true, s.pen, it.strokeWidth, false)) break;
            cairo_new_sub_path(cr_);
            cairo_arc(cr_, p[0].x, p[0].y, it.radius, 0, 2 * M_PI);
            end();
            break;
        case Kind::Arc:
            if (!begin(false, 0, true, s.pen, it.strokeWidth, false)) break;
            ArcPath(f, it, s);
            end();
            break;
        case Kind::Curve:
            if (!begin(it.filled && s.brushSolid, s.brush, true, s.pen, it.strokeWidth, false)) break;
            CurvePath(f, it, s);
            end();
            break;
        case Kind::Text:
            Flush(s);
            TextItem(f, it, s);
            break;
        case Kind::Pad:
        case Kind::DrillHole: {
            const bool exact = it.index < f.pads.size() && ExactShape(f, f.pads[it.index]) != Exact::No;
            if (!begin(s.brushSolid, s.brush, false, 0, 0, exact)) break;
            if (it.kind == Kind::Pad) PadCopper(f, it, s);
            else OutlinePath(f, it, s);
            end();
            break;
        }
        case Kind::Pin:
            Flush(s);
            PinItem(f, it, s);
            break;
    }
}

void CairoDevice::PadCopper(const figure::Figure& f, const figure::Item& it, State& s) {
    if (it.index >= f.pads.size()) return;
    const figure::Pad& pad = f.pads[it.index];
    const Exact exact = ExactShape(f, pad);
    if (exact == Exact::No) {
        OutlinePath(f, it, s);
        return;
    }
    cairo_set_matrix(cr_, &s.mm);
    cairo_translate(cr_, pad.at.x, pad.at.y);
    if (pad.angle != 0 && std::isfinite(pad.angle)) cairo_rotate(cr_, -pad.angle * kDeg);
    cairo_translate(cr_, pad.drillOffset.x, pad.drillOffset.y);
    switch (exact) {
        case Exact::Rect: cairo_rectangle(cr_, -pad.w / 2, -pad.h / 2, pad.w, pad.h); break;
        case Exact::RoundRect: RoundRectPath(cr_, pad.w, pad.h, std::min(pad.w, pad.h) * pad.roundRatio); break;
        case Exact::Circle:
            cairo_new_sub_path(cr_);
            cairo_arc(cr_, 0, 0, pad.w / 2, 0, 2 * M_PI);
            break;
        case Exact::Oval: OvalPath(cr_, pad.w, pad.h); break;
        case Exact::No: break;
    }
}

void CairoDevice::OutlinePath(const figure::Figure& f, const figure::Item& it, State& s) {
    const Pt* p = f.PointsOf(it);
    if (it.kind == Kind::DrillHole && it.index < f.pads.size() && ExactShape(f, f.pads[it.index]) != Exact::No) {
        // A hole is the oval of its drill, turned with the pad.
        const figure::Pad& pad = f.pads[it.index];
        if (pad.drillW > 0 && pad.drillH > 0 && std::isfinite(pad.drillW) && std::isfinite(pad.drillH)) {
            cairo_set_matrix(cr_, &s.mm);
            cairo_translate(cr_, pad.at.x, pad.at.y);
            if (pad.angle != 0 && std::isfinite(pad.angle)) cairo_rotate(cr_, -pad.angle * kDeg);
            OvalPath(cr_, pad.drillW, pad.drillH);
            return;
        }
    }
    switch (it.outline) {
        case figure::Outline::Polygon:
            if (!it.count) break;
            cairo_move_to(cr_, p[0].x, p[0].y);
            for (uint32_t i = 1; i < it.count; ++i) cairo_line_to(cr_, p[i].x, p[i].y);
            cairo_close_path(cr_);
            break;
        case figure::Outline::Circle:
            if (!it.count || !(it.radius > 0) || !std::isfinite(it.radius)) break;
            cairo_new_sub_path(cr_);
            cairo_arc(cr_, p[0].x, p[0].y, it.radius, 0, 2 * M_PI);
            break;
        case figure::Outline::Box:
            if (it.count < 2) break;
            cairo_rectangle(cr_, p[0].x, p[0].y, p[1].x - p[0].x, p[1].y - p[0].y);
            break;
        case figure::Outline::EllipseBox: {
            if (it.count < 2) break;
            const double rx = std::fabs(p[1].x - p[0].x) / 2, ry = std::fabs(p[1].y - p[0].y) / 2;
            if (!(rx > 0) || !(ry > 0)) break;
            cairo_save(cr_);
            cairo_translate(cr_, (p[0].x + p[1].x) / 2, (p[0].y + p[1].y) / 2);
            cairo_scale(cr_, rx, ry);
            cairo_new_sub_path(cr_);
            cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
            cairo_restore(cr_);
            break;
        }
    }
}

void CairoDevice::ArcPath(const figure::Figure& f, const figure::Item& it, State&) {
    const Pt* p = f.PointsOf(it);
    const double r = it.radius;
    if (!(r > 0) || !std::isfinite(r) || it.count < 2) return;
    const Pt c = p[0];
    const double as = std::atan2(p[1].y - c.y, p[1].x - c.x);
    cairo_new_sub_path(cr_);
    if (it.flags & figure::kLegacyArc) {
        // Counter-clockwise on the drawing from the computed end to the
        // start; both rays the same: the whole circle.
        if (it.count < 3) return;
        const double ae = std::atan2(p[2].y - c.y, p[2].x - c.x);
        if (ae == as) cairo_arc(cr_, c.x, c.y, r, 0, 2 * M_PI);
        else cairo_arc_negative(cr_, c.x, c.y, r, ae, as);
        return;
    }
    const double sweep = it.sweep;
    if (!std::isfinite(sweep) || sweep == 0) return;
    if (std::fabs(sweep) >= 360) cairo_arc(cr_, c.x, c.y, r, as, as + 2 * M_PI);
    else if (sweep > 0) cairo_arc(cr_, c.x, c.y, r, as, as + sweep * kDeg);
    else cairo_arc_negative(cr_, c.x, c.y, r, as, as + sweep * kDeg);
}

void CairoDevice::CurvePath(const figure::Figure& f, const figure::Item& it, State&) {
    if (it.count < 4) return;
    const Pt* c = f.PointsOf(it);
    Pt offset, position;
    double angle = 0;
    if ((it.flags & figure::kPlacedByPad) && it.index < f.pads.size()) {
        const figure::Pad& pad = f.pads[it.index];
        offset = pad.drillOffset, position = pad.at, angle = pad.angle;
    }
    Pt q[4];
    for (int i = 0; i < 4; ++i) q[i] = footprint::Place(c[i], offset, position, angle);
    cairo_move_to(cr_, q[0].x, q[0].y);
    cairo_curve_to(cr_, q[1].x, q[1].y, q[2].x, q[2].y, q[3].x, q[3].y);
    if (it.filled) cairo_close_path(cr_);
}

void CairoDevice::TextItem(const figure::Figure& f, const figure::Item& it, State& s) {
    if (it.index >= f.texts.size() || !it.count) return;
    const figure::Text& t = f.texts[it.index];
    const double heightPt = t.height > 0 ? std::fabs(t.height) * s.ptPerUnit : s.ptPerMm;
    const double size = heightPt / kCapHeight;
    if (!(size >= s.options.minTextPt) || !std::isfinite(size)) return;
    const std::string text = OneLineText(t.text);
    double x = f.PointsOf(it)[0].x, y = f.PointsOf(it)[0].y;
    cairo_matrix_transform_point(&s.units, &x, &y);
    cairo_set_matrix(cr_, &s.page);
    if (!s.copyMode && s.font == kWhite) return;
    Colour(s.font);
    CairoText::H h = t.hAlign == figure::HAlign::Left    ? CairoText::H::Left
                     : t.hAlign == figure::HAlign::Right ? CairoText::H::Right
                                                         : CairoText::H::Centre;
    CairoText::V v = t.vAlign == figure::VAlign::Top      ? CairoText::V::Top
                     : t.vAlign == figure::VAlign::Bottom ? CairoText::V::Baseline
                                                          : CairoText::V::Centre;
    double angle = std::isfinite(t.angle) ? std::remainder(t.angle, 360.0) : 0;
    // Footprint texts are read upright, as KiCad shows them: turned half
    // round, their ends swap.
    if (f.source != figure::Source::Symbol && (angle > 90 || angle <= -90)) {
        angle += angle > 0 ? -180 : 180;
        if (h != CairoText::H::Centre) h = h == CairoText::H::Left ? CairoText::H::Right : CairoText::H::Left;
        if (v == CairoText::V::Top) v = CairoText::V::Baseline;
        else if (v == CairoText::V::Baseline) v = CairoText::V::Top;
    }
    text_.Line(cr_, text, x, y, size, CairoText::Style::Regular, h, v, angle, t.mirrored);
}

void CairoDevice::PinItem(const figure::Figure& f, const figure::Item& it, State& s) {
    if (it.index >= f.pins.size() || !it.count) return;
    const figure::Pin& pin = f.pins[it.index];
    const Pt* p = f.PointsOf(it);
    if (!pin.orientation || it.count < 2) return;
    if (Begin(s, InkOf(s, false, 0, true, s.pen, 0, false))) {
        cairo_set_matrix(cr_, &s.units);
        cairo_move_to(cr_, p[0].x, p[0].y);
        cairo_line_to(cr_, p[1].x, p[1].y);
        Flush(s);
    }
    // Numbers over the middle of the line, names past its inner end, at
    // the usual 50 mil.
    const double size = 1.27 * s.ptPerMm / kCapHeight;
    if (size < s.options.minTextPt) return;
    double ax = p[0].x, ay = p[0].y, bx = p[1].x, by = p[1].y;
    cairo_matrix_transform_point(&s.units, &ax, &ay);
    cairo_matrix_transform_point(&s.units, &bx, &by);
    const bool vertical = std::fabs(bx - ax) < std::fabs(by - ay);
    const double angle = vertical ? 90 : 0;
    Colour(pin.zeroLengthText ? kOlive : kBlack);
    const double gap = 0.4 * size;
    const double mx = (ax + bx) / 2, my = (ay + by) / 2;
    if (vertical) text_.Line(cr_, OneLineText(pin.number), mx - gap, my, size * 0.8, CairoText::Style::Regular,
                             CairoText::H::Centre, CairoText::V::Baseline, angle);
    else text_.Line(cr_, OneLineText(pin.number), mx, my - gap, size * 0.8, CairoText::Style::Regular,
                    CairoText::H::Centre, CairoText::V::Baseline, angle);
    if (pin.name.empty() || pin.name == "~") return;
    // Along the pin, away from its connection point.
    const double dx = bx - ax, dy = by - ay;
    const double len = std::hypot(dx, dy);
    if (!(len > 0)) return;
    const double ux = dx / len, uy = dy / len;
    const double nx = bx + ux * gap, ny = by + uy * gap;
    CairoText::H h = CairoText::H::Left;
    if (vertical) h = uy < 0 ? CairoText::H::Left : CairoText::H::Right;
    else h = ux > 0 ? CairoText::H::Left : CairoText::H::Right;
    text_.Line(cr_, OneLineText(pin.name), nx, ny, size, CairoText::Style::Regular, h, CairoText::V::Centre, angle);
}

void CairoDevice::PadNumbers(const figure::Figure& f, State& s) {
    cairo_set_matrix(cr_, &s.page);
    for (size_t i = 0; i < f.pads.size(); ++i) {
        const figure::Pad& pad = f.pads[i];
        const figure::Item* copper = s.copper[i];
        if (!copper || pad.number.empty()) continue;
        // Centre and the upright room of the copper on the page.
        double cx = 0, cy = 0, w = 0, h = 0;
        if (ExactShape(f, pad) != Exact::No || (f.source == figure::Source::Footprint && copper->outline ==
                                                 figure::Outline::Polygon)) {
            const Pt c = footprint::Place({0, 0}, pad.drillOffset, pad.at, pad.angle);
            cx = c.x, cy = c.y;
            cairo_matrix_transform_point(&s.mm, &cx, &cy);
            const double pw = f.PadMillimetres(pad.w) * s.ptPerMm, ph = f.PadMillimetres(pad.h) * s.ptPerMm;
            const double a = std::fmod(std::fabs(pad.angle), 180.0);
            if (a < 1 || a > 179) w = pw, h = ph;
            else if (std::fabs(a - 90) < 1) w = ph, h = pw;
            else w = h = 0.7 * std::min(pw, ph);
        } else {
            const Pt* p = f.PointsOf(*copper);
            footprint::Box b;
            if (copper->outline == figure::Outline::Circle && copper->count) {
                b.AddCircle(p[0], copper->radius);
            } else {
                for (uint32_t k = 0; k < copper->count; ++k) b.Add(p[k]);
            }
            if (b.empty) continue;
            double x0 = b.minX, y0 = b.minY, x1 = b.maxX, y1 = b.maxY;
            cairo_matrix_transform_point(&s.units, &x0, &y0);
            cairo_matrix_transform_point(&s.units, &x1, &y1);
            cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
            w = std::fabs(x1 - x0), h = std::fabs(y1 - y0);
            if (copper->outline == figure::Outline::Circle || copper->outline == figure::Outline::EllipseBox)
                w *= 0.75, h *= 0.75;
        }
        if (!std::isfinite(cx) || !std::isfinite(cy) || !(w > 0) || !(h > 0)) continue;
        const std::string number = OneLineText(pad.number);
        const double unit = text_.Width(number, 10);
        double size = std::min({0.6 * h / kCapHeight, 12.0});
        if (unit > 0) size = std::min(size, 0.8 * w / unit * 10);
        if (!(size >= s.options.minTextPt)) continue;
        const Color fill = palette_(pad.ink);
        Colour(Luma(fill) < 150 ? kWhite : kBlack);
        text_.Line(cr_, number, cx, cy, size, CairoText::Style::Regular, CairoText::H::Centre, CairoText::V::Centre);
    }
}

} // namespace tarnel
