#include "book/libraryplan.h"

#include "index/indexrun.h"
#include "library/footprintfolder.h"
#include "library/library.h"

#include <exception>

namespace tarnel::book {

namespace {

std::string TitleOf(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::vector<LibraryPlan> ListLibraries(const std::vector<std::string>& paths) {
    std::vector<LibraryPlan> out;
    out.reserve(paths.size());
    for (const std::string& path : paths) {
        LibraryPlan p;
        p.path = path;
        p.title = TitleOf(path);
        try {
            const auto lib = OpenLibrary(path);
            p.symbols = lib->Format() == LibraryFormat::Symbol || lib->Format() == LibraryFormat::KicadSym;
            p.names = lib->Names();
        } catch (const std::exception& e) {
            p.error = e.what();
            if (p.error.empty()) p.error = "não foi possível ler " + path;
        }
        out.push_back(std::move(p));
    }
    return out;
}

std::vector<std::string> FolderLibraries(const std::string& folder) {
    std::vector<std::string> out;
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    for (const std::string& n : ModFileNames(folder)) out.push_back(base + n);
    for (const std::string& n : SymbolLibraryFileNames(folder)) out.push_back(base + n);
    for (const std::string& n : FootprintFolderNames(folder)) out.push_back(base + n);
    return out;
}

} // namespace tarnel::book
