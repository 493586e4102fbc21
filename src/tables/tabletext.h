#pragma once
// The text of one KiCad library table ("fp-lib-table", "sym-lib-table"):
//
//   (fp_lib_table | sym_lib_table
//     [(version N)]
//     (lib (name NICK) (type TYPE) (uri URI) (options OPTS) (descr TEXT) [(disabled)] [(hidden)])
//     …)
//
// Rows are read one by one, so a fault in one row (a property given twice,
// no uri, parentheses that do not close) marks that row and the others are
// kept. Limits: the s-expression reader's, per row, and kMaxTableRows rows.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarnel::tables {

enum class TableKind { Footprints, Symbols, Unknown };

inline constexpr size_t kMaxTableRows = 200000;

struct TableRow {
    std::string nickname, type, uri, options, description;
    bool disabled = false, hidden = false;
    size_t line = 0;    // where the row starts, from 1
    std::string error;  // why the row is not valid; empty when it is
};

struct TableText {
    TableKind kind = TableKind::Unknown;  // by the table's keyword
    int version = 0;                      // (version N); 0 when absent
    std::vector<TableRow> rows;           // in file order, valid or not
    // What is wrong with the table as a whole (the rows read are kept);
    // empty when nothing is.
    std::string error;
};

TableText ReadTableText(std::string_view bytes);

// The options text split at "|" into key=value pairs (a key alone has an
// empty value).
std::vector<std::pair<std::string, std::string>> SplitOptions(std::string_view options);

} // namespace tarnel::tables
