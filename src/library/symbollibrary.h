#pragma once
// A legacy symbol library file ("*.lib"): one symbol per "DEF" … "ENDDEF"
// block, named by word 2 of its "DEF" line. It is read, cached and checked as
// a legacy footprint library is; its coordinates are mils.
#include "library/legacylibrary.h"

namespace tarnel {

class SymbolLibrary : public LegacyLibrary {
public:
    // Reads and scans the file; throws when it cannot be read.
    explicit SymbolLibrary(const std::string& path) : LegacyLibrary(path, kSymbolBlock) { units_ = Units::Mil; }
    LibraryFormat Format() const override { return LibraryFormat::Symbol; }
};

} // namespace tarnel
