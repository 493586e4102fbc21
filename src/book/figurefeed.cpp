#include "book/figurefeed.h"

#include "catalogs/catalogdata.h"
#include "library/library.h"
#include "viewer/figurereader.h"

#include <exception>
#include <memory>

namespace tarnel::book {

struct EntryReader::Open {
    size_t library = 0;
    std::unique_ptr<Library> lib;
    std::string error;
    DescriptionSource descriptions;
};

EntryReader::~EntryReader() { delete open_; }

void EntryReader::Read(size_t library, size_t index, BookEntry& out) {
    out.library = library;
    out.index = index;
    out.description.clear();
    out.error.clear();
    out.figure.Clear();
    const LibraryPlan& plan = plan_[library];
    if (!open_ || open_->library != library) {
        delete open_;
        open_ = new Open;
        open_->library = library;
        try {
            open_->lib = OpenLibrary(plan.path);
        } catch (const std::exception& e) {
            open_->error = e.what();
        }
        // Legacy libraries describe their modules in files beside them.
        const std::string folder = FolderOf(plan.path), file = FileNameOf(plan.path);
        const size_t dot = file.find_last_of('.');
        open_->descriptions.SetFiles(folder + "/" + DocFileName(file),
                                     folder + "/" + (dot == std::string::npos ? file : file.substr(0, dot)) + ".mdc");
    }
    if (!open_->lib) {
        out.error = open_->error;
        return;
    }
    if (index >= plan.names.size()) return;
    const std::string& name = plan.names[index];
    Library& lib = *open_->lib;
    figure::ReadOptions options;
    options.textMode = 2;
    options.drawArcs = true;
    try {
        const ModuleText text = lib.ReadModule(name);
        try {
            ReadTextFigure(text, lib.LineUnits(), options, out.figure);
        } catch (const std::exception& e) {
            throw std::runtime_error(lib.ModuleSource(name) + ": " + e.what());
        }
        if (lib.Format() == LibraryFormat::KicadMod) out.description = out.figure.fields.description;
        else out.description = open_->descriptions.Describe(name, text);
    } catch (const std::exception& e) {
        out.figure.Clear();
        out.error = e.what();
        // The cell is narrow: the footprint's file name, not its whole path.
        const std::string prefix = plan.path + "/";
        if (out.error.rfind(prefix, 0) == 0) out.error.erase(0, prefix.size());
        if (out.error.empty()) out.error = "cannot read " + name;
    }
}

FigureFeed::FigureFeed(const std::vector<LibraryPlan>& plan, size_t first, size_t stride, size_t capacity)
    : plan_(plan), first_(first), stride_(stride ? stride : 1), capacity_(capacity ? capacity : 1) {
    thread_ = std::thread([this] { Run(); });
}

FigureFeed::~FigureFeed() {
    {
        std::lock_guard<std::mutex> lock(m_);
        stop_ = true;
    }
    room_.notify_all();
    thread_.join();
}

void FigureFeed::Run() {
    try {
        ReadAll();
    } catch (...) {
        // Nothing the reader throws may end the program: the pages' side
        // gets it.
        std::lock_guard<std::mutex> lock(m_);
        failure_ = std::current_exception();
        done_ = true;
        ready_.notify_all();
    }
}

void FigureFeed::ReadAll() {
    EntryReader reader(plan_);
    size_t seen = 0;  // entries of the libraries before this one
    for (size_t l = 0; l < plan_.size(); ++l) {
        const size_t n = plan_[l].names.size();
        for (size_t i = 0; i < n; ++i, ++seen) {
            if (seen % stride_ != first_ % stride_) continue;
            BookEntry e;
            reader.Read(l, i, e);
            std::unique_lock<std::mutex> lock(m_);
            room_.wait(lock, [&] { return stop_ || queue_.size() < capacity_; });
            if (stop_) return;
            queue_.push_back(std::move(e));
            lock.unlock();
            ready_.notify_one();
        }
    }
    std::lock_guard<std::mutex> lock(m_);
    done_ = true;
    ready_.notify_all();
}

bool FigureFeed::Next(BookEntry& out) {
    std::unique_lock<std::mutex> lock(m_);
    ready_.wait(lock, [&] { return done_ || !queue_.empty(); });
    if (queue_.empty()) {
        if (failure_) std::rethrow_exception(failure_);
        return false;
    }
    out = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    room_.notify_one();
    return true;
}

} // namespace tarnel::book
