#include "library/legacylibrary.h"

#include "library/legacyscan.h"
#include "tokenizer/libtext.h"

#include <stdexcept>

namespace tarnel {

LegacyLibrary::LegacyLibrary(const std::string& path) : LegacyLibrary(path, kModuleBlock) { units_ = ScanUnits(Bytes()); }

LegacyLibrary::LegacyLibrary(const std::string& path, const BlockKeywords& block) : Library(path), block_(block) {
    names_ = ScanBlockNames(Bytes(), block_);
}

const std::string& LegacyLibrary::Bytes() {
    // Looked at, not opened: a missing or special file is an error here.
    return bytes_.Get(StatReadableFile(path_), [&] {
        indexed_ = false;
        firstModule_.clear();
        return ReadFileBytes(path_);
    });
}

std::vector<std::string> LegacyLibrary::ModuleLines(std::string_view name) {
    const std::string& bytes = Bytes();
    if (!indexed_) {
        firstModule_ = IndexModules(bytes, block_);
        indexed_ = true;
    }
    auto it = firstModule_.find(UpperAscii(name));
    if (it == firstModule_.end()) return {};
    return ExtractModuleLinesAt(bytes, it->second, block_);
}

} // namespace tarnel
