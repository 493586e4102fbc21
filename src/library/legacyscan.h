#pragma once
// Scanning legacy library text: module names, declared units, and the lines
// of one module.
#include "library/library.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarnel {

std::vector<std::string> ScanModuleNames(std::string_view bytes);
Units ScanUnits(std::string_view bytes);
// Extracts the lines of the first module named name (letter case ignored).
std::vector<std::string> ExtractModuleLines(std::string_view bytes, std::string_view name);
// The same, starting at the "$MODULE" line at byte offset begin.
std::vector<std::string> ExtractModuleLinesAt(std::string_view bytes, size_t begin);
// Upper-cased trimmed names of the "$MODULE" lines -> offset of the first.
std::unordered_map<std::string, size_t> IndexModules(std::string_view bytes);

} // namespace tarnel
