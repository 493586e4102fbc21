#include "book/pdfbook.h"

#include "book/pdfupdate.h"

#include <cairo-pdf.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <stdexcept>

namespace tarnel::book {

namespace {

// Whole points: attribute strings are parsed by cairo in the C locale,
// whatever locale the program runs in.
std::string Int(double v) {
    if (!std::isfinite(v)) v = 0;
    return std::to_string(std::lround(std::clamp(v, -1e6, 1e6)));
}

// The structure element the whole document sits in. Without one, cairo
// 1.16 refers the link annotations to a structure element it never writes
// and the file's cross-reference table points at nothing.
constexpr const char* kDocumentTag = "Document";

} // namespace

PdfBook::PdfBook(Sink sink, Size page, const DocumentInfo& info) : sink_(std::move(sink)), page_(page), info_(info) {
    surface_ = cairo_pdf_surface_create_for_stream(&PdfBook::Write, this, page.w, page.h);
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, info.title.c_str());
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_AUTHOR, info.author.c_str());
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATOR, info.creator.c_str());
    if (!info.created.empty())
        cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATE_DATE, info.created.c_str());
    cr_ = cairo_create(surface_);
    Check("não foi possível iniciar o documento PDF");
}

PdfBook::~PdfBook() {
    // An unfinished document goes nowhere, but cairo still finishes it:
    // it is given a whole document (the pages its bookmarks and links
    // name, its structure closed) and its bytes are dropped.
    discard_ = true;
    if (cr_ && surface_) {
        if (open_) cairo_show_page(cr_);
        for (; pages_ < maxPage_; ++pages_) {
            if (pages_ == 0) cairo_tag_begin(cr_, kDocumentTag, "");
            cairo_show_page(cr_);
        }
        if (pages_) cairo_tag_end(cr_, kDocumentTag);
    }
    if (cr_) cairo_destroy(cr_);
    if (surface_) cairo_surface_destroy(surface_);
}

cairo_status_t PdfBook::Write(void* self, const unsigned char* data, unsigned int n) {
    // After a failure the bytes are dropped but cairo is told all is well:
    // its ways out of a failed write are not all safe. Check and Finish
    // report the failure.
    auto* b = static_cast<PdfBook*>(self);
    if (b->discard_ || !b->failure_.empty()) return CAIRO_STATUS_SUCCESS;
    try {
        b->sink_(reinterpret_cast<const char*>(data), n);
        if (b->capture_) b->tail_.append(reinterpret_cast<const char*>(data), n);
        b->bytes_ += n;
        return CAIRO_STATUS_SUCCESS;
    } catch (const std::exception& e) {
        b->failure_ = e.what();
    } catch (...) {
    }
    if (b->failure_.empty()) b->failure_ = "não foi possível gravar o arquivo PDF";
    return CAIRO_STATUS_SUCCESS;
}

void PdfBook::Check(const char* what) {
    if (!failure_.empty()) throw std::runtime_error(failure_);
    cairo_status_t s = cr_ ? cairo_status(cr_) : CAIRO_STATUS_SUCCESS;
    if (s == CAIRO_STATUS_SUCCESS && surface_) s = cairo_surface_status(surface_);
    if (s != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error(std::string(what) + ": " + cairo_status_to_string(s));
}

void PdfBook::BeginPage(const std::string& label) {
    if (open_) EndPage();
    if (pages_ == 0) cairo_tag_begin(cr_, kDocumentTag, "");
    ++pages_;
    open_ = true;
    cairo_pdf_surface_set_page_label(surface_, label.c_str());
}

void PdfBook::EndPage() {
    if (!open_) return;
    cairo_show_page(cr_);
    open_ = false;
    Check("não foi possível gravar uma página");
}

int PdfBook::Bookmark(int parent, const std::string& title, int page, double x, double y, bool open) {
    maxPage_ = std::max(maxPage_, page);
    const std::string attrs = "page=" + std::to_string(page) + " pos=[" + Int(x) + " " + Int(y) + "]";
    return cairo_pdf_surface_add_outline(surface_, parent, title.c_str(), attrs.c_str(),
                                         open ? CAIRO_PDF_OUTLINE_FLAG_OPEN : cairo_pdf_outline_flags_t(0));
}

void PdfBook::Link(const Rect& a, int page, double x, double y) {
    maxPage_ = std::max(maxPage_, page);
    const std::string attrs = "rect=[" + Int(a.x) + " " + Int(a.y) + " " + Int(a.w) + " " + Int(a.h) + "] page=" +
                              std::to_string(page) + " pos=[" + Int(x) + " " + Int(y) + "]";
    cairo_tag_begin(cr_, CAIRO_TAG_LINK, attrs.c_str());
    cairo_tag_end(cr_, CAIRO_TAG_LINK);
}

void PdfBook::Finish() {
    if (!pages_) BeginPage("1");
    if (open_) EndPage();
    cairo_tag_end(cr_, kDocumentTag);
    Check("não foi possível concluir o documento PDF");
    cairo_destroy(cr_);
    cr_ = nullptr;
    capture_ = true;
    captureAt_ = bytes_;
    cairo_surface_finish(surface_);
    Check("não foi possível concluir o documento PDF");
    cairo_surface_destroy(surface_);
    surface_ = nullptr;
    CatalogAdditions additions;
    additions.printScalingNone = info_.printScalingNone;
    const std::string update = CatalogUpdate(tail_, captureAt_, additions);
    tail_.clear();
    tail_.shrink_to_fit();
    sink_(update.data(), update.size());
    bytes_ += update.size();
}

} // namespace tarnel::book
