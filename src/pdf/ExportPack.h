#pragma once
// Export of a report's recorded pages to a PDF file of page images.
#include <QImage>

#include <functional>
#include <memory>
#include <string>

namespace tarnel {

class PageList;

// The pages to export: a count, each page played back into a white 24-bit
// bitmap at its nominal pixel size, and the orientation of the report.
// PageImage throws when the page cannot be given (for instance while the
// report's run is still producing it).
class PageSource {
public:
    virtual ~PageSource() = default;
    virtual int PageCount() const = 0;
    virtual QImage PageImage(int n) const = 0;  // n from 1
    virtual bool Landscape() const { return false; }
};

// What the export shows while it works. The window implements it; the
// command line passes a silent or a stderr one.
class ExportProgress {
public:
    virtual ~ExportProgress() = default;
    virtual void SetCaption(const std::string& text) = 0;
    // Throws when max is below min, as a progress bar cannot hold that range.
    virtual void SetRange(int min, int max) = 0;
    virtual void SetPosition(int pos) = 0;
    virtual void StepIt() = 0;
    // Sets the label and repaints it at once.
    virtual void SetLabel(const std::string& text) = 0;
    virtual void Show() = 0;
    virtual void Close() = 0;
    // Called once the window is shown and after every page: lets a window
    // repaint and answer the user; false when the user asked to stop.
    virtual bool KeepGoing() { return true; }
};

// Silent progress; it still refuses an impossible range.
class NullProgress : public ExportProgress {
public:
    void SetCaption(const std::string&) override {}
    void SetRange(int min, int max) override;
    void SetPosition(int) override {}
    void StepIt() override {}
    void SetLabel(const std::string&) override {}
    void Show() override {}
    void Close() override {}
};

// Writes the label lines to stderr.
class StderrProgress : public NullProgress {
public:
    void SetLabel(const std::string& text) override;
};

class TExportQR {
public:
    // The pages to export; set by the caller before each export.
    const PageSource* Report = nullptr;
    // Makes the progress window of one export; it is released before
    // ExportPDF returns. Without one the export is silent.
    std::function<std::unique_ptr<ExportProgress>()> MakeProgress;
    // Shows a message with an error icon to the user.
    std::function<void(const std::string&)> ShowError;
    // Pixels per inch at which the pages were drawn.
    double Rx = 96, Ry = 96;
    // Why the last export failed (empty after a success), for callers
    // without a user to tell.
    std::string LastError;
    // The last export was stopped by the user: no file was written and no
    // error shown.
    bool Cancelled = false;

    // Writes FileBase + ".PDF"; Indexed chooses 8-bit deflated images over
    // JPEG. Never throws: a failure shows "Error exporting report" and
    // returns false, leaving any existing file as it was. A stop asked for
    // through the progress window returns false the same way, silently.
    bool ExportPDF(const std::string& FileBase, bool Indexed);
};

// The pages of a PageList, each picture played back into a white bitmap of
// its nominal size. A page the list cannot give, or a malformed picture,
// throws.
class PageListSource : public PageSource {
public:
    PageListSource(const PageList& list, bool landscape) : list_(list), landscape_(landscape) {}
    int PageCount() const override;
    QImage PageImage(int n) const override;
    bool Landscape() const override { return landscape_; }

private:
    const PageList& list_;
    bool landscape_;
};

// Headless export of a PageList to fileBase + ".PDF" (for the command line
// and the catalogs without a window). Returns false with the reason in
// *error; a failed export leaves any existing file as it was. verbose writes
// the page labels to stderr.
bool ExportPageListPdf(const PageList& pages, bool landscape, const std::string& fileBase, bool indexed,
                       std::string* error, bool verbose = false);

// The base name for ExportPDF from a name chosen in the save dialog: the
// extension goes, from the last dot of the name part on.
std::string PdfFileBase(const std::string& chosen);

// "Page... i of N"
std::string PageLabel(int i, int n);

} // namespace tarnel
