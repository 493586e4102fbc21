#pragma once
// The vector output: draws a figure on a cairo context (a PDF page) as
// paths and real text in the figure's colours, at any scale. Pads of the
// common shapes are drawn from their data (exact rectangles, arcs and
// ovals), the others from their outlines; pad numbers are centred on their
// pads when they fit.
#include "figure/figure.h"
#include "footprint/geometry.h"
#include "output/cairotext.h"
#include "output/rasterdevice.h"

#include <cairo.h>

namespace tarnel {

struct CairoDrawOptions {
    bool padNumbers = true;
    // Figure texts and pad numbers smaller than this, in points, are left
    // out: nobody reads them.
    double minTextPt = 1.5;
    // Thinner lines are drawn this wide, in points.
    double minLinePt = 0.25;
};

// The bounds of what the figure draws, in millimetres on the drawing (Y
// down): its geometry, and with texts the room they take as well. False
// when it draws nothing.
bool DrawingBounds(const figure::Figure& f, bool withTexts, footprint::Box& mm);

class CairoDevice {
public:
    CairoDevice(cairo_t* cr, CairoText& text, const Palette& palette) : cr_(cr), text_(text), palette_(palette) {}

    // Draws f with its origin at (x, y) on the current transform and
    // ptPerMm units to each of its millimetres.
    void Draw(const figure::Figure& f, double x, double y, double ptPerMm, const CairoDrawOptions& options);

private:
    struct State;
    void DrawItem(const figure::Figure& f, const figure::Item& it, State& s);
    void PadCopper(const figure::Figure& f, const figure::Item& it, State& s);
    void OutlinePath(const figure::Figure& f, const figure::Item& it, State& s);
    void ArcPath(const figure::Figure& f, const figure::Item& it, State& s);
    void CurvePath(const figure::Figure& f, const figure::Item& it, State& s);
    void TextItem(const figure::Figure& f, const figure::Item& it, State& s);
    void PinItem(const figure::Figure& f, const figure::Item& it, State& s);
    void PadNumbers(const figure::Figure& f, State& s);
    // Ends the path built under the figure's transform: filled and/or
    // stroked on the page's transform.
    void Finish(State& s, bool fill, Color fillColour, bool stroke, Color strokeColour, double widthUnits);
    void Colour(Color c);

    cairo_t* cr_;
    CairoText& text_;
    Palette palette_;
};

} // namespace tarnel
