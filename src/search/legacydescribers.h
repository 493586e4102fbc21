#pragma once
// Legacy libraries for the search: a footprint file ("*.mod") described from
// its module blocks ("Cd", "Kw", pads) and the documentation files beside it
// (".dcm", ".mdc") as the catalogs read them; a symbol file ("*.lib") from
// its "DEF" blocks (aliases, pins) and its ".dcm" ("D" and "K" lines). Each
// library is one cache entry, stamped by every file it was read from.
#include "search/describer.h"

#include <string_view>
#include <unordered_map>

namespace tarnel::search {

class LegacyModuleDescriber : public LibraryDescriber {
public:
    bool Describes(const LibraryKind& kind) const override;
    ItemKind Kind() const override { return ItemKind::Footprint; }
    std::vector<ItemFacts> Describe(const std::string& path, DescribeCache& cache, DescribeStats& stats) const override;
};

class LegacySymbolDescriber : public LibraryDescriber {
public:
    bool Describes(const LibraryKind& kind) const override;
    ItemKind Kind() const override { return ItemKind::Symbol; }
    std::vector<ItemFacts> Describe(const std::string& path, DescribeCache& cache, DescribeStats& stats) const override;
};

// Upper-cased name -> keywords: the "K" lines of a ".dcm" file's "$CMP"
// entries, the "Kw" lines of a ".mdc" file's "$MODULE" entries.
std::unordered_map<std::string, std::string> ParseDocKeywords(std::string_view bytes);
std::unordered_map<std::string, std::string> ParseMdcKeywords(std::string_view bytes);

} // namespace tarnel::search
