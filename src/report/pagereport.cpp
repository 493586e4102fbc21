#include "report/pagereport.h"

#include "report/emf.h"
#include "tokenizer/libtext.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <algorithm>
#include <stdexcept>

namespace tarnel {

namespace {

PreviewProvider* provider = nullptr;

void HandlePendingMessages() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

// Runs fn later from the event loop, if alive is still there then.
void PostLater(const std::shared_ptr<bool>& alive, std::function<void()> fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    std::weak_ptr<bool> weak = alive;
    QMetaObject::invokeMethod(
        app,
        [weak, fn = std::move(fn)] {
            if (weak.lock()) fn();
        },
        Qt::QueuedConnection);
}

} // namespace

void RegisterPreviewProvider(PreviewProvider* p) { provider = p; }
PreviewProvider* RegisteredPreviewProvider() { return provider; }

// ---- pages drawn as EMF

std::unique_ptr<PageCanvas> EmfPageMaker::Open(QSize pagePixels) { return std::make_unique<EmfRecorder>(pagePixels); }

std::string EmfPageMaker::Close(PageCanvas& page) { return static_cast<EmfRecorder&>(page).Finish(); }

// ---- recorder

PageRecorder::PageRecorder() : list_(std::make_unique<PageList>()), alive_(std::make_shared<bool>(true)) {}

PageRecorder::~PageRecorder() {
    alive_.reset();
    if (OnReleased) OnReleased();
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

void PageRecorder::StartDocument(PageReport* master, QSize pagePixels, int ppi) {
    if (status_ != RecorderStatus::Ready) throw std::logic_error("page recorder is not ready");
    master_ = master;
    status_ = RecorderStatus::Busy;
    pageCount_ = available_ = 0;
    cancelled_ = false;
    loaded_ = false;
    ppi_ = ppi;
    f_ = ppi / 254.0;
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
        if (Client) Client(available);
    });
}

void PageRecorder::Cancel() {
    cancelled_ = true;
    if (master_ && master_->run_ == this) master_->cancelled_ = true;
}

void PageRecorder::ClosePreview() {
    ShowingPreview = false;
    Client = nullptr;
    if (master_) master_->RecorderClosed(this);
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

// ---- bands

ReportBand* PageReport::AddBand(BandKind kind, double height, double width) {
    bands_.push_back(std::make_unique<ReportBand>(this, kind));
    ReportBand* b = bands_.back().get();
    b->Height = height;
    b->Width = width;
    return b;
}

PageReport::PageReport(std::string name) : Name(std::move(name)), alive_(std::make_shared<bool>(true)) {
    Font.Color = WindowTextColor();
}

PageReport::~PageReport() {
    alive_.reset();
    if (recorder_ && recorder_->master_ == this) recorder_->master_ = nullptr;
}

int PageReport::R(double tenths) const { return ClampToInt32(RoundHalfEven(tenths)); }

// What the elements of one band see while it is printed.
class BandPrinter : public BandContext {
public:
    BandPrinter(PageReport& r, ReportBand& b) : r_(r), b_(b) {}
    PageCanvas& Canvas() override { return *r_.canvas_; }
    double F() const override { return r_.run_->Factor(); }
    int PixelsPerInch() const override { return r_.run_->PixelsPerInch(); }
    double BandX() const override { return r_.curX_; }
    double BandY() const override { return r_.curY_; }
    bool RequestExpansion(double extra) override {
        if (extra <= b_.Expansion) return true;
        if (b_.Kind == BandKind::rbPageFooter) return false;
        if (r_.R(b_.Height + extra) > r_.AvailableSpace()) return false;
        b_.Expansion = extra;
        return true;
    }
    const ReportFont& DefaultFont() const override { return r_.Font; }
    int PageNumber() const override { return r_.pageCount_; }
    QDateTime Now() const override { return r_.Clock ? r_.Clock() : QDateTime::currentDateTime(); }

private:
    PageReport& r_;
    ReportBand& b_;
};

int PageReport::AvailableSpace() const {
    if (curY_ < 0) return 0;
    return R(Page.Length() - Page.BottomMargin() - footerSize_ - curY_);
}

void PageReport::PlaceKind(BandKind kind, bool makeSpace) {
    for (const auto& b : bands_)
        if (b->Kind == kind) PlaceBand(*b, makeSpace);
}

void PageReport::PlaceBand(ReportBand& band, bool makeSpace) {
    if (!band.Enabled) return;
    if (band.BeforePrint) {
        bool print = true;
        band.BeforePrint(band, print);
        if (!print) return;
    }
    if (band.Kind != BandKind::rbPageFooter && makeSpace) {
        const int needed = R(band.Height);
        const double printable = Page.Length() - (Page.TopMargin() + Page.BottomMargin());
        if (curY_ < 0 || (AvailableSpace() < needed && needed <= printable)) {
            NextColumn();
        } else if (band.Kind == BandKind::rbDetail && (band.ForceNewPage || band.ForceNewColumn)) {
            if (band.ForceNewPage) curColumn_ = Page.Columns;
            NextColumn();
        }
        if (band.AlignToBottom && band.Kind == BandKind::rbDetail && needed <= AvailableSpace())
            curY_ = R(Page.Length() - Page.BottomMargin() - footerSize_) - needed;
    }
    band.Expansion = 0;
    BandPrinter ctx(*this, band);
    canvas_->FillRect(ctx.Box(0, 0, band.Width, band.Height), band.Color);
    std::vector<ReportElement*> open;
    for (const auto& e : band.Elements()) {
        if (!e->Enabled) continue;
        e->Print(ctx, false);
        if (!e->Finished()) open.push_back(e.get());
    }
    band.Frame.Draw(*canvas_, ctx.Box(0, 0, band.Width, band.Height + band.Expansion), run_->Factor());
    if (OnBandPlaced) OnBandPlaced({&band, pageCount_, curColumn_, curX_, curY_, band.Height + band.Expansion, false});
    // Stretching labels with lines left over go on in the next column. A
    // header or footer would only meet itself again on the next page.
    if (band.Kind != BandKind::rbDetail) open.clear();
    while (!open.empty()) {
        NextColumn();
        band.Expansion = 0;
        BandPrinter cont(*this, band);
        std::vector<ReportElement*> still;
        for (ReportElement* e : open) {
            e->Print(cont, true);
            if (!e->Finished()) still.push_back(e);
        }
        open.swap(still);
        band.Frame.Draw(*canvas_, cont.Box(0, 0, band.Width, band.Height + band.Expansion), run_->Factor());
        if (OnBandPlaced)
            OnBandPlaced({&band, pageCount_, curColumn_, curX_, curY_, band.Height + band.Expansion, true});
    }
    curY_ += R(band.Height + band.Expansion);
}

void PageReport::NextColumn() {
    if (curColumn_ >= Page.Columns) {
        curColumn_ = 1;
        curX_ = Page.LeftMargin();
        NewPage();
        return;
    }
    const ReportBand* detail = nullptr;
    for (const auto& b : bands_)
        if (b->Kind == BandKind::rbDetail) {
            detail = b.get();
            break;
        }
    int width;
    if (detail) {
        width = R(detail->Width);
    } else {
        const int columns = std::max(1, Page.Columns);
        width = (R(Page.Width() - (Page.LeftMargin() + Page.RightMargin())) - R(Page.ColumnSpace()) * (columns - 1)) /
                columns;
    }
    curX_ += R(Page.ColumnSpace()) + width;
    curY_ = columnTop_;
    ++curColumn_;
}

void PageReport::NewPage() {
    if (curY_ >= 0) EndPage();
    ++pageCount_;
    canvas_ = &run_->NewPage();
    curY_ = R(Page.TopMargin());
    // A fresh page always has room for its header.
    if (pageCount_ > 1 || FirstPageHeader) PlaceKind(BandKind::rbPageHeader, false);
    columnTop_ = curY_;
}

void PageReport::EndPage() {
    curY_ = R(Page.Length() - Page.BottomMargin() - footerSize_);
    curX_ = Page.LeftMargin();
    if (!(lastPage_ && !LastPageFooter)) PlaceKind(BandKind::rbPageFooter, false);
    if (Frame.Any()) {
        const double f = run_->Factor();
        const int l = TenthsToPixels(Page.LeftMargin(), f), t = TenthsToPixels(Page.TopMargin(), f);
        const int r = TenthsToPixels(Page.Width() - Page.RightMargin(), f);
        const int b = TenthsToPixels(Page.Length() - Page.BottomMargin(), f);
        Frame.Draw(*canvas_, QRect(l, t, r - l, b - t), f);
    }
}

void PageReport::DataLoop() {
    if (!OnNeedData) {
        // Without a data callback there are no records; an empty report
        // still gets its page when asked to.
        if (PrintIfEmpty) NextColumn();
        return;
    }
    bool more = true;
    OnNeedData(*this, more);
    while (more) {
        HandlePendingMessages();
        if (cancelled_ || run_->Cancelled()) return;
        PlaceKind(BandKind::rbDetail, true);
        more = false;
        OnNeedData(*this, more);
    }
}

void PageReport::Run(PageRecorder& rec) {
    available_ = false;
    cancelled_ = false;
    lastPage_ = false;
    // Whatever happens inside, the report is ready for another run after.
    struct Ready {
        PageReport& r;
        ~Ready() {
            r.available_ = true;
            r.run_ = nullptr;
            r.canvas_ = nullptr;
        }
    } ready{*this};

    bool print = true;
    if (BeforePrint) BeforePrint(*this, print);
    if (!print) return;

    const int ppi = PixelsPerInch > 0 ? PixelsPerInch : ScreenPixelsPerInch();
    const double f = ppi / 254.0;
    rec.Title = ReportTitle;
    rec.PaperWidth = Page.Width();
    rec.PaperLength = Page.Length();
    if (Maker) rec.SetPageMaker(Maker);
    rec.StartDocument(this, QSize(TenthsToPixels(Page.Width(), f), TenthsToPixels(Page.Length(), f)), ppi);
    run_ = &rec;
    curY_ = -1;
    curX_ = Page.LeftMargin();
    pageCount_ = 0;
    curColumn_ = Page.Columns;
    columnTop_ = 0;
    footerSize_ = 0;
    for (const auto& b : bands_)
        if (b->Kind == BandKind::rbPageFooter && b->Enabled) footerSize_ += b->Height;

    try {
        DataLoop();
        lastPage_ = true;
        if (!cancelled_ && !rec.Cancelled() && curY_ >= 0) EndPage();
    } catch (...) {
        // The pages produced so far stay with the recorder.
        try {
            rec.EndDocument();
        } catch (...) {
        }
        throw;
    }
    rec.EndDocument();
}

void PageReport::Cancel() {
    cancelled_ = true;
    if (run_) run_->cancelled_ = true;
}

std::unique_ptr<PageList> PageReport::RunHeadless() {
    if (!available_) throw std::logic_error("report \"" + Name + "\" is already running");
    auto rec = std::make_shared<PageRecorder>();
    Run(*rec);
    return rec->TakePages();
}

void PageReport::RecorderClosed(PageRecorder* r) {
    if (run_ == r) {
        Cancel();
    } else if (recorder_.get() != r) {
        // An older preview: its window holds the last reference.
    } else if (waiting_) {
        if (quitWait_) quitWait_();
    } else {
        // Released from the event loop, once the window has let go.
        PostLater(alive_, [this, r] { ReleaseRecorder(r); });
    }
}

void PageReport::ReleaseRecorder(PageRecorder* r) {
    if (recorder_.get() != r) return;
    recorder_->master_ = nullptr;
    recorder_->Release();
    recorder_.reset();
}

void PageReport::Preview() {
    HandlePendingMessages();
    if (!available_) return;
    PreviewProvider* p = RegisteredPreviewProvider();
    if (!p) throw std::logic_error("no preview provider registered");
    // A window still showing an earlier run keeps that recorder.
    if (recorder_) recorder_->master_ = nullptr;
    auto rec = std::make_shared<PageRecorder>();
    recorder_ = rec;
    rec->master_ = this;
    rec->Title = ReportTitle;
    rec->PaperWidth = Page.Width();
    rec->PaperLength = Page.Length();
    // The window lays out its sheet with F before the first page exists.
    rec->ppi_ = PixelsPerInch > 0 ? PixelsPerInch : ScreenPixelsPerInch();
    rec->f_ = rec->ppi_ / 254.0;
    p->Show(rec);
    Run(*rec);
    // Wait for the window to close (or the application to quit).
    if (rec->ShowingPreview && !QCoreApplication::closingDown() && QCoreApplication::instance()) {
        QEventLoop loop;
        waiting_ = true;
        quitWait_ = [&loop] { loop.quit(); };
        struct Done {
            PageReport& r;
            ~Done() {
                r.waiting_ = false;
                r.quitWait_ = nullptr;
            }
        } done{*this};
        if (rec->ShowingPreview) loop.exec();
    }
    ReleaseRecorder(rec.get());
}

} // namespace tarnel
