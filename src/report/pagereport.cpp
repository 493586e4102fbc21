#include "report/pagereport.h"

#include "report/eventloop.h"
#include "report/previewsession.h"
#include "report/reportrun.h"

#include <stdexcept>

namespace tarnel {

ReportBand* PageReport::AddBand(BandKind kind, double height, double width) {
    bands_.push_back(std::make_unique<ReportBand>(this, kind));
    ReportBand* b = bands_.back().get();
    b->Height = height;
    b->Width = width;
    return b;
}

PageReport::PageReport(std::string name) : Name(std::move(name)) { Font.Color = WindowTextColor(); }

PageReport::~PageReport() = default;

bool PageReport::Cancelled() const { return run_ ? run_->Cancelled() : cancelled_; }

std::shared_ptr<PageRecorder> PageReport::Recorder() const { return session_ ? session_->Recorder() : nullptr; }

void PageReport::Cancel() {
    if (run_)
        run_->Cancel();
    else
        cancelled_ = true;
}

void PageReport::Run(PageRecorder& recorder) {
    ReportRun run(*this, recorder);
    run_ = &run;
    // Whatever happens inside, the report is ready for another run after.
    struct Done {
        PageReport& r;
        ~Done() {
            r.cancelled_ = r.run_->Cancelled();
            r.run_ = nullptr;
        }
    } done{*this};
    run.Execute();
}

std::unique_ptr<PageList> PageReport::RunHeadless() {
    if (!Available()) throw std::logic_error("report \"" + Name + "\" is already running");
    auto rec = std::make_shared<PageRecorder>();
    Run(*rec);
    return rec->TakePages();
}

void PageReport::EndPreview() {
    session_->Release();
    session_.reset();
}

void PageReport::Preview() {
    HandlePendingMessages();
    if (!Available()) return;
    PreviewProvider* p = RegisteredPreviewProvider();
    if (!p) throw std::logic_error("no preview provider registered");
    auto rec = std::make_shared<PageRecorder>();
    rec->Title = ReportTitle;
    rec->PaperWidth = Page.Width();
    rec->PaperLength = Page.Length();
    // The window lays out its sheet with F before the first page exists.
    rec->SetDensity(PixelsPerInch > 0 ? PixelsPerInch : ScreenPixelsPerInch());
    // A window still showing an earlier run keeps that recorder.
    auto session = std::make_shared<PreviewSession>(rec, [this](PreviewSession& s) {
        if (session_.get() == &s) EndPreview();
    });
    session_ = session;
    p->Show(rec);
    Run(*rec);
    session->Wait();
    if (session_ == session) EndPreview();
}

} // namespace tarnel
