#include "book/workers.h"

#include "book/bookrun.h"
#include "book/entryreader.h"
#include "output/cairotext.h"

#include <atomic>
#include <stdexcept>

namespace tarnel::book {

PageWorkers::PageWorkers(const std::vector<LibraryPlan>& plan, const BookOptions& options, std::vector<PageJob> jobs,
                         size_t threads, size_t ahead)
    : plan_(plan), options_(options), jobs_(std::move(jobs)), ahead_(std::max<size_t>(ahead, 1)) {
    for (size_t i = 0; i < std::max<size_t>(threads, 1); ++i) threads_.emplace_back([this] { Work(); });
}

PageWorkers::~PageWorkers() {
    {
        std::lock_guard<std::mutex> lock(m_);
        stop_ = true;
    }
    room_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void PageWorkers::Work() {
    try {
        EntryReader reader(plan_);
        PagePainter painter(options_, PaperSize(options_.paper));
        for (;;) {
            size_t k;
            {
                std::unique_lock<std::mutex> lock(m_);
                room_.wait(lock, [&] { return stop_ || next_ >= jobs_.size() || next_ < taken_ + ahead_; });
                if (stop_ || next_ >= jobs_.size()) return;
                k = next_++;
            }
            PageResult r = Draw(jobs_[k], reader, painter);
            {
                std::lock_guard<std::mutex> lock(m_);
                done_.emplace(k, std::move(r));
            }
            ready_.notify_all();
        }
    } catch (...) {
        // Nothing a worker meets may end the program: the PDF side gets it.
        std::lock_guard<std::mutex> lock(m_);
        if (!failure_) failure_ = std::current_exception();
        ready_.notify_all();
    }
}

PageResult PageWorkers::Draw(const PageJob& job, EntryReader& reader, PagePainter& painter) {
    const Size page = PaperSize(options_.paper);
    const cairo_rectangle_t extents{0, 0, page.w, page.h};
    PageResult r;
    r.recording.reset(cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents), cairo_surface_destroy);
    cairo_t* cr = cairo_create(r.recording.get());
    struct Done {
        cairo_t* cr;
        ~Done() { cairo_destroy(cr); }
    } done{cr};
    painter.SetTarget(cr);
    const LibraryPlan& lib = plan_[job.library];
    const std::string title = OneLineText(lib.title);
    painter.RunningHead(title, job.label);
    if (options_.trueScale) painter.CheckBar();
    switch (job.kind) {
        case PageJob::Kind::Fault: painter.FaultCell(0, title, lib.error); break;
        case PageJob::Kind::Empty: painter.Note("Biblioteca vazia"); break;
        case PageJob::Kind::Entries: {
            BookEntry e;
            for (size_t i = 0; i < job.entries.size(); ++i) {
                reader.Read(job.library, job.entries[i], e);
                const std::string& name = lib.names[job.entries[i]];
                if (!e.error.empty()) r.faults.push_back(title + ": " + e.error);
                if (options_.trueScale) r.at.push_back(painter.TrueScale(e, name, job.rooms[i], job.places[i]));
                else r.at.push_back(painter.Cell(static_cast<int>(i), name, e, lib.symbols));
            }
            break;
        }
    }
    painter.SetTarget(nullptr);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error(std::string("não foi possível desenhar uma página: ") + cairo_status_to_string(cairo_status(cr)));
    return r;
}

PageResult PageWorkers::Take(size_t k) {
    std::unique_lock<std::mutex> lock(m_);
    ready_.wait(lock, [&] { return failure_ || done_.count(k); });
    if (failure_) std::rethrow_exception(failure_);
    PageResult r = std::move(done_.at(k));
    done_.erase(k);
    taken_ = k + 1;
    lock.unlock();
    room_.notify_all();
    return r;
}

std::vector<std::vector<TrueScaleRoom>> MeasureRooms(const std::vector<LibraryPlan>& plan, const BookOptions& options,
                                                     size_t threads, BookProgress& progress) {
    std::vector<std::vector<TrueScaleRoom>> rooms(plan.size());
    for (size_t l = 0; l < plan.size(); ++l) rooms[l].resize(plan[l].names.size());
    threads = std::max<size_t>(threads, 1);
    std::exception_ptr failure;
    std::mutex m;
    std::atomic<bool> stop{false};
    std::vector<std::thread> pool;
    for (size_t t = 0; t < threads; ++t)
        pool.emplace_back([&, t] {
            try {
                EntryReader reader(plan);
                PagePainter painter(options, PaperSize(options.paper));
                BookEntry e;
                size_t g = 0;  // entries of the libraries before
                for (size_t l = 0; l < plan.size(); ++l)
                    for (size_t i = 0; i < plan[l].names.size(); ++i, ++g) {
                        if (g % threads != t) continue;
                        if (stop.load() || progress.cancel.load()) return;
                        reader.Read(l, i, e);
                        rooms[l][i] = painter.Room(e, plan[l].names[i]);
                        ++progress.done;
                    }
            } catch (...) {
                std::lock_guard<std::mutex> lock(m);
                if (!failure) failure = std::current_exception();
                stop = true;
            }
        });
    for (std::thread& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);
    if (progress.cancel.load()) throw Cancelled();
    return rooms;
}

} // namespace tarnel::book
