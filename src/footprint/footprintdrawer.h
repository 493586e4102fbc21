#pragma once
// Draws a current KiCad footprint (a "(module …)" or "(footprint …)" tree)
// on the work canvas with the legacy drawing's mapping, colours and pens:
// graphic items and texts of the silkscreen, fabrication and copper layers,
// and every pad with its hole.
#include "sexpr/sexpr.h"
#include "canvas/canvas.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tarnel::footprint {

// What the drawer needs from the view.
struct DrawTarget {
    Canvas& canvas;
    // Maps a coordinate in decimils to a pixel, widening the extents when
    // track is set.
    std::function<int32_t(int64_t decimil, bool track, bool isY)> map;
    Color padColour, compColour, bodyColour, holeColour;
    int textMode = 0;  // 0 none, 1 the reference only, 2 all
    bool drawArcs = true;
    int32_t padCount = 0;  // counted pads are added here
};

// Checks the root ("module" or "footprint" with a name); throws
// std::runtime_error saying what is wrong.
void CheckFootprintRoot(const sexpr::Document& doc);

void DrawFootprint(const sexpr::Document& doc, DrawTarget& target);

// The footprint's "(descr …)" text, empty when it has none.
std::string FootprintDescription(const sexpr::Document& doc);

// Millimetres to decimils: x 10000 / 25.4, halves to even.
int64_t MmToDecimil(double mm);

} // namespace tarnel::footprint
