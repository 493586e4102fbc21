#pragma once
// Every symbol of a library with what the component index shows of it, read
// in one pass: each file once, each symbol parsed once, parents found in the
// symbols already read.
#include "library/kicadsymbollibrary.h"

#include <string>
#include <vector>

namespace tarnel::symbol {

struct SymbolSummary {
    std::string name;         // as listed
    std::string file;         // the file that holds it
    std::string description;  // as its chain gives it; a fault's reason when it cannot be read
    std::string keywords;
    int pins = -1;  // distinct pin numbers of its units, from its root symbol; -1 when it cannot be read
};

// In list order.
std::vector<SymbolSummary> SummarizeLibrary(KicadSymbolLibrary& lib);

} // namespace tarnel::symbol
