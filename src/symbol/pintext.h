#pragma once
// How a current symbol shows a pin's name or number, and how units are
// named.
#include "figure/figure.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnel::symbol {

// Files before this version write "~" for an empty name, number or field.
constexpr double kTildeEmptyBefore = 20250318;
// Files before this version mark overbars as "~text~" instead of "~{text}".
constexpr double kBracedOverbarFrom = 20210606;

// The text as written, "~" read as empty in files before 20250318.
std::string WrittenPinText(std::string_view written, double version);

// The text as shown: overbar marks taken out (their ranges in over), spaces
// shown as "_".
std::string ShownPinText(std::string_view written, double version, std::vector<figure::Overbar>& over);

// Unit u as KiCad names units: A … Z, AA, AB, …
std::string UnitLetters(long long u);

} // namespace tarnel::symbol
