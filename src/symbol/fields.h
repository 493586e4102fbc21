#pragma once
// A current symbol's properties: the fields it draws, and what the rest of
// the program takes from it (description, keywords, footprint, filters). A
// derived symbol's fields come from its whole extends chain.
#include "figure/figure.h"
#include "sexpr/sexpr.h"
#include "symbol/chain.h"

#include <string>
#include <vector>

namespace tarnel::symbol {

struct Field {
    std::string name;   // mandatory ones spelt "Reference", "Value", …
    std::string value;  // "~" read as empty in files before 20250318
    figure::Pt at;      // (0, 0) when absent
    bool hidden = false;
    bool isPrivate = false;
    bool mandatory = false;
};

// One symbol's own properties.
struct Properties {
    std::vector<Field> fields;  // in file order; a repeated user name gets "_1" … "_9"
    std::string keywords, description, filters;  // ki_keywords, ki_description, ki_fp_filters
};
Properties ReadProperties(const sexpr::Node& symbol, double version);

// The fields of chain[0] as its chain gives them (chain: the symbol first,
// its root last).
std::vector<Field> FlattenFields(const std::vector<Properties>& chain);

// What the rest of the program takes from a symbol: props of its chain as
// above, version that of the symbol's own file.
struct Description {
    std::string description, keywords, footprint;
    std::vector<std::string> filters;
};
Description Describe(double version, const std::vector<Properties>& props);

} // namespace tarnel::symbol
