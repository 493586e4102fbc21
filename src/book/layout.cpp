#include "book/layout.h"

#include <cmath>
#include <cstdio>

namespace tarnel::book {

namespace {
// Margins in millimetres: sides, top (with the running head), bottom (with
// the foot).
constexpr double kSide = 12, kTop = 16, kBottom = 14;
} // namespace

Size PaperSize(Paper p) {
    if (p == Paper::Letter) return {612, 792};
    return {210 * kPtPerMm, 297 * kPtPerMm};
}

const char* PaperName(Paper p) { return p == Paper::Letter ? "Carta" : "A4"; }

Rect Frame(Size page) {
    return {kSide * kPtPerMm, kTop * kPtPerMm, page.w - 2 * kSide * kPtPerMm, page.h - (kTop + kBottom) * kPtPerMm};
}

Rect CellRect(Size page, int slot) {
    const Rect f = Frame(page);
    const double w = f.w / kColumns, h = f.h / kRows;
    return {f.x + (slot % kColumns) * w, f.y + (slot / kColumns) * h, w, h};
}

std::string Scale::Caption() const { return std::to_string(paper) + ":" + std::to_string(drawing); }

const std::vector<Scale>& Scales() {
    static const std::vector<Scale> s{{50, 1}, {20, 1}, {10, 1}, {5, 1}, {2, 1},
                                      {1, 1},  {1, 2},  {1, 5},  {1, 10}};
    return s;
}

Scale FitScale(double wMm, double hMm, Size room) {
    for (const Scale& s : Scales()) {
        const double k = s.Factor() * kPtPerMm;
        if (wMm * k <= room.w && hMm * k <= room.h) return s;
    }
    return Scales().back();
}

int ScaleBarMm(double factor, double maxPt) {
    int best = 1;
    for (int mm : {1, 2, 5, 10, 20})
        if (mm * factor * kPtPerMm <= maxPt) best = mm;
    return best;
}

std::vector<Placement> Pack(const std::vector<Size>& boxes, Size room, double gap) {
    std::vector<Placement> out;
    out.reserve(boxes.size());
    int page = 0;
    double x = 0, y = 0, shelf = 0;  // the shelf's top is y, its height shelf
    bool empty = true;               // nothing on the page yet
    for (const Size& b : boxes) {
        Placement p;
        if (b.w > room.w || b.h > room.h) {
            if (!empty) ++page;
            p.page = page, p.oversize = true;
            out.push_back(p);
            ++page;
            x = y = shelf = 0;
            empty = true;
            continue;
        }
        if (!empty && x + b.w > room.w) {
            // The next shelf.
            y += shelf + gap;
            x = 0, shelf = 0;
        }
        if (!empty && y + b.h > room.h) {
            ++page;
            x = y = shelf = 0;
        }
        p.page = page, p.x = x, p.y = y;
        out.push_back(p);
        x += b.w + gap;
        shelf = std::max(shelf, b.h);
        empty = false;
    }
    return out;
}

std::string MmText(double mm) {
    if (!std::isfinite(mm)) mm = 0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", mm);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    for (char& c : s)
        if (c == '.') c = ',';
    return s;
}

} // namespace tarnel::book
