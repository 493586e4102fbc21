#pragma once
// The raster output: replays a figure on the work canvas through the
// coordinate mapping, widening the extents, with the canvas operations and
// pens the drawing has always used.
#include "canvas/canvas.h"
#include "figure/figure.h"
#include "viewer/mapping.h"

namespace tarnel {

// The four user colours the figure's colour slots stand for.
struct Palette {
    Color pad = kGreen, comp = kRed, body = kBlue, hole = kOlive;
    Color operator()(const figure::Ink& ink) const;
};

class RasterDevice {
public:
    RasterDevice(Canvas& canvas, CoordinateMapping& mapping, const Palette& palette)
        : cv_(canvas), map_(mapping), palette_(palette) {}

    // Writes each numbered pad's number on a current footprint's pads, in a
    // size that fits the pad, where it is large enough to be read.
    bool PadNumbers = false;
    // A current footprint's texts widen the extents by the box they cover,
    // so that none is cut at the view's edge.
    bool TextExtents = false;

    // Draws the items of f from first on, in order.
    void Replay(const figure::Figure& f, size_t first = 0);

private:
    void Apply(const figure::Paint& p);
    // Maps an item's numbers; the points of an item whose points are its
    // extents widen them as they are mapped.
    int32_t X(const figure::Figure& f, double v) { return map_.MapNum(f.RasterX(v), track_, false); }
    int32_t Y(const figure::Figure& f, double v) { return map_.MapNum(f.RasterY(v), track_, true); }
    QPoint Map(const figure::Figure& f, figure::Pt p) { return QPoint(X(f, p.x), Y(f, p.y)); }
    void Draw(const figure::Figure& f, const figure::Item& it);
    void DrawOutline(const figure::Figure& f, const figure::Item& it);
    void DrawArc(const figure::Figure& f, const figure::Item& it);
    void DrawCurve(const figure::Figure& f, const figure::Item& it);
    void DrawText(const figure::Figure& f, const figure::Item& it);
    void DrawPin(const figure::Figure& f, const figure::Item& it);
    void DrawPadNumbers(const figure::Figure& f);
    // Current symbols (rastersymbol.cpp).
    void DrawSymbolItem(const figure::Figure& f, const figure::Item& it);
    void DrawSymbolArc(const figure::Figure& f, const figure::Item& it);
    void DrawSymbolText(const figure::Figure& f, const figure::Item& it);
    void DrawSymbolPin(const figure::Figure& f, const figure::Item& it);
    void DrawPinTexts(const figure::Figure& f, const figure::Pin& pin);
    void Segment(const figure::Figure& f, figure::Pt a, figure::Pt b);
    void TextWithOverbars(int64_t x, int64_t y, const std::string& text, const std::vector<figure::Overbar>& over);

    Canvas& cv_;
    CoordinateMapping& map_;
    Palette palette_;
    bool track_ = false;
};

} // namespace tarnel
