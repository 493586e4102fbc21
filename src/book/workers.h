#pragma once
// The work of a catalog done on other threads. cairo writes a PDF file on
// one thread only, so the pages are drawn beforehand, each into a cairo
// recording of its own by one of a few workers that also read the
// footprints; the PDF side only replays each recording in order.
#include "book/bookoptions.h"
#include "book/layout.h"
#include "book/libraryplan.h"
#include "book/pages.h"

#include <cairo.h>

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarnel::book {

class EntryReader;

// One page of a library.
struct PageJob {
    enum class Kind { Entries, Fault, Empty } kind = Kind::Entries;
    size_t library = 0;
    std::vector<size_t> entries;       // indices in the library's names
    std::vector<Placement> places;     // true size: where each goes
    std::vector<TrueScaleRoom> rooms;  // true size: the room each takes
    std::string label;                 // the page's number as printed
};

struct PageResult {
    std::shared_ptr<cairo_surface_t> recording;
    std::vector<Rect> at;  // where each entry starts on the page
    std::vector<std::string> faults;  // "LIBRARY: reason"
};

class PageWorkers {
public:
    // Starts threads drawing jobs in order, at most ahead jobs before the
    // one taken last.
    PageWorkers(const std::vector<LibraryPlan>& plan, const BookOptions& options, std::vector<PageJob> jobs,
                size_t threads, size_t ahead);
    // Stops the threads (after the page each is drawing).
    ~PageWorkers();
    PageWorkers(const PageWorkers&) = delete;
    PageWorkers& operator=(const PageWorkers&) = delete;

    const std::vector<PageJob>& Jobs() const { return jobs_; }
    // Job k drawn, waiting for it; in order. Rethrows what a worker threw.
    PageResult Take(size_t k);

private:
    void Work();
    PageResult Draw(const PageJob& job, EntryReader& reader, PagePainter& painter);

    const std::vector<LibraryPlan>& plan_;
    BookOptions options_;
    std::vector<PageJob> jobs_;
    size_t ahead_;
    std::mutex m_;
    std::condition_variable ready_, room_;
    size_t next_ = 0, taken_ = 0;
    std::map<size_t, PageResult> done_;
    bool stop_ = false;
    std::exception_ptr failure_;
    std::vector<std::thread> threads_;
};

// The room every footprint takes at true size, read on threads threads;
// rooms[library][index]. Counts each in progress and stops with Cancelled
// when asked.
std::vector<std::vector<TrueScaleRoom>> MeasureRooms(const std::vector<LibraryPlan>& plan, const BookOptions& options,
                                                     size_t threads, BookProgress& progress);

} // namespace tarnel::book
