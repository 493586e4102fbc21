#include "symbol/reader.h"

#include "canvas/canvas.h"
#include "footprint/geometry.h"
#include "library/symbolname.h"
#include "symbol/arcs.h"
#include "symbol/fields.h"
#include "symbol/nodes.h"
#include "symbol/pintext.h"

#include <algorithm>
#include <cmath>

namespace tarnel::symbol {

using figure::Ink;
using figure::Item;
using figure::Kind;
using figure::Paint;
using figure::Role;

namespace {

constexpr double kDefaultPinLength = 2.54;
constexpr double kDefaultNameOffset = 0.508;
constexpr double kDefaultTextSize = 1.27;
// The longest text drawn, in bytes; the rest of a longer one is left off.
constexpr size_t kMaxDrawnText = 1000;

// Cut at kMaxDrawnText bytes, never inside a UTF-8 sequence.
std::string Drawn(std::string_view text) {
    if (text.size() <= kMaxDrawnText) return std::string(text);
    size_t n = kMaxDrawnText;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return std::string(text.substr(0, n));
}

Paint Fixed(figure::Rgb pen, bool brush, figure::Rgb brushColour, figure::Rgb font) {
    Paint p;
    p.set = Paint::kPen | Paint::kBrush | Paint::kMode | Paint::kFont;
    p.pen = Ink::Of(pen);
    p.brushSolid = brush;
    p.brush = Ink::Of(brushColour);
    p.font = Ink::Of(font);
    p.copyMode = false;
    return p;
}

// An item's paint: a black outline, or none (its fill colour, or white,
// which changes nothing in mask mode, for the pen).
Paint PaintOf(const Look& look) {
    const figure::Rgb pen = look.outline ? kBlack : look.filled ? look.fill : kWhite;
    return Fixed(pen, look.filled, look.fill, kTeal);
}

struct SubSymbol {
    Node node;
    int unit = 1, style = 1;
};

class Reader {
public:
    Reader(const std::vector<Definition>& chain, figure::Figure& f) : chain_(chain), f_(f), b_(f) {}

    void Run(int unit, int style) {
        const Definition& root = chain_.back();
        const Node r = root.Node();
        version_ = root.version;
        f_.Clear();
        f_.source = figure::Source::Symbol;
        f_.units = figure::Units::Millimetre;
        f_.raster = figure::RasterScale::SymbolMm;
        f_.mmPerUnit = 1;
        f_.version = version_;
        Counts(r, root.name);
        unit_ = std::clamp(unit, 1, f_.symbol.unitCount);
        style_ = std::clamp(style, 1, f_.symbol.styleCount);
        f_.symbol.unit = unit_;
        f_.symbol.style = style_;
        f_.symbol.root = root.name;
        for (size_t i = 1; i < chain_.size(); ++i) f_.symbol.parents.push_back(chain_[i].name);

        const Node pinNames = r.Find("pin_names");
        nameOffset_ = pinNames ? pinNames.Find("offset").Number(1, kDefaultNameOffset) : kDefaultNameOffset;
        if (!std::isfinite(nameOffset_)) nameOffset_ = kDefaultNameOffset;
        namesShown_ = !HasFlag(pinNames, "hide");
        numbersShown_ = !HasFlag(r.Find("pin_numbers"), "hide");

        for (Node c = r.First(); c; c = c.Next()) {
            if (c.Keyword() == "symbol") {
                int u, s;
                if (c.At(1).IsAtom() && SplitSubSymbolName(UnescapeSlash(c.At(1).Text()), root.name, u, s))
                    for (Node g = c.First(); g; g = g.Next()) Element(g, u, s);
                continue;
            }
            // Items placed in the symbol itself are unit 1, style 1.
            Element(c, 1, 1);
        }
        Fields();
    }

private:
    void Counts(const Node& r, const std::string& name) {
        int units = 1, styles = 1;
        for (Node c = r.First(); c; c = c.Next()) {
            int u, s;
            if (c.Keyword() == "symbol" && c.At(1).IsAtom() && SplitSubSymbolName(UnescapeSlash(c.At(1).Text()), name, u, s)) {
                units = std::max(units, u);
                styles = std::max(styles, s);
            }
        }
        std::vector<std::string> names;
        bool demorgan = false;
        if (const Node bs = r.Find("body_styles")) {
            for (Node a = bs.At(1); a; a = a.Next()) {
                if (!a.IsAtom()) continue;
                if (a.Text() == "demorgan") demorgan = true;
                else names.emplace_back(a.Text());
            }
        }
        if (demorgan) styles = std::max(styles, 2);
        styles = std::max(styles, static_cast<int>(std::min<size_t>(names.size(), 1u << 30)));
        f_.symbol.unitCount = units;
        f_.symbol.styleCount = styles;
        if (names.empty()) names = {"Normal", "De Morgan"};
        f_.symbol.styleNames = std::move(names);
    }

    bool Shown(int u, int s) const { return (u == 0 || u == unit_) && (s == 0 || s == style_); }

    void Element(const Node& n, int u, int s) {
        const std::string_view k = n.Keyword();
        if (k == "pin") {
            Pin(n, u, s);
            return;
        }
        if (!Shown(u, s)) return;
        if (k == "rectangle") Rectangle(n);
        else if (k == "circle") Circle(n);
        else if (k == "polyline") Polyline(n);
        else if (k == "bezier") Bezier(n);
        else if (k == "arc") Arc(n);
        else if (k == "text") Text(n);
        else if (k == "text_box") TextBox(n);
    }

    Item& Begin(Kind kind, Role role, const Look& look) {
        Item& it = b_.Begin(kind, role, PaintOf(look));
        it.filled = look.filled;
        it.strokeWidth = look.outline ? look.width : 0;
        if (!look.outline) it.flags |= figure::kNoOutline;
        return it;
    }

    void Box(Pt a, Pt b, const Look& look, double radius) {
        const double w = std::fabs(b.x - a.x), h = std::fabs(b.y - a.y);
        const double r = std::isfinite(radius) ? std::min({radius, w / 2, h / 2}) : 0;
        Begin(Kind::Polygon, Role::Body, look);
        if (r > 0) {
            const Pt c{(a.x + b.x) / 2, (a.y + b.y) / 2};
            for (const Pt& p : footprint::RoundRectOutline(w, h, r, 0, 0).polygon) b_.Point(c + p);
        } else {
            for (const Pt& p : {a, Pt{b.x, a.y}, b, Pt{a.x, b.y}}) b_.Point(p);
        }
        b_.Extent(a);
        b_.Extent(b);
    }

    void Rectangle(const Node& n) {
        if (IsPrivate(n)) return;
        const auto s = PointIn(n, "start"), e = PointIn(n, "end");
        if (!s || !e) return;
        Box(*s, *e, LookOf(n), n.Find("radius").Number(1, 0));
    }

    void Circle(const Node& n) {
        if (IsPrivate(n)) return;
        const auto c = PointIn(n, "center");
        double r;
        if (!c || !sexpr::ParseNumber(n.Find("radius").At(1).Text(), r) || !std::isfinite(r)) return;
        r = std::fabs(r);
        Item& it = Begin(Kind::Circle, Role::Body, LookOf(n));
        it.radius = r;
        b_.Point(*c);
        b_.Extent({c->x - r, c->y - r});
        b_.Extent({c->x + r, c->y + r});
    }

    // The points of "(pts (xy …) …)"; false when one lacks a number.
    static bool Points(const Node& n, std::vector<Pt>& out) {
        for (Node p = n.Find("pts").First(); p; p = p.Next()) {
            if (p.Keyword() != "xy") continue;
            const auto q = PointOf(p);
            if (!q) return false;
            out.push_back(*q);
        }
        return true;
    }

    void Polyline(const Node& n) {
        if (IsPrivate(n)) return;
        std::vector<Pt> pts;
        if (!Points(n, pts) || pts.empty()) return;
        Begin(Kind::Polyline, Role::Body, LookOf(n));
        for (const Pt& p : pts) b_.Point(p);
        b_.ExtentsFromPoints();
    }

    void Bezier(const Node& n) {
        if (IsPrivate(n)) return;
        std::vector<Pt> pts;
        if (!Points(n, pts) || pts.size() != 4) return;
        Begin(Kind::Curve, Role::Body, LookOf(n));
        for (const Pt& p : pts) b_.Point(p);
        b_.ExtentsFromPoints();
    }

    void Arc(const Node& n) {
        if (IsPrivate(n)) return;
        const auto s = PointIn(n, "start"), e = PointIn(n, "end");
        if (!s || !e) return;
        ArcShape a;
        if (const auto m = PointIn(n, "mid")) {
            a = ArcThroughPoints(*s, *m, *e, version_);
        } else if (const auto c = PointIn(n.Find("radius"), "at")) {
            a = ArcAboutCentre(*s, *e, *c);
        } else {
            return;
        }
        Look look = LookOf(n);
        if (a.kind != ArcShape::Arc) {
            look.filled = false;
            Begin(Kind::Polyline, Role::Body, look);
            b_.Point(a.s);
            if (a.kind == ArcShape::Segments) {
                b_.Point(a.m);
                b_.Point(a.e);
            }
            b_.ExtentsFromPoints();
            return;
        }
        Item& it = Begin(Kind::Arc, Role::Body, look);
        it.radius = a.radius;
        it.sweep = a.sweep;
        b_.Point(a.centre);
        b_.Point(a.s);
        for (const Pt& p : a.Extents()) b_.Extent(p);
    }

    void TextItem(std::string text, Pt at, double angle, figure::TextPlacement placement) {
        figure::Text t;
        t.text = Drawn(text);
        t.angle = angle;
        t.placement = placement;
        Item& it = b_.Begin(Kind::Text, Role::Text, Fixed(kBlack, false, kWhite, kTeal));
        it.index = static_cast<uint32_t>(f_.texts.size());
        f_.texts.push_back(std::move(t));
        b_.Point(at);
    }

    // "(text [private] "T" …)": the index of T, 0 for a private text.
    static size_t TextIndex(const Node& n) {
        if (n.At(1).IsAtom() && n.At(1).Text() == "private" && n.At(2).IsAtom()) return 0;
        return n.At(1).IsAtom() ? 1 : 0;
    }

    void Text(const Node& n) {
        const size_t i = TextIndex(n);
        if (i == 0) return;
        const Node at = n.Find("at");
        const auto p = PointOf(at);
        if (!p) return;
        if (HasFlag(n.Find("effects"), "hide") || HasFlag(n, "hide", i + 1)) return;
        const std::string_view text = n.At(i).Text();
        if (text.empty()) return;
        // Angles of texts are tenths of a degree.
        TextItem(std::string(text), *p, at.Number(3, 0) / 10, figure::TextPlacement::Centred);
        b_.Extent(*p);
    }

    void TextBox(const Node& n) {
        bool isPrivate = n.At(1).IsAtom() && n.At(1).Text() == "private" && n.At(2).IsAtom();
        const size_t i = isPrivate ? 2 : 1;
        if (isPrivate || !n.At(i).IsAtom()) return;
        Pt a, b;
        if (const auto at = PointIn(n, "at"), size = PointIn(n, "size"); at && size) {
            a = *at;
            b = *at + *size;
        } else if (const auto s = PointIn(n, "start"), e = PointIn(n, "end"); s && e) {
            a = *s;
            b = *e;
        } else {
            return;
        }
        Box(a, b, LookOf(n), 0);
        const std::string_view text = n.At(i).Text();
        if (text.empty() || HasFlag(n.Find("effects"), "hide")) return;
        // Its top-left corner as seen, Y up in the file.
        TextItem(std::string(text), {std::min(a.x, b.x), std::max(a.y, b.y)}, n.Find("at").Number(3, 0),
                 figure::TextPlacement::TopLeftInset);
    }

    void Pin(const Node& n, int u, int s) {
        const Node at = n.Find("at");
        double x, y, a;
        if (!sexpr::ParseNumber(at.At(1).Text(), x) || !sexpr::ParseNumber(at.At(2).Text(), y) ||
            !sexpr::ParseNumber(at.At(3).Text(), a))
            return;
        if (a != 0 && a != 90 && a != 180 && a != 270) return;
        double length = kDefaultPinLength;
        if (const Node l = n.Find("length")) {
            double v;
            if (sexpr::ParseNumber(l.At(1).Text(), v) && std::isfinite(v)) length = v;
        }
        if (!std::isfinite(x) || !std::isfinite(y)) return;
        figure::Pin pin;
        pin.at = {x, y};
        pin.length = length;
        pin.angle = a;
        pin.orientation = a == 0 ? 'R' : a == 90 ? 'U' : a == 180 ? 'L' : 'D';
        pin.type = std::string(n.At(1).Text());
        pin.shape = std::string(n.At(2).Text());
        pin.unit = u;
        pin.style = s;
        pin.hidden = HasFlag(n, "hide", 3);
        const Node name = n.Find("name"), number = n.Find("number");
        pin.name = WrittenPinText(name.At(1).Text(), version_);
        pin.number = WrittenPinText(number.At(1).Text(), version_);
        pin.nameText = ShownPinText(Drawn(name.At(1).Text()), version_, pin.nameOver);
        pin.numberText = ShownPinText(Drawn(number.At(1).Text()), version_, pin.numberOver);
        pin.nameShown = namesShown_ && !pin.nameText.empty();
        pin.numberShown = numbersShown_ && !pin.numberText.empty();
        pin.nameOffset = nameOffset_;
        double size = number.Find("effects").Find("font").Find("size").Number(1, kDefaultTextSize);
        if (!std::isfinite(size)) size = kDefaultTextSize;
        pin.markSize = std::fabs(size) / 2;
        if (s == 0 || s == 1) ++f_.symbol.pinTotal;
        const bool drawn = !pin.hidden && Shown(u, s);
        const uint32_t index = static_cast<uint32_t>(f_.pins.size());
        f_.pins.push_back(std::move(pin));
        if (!drawn) return;
        ++f_.symbol.pinsDrawn;
        Item& it = b_.Begin(Kind::Pin, Role::Pin, Fixed(kBlack, false, kWhite, kBlack));
        it.index = index;
        const figure::Pin& p = f_.pins[index];
        const Pt d = a == 0 ? Pt{1, 0} : a == 90 ? Pt{0, 1} : a == 180 ? Pt{-1, 0} : Pt{0, -1};
        b_.Point(p.at);
        b_.Point({p.at.x + length * d.x, p.at.y + length * d.y});
        b_.ExtentsFromPoints();
    }

    void Fields() {
        std::vector<Properties> props;
        props.reserve(chain_.size());
        for (const Definition& d : chain_) props.push_back(ReadProperties(d.Node(), d.version));
        const std::vector<Field> fields = FlattenFields(props);
        const bool letters = f_.symbol.unitCount > 1;
        for (const Field& fd : fields) {
            if (fd.hidden || fd.isPrivate) continue;
            std::string shown = fd.value;
            if (fd.name == "Reference") shown += "?" + (letters ? UnitLetters(unit_) : std::string());
            if (shown.empty()) continue;
            TextItem(std::move(shown), fd.at, 0, figure::TextPlacement::Centred);
            f_.texts.back().isName = fd.name == "Reference";
            b_.Extent(fd.at);
        }
        const Description d = Describe(chain_.front().version, props);
        f_.fields.name = chain_.front().name;
        f_.fields.description = d.description;
        f_.fields.tags = d.keywords;
        f_.symbol.footprint = d.footprint;
        f_.symbol.footprintFilters = d.filters;
    }

    const std::vector<Definition>& chain_;
    figure::Figure& f_;
    figure::FigureBuilder b_;
    double version_ = 0;
    int unit_ = 1, style_ = 1;
    double nameOffset_ = kDefaultNameOffset;
    bool namesShown_ = true, numbersShown_ = true;
};

} // namespace

void ReadSymbol(const std::vector<Definition>& chain, int unit, int style, figure::Figure& f) {
    if (chain.empty()) {
        f.Clear();
        f.source = figure::Source::Symbol;
        return;
    }
    Reader(chain, f).Run(unit, style);
}

void ReadLibrarySymbol(KicadSymbolLibrary& lib, std::string_view name, const figure::ReadOptions& options,
                       figure::Figure& f) {
    const std::string listed = lib.ListedName(name);
    SymbolSource source;
    if (listed.empty() || !lib.FindSymbol(listed, source))
        throw std::runtime_error("não há símbolo chamado \"" + std::string(name) + "\" em " + lib.Path());
    const std::vector<Definition> chain = ResolveChain(&lib, listed, source);
    ReadSymbol(chain, options.unit, options.style, f);
}

void ReadSymbolAlone(const ModuleText& text, double version, const figure::ReadOptions& options, figure::Figure& f) {
    SymbolSource source{text, version, "Comandos"};
    std::string name;
    {
        // The name as the text gives it.
        const Definition d = ReadDefinition("", source);
        name = SymbolListName(d.Node().At(1).Text());
    }
    const std::vector<Definition> chain = ResolveChain(nullptr, name, source);
    ReadSymbol(chain, options.unit, options.style, f);
}

} // namespace tarnel::symbol
