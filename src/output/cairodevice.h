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

#include <vector>

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
    struct Ink;
    // A hole drawn after the copper of its run of pads, with the paint it
    // had.
    struct Postponed {
        const figure::Item* item;
        bool brushSolid;
        Color brush;
        bool copyMode;
    };
    void Drill(const figure::Figure& f, std::vector<Postponed>& drills, State& s);
    void DrawItem(const figure::Figure& f, const figure::Item& it, State& s);
    void PadCopper(const figure::Figure& f, const figure::Item& it, State& s);
    void OutlinePath(const figure::Figure& f, const figure::Item& it, State& s);
    void ArcPath(const figure::Figure& f, const figure::Item& it, State& s);
    void CurvePath(const figure::Figure& f, const figure::Item& it, State& s);
    void TextItem(const figure::Figure& f, const figure::Item& it, State& s);
    void PinItem(const figure::Figure& f, const figure::Item& it, State& s);
    void PadNumbers(const figure::Figure& f, State& s);
    // How an item is painted; paths painted alike are built into one and
    // painted once (a page of many small fills costs cairo dearly).
    // exactFill: a fill of one of the exact pad shapes.
    Ink InkOf(const State& s, bool fill, Color fillColour, bool stroke, Color strokeColour, double widthUnits,
              bool exactFill) const;
    // Starts an item: paints what was pending when it is painted otherwise.
    // False when the item shows nothing.
    bool Begin(State& s, const Ink& ink);
    // Paints the pending path on the page's transform.
    void Flush(State& s);
    void Colour(Color c);

    cairo_t* cr_;
    CairoText& text_;
    Palette palette_;
};

} // namespace tarnel
