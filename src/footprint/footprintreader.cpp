#include "footprint/footprintreader.h"

#include "canvas/canvas.h"
#include "footprint/geometry.h"
#include "tokenizer/libtext.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <stdexcept>

namespace tarnel::footprint {

using figure::Ink;
using figure::Item;
using figure::Kind;
using figure::Paint;
using figure::Role;
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
        throw std::runtime_error(kw.empty() ? std::string("o arquivo não é um footprint")
                                            : "o arquivo não é um footprint (começa com \"" + std::string(kw) + "\")");
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
    Pt operator()(Pt p) const { return Place(p, offset, position, angle); }
};

struct Layer {
    Ink ink;
    Role role;
};

class Reader {
public:
    Reader(const sexpr::Document& doc, const figure::ReadOptions& o, figure::Figure& f, size_t fileBytes)
        : o_(o), f_(f), b_(f), root_(doc.Root()), budget_(fileBytes) {
        if (Node v = root_.Find("version")) version_ = v.Number(1);
    }

    void Run() {
        f_.Clear();
        f_.source = figure::Source::Footprint;
        f_.units = figure::Units::Millimetre;
        f_.raster = figure::RasterScale::Millimetre;
        f_.mmPerUnit = 1;
        f_.version = version_;
        Fields();
        CollectReferenceAndValue();
        for (Node c = root_.First(); c; c = c.Next()) {
            if (!c.IsList()) continue;
            const std::string_view k = c.Keyword();
            if (k == "pad") Pad(c);
            else if (k == "fp_text") Text(c, c.At(1).Text(), c.At(1).Text() == "reference", false);
            else if (k == "property") Text(c, c.At(1).Text(), c.At(1).Text() == "Reference", true);
            else if (k == "fp_line" || k == "fp_rect" || k == "fp_circle" || k == "fp_arc" || k == "fp_poly" ||
                     k == "fp_curve") {
                if (auto layer = LayerOf(c.Find("layer").At(1).Text())) Graphic(c, *layer, Placement{}, false, 0);
            }
        }
    }

private:
    // ------------------------------------------------------------ fields

    void Fields() {
        figure::Fields& fl = f_.fields;
        fl.name = std::string(root_.At(1).Text());
        if (Node d = root_.Find("descr")) fl.description = std::string(d.At(1).Text());
        if (Node t = root_.Find("tags")) fl.tags = std::string(t.At(1).Text());
        if (Node a = root_.Find("attr"))
            for (Node c = a.At(1); c; c = c.Next())
                if (c.IsAtom()) fl.attributes.emplace_back(c.Text());
    }

    // ------------------------------------------------------------ paint

    static std::optional<Layer> LayerOf(std::string_view layer) {
        for (const char* body : {"F.SilkS", "B.SilkS", "F.Fab", "B.Fab"})
            if (EqualsNoCase(layer, body)) return Layer{{Ink::Body, 0}, Role::Body};
        if (EqualsNoCase(layer, "F.Cu") || EqualsNoCase(layer, "B.Cu")) return Layer{{Ink::Comp, 0}, Role::Copper};
        return std::nullopt;
    }

    static Paint Stroke(Ink c) {
        Paint p;
        p.set = Paint::kPen | Paint::kBrush;
        p.pen = c;
        p.brushSolid = false;
        return p;
    }
    static Paint Fill(Ink pen, Ink brush) {
        Paint p;
        p.set = Paint::kPen | Paint::kBrush;
        p.pen = pen;
        p.brush = brush;
        return p;
    }

    // ------------------------------------------------------------ items

    Item& Begin(Kind kind, Role role, const Paint& paint, std::string_view layer) {
        Item& it = b_.Begin(kind, role, paint);
        it.layer = std::string(layer);
        return it;
    }
    void ExtentBox(const Box& b) {
        if (b.empty) return;
        b_.Extent({b.minX, b.minY});
        b_.Extent({b.maxX, b.maxY});
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
    // placed by their pad (pads[pad]), always draw their arcs, and count a
    // curve by its drawn points.
    void Graphic(const Node& n, const Layer& layer, const Placement& at, bool primitive, uint32_t pad) {
        std::string_view kind = n.Keyword();
        kind.remove_prefix(3);  // "fp_" or "gr_"
        const bool filled = Filled(n, kind);
        const Paint paint = filled ? Fill(layer.ink, layer.ink) : Stroke(layer.ink);
        const std::string_view layerName = n.Find("layer").At(1).Text();
        const double width = StrokeWidth(n);
        if (kind == "line") {
            Item& it = Begin(Kind::Segment, layer.role, paint, layerName);
            it.strokeWidth = width;
            b_.Point(at(PointOf(n.Find("start"))));
            b_.Point(at(PointOf(n.Find("end"))));
            b_.ExtentsFromPoints();
        } else if (kind == "rect") {
            const Pt s = PointOf(n.Find("start")), e = PointOf(n.Find("end"));
            Item& it = Begin(Kind::Polygon, layer.role, paint, layerName);
            it.strokeWidth = width;
            it.filled = filled;
            for (const Pt& p : {s, Pt{e.x, s.y}, e, Pt{s.x, e.y}}) b_.Point(at(p));
            b_.ExtentsFromPoints();
        } else if (kind == "circle") {
            const Pt c = at(PointOf(n.Find("center")));
            const Pt e = at(PointOf(n.Find("end")));
            const double r = std::hypot(e.x - c.x, e.y - c.y);
            Item& it = Begin(Kind::Circle, layer.role, paint, layerName);
            it.strokeWidth = width;
            it.filled = filled;
            it.radius = r;
            b_.Point(c);
            Box b;
            b.AddCircle(c, r);
            ExtentBox(b);
        } else if (kind == "arc") {
            if (!primitive && !o_.drawArcs) return;
            std::optional<Arc> a = ArcOf(n);
            if (!a) return;
            a->centre = at(a->centre);
            a->start = at(a->start);
            Item& it = Begin(Kind::Arc, layer.role, Stroke(layer.ink), layerName);
            it.strokeWidth = width;
            it.radius = a->radius;
            it.sweep = a->sweep;
            b_.Point(a->centre);
            b_.Point(a->start);
            for (const Pt& p : a->ExtentPoints()) b_.Extent(p);
        } else if (kind == "poly") {
            Item& it = Begin(Kind::Polygon, layer.role, paint, layerName);
            it.strokeWidth = width;
            it.filled = filled;
            for (const Pt& p : PolyPoints(n)) b_.Point(at(p));
            b_.ExtentsFromPoints();
        } else if (kind == "curve") {
            const std::vector<Pt> c = PolyPoints(n);
            if (c.size() < 4) return;
            // The curve is computed in its own frame and then placed.
            Item& it = Begin(Kind::Curve, layer.role, paint, layerName);
            it.strokeWidth = width;
            it.filled = filled;
            if (primitive) {
                it.flags |= figure::kPlacedByPad;
                it.index = pad;
            }
            for (size_t i = 0; i < 4; ++i) b_.Point(c[i]);
            if (primitive)
                for (const Pt& p : BezierPoints(c[0], c[1], c[2], c[3])) b_.Extent(at(p));
            else
                for (size_t i = 0; i < 4; ++i) b_.Extent(at(c[i]));
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
                reference_ = c.At(2).Text();
            if ((k == "fp_text" && which == "value") || (k == "property" && which == "Value"))
                value_ = c.At(2).Text();
        }
    }

    // The text with the reference and value put in once (what is put in is
    // not looked at again). A drawn text is cut at kMaxDrawnText bytes, and
    // all the texts of a footprint together grow by at most the size of its
    // file: past that, texts are drawn as written.
    std::string Substitute(std::string_view text) {
        std::string out;
        for (size_t i = 0; i < text.size() && out.size() < kMaxDrawnText;) {
            auto take = [&](std::string_view key, std::string_view with) {
                if (text.substr(i, key.size()) != key) return false;
                if (with.size() > key.size() && with.size() - key.size() > budget_) return false;
                budget_ -= std::min(budget_, with.size() > key.size() ? with.size() - key.size() : size_t{0});
                out.append(with.substr(0, kMaxDrawnText - out.size()));
                i += key.size();
                return true;
            };
            if (take("%R", reference_) || take("${REFERENCE}", reference_) || take("%V", value_) ||
                take("${VALUE}", value_))
                continue;
            out += text[i++];
        }
        // Never cut inside a UTF-8 sequence: drop a last one left incomplete.
        if (out.size() >= kMaxDrawnText) {
            out.resize(kMaxDrawnText);
            size_t k = out.size();
            while (k > 0 && (static_cast<unsigned char>(out[k - 1]) & 0xC0) == 0x80) --k;
            if (k > 0) {
                const unsigned char lead = static_cast<unsigned char>(out[k - 1]);
                const size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
                if (out.size() - (k - 1) < need) out.resize(k - 1);
            }
        }
        return out;
    }

    void Text(const Node& n, std::string_view which, bool isName, bool property) {
        if (o_.textMode < 1 || (!isName && o_.textMode < 2)) return;
        if (property && version_ < 20230620 && which != "Reference" && which != "Value") return;
        if (Hidden(n, 3)) return;
        const std::string_view layerName = n.Find("layer").At(1).Text();
        const auto layer = LayerOf(layerName);
        if (!layer) return;
        figure::Text t;
        t.text = Substitute(n.At(2).Text());
        const Node at = n.Find("at");
        t.angle = at.Number(3);
        const Node effects = n.Find("effects");
        const Node size = effects.Find("font").Find("size");
        t.height = size.Number(1);
        t.width = size.Number(2);
        const Node justify = effects.Find("justify");
        if (justify.HasAtom("left")) t.hAlign = figure::HAlign::Left;
        if (justify.HasAtom("right")) t.hAlign = figure::HAlign::Right;
        if (justify.HasAtom("top")) t.vAlign = figure::VAlign::Top;
        if (justify.HasAtom("bottom")) t.vAlign = figure::VAlign::Bottom;
        t.mirrored = justify.HasAtom("mirror");
        t.layer = std::string(layerName);
        t.isName = isName;
        t.placement = figure::TextPlacement::Centred;
        Paint paint;
        paint.set = Paint::kFont | Paint::kBrush;
        paint.font = layer->ink;
        paint.brushSolid = false;
        Item& it = Begin(Kind::Text, Role::Text, paint, layerName);
        it.index = static_cast<uint32_t>(f_.texts.size());
        f_.texts.push_back(std::move(t));
        b_.Point(PointOf(at));
        b_.ExtentsFromPoints();
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

    // Adds an outline placed by at as the item's points; returns its exact
    // bounds.
    Box AddOutline(Item& it, const Outline& o, const Placement& at) {
        Box b;
        if (o.round) {
            const Pt c = at(o.centre);
            it.outline = figure::Outline::Circle;
            it.radius = o.radius;
            b_.Point(c);
            b.AddCircle(c, o.radius);
            return b;
        }
        it.outline = figure::Outline::Polygon;
        for (const Pt& p : o.polygon) b_.Point(at(p));
        for (const auto& d : o.bounds) b.AddCircle(at(d.c), d.r);
        return b;
    }

    static bool OnCopper(const Node& layers) {
        if (!layers) return true;
        for (Node l = layers.At(1); l; l = l.Next()) {
            const std::string_view name = l.Text();
            if (name.size() >= 3 && EqualsNoCase(name.substr(name.size() - 3), ".Cu")) return true;
        }
        return false;
    }

    void Pad(const Node& n) {
        figure::Pad p;
        p.number = n.At(1).IsAtom() ? std::string(n.At(1).Text()) : std::string();
        p.type = std::string(n.At(2).Text());
        p.shape = std::string(n.At(3).Text());
        const std::string_view type = p.type, shape = p.shape;
        p.ink = {Ink::Hole, 0};
        p.role = Role::Hole;
        if (type == "thru_hole" || type == "connect") p.ink = {Ink::Pad, 0}, p.role = Role::Pad, p.counted = true;
        else if (type == "smd") p.ink = {Ink::Comp, 0}, p.role = Role::Copper, p.counted = true;
        if (p.number.empty()) p.counted = false;
        if (p.counted) ++f_.padCount;

        const Node atNode = n.Find("at"), size = n.Find("size"), layers = n.Find("layers");
        p.at = PointOf(atNode);
        p.angle = atNode.Number(3);
        p.w = std::fabs(size.Number(1));
        p.h = std::fabs(size.Number(2));
        const Drill drill = DrillOf(n);
        p.hasDrill = drill.hole;
        p.drillW = drill.w;
        p.drillH = drill.h;
        p.drillOffset = drill.offset;
        for (Node l = layers.At(1); l; l = l.Next())
            if (l.IsAtom()) p.layers.emplace_back(l.Text());
        // A pad on no copper layer is a mask or paste opening.
        p.copper = OnCopper(layers);

        if (shape == "roundrect") {
            double ratio = 0.25;
            if (Node r = n.Find("roundrect_rratio")) ratio = r.Number(1);
            p.roundRatio = std::clamp(std::isfinite(ratio) ? ratio : 0.0, 0.0, 0.5);
            if (Node c = n.Find("chamfer_ratio")) {
                const double cr = c.Number(1);
                p.chamferRatio = std::clamp(std::isfinite(cr) ? cr : 0.0, 0.0, 0.5);
                p.chamferCorners = ChamferedCorners(n);
            }
        } else if (shape == "trapezoid") {
            const Node d = n.Find("rect_delta");
            p.deltaX = d.Number(1);
            p.deltaY = d.Number(2);
        } else if (shape == "custom") {
            p.anchorRect = n.Find("options").Find("anchor").At(1).Text() == "rect";
        }
        const uint32_t index = static_cast<uint32_t>(f_.pads.size());
        f_.pads.push_back(p);
        if (!p.copper) return;

        const double w = p.w, h = p.h;
        const Placement copper{drill.offset, p.at, p.angle};
        std::optional<Outline> outline;
        if (shape == "rect") {
            outline = RoundRectOutline(w, h, 0, 0, 0);
        } else if (shape == "roundrect") {
            outline = RoundRectOutline(w, h, std::min(w, h) * p.roundRatio, p.chamferCorners,
                                       p.chamferCorners ? std::min(w, h) * p.chamferRatio : 0);
        } else if (shape == "circle") {
            outline = CircleOutline(w);
        } else if (shape == "oval") {
            outline = OvalOutline(w, h);
        } else if (shape == "trapezoid") {
            const double dx = p.deltaX, dy = p.deltaY, hw = w / 2, hh = h / 2;
            outline = PolygonOutline({{-hw - dy / 2, hh + dx / 2},
                                      {-hw + dy / 2, -hh - dx / 2},
                                      {hw - dy / 2, -hh + dx / 2},
                                      {hw + dy / 2, hh - dx / 2}});
        } else if (shape == "custom") {
            outline = p.anchorRect ? RoundRectOutline(w, h, 0, 0, 0) : CircleOutline(w);
        }
        const std::string layerName = p.layers.empty() ? std::string() : p.layers.front();
        if (outline) {
            Item& it = Begin(Kind::Pad, p.role, Fill(p.ink, p.ink), layerName);
            it.index = index;
            it.filled = true;
            ExtentBox(AddOutline(it, *outline, copper));
        }
        if (shape == "custom") {
            const size_t from = f_.items.size();
            for (Node g = n.Find("primitives").First(); g; g = g.Next()) {
                if (!g.IsList()) continue;
                const std::string_view k = g.Keyword();
                if (k.substr(0, 3) != "gr_") continue;
                Graphic(g, Layer{p.ink, p.role}, copper, true, index);
            }
            for (size_t i = from; i < f_.items.size(); ++i) {
                f_.items[i].flags |= figure::kOfPad;
                f_.items[i].index = index;
            }
        }
        if (drill.hole && type != "smd" && type != "connect") {
            const Placement hole{{0, 0}, p.at, p.angle};
            Item& it = Begin(Kind::DrillHole, Role::Drill, Fill(p.ink, Ink::Of(kBlack)), layerName);
            it.index = index;
            it.filled = true;
            ExtentBox(AddOutline(it, OvalOutline(drill.w, drill.h), hole));
        }
    }

    const figure::ReadOptions& o_;
    figure::Figure& f_;
    figure::FigureBuilder b_;
    Node root_;
    double version_ = 0;
    std::string_view reference_, value_;
    size_t budget_;  // bytes the texts may still grow by
};

} // namespace

void ReadFootprint(const sexpr::Document& doc, const figure::ReadOptions& options, figure::Figure& f,
                   size_t fileBytes) {
    CheckFootprintRoot(doc);
    Reader(doc, options, f, fileBytes).Run();
}

void ReadFootprintBytes(std::string_view bytes, const figure::ReadOptions& options, figure::Figure& f) {
    const sexpr::Document doc = sexpr::Document::Parse(bytes);
    ReadFootprint(doc, options, f, bytes.size());
}

} // namespace tarnel::footprint
