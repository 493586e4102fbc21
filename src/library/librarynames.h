#pragma once
// The names of each kind of library in a folder, read through the one
// folder listing (library/libraryfolder.h), for callers that need names only.
#include <string>
#include <vector>

namespace tarnel {

// The names of one kind of library in a folder; empty when it cannot be read.
std::vector<std::string> ModFileNames(const std::string& folder);
std::vector<std::string> SymbolLibraryFileNames(const std::string& folder);
std::vector<std::string> FootprintFolderNames(const std::string& folder);
// The footprint libraries of a folder in list order: the "*.mod" files, then
// the ".pretty" folders (the component index's list).
std::vector<std::string> LibraryNames(const std::string& folder);

} // namespace tarnel
