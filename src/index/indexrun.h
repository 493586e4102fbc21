#pragma once
// The component index: every module block and alias name of the libraries in
// the main window's file list (and every symbol of its current symbol
// libraries), in three in-memory tables.
#include "index/memtable.h"
#include "library/librarynames.h"

#include <functional>
#include <string>
#include <vector>

namespace tarnel {

// What the index needs of the main window's file list. Names are bytes as
// the file system takes them (QFile::encodeName). Moving the selection must
// not run the list's click handler.
class IndexFileList {
public:
    virtual ~IndexFileList() = default;
    virtual std::string Folder() const = 0;  // folder the entries are in
    virtual int Count() const = 0;
    virtual std::string Entry(int i) const = 0;  // file name, no folder
    virtual int ItemIndex() const = 0;
    virtual void SetItemIndex(int i) = 0;
    // Told by the index window once a run is over.
    virtual void RunEnded() {}
};

// A file list over a folder's libraries, read when constructed.
class FolderFileList : public IndexFileList {
public:
    explicit FolderFileList(std::string folder);
    FolderFileList(std::string folder, std::vector<std::string> entries);
    std::string Folder() const override { return folder_; }
    int Count() const override { return static_cast<int>(entries_.size()); }
    std::string Entry(int i) const override;
    int ItemIndex() const override { return itemIndex_; }
    void SetItemIndex(int i) override { itemIndex_ = i; }

private:
    std::string folder_;
    std::vector<std::string> entries_;
    int itemIndex_ = -1;
};

struct IndexTables {
    IndexTables();
    TMemTable RxMD_lib;        // lib
    TMemTable RxMD_principal;  // lib, principal, alias, nr_principal
    // Lib, Principal, Alias, Comandos, Elementos, nr_principal, Arquivo,
    // Simbolo, Descricao, Palavras (the last three for symbols)
    TMemTable RxMD_comp;
};

struct IndexRunResult {
    int modules = 0;    // records of RxMD_comp
    int names = 0;      // records of RxMD_principal
    std::string error;  // why the run stopped early; empty when it did not
    bool ok() const { return error.empty(); }
};

// The indexing run. progress(i, count) is called as file i is taken up. A
// "*.mod" file gives a row per module block (names cut to 20 bytes) and a
// name row per module and alias; a ".pretty" folder a row and a name row per
// footprint, named whole and upper-cased, with its file in "Arquivo" and no
// "Comandos": no footprint file is opened. A current symbol library gives a
// row and a name row per symbol, named whole and upper-cased, with its file,
// its own name in "Simbolo", and its description and keywords as its
// extends chain gives them; a library that cannot be read gives none.
IndexRunResult BuildIndex(IndexTables& t, IndexFileList& files,
                          const std::function<void(int, int)>& progress = {});

// The lines shown for module row row of RxMD_comp ("\r" after each): a
// legacy module's "Comandos", a footprint's file or a symbol's text read now
// (or why it cannot be read).
std::string IndexedModuleLines(const IndexTables& t, int row);

} // namespace tarnel
