// tarnel-cli tables: the rows of the user's KiCad library tables.
#include "app/cli.h"
#include "app/cli_kicad.h"

#include <cstdio>

using namespace tarnel;
using namespace tarnel::cli;
using namespace tarnel::tables;

namespace {

int Tables(const Args& args) {
    Args a = args;
    const TableOptions options = TakeTableOptions(a);
    if (!a.empty()) throw UsageError{"unexpected argument \"" + a[0] + "\""};
    const LibraryTables t = LoadTables(options);
    for (const LibraryRow& r : t.rows)
        std::printf("%s\t%s\t%s\t%s\t%s\n", KindName(r.kind), r.nickname.c_str(), r.type.c_str(), r.stateText.c_str(),
                    r.path.c_str());
    std::printf("count %zu\n", t.rows.size());
    return 0;
}

Verb tablesVerb("tables", "[--config DIR] [--project DIR]   (rows of KiCad's library tables: kind, nickname, type, state, path)",
                Tables, false);

} // namespace
