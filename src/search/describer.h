#pragma once
// Describing every item of a library for the search: one class per kind of
// library, found through DescriberFor. A new kind of library (a symbol file,
// a symbol folder) plugs in with one class and one line in describer.cpp.
#include "search/describecache.h"
#include "search/itemfacts.h"

#include <string>
#include <vector>

namespace tarnel {
struct LibraryKind;
}

namespace tarnel::search {

// What describing cost, and what could not be read.
struct DescribeStats {
    int read = 0;    // files read and parsed
    int reused = 0;  // files whose facts came from the cache
    std::vector<std::string> problems;
};

class LibraryDescriber {
public:
    virtual ~LibraryDescriber() = default;
    virtual bool Describes(const LibraryKind& kind) const = 0;
    virtual ItemKind Kind() const = 0;
    // Every item of the library at path, in the viewer's list order, read
    // through the cache. Throws std::runtime_error when the library cannot
    // be read at all; an item that cannot is kept by name and counted in
    // stats.problems.
    virtual std::vector<ItemFacts> Describe(const std::string& path, DescribeCache& cache, DescribeStats& stats) const = 0;
};

// The describer of a kind of library; null when none reads it.
const LibraryDescriber* DescriberFor(const LibraryKind& kind);

// Facts of one footprint file's text; throws std::runtime_error when it is
// not a footprint.
ItemFacts DescribeFootprintText(std::string_view bytes);

} // namespace tarnel::search
