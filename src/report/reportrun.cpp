#include "report/reportrun.h"

#include "report/bandprinter.h"
#include "report/eventloop.h"
#include "report/pagerecorder.h"
#include "report/pagereport.h"
#include "tokenizer/libtext.h"

#include <algorithm>
#include <vector>

namespace tarnel {

ReportRun::ReportRun(PageReport& report, PageRecorder& recorder) : report_(report), rec_(recorder) {}

int ReportRun::R(double tenths) { return ClampToInt32(RoundHalfEven(tenths)); }

bool ReportRun::Cancelled() const { return cancelled_ || (started_ && rec_.Cancelled()); }

void ReportRun::Cancel() {
    cancelled_ = true;
    if (started_) rec_.Cancel();
}

int ReportRun::AvailableSpace() const {
    if (curY_ < 0) return 0;
    const auto& page = report_.Page;
    return R(page.Length() - page.BottomMargin() - footerSize_ - curY_);
}

void ReportRun::PlaceKind(BandKind kind, bool makeSpace) {
    for (const auto& b : report_.Bands())
        if (b->Kind == kind) PlaceBand(*b, makeSpace);
}

void ReportRun::PlaceBand(ReportBand& band, bool makeSpace) {
    if (!band.Enabled) return;
    if (band.BeforePrint) {
        bool print = true;
        band.BeforePrint(band, print);
        if (!print) return;
    }
    const auto& page = report_.Page;
    if (band.Kind != BandKind::rbPageFooter && makeSpace) {
        const int needed = R(band.Height);
        const double printable = page.Length() - (page.TopMargin() + page.BottomMargin());
        if (curY_ < 0 || (AvailableSpace() < needed && needed <= printable)) {
            NextColumn();
        } else if (band.Kind == BandKind::rbDetail && (band.ForceNewPage || band.ForceNewColumn)) {
            if (band.ForceNewPage) curColumn_ = page.Columns;
            NextColumn();
        }
        if (band.AlignToBottom && band.Kind == BandKind::rbDetail && needed <= AvailableSpace())
            curY_ = R(page.Length() - page.BottomMargin() - footerSize_) - needed;
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
    band.Frame.Draw(*canvas_, ctx.Box(0, 0, band.Width, band.Height + band.Expansion), f_);
    const auto& placed = report_.OnBandPlaced;
    if (placed) placed({&band, pageCount_, curColumn_, curX_, curY_, band.Height + band.Expansion, false});
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
        band.Frame.Draw(*canvas_, cont.Box(0, 0, band.Width, band.Height + band.Expansion), f_);
        if (placed) placed({&band, pageCount_, curColumn_, curX_, curY_, band.Height + band.Expansion, true});
    }
    curY_ += R(band.Height + band.Expansion);
}

void ReportRun::NextColumn() {
    const auto& page = report_.Page;
    if (curColumn_ >= page.Columns) {
        curColumn_ = 1;
        curX_ = page.LeftMargin();
        NewPage();
        return;
    }
    const ReportBand* detail = nullptr;
    for (const auto& b : report_.Bands())
        if (b->Kind == BandKind::rbDetail) {
            detail = b.get();
            break;
        }
    int width;
    if (detail) {
        width = R(detail->Width);
    } else {
        const int columns = std::max(1, page.Columns);
        width = (R(page.Width() - (page.LeftMargin() + page.RightMargin())) - R(page.ColumnSpace()) * (columns - 1)) /
                columns;
    }
    curX_ += R(page.ColumnSpace()) + width;
    curY_ = columnTop_;
    ++curColumn_;
}

void ReportRun::NewPage() {
    if (curY_ >= 0) EndPage();
    ++pageCount_;
    canvas_ = &rec_.NewPage();
    curY_ = R(report_.Page.TopMargin());
    // A fresh page always has room for its header.
    if (pageCount_ > 1 || report_.FirstPageHeader) PlaceKind(BandKind::rbPageHeader, false);
    columnTop_ = curY_;
}

void ReportRun::EndPage() {
    const auto& page = report_.Page;
    curY_ = R(page.Length() - page.BottomMargin() - footerSize_);
    curX_ = page.LeftMargin();
    if (!(lastPage_ && !report_.LastPageFooter)) PlaceKind(BandKind::rbPageFooter, false);
    if (report_.Frame.Any()) {
        const int l = TenthsToPixels(page.LeftMargin(), f_), t = TenthsToPixels(page.TopMargin(), f_);
        const int r = TenthsToPixels(page.Width() - page.RightMargin(), f_);
        const int b = TenthsToPixels(page.Length() - page.BottomMargin(), f_);
        report_.Frame.Draw(*canvas_, QRect(l, t, r - l, b - t), f_);
    }
}

void ReportRun::DataLoop() {
    if (!report_.OnNeedData) {
        // Without a data callback there are no records; an empty report
        // still gets its page when asked to.
        if (report_.PrintIfEmpty) NextColumn();
        return;
    }
    bool more = true;
    report_.OnNeedData(report_, more);
    while (more) {
        HandlePendingMessages();
        if (Cancelled()) return;
        PlaceKind(BandKind::rbDetail, true);
        more = false;
        report_.OnNeedData(report_, more);
    }
}

void ReportRun::Execute() {
    bool print = true;
    if (report_.BeforePrint) report_.BeforePrint(report_, print);
    if (!print) return;

    const auto& page = report_.Page;
    ppi_ = report_.PixelsPerInch > 0 ? report_.PixelsPerInch : ScreenPixelsPerInch();
    f_ = ppi_ / 254.0;
    rec_.Title = report_.ReportTitle;
    rec_.PaperWidth = page.Width();
    rec_.PaperLength = page.Length();
    if (report_.Maker) rec_.SetPageMaker(report_.Maker);
    rec_.StartDocument(QSize(TenthsToPixels(page.Width(), f_), TenthsToPixels(page.Length(), f_)), ppi_);
    started_ = true;
    curY_ = -1;
    curX_ = page.LeftMargin();
    pageCount_ = 0;
    curColumn_ = page.Columns;
    columnTop_ = 0;
    footerSize_ = 0;
    for (const auto& b : report_.Bands())
        if (b->Kind == BandKind::rbPageFooter && b->Enabled) footerSize_ += b->Height;

    try {
        DataLoop();
        lastPage_ = true;
        if (!Cancelled() && curY_ >= 0) EndPage();
    } catch (...) {
        // The pages produced so far stay with the recorder.
        try {
            rec_.EndDocument();
        } catch (...) {
        }
        throw;
    }
    rec_.EndDocument();
}

} // namespace tarnel
