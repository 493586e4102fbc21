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
std::vector<std::string> KicadSymbolFileNames(const std::string& folder);
std::vector<std::string> KicadSymbolFolderNames(const std::string& folder);
// The libraries the component index takes, in list order: the "*.mod" files,
// the "*.kicad_sym" files, the ".pretty" folders, the ".kicad_symdir" folders.
std::vector<std::string> LibraryNames(const std::string& folder);

} // namespace tarnel
