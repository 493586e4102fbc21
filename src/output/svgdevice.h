#pragma once
// The SVG output: a figure at true size, in millimetres, Y down as KiCad
// shows footprints (up for symbols, as KiCad shows them). Every pad is a
// group carrying its number, type and shape, with its number as text.
#include "figure/figure.h"
#include "output/rasterdevice.h"

#include <string>

namespace tarnel {

std::string FigureSvg(const figure::Figure& f, const Palette& colours);

} // namespace tarnel
