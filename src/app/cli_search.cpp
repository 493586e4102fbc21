// tarnel-cli search: items found by words across a folder's libraries or
// the libraries of the KiCad tables.
#include "app/cli.h"
#include "app/cli_kicad.h"
#include "search/indexbuilder.h"

#include <sys/stat.h>

#include <cstdio>
#include <stdexcept>

using namespace tarnel;
using namespace tarnel::cli;
using namespace tarnel::search;

namespace {

// One line per hit: tabs and line ends inside a text become blanks.
std::string OneLine(std::string s) {
    for (char& c : s)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return s;
}

int Search(const Args& args) {
    Args a = args;
    std::string pads, pins, limit;
    SearchFilters filters;
    size_t most = 0;
    if (TakeOption(a, "--pads", pads)) filters.pads = ParseIntArg(pads, "--pads", 0, 1000000);
    if (TakeOption(a, "--pins", pins)) filters.pins = ParseIntArg(pins, "--pins", 0, 1000000);
    if (TakeOption(a, "--limit", limit)) most = static_cast<size_t>(ParseIntArg(limit, "--limit", 1, 100000000));
    const tables::TableOptions options = TakeTableOptions(a);
    for (const std::string& s : a)
        if (s.size() > 2 && s.rfind("--", 0) == 0) throw UsageError{"unknown option \"" + s + "\""};
    if (a.empty() || a.size() > 2) throw UsageError{"expects QUERY [--config DIR | FOLDER]"};
    if (a.size() == 2 && !options.configFolder.empty()) throw UsageError{"give --config DIR or FOLDER, not both"};

    std::vector<SearchLibrary> libraries;
    if (a.size() == 2) {
        struct stat st {};
        if (stat(a[1].c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) throw std::runtime_error("no folder \"" + a[1] + "\"");
        std::string error;
        libraries = LibrariesOfFolder(a[1], error);
        if (!error.empty()) throw std::runtime_error(error);
    } else {
        std::vector<std::string> notRead;
        libraries = LibrariesOfTables(LoadTables(options), &notRead);
        if (!notRead.empty()) std::fprintf(stderr, "%s\n", NotReadMessage(notRead).c_str());
    }

    DescribeCache cache;
    const std::string cacheFile = DefaultCacheFile();
    std::string why;
    if (!cache.Load(cacheFile, why)) std::fprintf(stderr, "%s\n", why.c_str());
    SearchIndex index;
    const IndexReport report = BuildSearchIndex(libraries, cache, index);
    for (const std::string& p : report.stats.problems) std::fprintf(stderr, "%s\n", p.c_str());
    if (cache.Changed()) {
        try {
            cache.Save(cacheFile);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "cache not saved: %s\n", e.what());  // the search itself went well
        }
    }
    for (const SearchHit& h : index.Search(a[0], filters, most))
        std::printf("%s\t%s\n", OneLine(index.FullName(h.item)).c_str(), OneLine(index.Item(h.item).facts.description).c_str());
    return 0;
}

Verb searchVerb("search",
                "QUERY [--config DIR | FOLDER] [--project DIR] [--pads N] [--pins N] [--limit N]   "
                "(NICK:NAME<TAB>description, best first)",
                Search, false);

} // namespace
