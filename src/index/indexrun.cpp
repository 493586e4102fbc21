#include "index/indexrun.h"

#include "library/footprintfolder.h"
#include "library/kicadsymbollibrary.h"
#include "symbol/summary.h"
#include "library/legacyscan.h"
#include "tokenizer/libtext.h"
#include "tokenizer/meuparse.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>

namespace tarnel {

FolderFileList::FolderFileList(std::string folder) : folder_(std::move(folder)), entries_(LibraryNames(folder_)) {}

FolderFileList::FolderFileList(std::string folder, std::vector<std::string> entries)
    : folder_(std::move(folder)), entries_(std::move(entries)) {}

std::string FolderFileList::Entry(int i) const {
    return i >= 0 && i < Count() ? entries_[static_cast<size_t>(i)] : std::string();
}

// Names are kept whole: footprint names are long and would collide when
// cut. Legacy rows are cut to kLegacyWidth as they are written.
IndexTables::IndexTables()
    : RxMD_lib({{"lib", FieldKind::Text, 0}}, 1000),
      RxMD_principal({{"lib", FieldKind::Text, 0},
                      {"principal", FieldKind::Text, 0},
                      {"alias", FieldKind::Text, 0},
                      {"nr_principal", FieldKind::Integer, 0}},
                     20000),
      RxMD_comp({{"Lib", FieldKind::Text, 0},
                 {"Principal", FieldKind::Text, 0},
                 {"Alias", FieldKind::Text, 250},
                 {"Comandos", FieldKind::Text, 0},
                 {"Elementos", FieldKind::Integer, 0},
                 {"nr_principal", FieldKind::Integer, 0},
                 {"Arquivo", FieldKind::Text, 0},
                 {"Simbolo", FieldKind::Text, 0},
                 {"Descricao", FieldKind::Text, 0},
                 {"Palavras", FieldKind::Text, 0}},
                20000) {}

namespace {

constexpr size_t kLegacyWidth = 20;
std::string_view Cut(std::string_view s) { return s.substr(0, std::min(s.size(), kLegacyWidth)); }

std::string PathOf(const std::string& folder, const std::string& entry) {
    if (folder.empty()) return entry;
    if (folder.back() == '/') return folder + entry;
    return folder + '/' + entry;
}

// Thaws the module table however the run ends.
struct Thaw {
    TMemTable& t;
    ~Thaw() { t.EnableControls(); }
};

} // namespace

IndexRunResult BuildIndex(IndexTables& t, IndexFileList& files, const std::function<void(int, int)>& progress) {
    TMemTable& lib = t.RxMD_lib;
    TMemTable& names = t.RxMD_principal;
    TMemTable& comp = t.RxMD_comp;
    const int libLib = lib.FieldIndex("lib");
    const int pLib = names.FieldIndex("lib"), pPrincipal = names.FieldIndex("principal"),
              pAlias = names.FieldIndex("alias"), pNr = names.FieldIndex("nr_principal");
    const int cLib = comp.FieldIndex("Lib"), cPrincipal = comp.FieldIndex("Principal"),
              cAlias = comp.FieldIndex("Alias"), cComandos = comp.FieldIndex("Comandos"),
              cNr = comp.FieldIndex("nr_principal"), cFile = comp.FieldIndex("Arquivo"),
              cSymbol = comp.FieldIndex("Simbolo"), cDescription = comp.FieldIndex("Descricao"),
              cKeywords = comp.FieldIndex("Palavras");

    IndexRunResult result;
    // A block still open at the end of a file goes on into the next.
    BlockReader blocks;
    comp.EmptyTable();
    lib.EmptyTable();
    names.EmptyTable();

    // A folder that cannot be read would look like one without libraries.
    if (!files.Folder().empty()) {
        DIR* d = opendir(files.Folder().c_str());
        if (!d) {
            result.error = "a pasta \"" + files.Folder() + "\" não pode ser lida: " + std::strerror(errno);
            return result;
        }
        closedir(d);
    }

    comp.DisableControls();
    {
        Thaw thaw{comp};
        const int count = files.Count();
        if (count > 0) files.SetItemIndex(0);

        int ordinal = 0;
        std::string currentFile, currentName;
        TokenTable tokens;
        for (int i = 0; i < count; ++i) {
            files.SetItemIndex(i);
            if (progress) progress(i, count);
            const std::string entry = files.Entry(i);
            if (IsKicadSymbolFolderName(entry) || IsKicadSymbolFileName(entry)) {
                // Symbols are described as their chains give them; a library
                // that cannot be read has no rows.
                lib.Append();
                lib.SetText(libLib, entry);
                lib.Post();
                if (blocks.InBlock()) {
                    comp.Post();
                    blocks = BlockReader();
                }
                std::vector<symbol::SymbolSummary> symbols;
                try {
                    KicadSymbolLibrary library(PathOf(files.Folder(), entry));
                    symbols = symbol::SummarizeLibrary(library);
                } catch (const std::exception&) {
                    continue;
                }
                for (const symbol::SymbolSummary& sym : symbols) {
                    const std::string principal = UpperAscii(sym.name);
                    ++ordinal;
                    comp.Append();
                    comp.SetText(cLib, entry);
                    comp.SetText(cPrincipal, principal);
                    comp.SetInt(cNr, ordinal);
                    comp.SetText(cFile, sym.file);
                    comp.SetText(cSymbol, sym.name);
                    comp.SetText(cDescription, sym.description);
                    comp.SetText(cKeywords, sym.keywords);
                    comp.Post();
                    names.Append();
                    names.SetText(pLib, entry);
                    names.SetText(pPrincipal, principal);
                    names.SetText(pAlias, principal);
                    names.SetInt(pNr, ordinal);
                    names.Post();
                }
                continue;
            }
            if (IsFootprintFolderName(entry)) {
                // A footprint folder is indexed from its listing alone; each
                // footprint's lines are read when its row is shown.
                std::unique_ptr<FootprintFolder> folder;
                try {
                    folder = std::make_unique<FootprintFolder>(PathOf(files.Folder(), entry));
                } catch (const std::exception& e) {
                    result.error = e.what();
                    break;
                }
                lib.Append();
                lib.SetText(libLib, entry);
                lib.Post();
                if (blocks.InBlock()) {
                    comp.Post();
                    blocks = BlockReader();
                }
                for (const std::string& name : folder->Names()) {
                    const std::string principal = UpperAscii(name);
                    ++ordinal;
                    comp.Append();
                    comp.SetText(cLib, entry);
                    comp.SetText(cPrincipal, principal);
                    comp.SetInt(cNr, ordinal);
                    comp.SetText(cFile, folder->FilePath(name));
                    comp.Post();
                    names.Append();
                    names.SetText(pLib, entry);
                    names.SetText(pPrincipal, principal);
                    names.SetText(pAlias, principal);
                    names.SetInt(pNr, ordinal);
                    names.Post();
                }
                continue;
            }
            std::string bytes;
            try {
                bytes = ReadFileBytes(PathOf(files.Folder(), entry));
            } catch (const std::exception& e) {
                result.error = e.what();
                break;
            }
            lib.Append();
            lib.SetText(libLib, Cut(entry));
            lib.Post();

            ForEachLine(std::string_view(bytes), [&](std::string_view line) {
                switch (blocks.Feed(line)) {
                    case BlockLine::Outside: break;
                    case BlockLine::Open:
                        ++ordinal;
                        comp.Append();
                        names.Append();
                        currentFile = entry;
                        currentName = UpperAscii(Trim(BlockReader::Name(line)));
                        comp.SetText(cLib, Cut(currentFile));
                        comp.SetText(cPrincipal, Cut(currentName));
                        comp.SetInt(cNr, ordinal);
                        names.SetText(pLib, Cut(currentFile));
                        names.SetText(pPrincipal, Cut(currentName));
                        names.SetInt(pNr, ordinal);
                        names.SetText(pAlias, Cut(currentName));
                        names.Post();
                        comp.SetText(cComandos, line);
                        comp.AppendText(cComandos, "\r");
                        break;
                    case BlockLine::Inside:
                        // Alias names belong to the module whose block holds the line.
                        if (EqualsUpper(Trim(Word(line, 1)), "ALIAS")) {
                            const int r = tokens.ParseLine(line);
                            for (int k = 2; k <= r; ++k) {
                                names.Append();
                                names.SetText(pAlias, Cut(tokens[k]));
                                names.SetText(pPrincipal, Cut(currentName));
                                names.SetInt(pNr, ordinal);
                                names.SetText(pLib, Cut(currentFile));
                                names.Post();
                            }
                            comp.SetText(cAlias, line);
                        }
                        comp.AppendText(cComandos, line);
                        comp.AppendText(cComandos, "\r");
                        break;
                    case BlockLine::Close:
                        comp.AppendText(cComandos, line);
                        comp.AppendText(cComandos, "\r");
                        comp.Post();
                        break;
                }
                return true;
            });
        }
        // A block still open when the files ran out is kept as collected.
        comp.Post();
        if (result.ok() && count > 0) files.SetItemIndex(count - 1);

        result.modules = comp.RecordCount();
        result.names = names.RecordCount();

        names.SortOnFields("alias", true, false);
        comp.SortOnFields("lib;principal", true, false);
        names.First();
        comp.First();
    }
    return result;
}

std::string IndexedModuleLines(const IndexTables& t, int row) {
    const TMemTable& comp = t.RxMD_comp;
    if (row < 0 || row >= comp.RowCount()) return {};
    const std::string file = comp.Text(row, comp.FieldIndex("Arquivo"));
    if (file.empty()) return comp.Text(row, comp.FieldIndex("Comandos"));
    const std::string symbolName = comp.Text(row, comp.FieldIndex("Simbolo"));
    std::string out;
    try {
        const std::string bytes = symbolName.empty() ? ReadFileBytes(file) : ReadSymbolText(file, symbolName);
        for (const std::string& line : SplitLines(bytes)) {
            out += line;
            out += '\r';
        }
    } catch (const std::exception& e) {
        return e.what();
    }
    return out;
}

} // namespace tarnel
