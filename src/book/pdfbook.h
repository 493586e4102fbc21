#pragma once
// A PDF document written by cairo's PDF surface into a sink, page by page:
// page labels, bookmarks, links to other pages, the document's
// information, and the finishing update (see pdfupdate.h).
#include "book/layout.h"

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <string>

namespace tarnel::book {

struct DocumentInfo {
    std::string title, author, creator;
    std::string created;  // "YYYY-MM-DDThh:mm:ss+hh:mm"
    bool printScalingNone = false;
};

class PdfBook {
public:
    // The bytes of the file go to sink as cairo writes them; sink may throw
    // (a full disk): the document stops and Finish throws that.
    using Sink = std::function<void(const char* data, size_t n)>;
    PdfBook(Sink sink, Size page, const DocumentInfo& info);
    ~PdfBook();
    PdfBook(const PdfBook&) = delete;
    PdfBook& operator=(const PdfBook&) = delete;

    cairo_t* Cr() const { return cr_; }
    Size Page() const { return page_; }

    // Starts the next page (numbered from 1) under label.
    void BeginPage(const std::string& label);
    void EndPage();
    int PageNumber() const { return pages_; }

    // A bookmark under parent (0: the top) opening page at (x, y); returns
    // its id for children.
    int Bookmark(int parent, const std::string& title, int page, double x, double y, bool open = false);
    // Makes area of the current page a link to page at (x, y).
    void Link(const Rect& area, int page, double x, double y);

    // Ends the document: cairo writes what it kept (fonts, bookmarks,
    // labels), then the finishing update follows. Throws
    // std::runtime_error when anything failed.
    void Finish();
    uint64_t Bytes() const { return bytes_; }

private:
    static cairo_status_t Write(void* self, const unsigned char* data, unsigned int n);
    void Check(const char* what);

    Sink sink_;
    Size page_;
    DocumentInfo info_;
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
    int pages_ = 0;
    bool open_ = false;  // a page begun
    int maxPage_ = 0;    // the last page a bookmark or link names
    bool discard_ = false;
    uint64_t bytes_ = 0;
    // What cairo writes once the pages are done, kept for the update.
    bool capture_ = false;
    uint64_t captureAt_ = 0;
    std::string tail_;
    std::string failure_;  // the sink's complaint
};

} // namespace tarnel::book
