#pragma once
// Scanning legacy library text: module names, declared units, and the lines
// of one module. A symbol library ("*.lib") is scanned the same way, with its
// own block keywords.
#include "library/library.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarnel {

// The keywords (word 1 of a line, trimmed, letter case ignored) that open and
// close a block; word 2 of the opening line names it.
struct BlockKeywords {
    std::string_view open, close;
};
inline constexpr BlockKeywords kModuleBlock{"$MODULE", "$ENDMODULE"};
inline constexpr BlockKeywords kSymbolBlock{"DEF", "ENDDEF"};

// Word 2 of every opening line, unchanged, in file order.
std::vector<std::string> ScanBlockNames(std::string_view bytes, const BlockKeywords& block);
inline std::vector<std::string> ScanModuleNames(std::string_view bytes) { return ScanBlockNames(bytes, kModuleBlock); }
inline std::vector<std::string> ScanSymbolNames(std::string_view bytes) { return ScanBlockNames(bytes, kSymbolBlock); }
Units ScanUnits(std::string_view bytes);
// Extracts the lines of the first module named name (letter case ignored).
std::vector<std::string> ExtractModuleLines(std::string_view bytes, std::string_view name);
// The lines of the block whose opening line starts at byte offset begin, to
// its closing line.
std::vector<std::string> ExtractModuleLinesAt(std::string_view bytes, size_t begin,
                                              const BlockKeywords& block = kModuleBlock);
// The bytes of the same lines: from begin to the end of the closing line
// (its line end left out), or to where the text ends.
std::string_view ModuleSpanAt(std::string_view bytes, size_t begin, const BlockKeywords& block = kModuleBlock);
// Upper-cased trimmed names of the opening lines -> offset of the first.
std::unordered_map<std::string, size_t> IndexModules(std::string_view bytes,
                                                     const BlockKeywords& block = kModuleBlock);

} // namespace tarnel
