#pragma once
// A current symbol library (".kicad_sym" file or ".kicad_symdir" folder) for
// the search: every symbol with the description and keywords its extends
// chain gives it and its pin count. One cache entry per library, stamped by
// each of its files.
#include "search/describer.h"

namespace tarnel::search {

class KicadSymbolDescriber : public LibraryDescriber {
public:
    bool Describes(const LibraryKind& kind) const override;
    ItemKind Kind() const override { return ItemKind::Symbol; }
    std::vector<ItemFacts> Describe(const std::string& path, DescribeCache& cache, DescribeStats& stats) const override;
};

} // namespace tarnel::search
