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

// Where a line stands in the blocks of legacy text.
enum class BlockLine { Outside, Open, Inside, Close };

// The grammar of legacy blocks, read a line at a time: an opening line
// outside a block opens one; from there every line belongs to it, up to and
// including the closing line (an opening line inside a block is just one of
// its lines). Everything that lists, extracts, indexes or describes blocks
// reads them through this.
class BlockReader {
public:
    explicit BlockReader(const BlockKeywords& block = kModuleBlock) : block_(block) {}
    // The line's place, given the lines fed before it.
    BlockLine Feed(std::string_view line);
    bool InBlock() const { return in_; }
    // Whether word 1 of the line is the opening (closing) keyword.
    bool Opens(std::string_view line) const;
    bool Closes(std::string_view line) const;
    // The block's name: word 2 of its opening line, as written.
    static std::string_view Name(std::string_view openingLine);

private:
    BlockKeywords block_;
    bool in_ = false;
};

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
