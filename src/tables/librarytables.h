#pragma once
// "My KiCad libraries": the rows of the global and project library tables,
// nested tables joined in, each row with its resolved path and a state. No
// row is dropped: one that cannot be used says why.
#include "tables/settingsfolders.h"
#include "tables/tabletext.h"
#include "tables/variables.h"

#include <string>
#include <vector>

namespace tarnel {
struct LibraryKind;
}

namespace tarnel::tables {

enum class RowState {
    Ok,
    Disabled,
    Hidden,
    Missing,          // the resolved path does not exist
    Unreadable,       // it exists but cannot be read as a library of its type
    UnknownVariable,  // the uri names a variable that is not set
    UnsupportedType,
    Invalid,          // the row itself is wrong (no uri, a property twice, …)
    Shadowed,         // a project row of the same nickname takes its place
    Refused,          // a nested table reached a second time
};

struct LibraryRow {
    TableKind kind = TableKind::Footprints;
    std::string nickname, type, uri, options, description;
    bool disabled = false, hidden = false;
    std::string path;  // the uri resolved; variables that are not set left as written
    RowState state = RowState::Ok;
    std::string stateText;  // "ok", "desativada", "variável desconhecida: NAME", …
    std::string table;      // the table file holding the row
    size_t line = 0;
    bool project = false;   // from a project table
    int depth = 0;          // 0 for a row of a global or project table, 1 for one of a table it names, …
    // What the path is on disk when Tarnel opens that kind of library; null otherwise.
    const LibraryKind* library = nullptr;

    bool IsTable() const;  // a row of type Table
    // Opens as choosing it in a folder does: a library Tarnel reads whose
    // state is ok or hidden (a disabled one only when asked).
    bool CanOpen(bool evenDisabled = false) const;
    // Why the row does not open; empty when it does.
    std::string WhyNot(bool evenDisabled = false) const;
};

const char* KindName(TableKind kind);  // "footprints", "symbols"

struct TableOptions {
    // The settings folder; empty: the newest found that holds a table.
    std::string configFolder;
    // A project folder (or a ".kicad_pro"/".pro" file in it); empty: none.
    std::string project;
    Environment env = ProcessEnvironment();
};

// Nested tables deeper than this are refused.
inline constexpr int kMaxTableDepth = 16;

struct LibraryTables {
    SettingsFolder settings;         // the settings folder read (its path empty when none)
    std::string projectFolder;
    std::vector<std::string> files;  // the table files read
    std::vector<LibraryRow> rows;    // footprint rows, then symbol rows; the project's first
    std::vector<std::string> messages;  // about whole tables and settings
    bool Found() const { return !files.empty(); }
    size_t Count(TableKind kind) const;
};

LibraryTables LoadLibraryTables(const TableOptions& options);

// The rows of one table file and the tables it names; used by
// LoadLibraryTables, open for tests.
void ReadTableFile(const std::string& path, TableKind kind, bool project, const UriVariables& vars,
                   LibraryTables& into);

} // namespace tarnel::tables
