#pragma once
// A folder of current footprint files ("NAME.pretty"): one footprint per
// "*.kicad_mod" file directly in it, named by its file name. Listing reads
// the folder only; a footprint's file is read when its lines are asked for.
#include "library/library.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace tarnel {

// The largest footprint file read.
constexpr int64_t kMaxFootprintBytes = int64_t(64) << 20;

class FootprintFolder : public Library {
public:
    // Lists the folder; throws when it cannot be read.
    explicit FootprintFolder(const std::string& path);
    LibraryFormat Format() const override { return LibraryFormat::KicadMod; }
    ModuleText ReadModule(std::string_view name) override;
    std::string ModuleSource(std::string_view name) const override;
    Units LineUnits() const override { return Units::Millimetre; }
    // The footprint file named name, or else of the first name equal to it
    // with letter case ignored; empty when there is none.
    std::string FilePath(std::string_view name) const;

private:
    std::vector<std::string> files_;  // file names, in the order of names_
    std::unordered_map<std::string, size_t> byName_;  // name -> index
    std::unordered_map<std::string, size_t> byKey_;   // upper-cased name -> first index
};

} // namespace tarnel
