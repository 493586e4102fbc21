#include "book/bookrun.h"

#include "book/figurefeed.h"
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

// Threads that read footprints while the pages are drawn.
constexpr size_t kReaders = 1;
// The true-size plan reads every footprint once to measure it, on this
// many threads.
constexpr size_t kMeasurers = 2;
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

// Entries of several feeds, each reading every n-th one, back in order.
class Feeds {
public:
    Feeds(const std::vector<LibraryPlan>& plan, size_t n) {
        for (size_t i = 0; i < n; ++i) feeds_.push_back(std::make_unique<FigureFeed>(plan, i, n));
    }
    bool Next(BookEntry& e) { return feeds_[next_++ % feeds_.size()]->Next(e); }

private:
    std::vector<std::unique_ptr<FigureFeed>> feeds_;
    size_t next_ = 0;
};

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
        PdfBook doc(sink, PaperSize(options_.paper), info);
        PagePainter painter(doc, options_);

        std::vector<int> pages(plan_.size(), 1);
        if (options_.trueScale) Measure(painter, pages);
        else
            for (size_t l = 0; l < plan_.size(); ++l)
                pages[l] = std::max<int>(1, static_cast<int>((plan_[l].names.size() + kCellsPerPage - 1) / kCellsPerPage));

        // Reading starts while the front pages are drawn.
        Feeds feeds(plan_, kReaders);
        const int rows = painter.ContentsRows();
        const int contents = std::max<int>(1, static_cast<int>((plan_.size() + rows - 1) / rows));
        std::vector<LibraryLine> lines(plan_.size());
        int page = 2 + contents, shown = 1;
        for (size_t l = 0; l < plan_.size(); ++l) {
            lines[l].title = plan_[l].title;
            lines[l].count = plan_[l].names.size();
            lines[l].symbols = plan_[l].symbols;
            lines[l].error = plan_[l].error;
            lines[l].firstPage = page;
            lines[l].shownPage = shown;
            page += pages[l];
            shown += pages[l];
        }
        doc.BeginPage("Capa");
        painter.TitlePage(lines, when.shown);
        for (int c = 0; c < contents; ++c) {
            doc.BeginPage(c ? "Sumário " + std::to_string(c + 1) : std::string("Sumário"));
            painter.ContentsPage(lines, static_cast<size_t>(c) * rows, static_cast<size_t>(c + 1) * rows);
        }

        int label = 1;
        auto newPage = [&](const std::string& title) {
            doc.BeginPage(std::to_string(label));
            painter.RunningHead(title, std::to_string(label));
            if (options_.trueScale) painter.CheckBar();
            ++label;
        };
        BookEntry e;
        for (size_t l = 0; l < plan_.size(); ++l) {
            const LibraryPlan& lib = plan_[l];
            const std::string title = OneLineText(lib.title);
            const int mark = doc.Bookmark(0, title, lines[l].firstPage, 0, 0, plan_.size() == 1);
            if (!lib.error.empty()) {
                newPage(title);
                painter.FaultCell(0, title, lib.error);
                continue;
            }
            if (lib.names.empty()) {
                newPage(title);
                painter.Note("Biblioteca vazia");
                continue;
            }
            int onPage = -1;
            for (size_t i = 0; i < lib.names.size(); ++i) {
                if (progress_.cancel.load()) throw Cancelled();
                if (!feeds.Next(e) || e.library != l || e.index != i)
                    throw std::runtime_error("the footprints were read out of order");
                if (!e.error.empty()) summary_.faults.push_back(title + ": " + e.error);
                const std::string name = OneLineText(lib.names[i]);
                Rect at;
                if (options_.trueScale) {
                    const Placement& p = places_[l][i];
                    if (p.page != onPage) {
                        newPage(title);
                        onPage = p.page;
                    }
                    at = painter.TrueScale(e, lib.names[i], rooms_[l][i], p);
                } else {
                    const int slot = static_cast<int>(i % kCellsPerPage);
                    if (slot == 0) newPage(title);
                    at = painter.Cell(slot, lib.names[i], e, lib.symbols);
                }
                doc.Bookmark(mark, name, doc.PageNumber(), at.x, at.y);
                ++progress_.done;
            }
        }
        doc.Finish();
        summary_.pages = doc.PageNumber();
        summary_.bytes = doc.Bytes();
    }

private:
    // Reads every footprint once for the room it takes at true size, and
    // packs each library's on its pages.
    void Measure(PagePainter& painter, std::vector<int>& pages) {
        rooms_.assign(plan_.size(), {});
        places_.assign(plan_.size(), {});
        const Rect frame = Frame(PaperSize(options_.paper));
        Feeds feeds(plan_, kMeasurers);
        BookEntry e;
        for (size_t l = 0; l < plan_.size(); ++l) {
            const LibraryPlan& lib = plan_[l];
            std::vector<Size> sizes;
            for (size_t i = 0; i < lib.names.size(); ++i) {
                if (progress_.cancel.load()) throw Cancelled();
                if (!feeds.Next(e) || e.library != l || e.index != i)
                    throw std::runtime_error("the footprints were read out of order");
                rooms_[l].push_back(painter.Room(e, lib.names[i]));
                sizes.push_back(rooms_[l].back().size);
                ++progress_.done;
            }
            places_[l] = Pack(sizes, {frame.w, frame.h}, 4 * kPtPerMm);
            pages[l] = places_[l].empty() ? 1 : places_[l].back().page + 1;
        }
    }

    const std::vector<LibraryPlan>& plan_;
    const BookOptions& options_;
    BookProgress& progress_;
    BookSummary& summary_;
    std::vector<std::vector<TrueScaleRoom>> rooms_;
    std::vector<std::vector<Placement>> places_;
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
