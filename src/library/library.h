#pragma once
// A library as the program browses it: a legacy footprint library file
// ("*.mod"), a folder of current footprint files ("*.pretty"), a legacy
// symbol library file ("*.lib") or a current symbol library (a "*.kicad_sym"
// file or a "*.kicad_symdir" folder). Each lists its module (or symbol) names and
// gives one module's text lines on demand.
#include "library/moduletext.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarnel {

// Units of a module's command lines; a symbol's are mils.
enum class Units { Decimil, Millimetre, Mil };

enum class LibraryFormat { Legacy, KicadMod, Symbol, KicadSym };

class Library {
public:
    virtual ~Library() = default;
    const std::string& Path() const { return path_; }
    virtual LibraryFormat Format() const = 0;
    // Module names in list order.
    const std::vector<std::string>& Names() const { return names_; }
    // The text of the first module with this name (letter case ignored);
    // empty when there is none. Throws std::runtime_error naming the file
    // when it cannot be read.
    virtual ModuleText ReadModule(std::string_view name) = 0;
    // The same, as lines.
    std::vector<std::string> ModuleLines(std::string_view name) { return ReadModule(name).Lines(); }
    // Where the module's lines come from, for messages.
    virtual std::string ModuleSource(std::string_view name) const = 0;
    virtual Units LineUnits() const = 0;
    // Parts of the library left out because they could not be read (a
    // folder's damaged files), one line each naming the file and the fault.
    virtual std::vector<std::string> Faults() const { return {}; }

protected:
    explicit Library(std::string path) : path_(std::move(path)) {}
    std::string path_;
    std::vector<std::string> names_;
};

// True for a folder name ending in ".pretty" (letter case ignored).
bool IsFootprintFolderName(std::string_view name);
// True for a file name ending in ".kicad_mod" (letter case ignored).
bool IsFootprintFileName(std::string_view name);
// True for a file name ending in ".lib" (letter case ignored).
bool IsSymbolLibraryName(std::string_view name);

// Opens a library: a folder whose name ends in ".pretty" is a footprint
// folder, a "*.lib" file a symbol library, a "*.kicad_sym" file or a
// "*.kicad_symdir" folder a current symbol library, anything else a legacy
// footprint library file. Throws std::runtime_error naming the path when it cannot be
// read.
std::unique_ptr<Library> OpenLibrary(const std::string& path);

// Lines whose first non-blank character is "(" are a current footprint;
// anything else is legacy command lines.
bool LinesAreFootprint(const std::vector<std::string>& lines);
bool LinesAreFootprint(std::string_view text);

} // namespace tarnel
