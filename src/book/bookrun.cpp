#include "book/bookrun.h"

#include "book/workers.h"
#include "book/layout.h"
#include "book/libraryplan.h"
#include "book/pages.h"
#include "book/pdfbook.h"
#include "output/cairotext.h"
#include "report/tempfile.h"

#include <malloc.h>

#include <ctime>
#include <memory>

namespace tarnel::book {

namespace {

// Threads that read footprints and draw pages into recordings while the
// PDF side replays them, and how many pages they may be ahead.
constexpr size_t kWorkers = 2, kAhead = 8;
constexpr size_t kBuffer = 1 << 20;

struct When {
    std::string iso, shown;
};

When Now() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char iso[40], zone[8], shown[40];
    std::strftime(iso, sizeof iso, "%Y-%m-%dT%H:%M:%S", &tm);
    std::strftime(zone, sizeof zone, "%z", &tm);  // +hhmm
    std::strftime(shown, sizeof shown, "%d/%m/%Y às %H:%M", &tm);
    std::string z = zone;
    if (z.size() == 5) z.insert(3, ":");
    return {iso + z, shown};
}

class Run {
public:
    Run(const std::vector<LibraryPlan>& plan, const BookOptions& options, BookProgress& progress, BookSummary& summary)
        : plan_(plan), options_(options), progress_(progress), summary_(summary) {}

    void Write(const PdfBook::Sink& sink) {
        const When when = Now();
        DocumentInfo info;
        info.title = "Catálogo de módulos — " + (plan_.size() == 1 ? OneLineText(plan_[0].title)
                                                                    : std::to_string(plan_.size()) + " bibliotecas");
        info.author = "Tarnel";
        info.creator = "Tarnel 0.80";
        info.created = when.iso;
        info.printScalingNone = options_.trueScale;
        const Size paper = PaperSize(options_.paper);
        PdfBook doc(sink, paper, info);
        PagePainter front(options_, paper);
        front.SetTarget(doc.Cr());

        std::vector<size_t> first;  // each library's first job
        std::vector<PageJob> jobs = Plan(first);
        const int rows = front.ContentsRows();
        const int contents = std::max<int>(1, static_cast<int>((plan_.size() + rows - 1) / rows));
        std::vector<LibraryLine> lines(plan_.size());
        for (size_t l = 0; l < plan_.size(); ++l) {
            lines[l].title = plan_[l].title;
            lines[l].count = plan_[l].names.size();
            lines[l].symbols = plan_[l].symbols;
            lines[l].error = plan_[l].error;
            lines[l].firstPage = 2 + contents + static_cast<int>(first[l]);
            lines[l].shownPage = 1 + static_cast<int>(first[l]);
        }
        // The pages are drawn while the front pages are written.
        PageWorkers workers(plan_, options_, std::move(jobs), kWorkers, kAhead);
        doc.BeginPage("Capa");
        front.TitlePage(lines, when.shown);
        for (int c = 0; c < contents; ++c) {
            doc.BeginPage(c ? "Sumário " + std::to_string(c + 1) : std::string("Sumário"));
            front.ContentsPage(doc, lines, static_cast<size_t>(c) * rows, static_cast<size_t>(c + 1) * rows);
        }
        front.SetTarget(nullptr);

        int mark = 0;
        for (size_t k = 0; k < workers.Jobs().size(); ++k) {
            if (progress_.cancel.load()) throw Cancelled();
            const PageJob& job = workers.Jobs()[k];
            const PageResult r = workers.Take(k);
            doc.BeginPage(job.label);
            cairo_set_source_surface(doc.Cr(), r.recording.get(), 0, 0);
            cairo_paint(doc.Cr());
            cairo_set_source_rgb(doc.Cr(), 0, 0, 0);
            const LibraryPlan& lib = plan_[job.library];
            if (first[job.library] == k)
                mark = doc.Bookmark(0, OneLineText(lib.title), doc.PageNumber(), 0, 0, plan_.size() == 1);
            for (size_t i = 0; i < job.entries.size() && i < r.at.size(); ++i)
                doc.Bookmark(mark, OneLineText(lib.names[job.entries[i]]), doc.PageNumber(), r.at[i].x, r.at[i].y);
            summary_.faults.insert(summary_.faults.end(), r.faults.begin(), r.faults.end());
            progress_.done += static_cast<int64_t>(job.entries.size());
        }
        doc.Finish();
        summary_.pages = doc.PageNumber();
        summary_.bytes = doc.Bytes();
    }

private:
    // The pages of every library, in order; first[l]: library l's first.
    std::vector<PageJob> Plan(std::vector<size_t>& first) {
        std::vector<std::vector<TrueScaleRoom>> rooms;
        if (options_.trueScale) rooms = MeasureRooms(plan_, options_, kWorkers, progress_);
        const Rect frame = Frame(PaperSize(options_.paper));
        std::vector<PageJob> jobs;
        first.assign(plan_.size(), 0);
        for (size_t l = 0; l < plan_.size(); ++l) {
            const LibraryPlan& lib = plan_[l];
            first[l] = jobs.size();
            PageJob job;
            job.library = l;
            if (!lib.error.empty() || lib.names.empty()) {
                job.kind = lib.error.empty() ? PageJob::Kind::Empty : PageJob::Kind::Fault;
                jobs.push_back(job);
                continue;
            }
            if (!options_.trueScale) {
                for (size_t i = 0; i < lib.names.size(); i += kCellsPerPage) {
                    job.entries.clear();
                    for (size_t j = i; j < lib.names.size() && j < i + kCellsPerPage; ++j) job.entries.push_back(j);
                    jobs.push_back(job);
                }
                continue;
            }
            std::vector<Size> sizes;
            for (const TrueScaleRoom& r : rooms[l]) sizes.push_back(r.size);
            const std::vector<Placement> places = Pack(sizes, {frame.w, frame.h}, 4 * kPtPerMm);
            for (size_t i = 0; i < places.size(); ++i) {
                if (i == 0 || places[i].page != places[i - 1].page) {
                    jobs.push_back(job);
                }
                jobs.back().entries.push_back(i);
                jobs.back().places.push_back(places[i]);
                jobs.back().rooms.push_back(rooms[l][i]);
            }
        }
        for (size_t k = 0; k < jobs.size(); ++k) jobs[k].label = std::to_string(k + 1);
        return jobs;
    }

    const std::vector<LibraryPlan>& plan_;
    const BookOptions& options_;
    BookProgress& progress_;
    BookSummary& summary_;
};

} // namespace

BookSummary WriteBook(const std::vector<std::string>& libraries, const std::string& path, const BookOptions& options,
                      BookProgress* progress) {
    BookProgress local;
    BookProgress& p = progress ? *progress : local;
    // cairo builds and frees a page's worth of records for every page: the
    // freed memory is kept for the next page instead of going back to the
    // system to be faulted in again (a tenth of the time, measured).
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    mallopt(M_TOP_PAD, 16 << 20);
    const std::vector<LibraryPlan> plan = ListLibraries(libraries);
    BookSummary summary;
    summary.libraries = plan.size();
    for (const LibraryPlan& l : plan) {
        summary.footprints += l.names.size();
        if (!l.error.empty()) summary.faults.push_back(OneLineText(l.title) + ": " + l.error);
    }
    p.done = 0;
    p.footprints = static_cast<int64_t>(summary.footprints);
    p.total = static_cast<int64_t>(summary.footprints) * (options.trueScale ? 2 : 1);
    const std::string shown = "\"" + path + "\"";
    ReplaceFile(
        path,
        [&](int fd) {
            // cairo writes in pieces of a few bytes: they reach the file a
            // megabyte at a time.
            std::string buffer;
            buffer.reserve(kBuffer);
            auto flush = [&] {
                WriteFully(fd, buffer.data(), buffer.size(), shown);
                buffer.clear();
            };
            Run run(plan, options, p, summary);
            run.Write([&](const char* data, size_t n) {
                buffer.append(data, n);
                if (buffer.size() >= kBuffer) flush();
            });
            flush();
        },
        shown);
    return summary;
}

} // namespace tarnel::book
