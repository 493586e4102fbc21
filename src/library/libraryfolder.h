#pragma once
// Which names in a folder are libraries, and how each kind opens: one table
// of kinds, in the order the file list shows them. A new kind of library
// (a symbol file, a symbol folder) is one more line in that table.
#include "library/librarynames.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnel {

class Library;
enum class LibraryFormat;

struct LibraryKind {
    std::string_view suffix;  // the name's ending, letter case ignored
    bool folder;              // a folder; otherwise a regular file (or a link to one)
    LibraryFormat format;
    // Opens one; throws std::runtime_error naming the path.
    std::unique_ptr<Library> (*open)(const std::string& path);
};

// Every kind, in list order: legacy footprint files, legacy symbol files,
// current symbol files, footprint folders, current symbol folders.
std::span<const LibraryKind> LibraryKinds();

// The kind a name ends with (a closing "/" aside), by its name alone; null
// when it names no kind of library.
const LibraryKind* LibraryKindOfName(std::string_view name);
// The kind of what path is on disk: its name's kind, and a folder for a
// folder kind, a regular file for a file kind. Null otherwise (missing, a
// FIFO, a device, a file where a folder belongs).
const LibraryKind* LibraryKindOfPath(const std::string& path);

struct FolderLibrary {
    std::string name;  // file-system bytes, no folder
    const LibraryKind* kind = nullptr;
};

struct FolderListing {
    // Grouped by kind in list order; within a kind by the names'
    // upper-cased bytes, then their bytes. Hidden names (a leading ".") are
    // left out, as are special files.
    std::vector<FolderLibrary> libraries;
    std::string error;  // why the folder could not be read; empty when it was
    bool ok() const { return error.empty(); }
};

// Reads the folder once; a link counts as what it points to.
FolderListing ListFolderLibraries(const std::string& folder);

} // namespace tarnel
