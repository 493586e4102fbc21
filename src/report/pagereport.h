#pragma once
// The band-based page engine: a report with a page header, detail and page
// footer bands, filled column by column from a data callback, each finished
// page recorded as a page picture in the PageList of a PageRecorder.
// Geometry is in tenths of a millimetre; a run turns it into page pixels
// with F = pixels per inch / 254, rounding halves to even. The report holds
// the design; each run lays it out in a ReportRun of its own.
#include "report/pagecanvas.h"
#include "report/pagemaker.h"
#include "report/pagerecorder.h"
#include "report/pagestream.h"
#include "report/previewprovider.h"
#include "report/reportelements.h"

#include <QDateTime>
#include <QSize>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarnel {

class PageReport;
class PreviewSession;
class ReportRun;

enum class BandKind { rbPageHeader, rbDetail, rbPageFooter };

class ReportBand {
public:
    ReportBand(PageReport* report, BandKind kind) : report_(report), Kind(kind) {}
    ReportBand(const ReportBand&) = delete;
    ReportBand& operator=(const ReportBand&) = delete;

private:
    PageReport* report_;

public:
    BandKind Kind;
    std::string Name;
    // Size.Values, tenths of a millimetre.
    double Height = 0, Width = 0;
    tarnel::Color Color = kWhite;
    ReportFrame Frame;
    // Detail bands only: start in a new column or on a new page (unless
    // the band starts the page anyway), or sit on the footer.
    bool ForceNewColumn = false, ForceNewPage = false, AlignToBottom = false;
    bool Enabled = true;
    // Called before the band is placed; setting printBand to false skips it.
    std::function<void(ReportBand& band, bool& printBand)> BeforePrint;
    // Run time: extra height asked for by stretching labels.
    double Expansion = 0;

    PageReport* Report() const { return report_; }

    // Places a new element on the band (box in tenths of a millimetre);
    // elements print in this order.
    template <class T>
    T* Add(double left = 0, double top = 0, double width = 0, double height = 0) {
        auto e = std::make_unique<T>();
        T* raw = e.get();
        raw->band_ = this;
        raw->SetBox(left, top, width, height);
        elements_.push_back(std::move(e));
        return raw;
    }
    const std::vector<std::unique_ptr<ReportElement>>& Elements() const { return elements_; }

private:
    std::vector<std::unique_ptr<ReportElement>> elements_;
};

// Where a band was placed, for observers (tenths of a millimetre).
struct BandPlacement {
    const ReportBand* Band;
    int Page;
    int Column;
    double X, Y;
    double Height;  // band height plus expansion
    bool Continuation;
};

class PageReport {
public:
    explicit PageReport(std::string name = {});
    ~PageReport();
    PageReport(const PageReport&) = delete;
    PageReport& operator=(const PageReport&) = delete;

    std::string Name;
    // Page.Values: bottom margin, paper length, top margin, paper width,
    // left margin, right margin, column space.
    struct PageSetup {
        std::array<double, 7> Values{100, 2970, 100, 2100, 100, 100, 0};
        int Columns = 1;
        int PaperSize = 9;  // A4
        bool Landscape = false;
        double& BottomMargin() { return Values[0]; }
        double& Length() { return Values[1]; }
        double& TopMargin() { return Values[2]; }
        double& Width() { return Values[3]; }
        double& LeftMargin() { return Values[4]; }
        double& RightMargin() { return Values[5]; }
        double& ColumnSpace() { return Values[6]; }
        double BottomMargin() const { return Values[0]; }
        double Length() const { return Values[1]; }
        double TopMargin() const { return Values[2]; }
        double Width() const { return Values[3]; }
        double LeftMargin() const { return Values[4]; }
        double RightMargin() const { return Values[5]; }
        double ColumnSpace() const { return Values[6]; }
    } Page;
    bool FirstPageHeader = false;
    bool LastPageFooter = false;
    bool PrintIfEmpty = true;
    std::string ReportTitle;
    int Zoom = 100;
    ReportFont Font;
    ReportFrame Frame;  // around the printable area
    struct PrinterSettingsT {
        int Copies = 1, FirstPage = 0, LastPage = 0;
    } PrinterSettings;
    // Pixels per inch of the page pictures; 0: the screen's.
    int PixelsPerInch = 0;

    std::function<void(PageReport& report, bool& printReport)> BeforePrint;
    std::function<void(PageReport& sender, bool& moreData)> OnNeedData;
    // The clock the date elements read.
    std::function<QDateTime()> Clock;
    // Told where every band goes.
    std::function<void(const BandPlacement&)> OnBandPlaced;
    // How pages are drawn (EMF when empty).
    std::shared_ptr<PageMaker> Maker;

    // A new band (height and width in tenths of a millimetre).
    ReportBand* AddBand(BandKind kind, double height = 0, double width = 0);
    const std::vector<std::unique_ptr<ReportBand>>& Bands() const { return bands_; }

    // Runs the report into a new recorder shown by the preview provider;
    // returns when the preview window has been closed.
    void Preview();
    // Runs the report to the end without a window and returns its pages.
    std::unique_ptr<PageList> RunHeadless();
    // Runs the report into recorder (status ready).
    void Run(PageRecorder& recorder);

    // No run in progress.
    bool Available() const { return run_ == nullptr; }
    // The run in progress, if any (its position on the page, its page count).
    const ReportRun* CurrentRun() const { return run_; }
    // The run in progress was cancelled, or else the last one was.
    bool Cancelled() const;
    // The recorder of the preview still open, if any.
    std::shared_ptr<PageRecorder> Recorder() const;
    // Cancels a run in progress.
    void Cancel();

private:
    void EndPreview();

    std::vector<std::unique_ptr<ReportBand>> bands_;
    ReportRun* run_ = nullptr;
    bool cancelled_ = false;
    std::shared_ptr<PreviewSession> session_;
};

} // namespace tarnel
