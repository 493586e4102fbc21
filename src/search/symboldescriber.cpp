#include "search/symboldescriber.h"

#include "library/kicadsymbollibrary.h"
#include "library/library.h"
#include "library/libraryfolder.h"
#include "symbol/summary.h"

#include <dirent.h>

#include <algorithm>

namespace tarnel::search {

namespace {

// The stamps a library's facts depend on: the file, or every symbol file of
// the folder by name order (a file added, removed or changed shows).
std::vector<FileStamp> LibraryStamps(const std::string& path, bool folder) {
    if (!folder) return {StampOrNone(path)};
    std::vector<std::string> files;
    if (DIR* d = opendir(path.c_str())) {
        while (const dirent* e = readdir(d))
            if (IsKicadSymbolFileName(e->d_name) && e->d_name[0] != '.') files.emplace_back(e->d_name);
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    std::vector<FileStamp> stamps{StampOrNone(path)};
    stamps.reserve(files.size() + 1);
    for (const std::string& f : files) stamps.push_back(StampOrNone(path + "/" + f));
    return stamps;
}

} // namespace

bool KicadSymbolDescriber::Describes(const LibraryKind& kind) const { return kind.format == LibraryFormat::KicadSym; }

std::vector<ItemFacts> KicadSymbolDescriber::Describe(const std::string& path, DescribeCache& cache,
                                                      DescribeStats& stats) const {
    const std::vector<FileStamp> stamps = LibraryStamps(path, IsKicadSymbolFolderName(path));
    if (const std::vector<ItemFacts>* kept = cache.Find(path, stamps)) {
        ++stats.reused;
        return *kept;
    }
    KicadSymbolLibrary lib(path);
    std::vector<ItemFacts> out;
    out.reserve(lib.Names().size());
    int failed = 0;
    for (symbol::SymbolSummary& s : symbol::SummarizeLibrary(lib)) {
        ItemFacts f;
        f.name = std::move(s.name);
        if (s.pins < 0) {
            // Found by its name; its description is the reason it cannot be drawn.
            f.unreadable = true;
            ++failed;
        } else {
            f.description = std::move(s.description);
            f.keywords = std::move(s.keywords);
            f.pins = s.pins;
        }
        out.push_back(std::move(f));
    }
    if (failed)
        stats.problems.push_back(path + ": " + std::to_string(failed) +
                                 (failed == 1 ? " símbolo não pôde ser lido" : " símbolos não puderam ser lidos"));
    ++stats.read;
    cache.Put(path, stamps, out);
    return out;
}

} // namespace tarnel::search
