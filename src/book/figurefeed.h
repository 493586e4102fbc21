#pragma once
// Reading the footprints of a catalog ahead of the pages: a thread of its
// own reads each one into a figure (no drawing), with its description,
// while the pages are drawn from those already read.
#include "book/libraryplan.h"
#include "figure/figure.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarnel::book {

struct BookEntry {
    size_t library = 0;  // in the plan
    size_t index = 0;    // in the library's names
    figure::Figure figure;
    std::string description;
    std::string error;  // why it cannot be drawn (the figure is empty then)
};

// Reads entry index of plan[library] with lib (opened from the same path).
class EntryReader {
public:
    explicit EntryReader(const std::vector<LibraryPlan>& plan) : plan_(plan) {}
    ~EntryReader();
    void Read(size_t library, size_t index, BookEntry& out);

private:
    struct Open;
    const std::vector<LibraryPlan>& plan_;
    Open* open_ = nullptr;  // the library last read, kept open
};

class FigureFeed {
public:
    // Reads the entries first, first + stride, … of all libraries, in
    // order, at most capacity ahead of Next.
    FigureFeed(const std::vector<LibraryPlan>& plan, size_t first = 0, size_t stride = 1, size_t capacity = 48);
    ~FigureFeed();
    FigureFeed(const FigureFeed&) = delete;
    FigureFeed& operator=(const FigureFeed&) = delete;

    // The next entry; false past the last.
    bool Next(BookEntry& out);

private:
    void Run();
    void ReadAll();

    const std::vector<LibraryPlan>& plan_;
    size_t first_, stride_, capacity_;
    std::mutex m_;
    std::condition_variable ready_, room_;
    std::deque<BookEntry> queue_;
    bool done_ = false, stop_ = false;
    std::exception_ptr failure_;
    std::thread thread_;
};

} // namespace tarnel::book
