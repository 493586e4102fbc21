#include "library/footprintfolder.h"
#include "library/kicadsymbollibrary.h"
#include "library/legacylibrary.h"
#include "library/symbollibrary.h"

namespace tarnel {

std::unique_ptr<Library> OpenLibrary(const std::string& path) {
    if (IsFootprintFolderName(path)) return std::make_unique<FootprintFolder>(path);
    if (IsSymbolLibraryName(path)) return std::make_unique<SymbolLibrary>(path);
    if (IsKicadSymbolFolderName(path) || IsKicadSymbolFileName(path)) return std::make_unique<KicadSymbolLibrary>(path);
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
