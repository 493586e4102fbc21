#include "catalogs/catalogcursor.h"

#include "tokenizer/libtext.h"

namespace tarnel {

void CatalogCursor::zerarparaimprimir(const std::string& name) {
    const std::string u = UpperAscii(name);
    if (u != "QR_LISTA" && u != "QR_FIG") return;
    RecordsLeft = static_cast<int>(core_.ModuleList().size());
    core_.ResetSymbolView();  // every symbol in unit 1, style 1
    core_.SetItemIndex(core_.ModuleList().empty() ? -1 : 0);  // selecting renders nothing
}

void CatalogCursor::SetLibrary(const std::string& libraryPath) {
    const std::string folder = FolderOf(libraryPath);
    const std::string file = FileNameOf(libraryPath);
    DocFilePath = folder + "/" + DocFileName(file);
    const size_t dot = file.find_last_of('.');
    MdcFilePath = folder + "/" + (dot == std::string::npos ? file : file.substr(0, dot)) + ".mdc";
}

std::string CatalogCursor::SelectedName() const {
    const int i = core_.ItemIndex();
    return (i >= 0 && static_cast<size_t>(i) < core_.ModuleList().size()) ? core_.ModuleList()[static_cast<size_t>(i)]
                                                                       : std::string();
}

std::string CatalogCursor::Description(const std::string& name) {
    const Library* lib = core_.CurrentLibrary();
    if (lib && (lib->Format() == LibraryFormat::KicadMod || lib->Format() == LibraryFormat::KicadSym)) {
        const std::string& status = core_.Status();
        if (status.empty()) return core_.FootprintDescription();
        // The cell is narrow: the file's name, not its whole path.
        const std::string& src = core_.LinesSource();
        if (!src.empty() && status.rfind(src, 0) == 0) return FileNameOf(src) + status.substr(src.size());
        return status;
    }
    descriptions_.SetFiles(DocFilePath, MdcFilePath);
    return descriptions_.Describe(name, core_.Lines());
}

bool CatalogCursor::Selected() const {
    return core_.ItemIndex() >= 0 && static_cast<size_t>(core_.ItemIndex()) < core_.ModuleList().size();
}

bool CatalogCursor::Advance() {
    if (RecordsLeft > 0) {
        --RecordsLeft;
        core_.SetItemIndex(core_.ItemIndex() + 1);  // past the last entry the list has no selection
        return true;
    }
    return false;
}

bool CatalogCursor::QR_FIGNeedData(FigCell& cell, Canvas& picture) {
    const bool selected = Selected();
    core_.ListBox1Click();
    // The cell's pad label counts the pads drawn.
    const std::string pads = std::to_string(core_.PadCount());
    cell.Scale = ScaleCaption(FitDrawing(core_, picture));
    cell.Name = SelectedName();
    // A symbol has pins, not pads: a legacy one's cell has no pad count, a
    // current one's its pin count.
    const Library* lib = core_.CurrentLibrary();
    const bool current = core_.LinesAreKicadSym();
    cell.Pads = current ? PinCaption(core_.LastFigure().symbol.pinTotal)
                : lib && lib->Format() == LibraryFormat::Symbol ? std::string()
                                                                : PadCaption(pads);
    cell.Alias = current ? SymbolViewCaption(core_.LastFigure().symbol) : core_.AliasLine();
    cell.Description = selected ? Description(cell.Name) : std::string();
    if (Advance()) return true;
    if (ShowInfo) ShowInfo("Catálogo gerado!");
    return false;
}

bool CatalogCursor::QuickRepNeedData(ListRow& row) {
    const bool selected = Selected();
    core_.ListBox1Click();
    row.Name = SelectedName();
    row.Alias = core_.LinesAreKicadSym() ? SymbolViewCaption(core_.LastFigure().symbol) : core_.AliasLine();
    row.Description = selected ? Description(row.Name) : std::string();
    return Advance();
}

} // namespace tarnel
