#pragma once
// A figure's fields and pads (a current symbol's counts and pins) as one
// JSON object, numbers in millimetres: what "tarnel-cli info" prints.
#include "figure/figure.h"

#include <string>

namespace tarnel {

std::string FigureInfoJson(const figure::Figure& f);

} // namespace tarnel
