#include "library/libraryfolder.h"

#include "library/library.h"

#include "library/footprintfolder.h"
#include "library/kicadsymbollibrary.h"
#include "library/legacylibrary.h"
#include "library/symbollibrary.h"
#include "tokenizer/libtext.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tarnel {

namespace {

template <class T>
std::unique_ptr<Library> Open(const std::string& path) {
    return std::make_unique<T>(path);
}

constexpr LibraryKind kKinds[] = {
    {".mod", false, LibraryFormat::Legacy, Open<LegacyLibrary>},
    {".lib", false, LibraryFormat::Symbol, Open<SymbolLibrary>},
    {".kicad_sym", false, LibraryFormat::KicadSym, Open<KicadSymbolLibrary>},
    {".pretty", true, LibraryFormat::KicadMod, Open<FootprintFolder>},
    {".kicad_symdir", true, LibraryFormat::KicadSym, Open<KicadSymbolLibrary>},
};

std::string_view WithoutClosingSlash(std::string_view name) {
    while (name.size() > 1 && name.back() == '/') name.remove_suffix(1);
    return name;
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && EqualsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

std::vector<std::string> NamesOf(const std::string& folder, LibraryFormat format, bool folders) {
    std::vector<std::string> out;
    for (FolderLibrary& l : ListFolderLibraries(folder).libraries)
        if (l.kind->format == format && l.kind->folder == folders) out.push_back(std::move(l.name));
    return out;
}

} // namespace

std::span<const LibraryKind> LibraryKinds() { return kKinds; }

const LibraryKind* LibraryKindOfName(std::string_view name) {
    name = WithoutClosingSlash(name);
    const size_t slash = name.find_last_of('/');
    const std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
    for (const LibraryKind& k : kKinds)
        if (EndsWithNoCase(last, k.suffix)) return &k;
    return nullptr;
}

const LibraryKind* LibraryKindOfPath(const std::string& path) {
    const LibraryKind* k = LibraryKindOfName(path);
    struct stat st {};
    if (!k || stat(path.c_str(), &st) != 0) return nullptr;
    return (k->folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode)) ? k : nullptr;
}

FolderListing ListFolderLibraries(const std::string& folder) {
    FolderListing out;
    const std::string dirPath = folder.empty() ? std::string(".") : folder;
    DIR* dir = opendir(dirPath.c_str());
    if (!dir) {
        out.error = "a pasta \"" + dirPath + "\" não pode ser lida: " + std::strerror(errno);
        return out;
    }
    for (;;) {
        errno = 0;
        const dirent* e = readdir(dir);
        if (!e) break;
        const std::string_view name = e->d_name;
        if (name.empty() || name[0] == '.') continue;
        const LibraryKind* k = LibraryKindOfName(name);
        if (!k) continue;
        bool isDir = e->d_type == DT_DIR, isFile = e->d_type == DT_REG;
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            // Only a regular file or a folder, behind a link or not: a FIFO
            // would block the reader, a device be read without end.
            struct stat st {};
            const bool found = stat((dirPath + "/" + e->d_name).c_str(), &st) == 0;
            isDir = found && S_ISDIR(st.st_mode);
            isFile = found && S_ISREG(st.st_mode);
        }
        if (k->folder ? isDir : isFile) out.libraries.push_back({std::string(name), k});
    }
    const int err = errno;  // set by readdir only when it failed
    closedir(dir);
    if (err) out.error = "erro ao ler a pasta \"" + dirPath + "\": " + std::strerror(err);
    auto rank = [](const LibraryKind* k) { return k - kKinds; };
    std::sort(out.libraries.begin(), out.libraries.end(), [&](const FolderLibrary& a, const FolderLibrary& b) {
        if (a.kind != b.kind) return rank(a.kind) < rank(b.kind);
        const std::string ua = UpperAscii(a.name), ub = UpperAscii(b.name);
        return ua != ub ? ua < ub : a.name < b.name;
    });
    return out;
}

std::vector<std::string> ModFileNames(const std::string& folder) { return NamesOf(folder, LibraryFormat::Legacy, false); }
std::vector<std::string> SymbolLibraryFileNames(const std::string& folder) { return NamesOf(folder, LibraryFormat::Symbol, false); }
std::vector<std::string> FootprintFolderNames(const std::string& folder) { return NamesOf(folder, LibraryFormat::KicadMod, true); }
std::vector<std::string> KicadSymbolFileNames(const std::string& folder) { return NamesOf(folder, LibraryFormat::KicadSym, false); }
std::vector<std::string> KicadSymbolFolderNames(const std::string& folder) { return NamesOf(folder, LibraryFormat::KicadSym, true); }

std::vector<std::string> LibraryNames(const std::string& folder) {
    std::vector<std::string> out;
    for (FolderLibrary& l : ListFolderLibraries(folder).libraries)
        if (l.kind->format != LibraryFormat::Symbol) out.push_back(std::move(l.name));
    return out;
}

} // namespace tarnel
