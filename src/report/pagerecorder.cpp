#include "report/pagerecorder.h"

#include "report/eventloop.h"

#include <stdexcept>

namespace tarnel {

PageRecorder::PageRecorder() : list_(std::make_unique<PageList>()), alive_(std::make_shared<bool>(true)) {}

PageRecorder::~PageRecorder() {
    alive_.reset();
    if (detached_) detached_->Release();
    if (list_) list_->Release();
}

std::optional<RecordedPage> PageRecorder::Page(int n) const {
    if (status_ == RecorderStatus::Ready || !list_ || n < 1 || n > pageCount_) return std::nullopt;
    return list_->ReadPage(n);
}

std::unique_ptr<PageList> PageRecorder::TakePages() {
    auto out = std::move(list_);
    list_ = std::make_unique<PageList>();
    pageCount_ = available_ = 0;
    return out;
}

void PageRecorder::SetDensity(int ppi) {
    ppi_ = ppi;
    f_ = ppi / 254.0;
}

void PageRecorder::StartDocument(QSize pagePixels, int ppi) {
    if (status_ != RecorderStatus::Ready) throw std::logic_error("page recorder is not ready");
    status_ = RecorderStatus::Busy;
    running_ = true;
    pageCount_ = available_ = 0;
    cancelled_ = false;
    loaded_ = false;
    SetDensity(ppi);
    pagePixels_ = pagePixels;
    if (!maker_) maker_ = std::make_shared<EmfPageMaker>();
    list_->StartRun();
}

void PageRecorder::ClosePage(bool count) {
    if (!open_) return;
    const std::string emf = maker_->Close(*open_);
    open_.reset();
    if (runDetached_) {
        if (detached_) detached_->AppendPage(emf);
        return;
    }
    list_->AppendPage(emf);
    if (count) {
        ++available_;
        Post(available_);
    }
}

PageCanvas& PageRecorder::NewPage() {
    ClosePage(true);
    if (!runDetached_) ++pageCount_;
    open_ = maker_->Open(pagePixels_);
    return *open_;
}

void PageRecorder::EndDocument() {
    running_ = false;
    if (runDetached_) {
        // The pages were replaced by a load: the run's own go.
        ClosePage(false);
        if (detached_) detached_->Release();
        detached_.reset();
        runDetached_ = false;
        return;
    }
    if (status_ != RecorderStatus::Busy) return;
    try {
        ClosePage(!cancelled_);
        if (!cancelled_) list_->Finish();
    } catch (...) {
        status_ = RecorderStatus::Finished;
        throw;
    }
    status_ = RecorderStatus::Finished;
}

void PageRecorder::Post(int available) {
    PostLater(alive_, [this, available] {
        if (display_) display_(available);
    });
}

void PageRecorder::Display(std::function<void(int)> pageAvailable) {
    showing_ = static_cast<bool>(pageAvailable);
    display_ = std::move(pageAvailable);
}

void PageRecorder::Bind(std::function<void()> closed) { closed_ = std::move(closed); }

void PageRecorder::Detach() { closed_ = nullptr; }

void PageRecorder::Cancel() { cancelled_ = true; }

void PageRecorder::ClosePreview() {
    showing_ = false;
    display_ = nullptr;
    if (running_) {
        Cancel();
    } else if (closed_) {
        const auto closed = closed_;
        closed();
    }
}

void PageRecorder::Release() {
    open_.reset();
    if (list_) list_->Release();
    list_ = std::make_unique<PageList>();
    pageCount_ = available_ = 0;
}

SaveResult PageRecorder::Save(const std::string& path) {
    if (status_ != RecorderStatus::Finished || !list_) return SaveResult::NotFinished;
    return SaveReport(*list_, path);
}

void PageRecorder::Load(const std::string& path) {
    // Checked whole before anything is released.
    LoadedReport r = LoadReport(path, ppi_);
    if (status_ == RecorderStatus::Busy) {
        // The run stops at its next band; what it still writes goes to its
        // own pages, never to the loaded file.
        Cancel();
        detached_ = std::move(list_);
        runDetached_ = true;
    } else if (list_) {
        list_->Release();
    }
    list_ = std::move(r.Pages);
    pageCount_ = available_ = r.PageCount;
    f_ = ppi_ / 254.0;
    if (r.Paper) {
        PrintSettings.PaperSize = r.Paper->Row;
        PrintSettings.Landscape = r.Paper->Landscape;
    }
    status_ = RecorderStatus::Finished;
    loaded_ = true;
}

} // namespace tarnel
