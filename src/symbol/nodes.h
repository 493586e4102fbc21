#pragma once
// Small readings shared by the parts of a current symbol: flags in either
// spelling, points, strokes and fills.
#include "figure/figure.h"
#include "sexpr/sexpr.h"

#include <optional>
#include <string_view>

namespace tarnel::symbol {

using figure::Pt;
using sexpr::Node;

// Whether n has the flag key among its elements from index from on: a bare
// atom "key", or a list "(key)" or "(key yes)"; "(key no)" is off.
bool HasFlag(const Node& n, std::string_view key, size_t from = 1);

// Elements 1 and 2 of n as a point; nothing when either is not a number.
std::optional<Pt> PointOf(const Node& n);
// The same for the list named key among n's children.
std::optional<Pt> PointIn(const Node& n, std::string_view key);

// Whether an item has the atom "private" among its elements.
bool IsPrivate(const Node& n);

// How an item's outline and inside are drawn.
struct Look {
    bool outline = true;   // a negative width: none
    double width = 0.1524; // millimetres
    bool filled = false;
    figure::Rgb fill = 0;  // 0x00BBGGRR
};
// The body background colour, RGB (255, 255, 194).
constexpr figure::Rgb kBodyBackground = 0xC2FFFF;
Look LookOf(const Node& item);

} // namespace tarnel::symbol
