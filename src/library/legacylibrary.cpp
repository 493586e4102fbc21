#include "library/legacylibrary.h"

#include "library/legacyscan.h"
#include "tokenizer/libtext.h"

#include <stdexcept>

namespace tarnel {

LegacyLibrary::LegacyLibrary(const std::string& path) : LegacyLibrary(path, kModuleBlock) { units_ = ScanUnits(Bytes()); }

LegacyLibrary::LegacyLibrary(const std::string& path, const BlockKeywords& block) : Library(path), block_(block) {
    names_ = ScanBlockNames(Bytes(), block_);
}

const std::shared_ptr<const std::string>& LegacyLibrary::Shared() {
    // Looked at, not opened: a missing or special file is an error here.
    return bytes_.Get(StatReadableFile(path_), [&] {
        indexed_ = false;
        firstModule_.clear();
        return std::make_shared<const std::string>(ReadFileBytes(path_));
    });
}

ModuleText LegacyLibrary::ReadModule(std::string_view name) {
    const std::shared_ptr<const std::string> bytes = Shared();
    if (!indexed_) {
        firstModule_ = IndexModules(*bytes, block_);
        indexed_ = true;
    }
    auto it = firstModule_.find(UpperAscii(name));
    if (it == firstModule_.end()) return {};
    const std::string_view span = ModuleSpanAt(*bytes, it->second, block_);
    return ModuleText(bytes, span, ModuleText::Kind::Lines);
}

} // namespace tarnel
