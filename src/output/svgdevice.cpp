#include "output/svgdevice.h"

#include "footprint/geometry.h"
#include "tokenizer/libtext.h"

#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tarnel {

using figure::Item;
using figure::Kind;
using figure::Pt;

namespace {

// Millimetres to a micrometre, without trailing zeros.
QString Num(double v) {
    if (!std::isfinite(v)) v = 0;
    v = std::clamp(v, -1e9, 1e9);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return QString::fromStdString(s);
}

QString Hex(Color c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return buf;
}

class Writer {
public:
    Writer(const figure::Figure& f, const Palette& p, QString* out) : f_(f), p_(p), x_(out) {
        flip_ = f.raster == figure::RasterScale::SymbolMm;
    }

    void Run() {
        double minX = 0, maxX = 0, minY = 0, maxY = 0;
        if (f_.Extents(minX, maxX, minY, maxY)) {
            const Pt a = Mm({minX, minY}), b = Mm({maxX, maxY});
            minX = std::min(a.x, b.x), maxX = std::max(a.x, b.x);
            minY = std::min(a.y, b.y), maxY = std::max(a.y, b.y);
        }
        const double margin = std::max(1.0, 0.05 * std::max(maxX - minX, maxY - minY));
        minX -= margin, minY -= margin, maxX += margin, maxY += margin;
        x_.setAutoFormatting(true);
        x_.writeStartDocument();
        x_.writeStartElement("svg");
        x_.writeDefaultNamespace("http://www.w3.org/2000/svg");
        x_.writeAttribute("width", Num(maxX - minX) + "mm");
        x_.writeAttribute("height", Num(maxY - minY) + "mm");
        x_.writeAttribute("viewBox", Num(minX) + " " + Num(minY) + " " + Num(maxX - minX) + " " + Num(maxY - minY));
        x_.writeTextElement("title", Text(f_.fields.name));
        if (!f_.fields.description.empty()) x_.writeTextElement("desc", Text(f_.fields.description));
        x_.writeStartElement("g");
        x_.writeAttribute("stroke-linecap", "round");
        x_.writeAttribute("stroke-linejoin", "round");
        std::vector<bool> padDone(f_.pads.size(), false);
        padItems_.assign(f_.pads.size(), {});
        for (size_t i = 0; i < f_.items.size(); ++i)
            if (PadPart(f_.items[i]) && f_.items[i].index < f_.pads.size())
                padItems_[f_.items[i].index].push_back(static_cast<uint32_t>(i));
        // Pad groups come in the pads' order; a pad that draws nothing (no
        // copper layer) still has its group, after the pad before it.
        uint32_t nextPad = 0;
        auto group = [&](uint32_t pad) {
            if (padDone[pad]) return;
            padDone[pad] = true;
            PadGroup(pad);
        };
        for (size_t i = 0; i < f_.items.size(); ++i) {
            const Item& it = f_.items[i];
            if (PadPart(it)) {
                if (it.index < f_.pads.size()) {
                    for (; nextPad < it.index; ++nextPad) group(nextPad);
                    group(it.index);
                }
                continue;
            }
            if (it.flags & figure::kRasterOnly) continue;
            Draw(it);
        }
        for (; nextPad < f_.pads.size(); ++nextPad) group(nextPad);
        x_.writeEndElement();
        x_.writeEndElement();
        x_.writeEndDocument();
    }

private:
    static bool PadPart(const Item& it) {
        return it.kind == Kind::Pad || it.kind == Kind::DrillHole || (it.flags & figure::kOfPad);
    }
    static QString Text(const std::string& bytes) { return QString::fromStdString(DisplayTextUtf8(bytes)); }

    Pt Mm(Pt p) const { return {f_.Millimetres(p.x), f_.Millimetres(p.y) * (flip_ ? -1 : 1)}; }
    double Len(double v) const { return std::fabs(f_.Millimetres(v)); }

    QString Colour(const figure::Ink& ink) const { return Hex(p_(ink)); }
    QString StrokeOf(const Item& it) const {
        return (it.paint.set & figure::Paint::kPen) ? Colour(it.paint.pen) : QString("#000000");
    }
    // A fill that shows: white fills only mask nothing on the raster.
    QString FillOf(const Item& it) const {
        if (!(it.paint.set & figure::Paint::kBrush) || !it.paint.brushSolid) return "none";
        const Color c = p_(it.paint.brush);
        return c == kWhite ? QString("none") : Hex(c);
    }
    void Style(const Item& it, bool fill) {
        x_.writeAttribute("class", QString::fromLatin1(figure::RoleName(it.role).data()));
        x_.writeAttribute("fill", fill ? FillOf(it) : QString("none"));
        x_.writeAttribute("stroke", (it.flags & figure::kNoOutline) ? QString("none") : StrokeOf(it));
        const double w = it.strokeWidth > 0 ? Len(it.strokeWidth) : 0.05;
        x_.writeAttribute("stroke-width", Num(w));
    }
    QString Points(const Item& it) const {
        QString s;
        const Pt* p = f_.PointsOf(it);
        for (uint32_t i = 0; i < it.count; ++i) {
            const Pt m = Mm(p[i]);
            if (i) s += ' ';
            s += Num(m.x) + "," + Num(m.y);
        }
        return s;
    }

    void Circle(Pt c, double r, const Item& it, bool fill) {
        x_.writeStartElement("circle");
        Style(it, fill);
        const Pt m = Mm(c);
        x_.writeAttribute("cx", Num(m.x));
        x_.writeAttribute("cy", Num(m.y));
        x_.writeAttribute("r", Num(Len(r)));
        x_.writeEndElement();
    }

    void Draw(const Item& it) {
        const Pt* p = f_.PointsOf(it);
        switch (it.kind) {
            case Kind::State:
            case Kind::Pad:
            case Kind::DrillHole: break;
            case Kind::Segment: {
                const Pt a = Mm(p[0]), b = Mm(p[1]);
                x_.writeStartElement("line");
                Style(it, false);
                x_.writeAttribute("x1", Num(a.x));
                x_.writeAttribute("y1", Num(a.y));
                x_.writeAttribute("x2", Num(b.x));
                x_.writeAttribute("y2", Num(b.y));
                x_.writeEndElement();
                break;
            }
            case Kind::Polyline:
                if (!it.count) break;
                x_.writeStartElement("polyline");
                Style(it, it.filled);
                x_.writeAttribute("points", Points(it));
                x_.writeEndElement();
                break;
            case Kind::Polygon:
                if (!it.count) break;
                x_.writeStartElement("polygon");
                Style(it, true);
                x_.writeAttribute("points", Points(it));
                x_.writeEndElement();
                break;
            case Kind::Rect: {
                const Pt a = Mm(p[0]), b = Mm(p[1]);
                x_.writeStartElement("rect");
                Style(it, true);
                x_.writeAttribute("x", Num(std::min(a.x, b.x)));
                x_.writeAttribute("y", Num(std::min(a.y, b.y)));
                x_.writeAttribute("width", Num(std::fabs(b.x - a.x)));
                x_.writeAttribute("height", Num(std::fabs(b.y - a.y)));
                x_.writeEndElement();
                break;
            }
            case Kind::Circle: Circle(p[0], it.radius, it, true); break;
            case Kind::Arc: Arc(it); break;
            case Kind::Curve: Curve(it); break;
            case Kind::Text: TextItem(it); break;
            case Kind::Pin: Pin(it); break;
        }
    }

    void ArcPath(const Item& it, Pt from, Pt to, double r, bool large, bool clockwise) {
        x_.writeStartElement("path");
        Style(it, false);
        const Pt a = Mm(from), b = Mm(to);
        x_.writeAttribute("d", "M " + Num(a.x) + " " + Num(a.y) + " A " + Num(Len(r)) + " " + Num(Len(r)) + " 0 " +
                                   (large ? "1" : "0") + " " + (clockwise ? "1" : "0") + " " + Num(b.x) + " " +
                                   Num(b.y));
        x_.writeEndElement();
    }

    void Arc(const Item& it) {
        const Pt* p = f_.PointsOf(it);
        const double r = it.radius;
        if (!(r > 0) || !std::isfinite(r)) return;
        if (it.flags & figure::kLegacyArc) {
            // Counter-clockwise on the drawing from the computed end to the
            // start; both rays the same: the whole circle.
            const Pt c = p[0], s = p[1], e = p[2];
            const double as = std::atan2(s.y - c.y, s.x - c.x), ae = std::atan2(e.y - c.y, e.x - c.x);
            double d = std::fmod((ae - as) * 180 / M_PI + 720, 360);
            if (d == 0) {
                Circle(c, r, it, false);
                return;
            }
            const Pt from{c.x + r * std::cos(ae), c.y + r * std::sin(ae)};
            const Pt to{c.x + r * std::cos(as), c.y + r * std::sin(as)};
            ArcPath(it, from, to, r, d > 180, false);
            return;
        }
        footprint::Arc a;
        a.centre = p[0];
        a.start = p[1];
        a.radius = r;
        a.sweep = it.sweep;
        if (std::fabs(a.sweep) >= 360) {
            Circle(a.centre, r, it, false);
            return;
        }
        if (a.sweep == 0) return;
        // A positive sweep turns clockwise on a drawing with Y down; turned
        // over (a symbol), the other way.
        ArcPath(it, a.start, a.End(), r, std::fabs(a.sweep) > 180, (a.sweep > 0) != flip_);
    }

    void Curve(const Item& it) {
        const Pt* c = f_.PointsOf(it);
        Pt offset, position;
        double angle = 0;
        if (it.flags & figure::kPlacedByPad) {
            const figure::Pad& pad = f_.pads[it.index];
            offset = pad.drillOffset, position = pad.at, angle = pad.angle;
        }
        Pt q[4];
        for (int i = 0; i < 4; ++i) q[i] = Mm(footprint::Place(c[i], offset, position, angle));
        x_.writeStartElement("path");
        Style(it, it.filled);
        x_.writeAttribute("d", "M " + Num(q[0].x) + " " + Num(q[0].y) + " C " + Num(q[1].x) + " " + Num(q[1].y) +
                                   " " + Num(q[2].x) + " " + Num(q[2].y) + " " + Num(q[3].x) + " " + Num(q[3].y) +
                                   (it.filled ? " Z" : ""));
        x_.writeEndElement();
    }

    void WriteText(const QString& cls, Pt at, double size, double angle, const char* anchor, const QString& colour,
                   const std::string& text) {
        x_.writeStartElement("text");
        x_.writeAttribute("class", cls);
        x_.writeAttribute("x", Num(at.x));
        x_.writeAttribute("y", Num(at.y));
        x_.writeAttribute("font-family", "sans-serif");
        x_.writeAttribute("font-size", Num(size));
        x_.writeAttribute("text-anchor", anchor);
        x_.writeAttribute("dominant-baseline", "central");
        x_.writeAttribute("fill", colour);
        if (angle != 0) x_.writeAttribute("transform", "rotate(" + Num(-angle) + " " + Num(at.x) + " " + Num(at.y) + ")");
        x_.writeCharacters(Text(text));
        x_.writeEndElement();
    }

    void TextItem(const Item& it) {
        const figure::Text& t = f_.texts[it.index];
        const Pt at = Mm(f_.PointsOf(it)[0]);
        const double size = t.height > 0 ? Len(t.height) : 1.0;
        const char* anchor = t.hAlign == figure::HAlign::Left ? "start" : t.hAlign == figure::HAlign::Right ? "end" : "middle";
        const QString colour = (it.paint.set & figure::Paint::kFont) ? Colour(it.paint.font) : QString("#000000");
        WriteText("text", at, size, t.angle, anchor, colour, t.text);
    }

    void Pin(const Item& it) {
        const figure::Pin& pin = f_.pins[it.index];
        const Pt* p = f_.PointsOf(it);
        x_.writeStartElement("g");
        x_.writeAttribute("class", "pin");
        x_.writeAttribute("data-number", Text(pin.number));
        x_.writeAttribute("data-name", Text(pin.name));
        if (f_.source == figure::Source::Symbol) {
            SymbolPin(it, pin);
            x_.writeEndElement();
            return;
        }
        if (it.count > 1) {
            const Pt a = Mm(p[0]), b = Mm(p[1]);
            x_.writeStartElement("line");
            Style(it, false);
            x_.writeAttribute("x1", Num(a.x));
            x_.writeAttribute("y1", Num(a.y));
            x_.writeAttribute("x2", Num(b.x));
            x_.writeAttribute("y2", Num(b.y));
            x_.writeEndElement();
            WriteText("pin-number", {(a.x + b.x) / 2, (a.y + b.y) / 2}, 1.0, 0, "middle", "#000000", pin.number);
        }
        x_.writeEndElement();
    }

    // A current symbol's pin: its line, and its name and number as shown,
    // the name inside the body past the offset or above the line with the
    // number below it.
    void SymbolPin(const Item& it, const figure::Pin& pin) {
        const Pt* p = f_.PointsOf(it);
        const Pt a = Mm(p[0]), b = Mm(p[1]);
        if (pin.length != 0) {
            x_.writeStartElement("line");
            Style(it, false);
            x_.writeAttribute("x1", Num(a.x));
            x_.writeAttribute("y1", Num(a.y));
            x_.writeAttribute("x2", Num(b.x));
            x_.writeAttribute("y2", Num(b.y));
            x_.writeEndElement();
        }
        const double size = 2 * pin.markSize > 0 ? 2 * pin.markSize : 1.27;
        const Pt mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
        const bool horizontal = a.y == b.y;
        const Pt lift = horizontal ? Pt{0, -0.6 * size} : Pt{-0.6 * size, 0};
        if (pin.nameShown) {
            if (pin.nameOffset > 0) {
                const Pt d{b.x - a.x, b.y - a.y};
                const double len = std::hypot(d.x, d.y);
                const Pt u = len > 0 ? Pt{d.x / len, d.y / len} : Pt{1, 0};
                const Pt at{b.x + u.x * pin.nameOffset, b.y + u.y * pin.nameOffset};
                const char* anchor = !horizontal ? "middle" : u.x > 0 ? "start" : "end";
                WriteText("pin-name", at, size, 0, anchor, "#000000", pin.nameText);
            } else {
                WriteText("pin-name", mid + lift, size, 0, horizontal ? "middle" : "end", "#000000", pin.nameText);
            }
        }
        if (pin.numberShown) {
            const bool below = pin.nameOffset <= 0 && pin.nameShown;
            const Pt at = below ? mid - lift : mid + lift;
            WriteText("pin-number", at, size, 0, horizontal ? "middle" : below ? "start" : "end", "#000000",
                      pin.numberText);
        }
    }

    void Outline(const Item& it, bool hole) {
        const Pt* p = f_.PointsOf(it);
        const QString fill = hole ? QString("#000000") : Colour(f_.pads[it.index].ink);
        auto style = [&] {
            x_.writeAttribute("class", hole ? "drill" : "copper");
            x_.writeAttribute("fill", fill);
            x_.writeAttribute("stroke", hole ? Colour(f_.pads[it.index].ink) : QString("none"));
            if (hole) x_.writeAttribute("stroke-width", "0.02");
        };
        switch (it.outline) {
            case figure::Outline::Polygon:
                x_.writeStartElement("polygon");
                style();
                x_.writeAttribute("points", Points(it));
                x_.writeEndElement();
                break;
            case figure::Outline::Circle: {
                const Pt c = Mm(p[0]);
                x_.writeStartElement("circle");
                style();
                x_.writeAttribute("cx", Num(c.x));
                x_.writeAttribute("cy", Num(c.y));
                x_.writeAttribute("r", Num(Len(it.radius)));
                x_.writeEndElement();
                break;
            }
            case figure::Outline::Box:
            case figure::Outline::EllipseBox: {
                const Pt a = Mm(p[0]), b = Mm(p[1]);
                const bool box = it.outline == figure::Outline::Box;
                x_.writeStartElement(box ? "rect" : "ellipse");
                style();
                if (box) {
                    x_.writeAttribute("x", Num(std::min(a.x, b.x)));
                    x_.writeAttribute("y", Num(std::min(a.y, b.y)));
                    x_.writeAttribute("width", Num(std::fabs(b.x - a.x)));
                    x_.writeAttribute("height", Num(std::fabs(b.y - a.y)));
                } else {
                    x_.writeAttribute("cx", Num((a.x + b.x) / 2));
                    x_.writeAttribute("cy", Num((a.y + b.y) / 2));
                    x_.writeAttribute("rx", Num(std::fabs(b.x - a.x) / 2));
                    x_.writeAttribute("ry", Num(std::fabs(b.y - a.y) / 2));
                }
                x_.writeEndElement();
                break;
            }
        }
    }

    void PadGroup(uint32_t index) {
        const figure::Pad& pad = f_.pads[index];
        x_.writeStartElement("g");
        x_.writeAttribute("class", "pad");
        x_.writeAttribute("data-number", Text(pad.number));
        x_.writeAttribute("data-type", Text(PadTypeName(f_, pad)));
        x_.writeAttribute("data-shape", Text(PadShapeName(f_, pad)));
        if (!pad.copper) x_.writeAttribute("data-copper", "no");
        // Copper first, then the primitives, then the hole on top.
        const Item* copper = nullptr;
        for (uint32_t i : padItems_[index]) {
            const Item& it = f_.items[i];
            if (it.kind == Kind::Pad && !(it.flags & figure::kRasterOnly)) {
                Outline(it, false);
                if (!copper) copper = &it;
            }
        }
        for (uint32_t i : padItems_[index])
            if (f_.items[i].flags & figure::kOfPad) Draw(f_.items[i]);
        if (pad.hasDrill)
            for (uint32_t i : padItems_[index])
                if (f_.items[i].kind == Kind::DrillHole) Outline(f_.items[i], true);
        if (copper && !pad.number.empty()) {
            const double w = f_.PadMillimetres(pad.w), h = f_.PadMillimetres(pad.h);
            const double len = static_cast<double>(QString::fromStdString(DisplayTextUtf8(pad.number)).size());
            const double size = std::min(0.5 * std::min(w, h), 0.9 * std::max(w, h) / (0.6 * std::max(1.0, len)));
            if (size > 0) {
                const Pt at = CopperCentre(*copper, pad);
                WriteText("pad-number", at, size, 0, "middle", "#FFFFFF", pad.number);
            }
        }
        x_.writeEndElement();
    }

    // Where the copper of a pad is centred, in millimetres.
    Pt CopperCentre(const Item& copper, const figure::Pad& pad) const {
        const Pt* p = f_.PointsOf(copper);
        switch (copper.outline) {
            case figure::Outline::Box:
            case figure::Outline::EllipseBox: {
                const Pt a = Mm(p[0]), b = Mm(p[1]);
                return {(a.x + b.x) / 2, (a.y + b.y) / 2};
            }
            case figure::Outline::Circle: return Mm(p[0]);
            default: return Mm(footprint::Place({0, 0}, pad.drillOffset, pad.at, pad.angle));
        }
    }

    const figure::Figure& f_;
    const Palette& p_;
    QXmlStreamWriter x_;
    bool flip_ = false;
    std::vector<std::vector<uint32_t>> padItems_;  // items of each pad
};

} // namespace

std::string FigureSvg(const figure::Figure& f, const Palette& colours) {
    QString out;
    Writer(f, colours, &out).Run();
    return out.toUtf8().toStdString();
}

} // namespace tarnel
