#pragma once
// Where things go on the pages of the vector catalog, in points (1/72 in)
// from the page's top-left corner: the paper, the frame inside the margins,
// the grid of cells, the drawing scales and the packing of true-size
// footprints.
#include "book/bookoptions.h"

#include <string>
#include <vector>

namespace tarnel::book {

inline constexpr double kPtPerMm = 72.0 / 25.4;

struct Size {
    double w = 0, h = 0;
};
struct Rect {
    double x = 0, y = 0, w = 0, h = 0;
};

Size PaperSize(Paper p);
const char* PaperName(Paper p);  // "A4", "Carta"

// The part of a page inside the margins, between the running head and the
// foot.
Rect Frame(Size page);

// The grid of cells: two columns, three rows, as the drawing catalog.
inline constexpr int kColumns = 2, kRows = 3, kCellsPerPage = kColumns * kRows;
// Cell slot (0 … 5, row by row) of a page.
Rect CellRect(Size page, int slot);

// A drawing scale, paper : drawing.
struct Scale {
    int paper = 1, drawing = 1;
    double Factor() const { return static_cast<double>(paper) / drawing; }
    std::string Caption() const;  // "5:1", "1:2"
};

// 50:1, 20:1, 10:1, 5:1, 2:1, 1:1, 1:2, 1:5, 1:10.
const std::vector<Scale>& Scales();

// The largest scale at which w x h millimetres fit in room (points); the
// smallest when none does.
Scale FitScale(double wMm, double hMm, Size room);

// A round length (1, 2, 5, 10 or 20 mm) for a scale bar: the longest that
// stays within maxPt on paper at factor, else 1 mm.
int ScaleBarMm(double factor, double maxPt);

// True-size packing: boxes (points) placed in list order on shelves, left
// to right and top to bottom, gap apart, on pages of room; a new page when
// the next does not fit. A box larger than the room has a page of its own.
struct Placement {
    int page = 0;        // from 0
    double x = 0, y = 0; // top-left within the room
    bool oversize = false;
};
std::vector<Placement> Pack(const std::vector<Size>& boxes, Size room, double gap);

// Millimetres in Portuguese writing: "5,08", "12", "0,5".
std::string MmText(double mm);

} // namespace tarnel::book
