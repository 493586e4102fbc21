#include "search/footprintdescriber.h"

#include "library/footprintfolder.h"
#include "library/library.h"
#include "library/libraryfolder.h"
#include "sexpr/sexpr.h"
#include "tokenizer/libtext.h"

#include <stdexcept>

namespace tarnel::search {

ItemFacts DescribeFootprintText(std::string_view bytes) {
    const sexpr::Document doc = sexpr::Document::Parse(bytes);
    const sexpr::Node root = doc.Root();
    if (root.Keyword() != "module" && root.Keyword() != "footprint") throw std::runtime_error("o arquivo não é um footprint");
    ItemFacts f;
    f.description = std::string(root.Find("descr").At(1).Text());
    f.keywords = std::string(root.Find("tags").At(1).Text());
    // Counted as the drawing counts them: numbered pads with copper to solder.
    f.pads = 0;
    for (sexpr::Node c = root.First(); c; c = c.Next()) {
        if (!c.IsList() || c.Keyword() != "pad") continue;
        const std::string_view type = c.At(2).Text();
        if (!c.At(1).Text().empty() && (type == "thru_hole" || type == "smd" || type == "connect")) ++f.pads;
    }
    return f;
}

bool FootprintFolderDescriber::Describes(const LibraryKind& kind) const { return kind.format == LibraryFormat::KicadMod; }

std::vector<ItemFacts> FootprintFolderDescriber::Describe(const std::string& path, DescribeCache& cache,
                                                          DescribeStats& stats) const {
    const FootprintFolder folder(path);
    std::vector<ItemFacts> out;
    out.reserve(folder.Names().size());
    int failed = 0;
    for (const std::string& name : folder.Names()) {
        const std::string file = folder.FilePath(name);
        const std::vector<FileStamp> stamps{StampOrNone(file)};
        if (const std::vector<ItemFacts>* kept = cache.Find(file, stamps); kept && kept->size() == 1) {
            out.push_back((*kept)[0]);
            out.back().name = name;
            failed += out.back().unreadable;
            ++stats.reused;
            continue;
        }
        ItemFacts f;
        try {
            f = DescribeFootprintText(ReadFileBytes(file));
        } catch (const std::exception&) {
            // Still found by its name; nothing more is known of it.
            f.unreadable = true;
            ++failed;
        }
        f.name = name;
        ++stats.read;
        cache.Put(file, stamps, {f});
        out.push_back(std::move(f));
    }
    if (failed)
        stats.problems.push_back(path + ": " + std::to_string(failed) +
                                 (failed == 1 ? " footprint não pôde ser lido" : " footprints não puderam ser lidos"));
    return out;
}

} // namespace tarnel::search
