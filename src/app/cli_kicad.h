#pragma once
// What the verbs that read KiCad's library tables share: their options and
// the message when there is no table.
#include "app/cli.h"
#include "tables/librarytables.h"

namespace tarnel::cli {

// Takes "--config DIR" and "--project DIR" from the arguments.
tables::TableOptions TakeTableOptions(Args& a);
// Loads the tables, their messages on stderr; throws std::runtime_error
// (exit 1) when there is no table at all.
tables::LibraryTables LoadTables(const tables::TableOptions& options);

} // namespace tarnel::cli
