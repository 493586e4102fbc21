#pragma once
// Finds the symbols of a current KiCad symbol file ("(kicad_symbol_lib …)")
// without reading them: one pass over the bytes that checks the whole file is
// one well-formed list and notes where each top-level "(symbol NAME …)" lies.
// No recursion and no tree: the cost is the bytes read, the memory the names.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarnel {

// The newest symbol file version known; a file without "(version N)" is read
// as this one.
constexpr double kNewestSymbolVersion = 20251024;
// Lists nested deeper than this, or files larger, are refused.
constexpr int kMaxSymbolDepth = 200;
constexpr int64_t kMaxSymbolFileBytes = int64_t(64) << 20;

struct ScannedSymbol {
    std::string name;             // as listed
    uint32_t begin = 0, end = 0;  // its "(symbol …)" list: bytes [begin, end)
};

struct SymbolFileScan {
    double version = kNewestSymbolVersion;
    std::vector<ScannedSymbol> symbols;  // in file order, repeats kept
};

// Scans bytes (a UTF-8 byte order mark first is skipped). Throws
// std::runtime_error "linha N: what is wrong" when they are not one
// "(kicad_symbol_lib …)" list within the limits.
SymbolFileScan ScanSymbolFile(std::string_view bytes);

} // namespace tarnel
