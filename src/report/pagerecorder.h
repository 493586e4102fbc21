#pragma once
// The pages of a report run, or of a loaded report file, as a preview window
// shows them: the run writes them in, the window reads them, and every
// finished page is announced to the window through the event loop.
#include "report/pagecanvas.h"
#include "report/pagemaker.h"
#include "report/pagestream.h"

#include <QSize>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tarnel {

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
    // Pixels per inch of the pages (and F = ppi / 254): set by the run, and
    // before it for a window that lays out its sheet before the first page.
    void SetDensity(int ppi);
    bool Cancelled() const { return cancelled_; }
    bool Loaded() const { return loaded_; }
    // Between the run's StartDocument and EndDocument, also once a load has
    // taken the pages away from the run.
    bool Running() const { return running_; }
    RecorderPrintSettings PrintSettings;
    // Paper size of the report, tenths of a millimetre (for the display).
    double PaperWidth = 2100, PaperLength = 2970;

    // The window's side.
    // Puts the window's page display on the recorder: pageAvailable gets the
    // number of available pages each time a page is finished, posted
    // through the event loop. The only way pages are announced; nullptr
    // takes the display away.
    void Display(std::function<void(int)> pageAvailable);
    bool Showing() const { return showing_; }
    // The preview window closes: a run in progress is cancelled, otherwise
    // the owner is told, which releases the recorder and its pages.
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

    // The owner's side: closed is called when the preview window closes
    // outside a run; Detach lets go.
    void Bind(std::function<void()> closed);
    void Detach();
    // Stops a run in progress at the next band.
    void Cancel();

    // The run's side.
    // How pages are drawn; EMF unless replaced before the run starts.
    void SetPageMaker(std::shared_ptr<PageMaker> maker) { maker_ = std::move(maker); }
    void StartDocument(QSize pagePixels, int ppi);
    PageCanvas& NewPage();
    void EndDocument();
    PageCanvas* CurrentPage() const { return open_.get(); }

private:
    void ClosePage(bool count);
    void Post(int available);

    RecorderStatus status_ = RecorderStatus::Ready;
    std::unique_ptr<PageList> list_;
    std::unique_ptr<PageList> detached_;  // a cancelled run's pages after a load
    bool runDetached_ = false;
    bool running_ = false;
    std::unique_ptr<PageCanvas> open_;
    std::shared_ptr<PageMaker> maker_;
    QSize pagePixels_;
    int pageCount_ = 0, available_ = 0;
    bool cancelled_ = false;
    bool loaded_ = false;
    double f_ = 96.0 / 254.0;
    int ppi_ = 96;
    std::function<void(int)> display_;
    bool showing_ = false;
    std::function<void()> closed_;
    std::shared_ptr<bool> alive_;
};

} // namespace tarnel
