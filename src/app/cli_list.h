#pragma once
// tarnel-cli list: needs no graphics, so the small front program runs it
// without loading the rest.
#include "app/cli.h"

namespace tarnel::cli {

int List(const Args& args);

} // namespace tarnel::cli
