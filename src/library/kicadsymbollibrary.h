#pragma once
// A current KiCad symbol library: one "*.kicad_sym" file, or a
// "*.kicad_symdir" folder whose "*.kicad_sym" files together form one
// library. Opening scans each file once for its top-level symbols without
// reading them; a symbol's text is handed over when it is asked for, and a
// symbol it extends is looked up by name across the files then.
#include "library/library.h"
#include "library/symbolscan.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "library/librarynames.h"

namespace tarnel {

// True for a file name ending in ".kicad_sym", a folder name ending in
// ".kicad_symdir" (letter case ignored; a folder name may end in "/").
bool IsKicadSymbolFileName(std::string_view name);
bool IsKicadSymbolFolderName(std::string_view name);

// A folder's "*.kicad_sym" files and "*.kicad_symdir" folders are listed by
// library/librarynames.h.

// One symbol's text as its library hands it over.
struct SymbolSource {
    ModuleText text;      // the "(symbol …)" list, bytes of its file
    double version = 0;   // of the file that holds it
    std::string file;     // that file's path
};

class KicadSymbolLibrary : public Library {
public:
    // A folder whose name ends in ".kicad_symdir" is read as a folder
    // library, anything else as one file. Throws std::runtime_error naming
    // the file and the fault when a file library, or the folder itself,
    // cannot be read; a folder's unreadable files are left out and named in
    // Faults().
    explicit KicadSymbolLibrary(const std::string& path);
    // A file library from bytes in memory, named path in messages.
    KicadSymbolLibrary(std::string bytes, const std::string& path);

    LibraryFormat Format() const override { return LibraryFormat::KicadSym; }
    // The listed symbol (the exact name first, else the first in list order
    // equal to it with ASCII letter case ignored): its "(symbol …)" text.
    ModuleText ReadModule(std::string_view name) override;
    std::string ModuleSource(std::string_view name) const override;
    Units LineUnits() const override { return Units::Millimetre; }
    std::vector<std::string> Faults() const override { return faults_; }

    bool IsFolder() const { return folder_; }
    // The name as listed that name chooses (as ReadModule finds it); empty
    // when none.
    std::string ListedName(std::string_view name) const;
    // The symbol named exactly name; false when the library has none. Throws
    // std::runtime_error naming the file when a folder's file cannot be read
    // again.
    bool FindSymbol(std::string_view name, SymbolSource& out);
    // Every symbol of the library once (its last definition), file by file,
    // each file read once: fn(name, source). A file that cannot be read
    // again is skipped.
    void ForEachSymbol(const std::function<void(const std::string&, const SymbolSource&)>& fn);

private:
    struct File {
        std::string path;
        double version = kNewestSymbolVersion;
        std::shared_ptr<const std::string> bytes;  // kept for a file library only
    };
    struct Where {
        uint32_t file = 0, begin = 0, end = 0;
    };
    void Add(uint32_t file, const SymbolFileScan& scan);
    void Finish();
    // The file's bytes and where its symbols lie now.
    std::shared_ptr<const std::string> Bytes(uint32_t file, SymbolFileScan* scan);

    bool folder_ = false;
    std::vector<File> files_;
    std::unordered_map<std::string, Where> byName_;  // the last definition of each name
    std::unordered_map<std::string, size_t> byKey_;  // upper-cased name -> first in list order
    std::vector<std::string> faults_;
};

// The text of the symbol named exactly name in the file at path, read now;
// empty when the file has none. Throws std::runtime_error naming the file.
std::string ReadSymbolText(const std::string& path, std::string_view name);

} // namespace tarnel
