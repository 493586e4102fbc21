#pragma once
// One run of the vector catalog: lists the libraries, plans the pages,
// reads the footprints on one thread while it draws the pages on this one,
// and writes the PDF file whole.
#include "book/bookoptions.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnel::book {

// Thrown when BookProgress::cancel is set during a run.
struct Cancelled : std::runtime_error {
    Cancelled() : std::runtime_error("Catálogo cancelado") {}
};

struct BookSummary {
    size_t libraries = 0, footprints = 0;
    int pages = 0;
    uint64_t bytes = 0;
    // What could not be read, each "LIBRARY: reason": the catalog shows
    // these in their cells.
    std::vector<std::string> faults;
};

// Writes the catalog of libraries (".pretty" folders, "*.mod" and "*.lib"
// files) to path. The file is written beside path and renamed over it once
// complete: a run that fails or is cancelled leaves path as it was. Throws
// Cancelled or std::runtime_error naming the file and the reason.
BookSummary WriteBook(const std::vector<std::string>& libraries, const std::string& path, const BookOptions& options,
                      BookProgress* progress = nullptr);

} // namespace tarnel::book
