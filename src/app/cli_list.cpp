#include "app/cli_list.h"

#include "library/library.h"
#include "util/lineescape.h"

#include <cstdio>

namespace tarnel::cli {

int List(const Args& a) {
    if (a.size() != 1) throw UsageError{"expects LIBRARY"};
    // The window swallows read errors; the command line does not.
    const auto lib = OpenLibrary(a[0]);
    for (const auto& n : lib->Names()) std::printf("%s\n", EscapeForLine(n).c_str());
    std::printf("count %zu\n", lib->Names().size());
    // Files of a symbol folder left out: named, the rest listed.
    for (const auto& f : lib->Faults()) std::fprintf(stderr, "%s\n", f.c_str());
    return 0;
}

} // namespace tarnel::cli
