#include "library/legacylibrary.h"

#include "library/legacyscan.h"
#include "tokenizer/libtext.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace tarnel {

LegacyLibrary::LegacyLibrary(const std::string& path) : Library(path) {
    const std::string& bytes = Bytes();
    names_ = ScanModuleNames(bytes);
    units_ = ScanUnits(bytes);
}

const std::string& LegacyLibrary::Bytes() {
    FILE* f = std::fopen(path_.c_str(), "rb");
    if (!f) throw std::runtime_error("Cannot open file \"" + path_ + "\". " + std::strerror(errno));
    struct stat st {};
    const bool statOk = fstat(fileno(f), &st) == 0;
    std::fclose(f);
    const int64_t mtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    if (statOk && cached_ && size_ == static_cast<int64_t>(st.st_size) && mtime_ == mtime) return bytes_;
    cached_ = false;
    indexed_ = false;
    firstModule_.clear();
    bytes_ = ReadFileBytes(path_);
    if (statOk) {
        cached_ = true;
        size_ = static_cast<int64_t>(st.st_size);
        mtime_ = mtime;
    }
    return bytes_;
}

std::vector<std::string> LegacyLibrary::ModuleLines(std::string_view name) {
    const std::string& bytes = Bytes();
    if (!indexed_) {
        firstModule_ = IndexModules(bytes);
        indexed_ = true;
    }
    auto it = firstModule_.find(UpperAscii(name));
    if (it == firstModule_.end()) return {};
    return ExtractModuleLinesAt(bytes, it->second);
}

} // namespace tarnel
