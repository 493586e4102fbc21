#include "footprint/footprintdrawer.h"

#include "footprint/geometry.h"
#include "tokenizer/libtext.h"

#include <QPoint>

#include <cmath>
#include <optional>
#include <stdexcept>

namespace tarnel::footprint {

using sexpr::Node;

int64_t MmToDecimil(double mm) {
    // Far beyond any drawing; keeps the product finite.
    if (!(mm > -1e12)) mm = std::isnan(mm) ? 0 : -1e12;
    if (mm > 1e12) mm = 1e12;
    return RoundHalfEven(mm * 10000.0 / 25.4);
}

void CheckFootprintRoot(const sexpr::Document& doc) {
    const Node root = doc.Root();
    const std::string_view kw = root.Keyword();
    if (kw != "module" && kw != "footprint")
        throw std::runtime_error(kw.empty() ? std::string("the file is not a footprint")
                                            : "the file is not a footprint (it starts with \"" + std::string(kw) + "\")");
}

std::string FootprintDescription(const sexpr::Document& doc) {
    const Node d = doc.Root().Find("descr");
    return d ? std::string(d.At(1).Text()) : std::string();
}

namespace {

Pt PointOf(const Node& n) { return {n.Number(1), n.Number(2)}; }

// A shape's placement: frame point -> file point.
struct Placement {
    Pt offset, position;
    double angle = 0;
    Pt operator()(Pt p) const { return Rotate(p + offset, angle) + position; }
};

class Drawer {
public:
    Drawer(const sexpr::Document& doc, DrawTarget& t) : t_(t), root_(doc.Root()) {
        if (Node v = root_.Find("version")) version_ = v.Number(1);
    }

    void Run() {
        CollectReferenceAndValue();
        for (Node c = root_.First(); c; c = c.Next()) {
            if (!c.IsList()) continue;
            const std::string_view k = c.Keyword();
            if (k == "pad") Pad(c);
            else if (k == "fp_text") Text(c, c.At(1).Text(), c.At(1).Text() == "reference", false);
            else if (k == "property") Text(c, c.At(1).Text(), c.At(1).Text() == "Reference", true);
            else if (k == "fp_line" || k == "fp_rect" || k == "fp_circle" || k == "fp_arc" || k == "fp_poly" ||
                     k == "fp_curve") {
                if (auto colour = LayerColour(c.Find("layer").At(1).Text())) Graphic(c, *colour, Placement{}, false);
            }
        }
    }

private:
    // ------------------------------------------------------------ mapping

    int32_t MapX(double mm, bool track) { return t_.map(MmToDecimil(mm), track, false); }
    int32_t MapY(double mm, bool track) { return t_.map(MmToDecimil(mm), track, true); }
    QPoint MapPoint(Pt p, bool track) { return QPoint(MapX(p.x, track), MapY(p.y, track)); }
    void Track(Pt p) {
        MapX(p.x, true);
        MapY(p.y, true);
    }
    void Track(const Box& b) {
        if (b.empty) return;
        Track(Pt{b.minX, b.minY});
        Track(Pt{b.maxX, b.maxY});
    }

    std::optional<Color> LayerColour(std::string_view layer) const {
        for (const char* body : {"F.SilkS", "B.SilkS", "F.Fab", "B.Fab"})
            if (EqualsNoCase(layer, body)) return t_.bodyColour;
        if (EqualsNoCase(layer, "F.Cu") || EqualsNoCase(layer, "B.Cu")) return t_.compColour;
        return std::nullopt;
    }

    // ------------------------------------------------------------ drawing

    void Stroke(Color c) {
        t_.canvas.PenColor = c;
        t_.canvas.Brush = BrushStyle::Clear;
    }
    void Fill(Color pen, Color brush) {
        t_.canvas.PenColor = pen;
        t_.canvas.Brush = BrushStyle::Solid;
        t_.canvas.BrushColor = brush;
    }

    void DrawPolygon(const std::vector<Pt>& pts, const Placement& at) {
        std::vector<QPoint> px;
        px.reserve(pts.size());
        for (const Pt& p : pts) px.push_back(MapPoint(at(p), false));
        t_.canvas.Polygon(px);
    }

    void DrawCircle(Pt centre, double r) {
        const int32_t l = MapX(centre.x - r, false), tp = MapY(centre.y - r, false);
        const int32_t rt = MapX(centre.x + r, false), b = MapY(centre.y + r, false);
        t_.canvas.Ellipse(l, tp, rt, b);
    }

    void DrawArc(const Arc& a) {
        if (a.radius <= 0 || !std::isfinite(a.radius)) return;
        const int32_t l = MapX(a.centre.x - a.radius, false), tp = MapY(a.centre.y - a.radius, false);
        const int32_t r = MapX(a.centre.x + a.radius, false), b = MapY(a.centre.y + a.radius, false);
        const QPoint s = MapPoint(a.start, false), e = MapPoint(a.End(), false);
        // The canvas runs counter-clockwise on the drawing, a positive sweep
        // clockwise: swap the ends for it.
        if (std::fabs(a.sweep) >= 360) t_.canvas.Arc(l, tp, r, b, s.x(), s.y(), s.x(), s.y());
        else if (a.sweep > 0) t_.canvas.Arc(l, tp, r, b, e.x(), e.y(), s.x(), s.y());
        else if (a.sweep < 0) t_.canvas.Arc(l, tp, r, b, s.x(), s.y(), e.x(), e.y());
    }

    static double StrokeWidth(const Node& n) {
        if (Node w = n.Find("width")) return w.Number(1);
        if (Node s = n.Find("stroke"))
            if (Node w = s.Find("width")) return w.Number(1);
        return 0;
    }

    // Filled by its fill, or by default for polygons and for rectangles and
    // circles of width 0.
    static bool Filled(const Node& n, std::string_view kind) {
        if (Node f = n.Find("fill")) {
            const std::string_view v = f.At(1).Text();
            return v == "yes" || v == "solid";
        }
        if (kind == "poly") return !EqualsNoCase(n.Find("layer").At(1).Text(), "Edge.Cuts");
        if (kind == "rect" || kind == "circle") return StrokeWidth(n) == 0;
        return false;
    }

    std::optional<Arc> ArcOf(const Node& n) {
        if (version_ <= 20210925) {
            return ArcFromCentre(PointOf(n.Find("start")), PointOf(n.Find("end")), n.Find("angle").Number(1));
        }
        return ArcThrough(PointOf(n.Find("start")), PointOf(n.Find("mid")), PointOf(n.Find("end")));
    }

    static std::vector<Pt> PolyPoints(const Node& n) {
        std::vector<Pt> pts;
        for (Node p = n.Find("pts").First(); p; p = p.Next()) {
            const std::string_view k = p.Keyword();
            if (k == "xy") {
                pts.push_back(PointOf(p));
            } else if (k == "arc") {
                pts.push_back(PointOf(p.Find("start")));
                pts.push_back(PointOf(p.Find("mid")));
                pts.push_back(PointOf(p.Find("end")));
            }
        }
        return pts;
    }

    // One graphic item, fp_* or a pad's gr_* primitive. Primitives are
    // placed by their pad, always draw their arcs, and count a curve by its
    // drawn points.
    void Graphic(const Node& n, Color colour, const Placement& at, bool primitive) {
        std::string_view kind = n.Keyword();
        kind.remove_prefix(3);  // "fp_" or "gr_"
        const bool filled = Filled(n, kind);
        if (filled) Fill(colour, colour);
        else Stroke(colour);
        if (kind == "line") {
            const Pt a = at(PointOf(n.Find("start"))), b = at(PointOf(n.Find("end")));
            const QPoint pa = MapPoint(a, true), pb = MapPoint(b, true);
            t_.canvas.MoveTo(pa.x(), pa.y());
            t_.canvas.LineTo(pb.x(), pb.y());
        } else if (kind == "rect") {
            const Pt s = PointOf(n.Find("start")), e = PointOf(n.Find("end"));
            const std::vector<Pt> pts{s, {e.x, s.y}, e, {s.x, e.y}};
            DrawPolygon(pts, at);
            for (const Pt& p : pts) Track(at(p));
        } else if (kind == "circle") {
            const Pt c = at(PointOf(n.Find("center")));
            const Pt e = at(PointOf(n.Find("end")));
            const double r = std::hypot(e.x - c.x, e.y - c.y);
            DrawCircle(c, r);
            Box b;
            b.AddCircle(c, r);
            Track(b);
        } else if (kind == "arc") {
            if (!primitive && !t_.drawArcs) return;
            std::optional<Arc> a = ArcOf(n);
            if (!a) return;
            a->centre = at(a->centre);
            a->start = at(a->start);
            Stroke(colour);
            DrawArc(*a);
            for (const Pt& p : a->ExtentPoints()) Track(p);
        } else if (kind == "poly") {
            const std::vector<Pt> pts = PolyPoints(n);
            DrawPolygon(pts, at);
            for (const Pt& p : pts) Track(at(p));
        } else if (kind == "curve") {
            const std::vector<Pt> c = PolyPoints(n);
            if (c.size() < 4) return;
            std::vector<Pt> curve = BezierPoints(c[0], c[1], c[2], c[3]);
            if (filled) {
                DrawPolygon(curve, at);
            } else {
                std::vector<QPoint> px;
                for (const Pt& p : curve) px.push_back(MapPoint(at(p), false));
                t_.canvas.Polyline(px);
            }
            for (const Pt& p : primitive ? curve : c) Track(at(p));
        }
    }

    // ------------------------------------------------------------ texts

    static bool Hidden(const Node& n, size_t firstAttribute) {
        Node c = n.At(firstAttribute);
        for (; c; c = c.Next()) {
            if (c.IsAtom() && c.Text() == "hide") return true;
            if (c.IsList() && c.Keyword() == "hide") return c.At(1).Text() != "no";
            if (c.IsList() && c.Keyword() == "effects" && Hidden(c, 1)) return true;
        }
        return false;
    }

    void CollectReferenceAndValue() {
        for (Node c = root_.First(); c; c = c.Next()) {
            const std::string_view k = c.Keyword();
            const std::string_view which = c.At(1).Text();
            if ((k == "fp_text" && which == "reference") || (k == "property" && which == "Reference"))
                reference_ = std::string(c.At(2).Text());
            if ((k == "fp_text" && which == "value") || (k == "property" && which == "Value"))
                value_ = std::string(c.At(2).Text());
        }
    }

    std::string Substitute(std::string_view text) const {
        std::string out;
        for (size_t i = 0; i < text.size();) {
            auto take = [&](std::string_view key, const std::string& with) {
                if (text.substr(i, key.size()) != key) return false;
                out += with;
                i += key.size();
                return true;
            };
            if (take("%R", reference_) || take("${REFERENCE}", reference_) || take("%V", value_) ||
                take("${VALUE}", value_))
                continue;
            out += text[i++];
        }
        return out;
    }

    void Text(const Node& n, std::string_view which, bool isName, bool property) {
        if (t_.textMode < 1 || (!isName && t_.textMode < 2)) return;
        if (property && version_ < 20230620 && which != "Reference" && which != "Value") return;
        if (Hidden(n, 3)) return;
        const auto colour = LayerColour(n.Find("layer").At(1).Text());
        if (!colour) return;
        const std::string text = Substitute(n.At(2).Text());
        const Node at = n.Find("at");
        const int32_t x = MapX(at.Number(1), true), y = MapY(at.Number(2), true);
        Canvas& cv = t_.canvas;
        cv.FontColor = *colour;
        cv.Brush = BrushStyle::Clear;
        const int64_t w = cv.TextWidth(text), h = cv.TextHeight(text);
        cv.TextOut(ClampToInt32(x - w / 2), ClampToInt32(y - h / 2), text);
    }

    // ------------------------------------------------------------ pads

    struct Drill {
        bool hole = false;
        double w = 0, h = 0;
        Pt offset;
    };

    static Drill DrillOf(const Node& n) {
        Drill d;
        const Node dr = n.Find("drill");
        if (!dr) return d;
        bool oval = false;
        std::vector<double> sizes;
        for (Node c = dr.At(1); c; c = c.Next()) {
            if (c.IsList()) {
                if (c.Keyword() == "offset") d.offset = PointOf(c);
                continue;
            }
            double v;
            if (c.Text() == "oval") oval = true;
            else if (sexpr::ParseNumber(c.Text(), v)) sizes.push_back(v);
        }
        if (sizes.empty()) return d;
        d.w = std::fabs(sizes[0]);
        d.h = oval && sizes.size() > 1 ? std::fabs(sizes[1]) : d.w;
        d.hole = d.w > 0 && d.h > 0;
        return d;
    }

    static unsigned ChamferedCorners(const Node& n) {
        unsigned bits = 0;
        const Node c = n.Find("chamfer");
        for (Node k = c.At(1); k; k = k.Next()) {
            const std::string_view v = k.Text();
            if (v == "top_left") bits |= 1u;
            else if (v == "top_right") bits |= 2u;
            else if (v == "bottom_left") bits |= 4u;
            else if (v == "bottom_right") bits |= 8u;
        }
        return bits;
    }

    // Draws an outline placed by at; returns its exact bounds.
    Box DrawOutline(const Outline& o, const Placement& at) {
        Box b;
        if (o.round) {
            const Pt c = at(o.centre);
            DrawCircle(c, o.radius);
            b.AddCircle(c, o.radius);
            return b;
        }
        DrawPolygon(o.polygon, at);
        for (const auto& d : o.bounds) b.AddCircle(at(d.c), d.r);
        return b;
    }

    void Pad(const Node& n) {
        const std::string_view number = n.At(1).IsAtom() ? n.At(1).Text() : std::string_view();
        const std::string_view type = n.At(2).Text(), shape = n.At(3).Text();
        Color colour = t_.holeColour;
        bool counted = false;
        if (type == "thru_hole" || type == "connect") colour = t_.padColour, counted = true;
        else if (type == "smd") colour = t_.compColour, counted = true;
        if (counted && !number.empty()) ++t_.padCount;

        const Node atNode = n.Find("at"), size = n.Find("size");
        const Pt pos = PointOf(atNode);
        const double angle = atNode.Number(3);
        const double w = std::fabs(size.Number(1)), h = std::fabs(size.Number(2));
        const Drill drill = DrillOf(n);
        const Placement copper{drill.offset, pos, angle};

        Box extent;
        Fill(colour, colour);
        if (shape == "rect") {
            extent.Add(DrawOutline(RoundRectOutline(w, h, 0, 0, 0), copper));
        } else if (shape == "roundrect") {
            double ratio = 0.25;
            if (Node r = n.Find("roundrect_rratio")) ratio = r.Number(1);
            ratio = std::clamp(std::isfinite(ratio) ? ratio : 0.0, 0.0, 0.5);
            unsigned corners = 0;
            double cut = 0;
            if (Node c = n.Find("chamfer_ratio")) {
                double cr = c.Number(1);
                cr = std::clamp(std::isfinite(cr) ? cr : 0.0, 0.0, 0.5);
                corners = ChamferedCorners(n);
                cut = std::min(w, h) * cr;
            }
            extent.Add(DrawOutline(RoundRectOutline(w, h, std::min(w, h) * ratio, corners, cut), copper));
        } else if (shape == "circle") {
            extent.Add(DrawOutline(CircleOutline(w), copper));
        } else if (shape == "oval") {
            extent.Add(DrawOutline(OvalOutline(w, h), copper));
        } else if (shape == "trapezoid") {
            const Node d = n.Find("rect_delta");
            const double dx = d.Number(1), dy = d.Number(2), hw = w / 2, hh = h / 2;
            extent.Add(DrawOutline(PolygonOutline({{-hw - dy / 2, hh + dx / 2},
                                                   {-hw + dy / 2, -hh - dx / 2},
                                                   {hw - dy / 2, -hh + dx / 2},
                                                   {hw + dy / 2, hh - dx / 2}}),
                                   copper));
        } else if (shape == "custom") {
            const bool rectAnchor = n.Find("options").Find("anchor").At(1).Text() == "rect";
            extent.Add(DrawOutline(rectAnchor ? RoundRectOutline(w, h, 0, 0, 0) : CircleOutline(w), copper));
            for (Node p = n.Find("primitives").First(); p; p = p.Next()) {
                if (!p.IsList()) continue;
                const std::string_view k = p.Keyword();
                if (k.substr(0, 3) != "gr_") continue;
                Graphic(p, colour, copper, true);
            }
        }
        Track(extent);

        if (drill.hole && type != "smd" && type != "connect") {
            const Placement hole{{0, 0}, pos, angle};
            Fill(colour, kBlack);
            Box hb = DrawOutline(OvalOutline(drill.w, drill.h), hole);
            Track(hb);
        }
    }

    DrawTarget& t_;
    Node root_;
    double version_ = 0;
    std::string reference_, value_;
};

} // namespace

void DrawFootprint(const sexpr::Document& doc, DrawTarget& target) {
    CheckFootprintRoot(doc);
    Drawer(doc, target).Run();
}

} // namespace tarnel::footprint
