#pragma once
// Building the search index over a folder's libraries or over the
// libraries of the KiCad tables: each library described through its kind's
// describer and the cache.
#include "search/describer.h"
#include "search/searchindex.h"
#include "tables/librarytables.h"

#include <functional>
#include <string>
#include <vector>

namespace tarnel {
struct LibraryKind;
}

namespace tarnel::search {

struct SearchLibrary {
    std::string nickname;
    std::string path;
    const LibraryKind* kind = nullptr;
};

// A folder's libraries, each known by its name without the extension.
// error says why the folder cannot be read.
std::vector<SearchLibrary> LibrariesOfFolder(const std::string& folder, std::string& error);
// The rows of the tables that open (ok; not disabled, hidden or shadowed).
// notRead, when given, receives the rows that are ok but of a format no
// describer reads yet ("NICK (path)").
std::vector<SearchLibrary> LibrariesOfTables(const tables::LibraryTables& tables,
                                             std::vector<std::string>* notRead = nullptr);
// One line about those rows; empty when there are none.
std::string NotReadMessage(const std::vector<std::string>& notRead);

struct IndexReport {
    int libraries = 0;  // libraries indexed
    int items = 0;
    DescribeStats stats;
    bool stopped = false;  // progress asked to stop
};

// progress(i, count) before library i; returning false stops the run.
IndexReport BuildSearchIndex(const std::vector<SearchLibrary>& libraries, DescribeCache& cache, SearchIndex& index,
                             const std::function<bool(int, int)>& progress = {});

} // namespace tarnel::search
