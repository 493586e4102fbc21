#include "book/entryreader.h"

#include "catalogs/catalogdata.h"
#include "library/library.h"
#include "viewer/figurereader.h"

#include <exception>
#include <memory>

namespace tarnel::book {

struct EntryReader::Open {
    size_t library = 0;
    std::unique_ptr<Library> lib;
    std::string error;
    DescriptionSource descriptions;
};

EntryReader::EntryReader(const std::vector<LibraryPlan>& plan) : plan_(plan) {}
EntryReader::~EntryReader() = default;

void EntryReader::Read(size_t library, size_t index, BookEntry& out) {
    out.library = library;
    out.index = index;
    out.description.clear();
    out.error.clear();
    out.figure.Clear();
    const LibraryPlan& plan = plan_[library];
    if (!open_ || open_->library != library) {
        open_ = std::make_unique<Open>();
        open_->library = library;
        try {
            open_->lib = OpenLibrary(plan.path);
        } catch (const std::exception& e) {
            open_->error = e.what();
        }
        // Legacy libraries describe their modules in files beside them.
        const std::string folder = FolderOf(plan.path), file = FileNameOf(plan.path);
        const size_t dot = file.find_last_of('.');
        open_->descriptions.SetFiles(folder + "/" + DocFileName(file),
                                     folder + "/" + (dot == std::string::npos ? file : file.substr(0, dot)) + ".mdc");
    }
    if (!open_->lib) {
        out.error = open_->error;
        return;
    }
    if (index >= plan.names.size()) return;
    const std::string& name = plan.names[index];
    Library& lib = *open_->lib;
    figure::ReadOptions options;
    options.textMode = 2;
    options.drawArcs = true;
    try {
        if (lib.Format() == LibraryFormat::KicadSym) {
            // Read with its library, for the symbols it extends.
            ReadLibraryFigure(lib, name, options, out.figure);
            out.description = out.figure.fields.description;
        } else {
            const ModuleText text = lib.ReadModule(name);
            try {
                ReadTextFigure(text, lib.LineUnits(), options, out.figure);
            } catch (const std::exception& e) {
                throw std::runtime_error(lib.ModuleSource(name) + ": " + e.what());
            }
            if (lib.Format() == LibraryFormat::KicadMod) out.description = out.figure.fields.description;
            else out.description = open_->descriptions.Describe(name, text);
        }
    } catch (const std::exception& e) {
        out.figure.Clear();
        out.error = e.what();
        // The cell is narrow: the footprint's file name, not its whole path.
        const std::string prefix = plan.path + "/";
        if (out.error.rfind(prefix, 0) == 0) out.error.erase(0, prefix.size());
        if (out.error.empty()) out.error = "não foi possível ler " + name;
    }
}

} // namespace tarnel::book
