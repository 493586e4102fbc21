#pragma once
// Reading a footprint of a catalog into a figure (no drawing), with its
// description, or why it cannot be read.
#include "book/libraryplan.h"
#include "figure/figure.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace tarnel::book {

struct BookEntry {
    size_t library = 0;  // in the plan
    size_t index = 0;    // in the library's names
    figure::Figure figure;
    std::string description;
    std::string error;  // why it cannot be drawn (the figure is empty then)
};

// Reads entry index of plan[library], keeping the library last read open.
// One per thread.
class EntryReader {
public:
    explicit EntryReader(const std::vector<LibraryPlan>& plan);
    ~EntryReader();
    EntryReader(const EntryReader&) = delete;
    EntryReader& operator=(const EntryReader&) = delete;
    void Read(size_t library, size_t index, BookEntry& out);

private:
    struct Open;
    const std::vector<LibraryPlan>& plan_;
    std::unique_ptr<Open> open_;  // the library last read, kept open
};

} // namespace tarnel::book
