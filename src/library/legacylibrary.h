#pragma once
// A legacy library file ("*.mod"): its text is read once and kept with an
// index of where each module starts, so a catalog does not read the file once
// per module. Every request re-opens the file: a vanished file is an error,
// and a changed one (size or modification time) is read again.
#include "library/legacyscan.h"
#include "library/library.h"
#include "util/filestamp.h"

#include <cstdint>
#include <string>
#include <unordered_map>

namespace tarnel {

class LegacyLibrary : public Library {
public:
    // Reads and scans the file; throws when it cannot be read.
    explicit LegacyLibrary(const std::string& path);
    LibraryFormat Format() const override { return LibraryFormat::Legacy; }
    ModuleText ReadModule(std::string_view name) override;
    std::string ModuleSource(std::string_view) const override { return path_; }
    Units LineUnits() const override { return units_; }
    // The file's bytes, through the cache.
    const std::string& Bytes() { return *Shared(); }

protected:
    // A library of other blocks in the same kind of file.
    LegacyLibrary(const std::string& path, const BlockKeywords& block);
    Units units_ = Units::Decimil;

private:
    const std::shared_ptr<const std::string>& Shared();
    BlockKeywords block_;
    // Shared with the module texts handed out, which keep it alive.
    FileCache<std::shared_ptr<const std::string>> bytes_;
    bool indexed_ = false;
    std::unordered_map<std::string, size_t> firstModule_;  // upper-cased name -> line offset
};

} // namespace tarnel
