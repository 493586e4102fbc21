#include "library/legacylibrary.h"
#include "library/libraryfolder.h"

namespace tarnel {

std::unique_ptr<Library> OpenLibrary(const std::string& path) {
    if (const LibraryKind* k = LibraryKindOfName(path)) return k->open(path);
    return std::make_unique<LegacyLibrary>(path);
}

bool LinesAreFootprint(const std::vector<std::string>& lines) {
    for (const auto& l : lines)
        for (unsigned char c : l) {
            if (c <= ' ') continue;
            return c == '(';
        }
    return false;
}

bool LinesAreFootprint(std::string_view text) {
    for (unsigned char c : text) {
        if (c <= ' ') continue;
        return c == '(';
    }
    return false;
}

} // namespace tarnel
