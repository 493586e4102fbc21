#pragma once
// A footprint folder (".pretty"): each ".kicad_mod" file read once for its
// description, tags and pad count, and kept in the cache by its own stamp.
#include "search/describer.h"

namespace tarnel::search {

class FootprintFolderDescriber : public LibraryDescriber {
public:
    bool Describes(const LibraryKind& kind) const override;
    ItemKind Kind() const override { return ItemKind::Footprint; }
    std::vector<ItemFacts> Describe(const std::string& path, DescribeCache& cache, DescribeStats& stats) const override;
};

} // namespace tarnel::search
