#include "search/indexbuilder.h"

#include "library/libraryfolder.h"
#include "search/describer.h"

#include <unistd.h>

#include <climits>

namespace tarnel::search {

std::vector<SearchLibrary> LibrariesOfFolder(const std::string& folder, std::string& error) {
    FolderListing listing = ListFolderLibraries(folder);
    error = listing.error;
    std::vector<SearchLibrary> out;
    // Whole paths: they name the files in the cache, whatever the current folder.
    std::string base = folder.empty() ? std::string(".") : folder;
    if (base[0] != '/') {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd)) base = std::string(cwd) + (base == "." ? "" : "/" + base);
    }
    for (FolderLibrary& l : listing.libraries) {
        const std::string nickname = l.name.substr(0, l.name.size() - l.kind->suffix.size());
        out.push_back({nickname, base + (base.back() == '/' ? "" : "/") + l.name, l.kind});
    }
    return out;
}

std::vector<SearchLibrary> LibrariesOfTables(const tables::LibraryTables& t, std::vector<std::string>* notRead) {
    std::vector<SearchLibrary> out;
    for (const tables::LibraryRow& r : t.rows) {
        if (r.state != tables::RowState::Ok || r.IsTable()) continue;
        if (r.library && DescriberFor(*r.library)) out.push_back({r.nickname, r.path, r.library});
        else if (notRead) notRead->push_back(r.nickname + " (" + r.path + ")");
    }
    return out;
}

std::string NotReadMessage(const std::vector<std::string>& notRead) {
    if (notRead.empty()) return {};
    return std::to_string(notRead.size()) +
           (notRead.size() == 1 ? " biblioteca ficou de fora: o Tarnel ainda não lê seu formato ("
                                : " bibliotecas ficaram de fora: o Tarnel ainda não lê seu formato (") +
           notRead.front() + (notRead.size() > 1 ? ", …)" : ")");
}

IndexReport BuildSearchIndex(const std::vector<SearchLibrary>& libraries, DescribeCache& cache, SearchIndex& index,
                             const std::function<bool(int, int)>& progress) {
    IndexReport report;
    index.Clear();
    const int count = static_cast<int>(libraries.size());
    for (int i = 0; i < count; ++i) {
        if (progress && !progress(i, count)) {
            report.stopped = true;
            break;
        }
        const SearchLibrary& l = libraries[static_cast<size_t>(i)];
        const LibraryDescriber* d = l.kind ? DescriberFor(*l.kind) : nullptr;
        if (!d) {
            report.stats.problems.push_back(l.nickname + ": formato não indexado (" + l.path + ")");
            continue;
        }
        std::vector<ItemFacts> items;
        try {
            items = d->Describe(l.path, cache, report.stats);
        } catch (const std::exception& e) {
            report.stats.problems.push_back(l.nickname + ": " + e.what());
            continue;
        }
        const uint32_t lib = index.AddLibrary({l.nickname, l.path, d->Kind()});
        for (ItemFacts& f : items) index.Add(lib, std::move(f));
        ++report.libraries;
        report.items += static_cast<int>(items.size());
    }
    return report;
}

} // namespace tarnel::search
