#pragma once
// What the pages of the vector catalog show: the title page, the contents,
// the running head and foot, a footprint's cell, a footprint at true size
// and the check bar of true-size pages.
#include "book/bookoptions.h"
#include "book/entryreader.h"
#include "book/layout.h"
#include "book/pdfbook.h"
#include "output/cairodevice.h"
#include "output/cairotext.h"

#include <string>
#include <vector>

namespace tarnel::book {

struct LibraryLine {
    std::string title;
    size_t count = 0;
    bool symbols = false;
    std::string error;
    int firstPage = 0;  // its first page in the file, from 1
    int shownPage = 0;  // the number printed on that page
};

// "21 módulos", "1 símbolo".
std::string CountText(size_t n, bool symbols);

// What a true-size footprint takes on the page, in points: its drawing,
// its name above it, and where its origin goes within that room.
struct TrueScaleRoom {
    Size size;
    double originX = 0, originY = 0;  // from the room's top-left
    bool drawing = false;             // false: nothing to draw
};

// Draws on one page at a time (a PDF page, or a recording of one drawn on
// another thread); one painter per thread.
class PagePainter {
public:
    PagePainter(const BookOptions& options, Size page);
    // Where the next drawing goes.
    void SetTarget(cairo_t* cr) { cr_ = cr; }

    void TitlePage(const std::vector<LibraryLine>& libraries, const std::string& created);
    // Rows that fit on a contents page.
    int ContentsRows() const;
    // Contents rows [from, to), each a link to its library's first page of
    // doc, on doc's current page.
    void ContentsPage(PdfBook& doc, const std::vector<LibraryLine>& libraries, size_t from, size_t to);
    // The library's name at the top and the page's label at the foot.
    void RunningHead(const std::string& library, const std::string& label);

    // A footprint's cell in slot; returns where its cell starts, for its
    // bookmark.
    Rect Cell(int slot, const std::string& name, const BookEntry& entry, bool symbols);
    // A cell that says why the library or footprint cannot be shown.
    Rect FaultCell(int slot, const std::string& name, const std::string& reason);
    // A page's note where there is nothing to show.
    void Note(const std::string& text);

    // True size: the room an entry takes (a faulty one, a line saying why).
    TrueScaleRoom Room(const BookEntry& e, const std::string& name);
    // Draws the entry in its room, placed at (x, y) of the frame; an
    // oversize one is centred on the frame and cut at its edges. Returns
    // where it starts, for its bookmark.
    Rect TrueScale(const BookEntry& e, const std::string& name, const TrueScaleRoom& room, const Placement& at);
    void CheckBar();

    CairoText& Text() { return text_; }

private:
    cairo_t* cr() const { return cr_; }
    void Grey(double level);
    void CellFrameAndName(const Rect& r, const std::string& name);
    void Draw(const figure::Figure& f, double x, double y, double ptPerMm);

    BookOptions options_;
    Size page_;
    cairo_t* cr_ = nullptr;
    CairoText text_;
};

} // namespace tarnel::book
