#pragma once
// The band-based page engine: a report with a page header, detail and page
// footer bands, filled column by column from a data callback, each finished
// page recorded as a page picture in the PageList of a PageRecorder.
// Geometry is in tenths of a millimetre; a run turns it into page pixels
// with F = pixels per inch / 254, rounding halves to even.
#include "report/pagecanvas.h"
#include "report/pagestream.h"
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

// Makes the canvas of each new page and turns a finished one into its
// picture bytes (EMF).
class PageMaker {
public:
    virtual ~PageMaker() = default;
    virtual std::unique_ptr<PageCanvas> Open(QSize pagePixels) = 0;
    virtual std::string Close(PageCanvas& page) = 0;
};

// Pages recorded by EmfRecorder.
class EmfPageMaker : public PageMaker {
public:
    std::unique_ptr<PageCanvas> Open(QSize pagePixels) override;
    std::string Close(PageCanvas& page) override;
};

enum class RecorderStatus { Ready, Busy, Finished };

// Print settings kept with the pages: paper size row (9 = A4) and
// orientation, as recognised when a report file is loaded.
struct RecorderPrintSettings {
    int PaperSize = 9;
    bool Landscape = false;
};

class PageRecorder {
public:
    PageRecorder();
    ~PageRecorder();
    PageRecorder(const PageRecorder&) = delete;
    PageRecorder& operator=(const PageRecorder&) = delete;

    RecorderStatus Status() const { return status_; }
    // Pages opened so far (the page being drawn included).
    int PageCount() const { return pageCount_; }
    // Pages finished and appended to the PageList.
    int AvailablePages() const { return available_; }
    // A copy of page n, 1 <= n <= page count, while busy or finished and
    // once the page has been appended; nothing otherwise.
    std::optional<RecordedPage> Page(int n) const;
    PageList* Pages() const { return list_.get(); }
    // Takes the pages away (for a run without a window).
    std::unique_ptr<PageList> TakePages();

    std::string Title;
    double Factor() const { return f_; }
    int PixelsPerInch() const { return ppi_; }
    bool Cancelled() const { return cancelled_; }
    bool Loaded() const { return loaded_; }
    PageReport* Master() const { return master_; }
    RecorderPrintSettings PrintSettings;
    // Paper size of the report, tenths of a millimetre (for the display).
    double PaperWidth = 2100, PaperLength = 2970;

    // The page display that receives the page-available notifications
    // (number of available pages); posted through the event loop.
    std::function<void(int)> Client;
    bool ShowingPreview = false;
    // Called when the recorder is destroyed, so a window that still points
    // at it can let go.
    std::function<void()> OnReleased;

    // How pages are drawn; EMF unless replaced before the run starts.
    void SetPageMaker(std::shared_ptr<PageMaker> maker) { maker_ = std::move(maker); }

    // Stops a run in progress at the next band.
    void Cancel();
    // The preview window closes: a run in progress is cancelled, otherwise
    // the recorder and its pages are released.
    void ClosePreview();
    // Writes the pages to path; NotFinished (nothing written) while the run
    // has not finished. Throws ReportFileError on a write error.
    SaveResult Save(const std::string& path);
    // Replaces the pages with a report file, checked whole first: on a bad
    // file it throws ReportFileError and keeps the previous pages. A run in
    // progress is cancelled and no longer reaches the pages.
    void Load(const std::string& path);
    // Frees the pages (deleting a temporary file).
    void Release();

    // The run's side.
    void StartDocument(PageReport* master, QSize pagePixels, int ppi);
    PageCanvas& NewPage();
    void EndDocument();
    PageCanvas* CurrentPage() const { return open_.get(); }

private:
    friend class PageReport;
    void ClosePage(bool count);
    void Post(int available);

    RecorderStatus status_ = RecorderStatus::Ready;
    std::unique_ptr<PageList> list_;
    std::unique_ptr<PageList> detached_;  // a cancelled run's pages after a load
    bool runDetached_ = false;
    std::unique_ptr<PageCanvas> open_;
    std::shared_ptr<PageMaker> maker_;
    QSize pagePixels_;
    int pageCount_ = 0, available_ = 0;
    bool cancelled_ = false;
    bool loaded_ = false;
    double f_ = 96.0 / 254.0;
    int ppi_ = 96;
    PageReport* master_ = nullptr;
    std::shared_ptr<bool> alive_;
};

// How a preview window is opened for a recorder; the main window registers
// one at start-up. Show binds the window's page display to the recorder
// (Client, ShowingPreview), shows it without blocking and returns; the
// window calls ClosePreview when it closes.
class PreviewProvider {
public:
    virtual ~PreviewProvider() = default;
    virtual void Show(std::shared_ptr<PageRecorder> recorder) = 0;
    virtual void ShowModal(std::shared_ptr<PageRecorder> recorder) = 0;
};
void RegisterPreviewProvider(PreviewProvider* provider);
PreviewProvider* RegisteredPreviewProvider();

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

    // Run state.
    bool Available() const { return available_; }
    bool Cancelled() const { return cancelled_; }
    bool LastPage() const { return lastPage_; }
    double CurrentX() const { return curX_; }
    double CurrentY() const { return curY_; }
    int CurrentColumn() const { return curColumn_; }
    double ColumnTop() const { return columnTop_; }
    int PageCount() const { return pageCount_; }
    double PageFooterSize() const { return footerSize_; }
    const std::shared_ptr<PageRecorder>& Recorder() const { return recorder_; }
    // Cancels a run in progress.
    void Cancel();

private:
    friend class PageRecorder;
    friend class BandPrinter;
    void RecorderClosed(PageRecorder* r);
    void ReleaseRecorder(PageRecorder* r);
    void DataLoop();
    void PlaceBand(ReportBand& band, bool makeSpace = true);
    void PlaceKind(BandKind kind, bool makeSpace);
    int AvailableSpace() const;
    void NextColumn();
    void NewPage();
    void EndPage();
    int R(double tenths) const;

    std::vector<std::unique_ptr<ReportBand>> bands_;
    std::shared_ptr<PageRecorder> recorder_;
    PageRecorder* run_ = nullptr;  // the recorder of the run in progress
    PageCanvas* canvas_ = nullptr;
    bool available_ = true;
    bool cancelled_ = false;
    bool lastPage_ = false;
    bool waiting_ = false;  // Preview waits for its window to close
    std::function<void()> quitWait_;
    double curX_ = 0, curY_ = -1;
    int curColumn_ = 1;
    double columnTop_ = 0;
    int pageCount_ = 0;
    double footerSize_ = 0;
    std::shared_ptr<bool> alive_;
};

} // namespace tarnel
