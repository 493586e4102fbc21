#pragma once
// The libraries a vector catalog covers, listed before anything is drawn:
// names in list order, or why a library cannot be read.
#include <string>
#include <vector>

namespace tarnel::book {

struct LibraryPlan {
    std::string path;   // as given
    std::string title;  // its file or folder name
    bool symbols = false;
    std::vector<std::string> names;
    std::string error;  // why it cannot be read (no names then)
};

// Opens and lists each library; one that cannot be read keeps its place
// with the reason.
std::vector<LibraryPlan> ListLibraries(const std::vector<std::string>& paths);

// Every library of a folder in the main window's order: the "*.mod" files,
// the "*.lib" symbol libraries, then the ".pretty" folders.
std::vector<std::string> FolderLibraries(const std::string& folder);

} // namespace tarnel::book
