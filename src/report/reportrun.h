#pragma once
// One run of a report: lays the report's bands out page by page into a
// recorder, from the first data request to the last page. A run is made
// afresh each time; the report itself keeps only its design.
#include "report/pagecanvas.h"

namespace tarnel {

class PageRecorder;
class PageReport;
class ReportBand;
enum class BandKind;

class ReportRun {
public:
    ReportRun(PageReport& report, PageRecorder& recorder);
    ReportRun(const ReportRun&) = delete;
    ReportRun& operator=(const ReportRun&) = delete;

    // Runs the report's BeforePrint, then its data to the end or until the
    // run is cancelled. The pages made so far stay with the recorder when a
    // callback throws.
    void Execute();
    // Stops the run at the next band.
    void Cancel();

    PageReport& Report() const { return report_; }
    // Cancelled by the report or through the recorder (a closed window, a
    // load).
    bool Cancelled() const;
    bool LastPage() const { return lastPage_; }
    // Where the next band goes, tenths of a millimetre; Y is below 0 before
    // the first page.
    double CurrentX() const { return curX_; }
    double CurrentY() const { return curY_; }
    int CurrentColumn() const { return curColumn_; }
    double ColumnTop() const { return columnTop_; }
    int PageCount() const { return pageCount_; }
    double PageFooterSize() const { return footerSize_; }
    // The page being drawn and its density.
    PageCanvas& Canvas() const { return *canvas_; }
    double F() const { return f_; }
    int PixelsPerInch() const { return ppi_; }
    // Room left in the column above the footers, whole tenths.
    int AvailableSpace() const;
    // A length rounded to whole tenths of a millimetre, halves to even.
    static int R(double tenths);

private:
    void DataLoop();
    void PlaceBand(ReportBand& band, bool makeSpace = true);
    void PlaceKind(BandKind kind, bool makeSpace);
    void NextColumn();
    void NewPage();
    void EndPage();

    PageReport& report_;
    PageRecorder& rec_;
    PageCanvas* canvas_ = nullptr;
    int ppi_ = 96;
    double f_ = 96.0 / 254.0;
    bool started_ = false;  // the recorder's document is open
    bool cancelled_ = false;
    bool lastPage_ = false;
    double curX_ = 0, curY_ = -1;
    int curColumn_ = 1;
    double columnTop_ = 0;
    int pageCount_ = 0;
    double footerSize_ = 0;
};

} // namespace tarnel
