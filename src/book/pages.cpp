#include "book/pages.h"

#include "tokenizer/libtext.h"

#include <algorithm>
#include <cmath>

namespace tarnel::book {

namespace {

using Style = CairoText::Style;
using H = CairoText::H;
using V = CairoText::V;

constexpr double kPad = 2.5 * kPtPerMm;  // inside a cell
constexpr double kNameSize = 9, kSmallSize = 7, kTagSize = 6.5;
constexpr double kContentsRow = 13, kContentsTop = 34;
constexpr double kTrueNameSize = 5;
constexpr const char* kDocumentName = "Catálogo de módulos";

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// "SMD", "PTH", "PTH e SMD", or nothing: as the file says, else by its
// counted pads.
std::string Mounting(const figure::Figure& f) {
    for (const std::string& a : f.fields.attributes) {
        const std::string l = Lower(a);
        if (l == "smd") return "SMD";
        if (l == "through_hole") return "PTH";
    }
    bool thru = false, smd = false;
    for (const figure::Pad& p : f.pads) {
        if (!p.counted) continue;
        const std::string t = PadTypeName(f, p);
        if (t == "thru_hole" || (t != "smd" && p.hasDrill)) thru = true;
        else if (t == "smd") smd = true;
    }
    if (thru && smd) return "PTH e SMD";
    return thru ? "PTH" : smd ? "SMD" : std::string();
}

std::string Plural(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

const char* kDot = " · ";

} // namespace

std::string CountText(size_t n, bool symbols) {
    return symbols ? Plural(n, "símbolo", "símbolos") : Plural(n, "módulo", "módulos");
}

PagePainter::PagePainter(const BookOptions& options, Size page) : options_(options), page_(page) {}

void PagePainter::Draw(const figure::Figure& f, double x, double y, double ptPerMm) {
    CairoDrawOptions o;
    o.padNumbers = options_.padNumbers;
    CairoDevice(cr(), text_, options_.colours).Draw(f, x, y, ptPerMm, o);
}

void PagePainter::Grey(double level) { cairo_set_source_rgb(cr(), level, level, level); }

void PagePainter::TitlePage(const std::vector<LibraryLine>& libraries, const std::string& created) {
    const Size page = page_;
    const Rect f = Frame(page);
    const double cx = page.w / 2;
    double y = f.y + 40;
    Grey(0);
    text_.Line(cr(), kDocumentName, cx, y, 26, Style::Bold, H::Centre);
    y += text_.LineHeight(26, Style::Bold) + 6;
    size_t total = 0, symbols = 0;
    for (const auto& l : libraries) (l.symbols ? symbols : total) += l.count;
    if (libraries.size() == 1) {
        text_.Line(cr(), OneLineText(libraries[0].title), cx, y, 14, Style::Regular, H::Centre);
        y += text_.LineHeight(14);
    }
    y += 14;
    Grey(0.25);
    text_.Line(cr(), "Gerado pelo Tarnel em " + created, cx, y, 10, Style::Regular, H::Centre);
    y += text_.LineHeight(10) + 4;
    const std::string mode = options_.trueScale
                                 ? std::string("Escala 1:1 (tamanho real)") + kDot + "papel " + PaperName(options_.paper)
                                 : std::string("Ajustar à célula") + kDot + "papel " + PaperName(options_.paper);
    text_.Line(cr(), mode, cx, y, 10, Style::Regular, H::Centre);
    y += text_.LineHeight(10) + 4;
    if (options_.trueScale) {
        text_.Line(cr(), "Imprima em tamanho real (100 %, sem ajustar à página) e confira a barra de 10 mm.", cx, y, 9,
                   Style::Regular, H::Centre);
        y += text_.LineHeight(9) + 4;
    }
    std::string totals = Plural(libraries.size(), "biblioteca", "bibliotecas");
    if (total || !symbols) totals += kDot + CountText(total, false);
    if (symbols) totals += kDot + CountText(symbols, true);
    text_.Line(cr(), totals, cx, y, 10, Style::Regular, H::Centre);
    y += text_.LineHeight(10) + 22;

    // The libraries with their counts, as many as the page holds.
    const double colW = std::min(f.w, 360.0), x0 = cx - colW / 2, row = 12;
    const double bottom = f.y + f.h - row;
    for (size_t i = 0; i < libraries.size(); ++i) {
        const LibraryLine& l = libraries[i];
        if (y + row > bottom && i + 1 < libraries.size()) {
            Grey(0.25);
            text_.Line(cr(), "… e mais " + std::to_string(libraries.size() - i) + " (ver o sumário)", x0, y, 9);
            break;
        }
        Grey(0);
        text_.Paragraph(cr(), OneLineText(l.title), x0, y, colW - 90, 9, 1);
        if (!l.error.empty()) cairo_set_source_rgb(cr(), 0.75, 0, 0);
        else Grey(0.25);
        text_.Line(cr(), l.error.empty() ? CountText(l.count, l.symbols) : "ilegível", x0 + colW, y, 9, Style::Regular,
                   H::Right);
        y += row;
    }
}

int PagePainter::ContentsRows() const {
    const Rect f = Frame(page_);
    return std::max(1, static_cast<int>((f.h - kContentsTop) / kContentsRow));
}

void PagePainter::ContentsPage(PdfBook& doc, const std::vector<LibraryLine>& libraries, size_t from, size_t to) {
    const Rect f = Frame(page_);
    Grey(0);
    text_.Line(cr(), from == 0 ? "Sumário" : "Sumário (continuação)", f.x, f.y, 16, Style::Bold);
    double y = f.y + kContentsTop;
    const double pageX = f.x + f.w, countX = pageX - 50;
    for (size_t i = from; i < to && i < libraries.size(); ++i) {
        const LibraryLine& l = libraries[i];
        Grey(0);
        text_.Paragraph(cr(), OneLineText(l.title), f.x, y, countX - f.x - 100, 10, 1);
        if (!l.error.empty()) cairo_set_source_rgb(cr(), 0.75, 0, 0);
        else Grey(0.3);
        text_.Line(cr(), l.error.empty() ? CountText(l.count, l.symbols) : "ilegível", countX, y, 9, Style::Regular,
                   H::Right);
        Grey(0);
        text_.Line(cr(), std::to_string(l.shownPage), pageX, y, 10, Style::Regular, H::Right);
        doc.Link({f.x, y - 1, f.w, kContentsRow}, l.firstPage, 0, 0);
        y += kContentsRow;
    }
}

void PagePainter::RunningHead(const std::string& library, const std::string& label) {
    const Size page = page_;
    const Rect f = Frame(page);
    const double head = f.y - 5 * kPtPerMm;
    if (!library.empty()) {
        Grey(0);
        text_.Line(cr(), OneLineText(library), f.x, head, 8, Style::Bold, H::Left, V::Baseline);
        Grey(0.4);
        text_.Line(cr(), kDocumentName, f.x + f.w, head, 8, Style::Regular, H::Right, V::Baseline);
        Grey(0.7);
        cairo_set_line_width(cr(), 0.5);
        cairo_move_to(cr(), f.x, head + 3);
        cairo_line_to(cr(), f.x + f.w, head + 3);
        cairo_stroke(cr());
    }
    Grey(0.3);
    text_.Line(cr(), label, f.x + f.w, page.h - 7 * kPtPerMm, 8, Style::Regular, H::Right, V::Baseline);
}

// The cell's frame and its name on one line, smaller when it is long, so
// that a search finds it whole.
void PagePainter::CellFrameAndName(const Rect& r, const std::string& name) {
    Grey(0.75);
    cairo_set_line_width(cr(), 0.5);
    cairo_rectangle(cr(), r.x + 1, r.y + 1, r.w - 2, r.h - 2);
    cairo_stroke(cr());
    const double x = r.x + kPad, w = r.w - 2 * kPad;
    const std::string shown = OneLineText(name);
    const double width = text_.Width(shown, kNameSize, Style::Bold);
    const double size = width > w ? kNameSize * w / width : kNameSize;
    Grey(0);
    text_.Line(cr(), shown, x, r.y + kPad, size, Style::Bold);
}

Rect PagePainter::FaultCell(int slot, const std::string& name, const std::string& reason) {
    const Rect r = CellRect(page_, slot);
    const double x = r.x + kPad, w = r.w - 2 * kPad;
    double y = r.y + kPad;
    CellFrameAndName(r, name);
    y += text_.LineHeight(kNameSize, Style::Bold) + 2;
    cairo_set_source_rgb(cr(), 0.75, 0, 0);
    text_.Paragraph(cr(), OneLineText(reason), x, y, w, kSmallSize, 8);
    return r;
}

Rect PagePainter::Cell(int slot, const std::string& name, const BookEntry& e, bool symbols) {
    if (!e.error.empty()) return FaultCell(slot, name, e.error);
    const Rect r = CellRect(page_, slot);
    const figure::Figure& f = e.figure;
    const double x = r.x + kPad, w = r.w - 2 * kPad;
    double y = r.y + kPad;
    CellFrameAndName(r, name);
    y += text_.LineHeight(kNameSize, Style::Bold) + 1;

    Grey(0.2);
    if (!e.description.empty()) y += text_.Paragraph(cr(), OneLineText(e.description), x, y, w, kSmallSize, 2) + 1;
    if (!f.fields.tags.empty()) {
        Grey(0.4);
        y += text_.Paragraph(cr(), "Etiquetas: " + OneLineText(f.fields.tags), x, y, w, kTagSize, 1) + 1;
    }
    std::string info;
    // A symbol has pins, not pads, whatever library it comes from.
    if (symbols || f.source == figure::Source::Symbol || (f.pads.empty() && !f.pins.empty())) {
        info = Plural(f.pins.size(), "pino", "pinos");
    } else {
        info = Plural(static_cast<size_t>(std::max(0, f.padCount)), "ilha", "ilhas");
        const std::string mount = Mounting(f);
        if (!mount.empty()) info += kDot + mount;
    }
    footprint::Box body;
    if (DrawingBounds(f, false, body))
        info += kDot + MmText(body.maxX - body.minX) + " × " + MmText(body.maxY - body.minY) + " mm";
    Grey(0.2);
    text_.Line(cr(), info, x, y, kSmallSize);
    y += text_.LineHeight(kSmallSize) + 3;

    // The drawing, centred, at the largest scale that fits, with the scale
    // and a bar of a round length under it.
    const double foot = r.y + r.h - kPad;
    const double barRow = text_.LineHeight(kSmallSize) + 2;
    const Rect area{x, y, w, foot - barRow - y};
    footprint::Box all;
    if (area.h <= 4 || !DrawingBounds(f, true, all)) {
        Grey(0.5);
        text_.Line(cr(), "(sem desenho)", r.x + r.w / 2, area.y + std::max(0.0, area.h) / 2, kSmallSize,
                   Style::Regular, H::Centre, V::Centre);
        return r;
    }
    const double bw = all.maxX - all.minX, bh = all.maxY - all.minY;
    const Scale scale = FitScale(bw, bh, {area.w - 4, area.h - 4});
    const double k = scale.Factor() * kPtPerMm;
    const double ox = area.x + area.w / 2 - (all.minX + bw / 2) * k;
    const double oy = area.y + area.h / 2 - (all.minY + bh / 2) * k;
    cairo_save(cr());
    cairo_rectangle(cr(), area.x, area.y, area.w, area.h);
    cairo_clip(cr());
    Draw(f, ox, oy, k);
    cairo_restore(cr());

    Grey(0.2);
    text_.Line(cr(), "Escala " + scale.Caption(), x, foot, kSmallSize, Style::Regular, H::Left, V::Baseline);
    const int barMm = ScaleBarMm(scale.Factor(), 0.45 * w);
    const double barPt = barMm * k;
    const std::string barText = std::to_string(barMm) + " mm";
    const double textW = text_.Width(barText, kSmallSize);
    const double bx1 = x + w - textW - 4, bx0 = bx1 - barPt, by = foot - 2.5;
    cairo_set_line_width(cr(), 0.8);
    cairo_set_line_cap(cr(), CAIRO_LINE_CAP_BUTT);
    cairo_move_to(cr(), bx0, by);
    cairo_line_to(cr(), bx1, by);
    cairo_move_to(cr(), bx0, by - 2.5);
    cairo_line_to(cr(), bx0, by + 2.5);
    cairo_move_to(cr(), bx1, by - 2.5);
    cairo_line_to(cr(), bx1, by + 2.5);
    cairo_stroke(cr());
    text_.Line(cr(), barText, x + w, foot, kSmallSize, Style::Regular, H::Right, V::Baseline);
    return r;
}

void PagePainter::Note(const std::string& text) {
    const Rect f = Frame(page_);
    Grey(0.4);
    text_.Line(cr(), text, f.x + f.w / 2, f.y + f.h / 3, 10, Style::Regular, H::Centre, V::Centre);
}

TrueScaleRoom PagePainter::Room(const BookEntry& e, const std::string& name) {
    TrueScaleRoom room;
    const Rect frame = Frame(page_);
    const double nameH = text_.LineHeight(kTrueNameSize, Style::Bold) + 1;
    if (!e.error.empty()) {
        const double w = text_.Width(OneLineText(name + ": " + e.error), kTrueNameSize, Style::Bold);
        room.size = {std::min(w, frame.w), nameH};
        return room;
    }
    const double nameW = text_.Width(OneLineText(name), kTrueNameSize, Style::Bold);
    footprint::Box b;
    if (!DrawingBounds(e.figure, true, b)) {
        room.size = {nameW, nameH};
        return room;
    }
    const double bw = (b.maxX - b.minX) * kPtPerMm, bh = (b.maxY - b.minY) * kPtPerMm;
    room.drawing = true;
    room.size = {std::max(bw, nameW), nameH + bh};
    room.originX = (room.size.w - bw) / 2 - b.minX * kPtPerMm;
    room.originY = nameH - b.minY * kPtPerMm;
    return room;
}

Rect PagePainter::TrueScale(const BookEntry& e, const std::string& name, const TrueScaleRoom& room,
                            const Placement& at) {
    const Rect frame = Frame(page_);
    double x = frame.x + at.x, y = frame.y + at.y;
    if (at.oversize) {
        x = frame.x + (frame.w - room.size.w) / 2;
        y = frame.y + std::max(0.0, (frame.h - room.size.h) / 2);
    }
    const double lx = std::max(x, frame.x), ly = std::max(y, frame.y);
    if (!e.error.empty()) {
        cairo_set_source_rgb(cr(), 0.75, 0, 0);
        text_.Paragraph(cr(), OneLineText(name + ": " + e.error), lx, ly, frame.w - (lx - frame.x), kTrueNameSize, 1,
                        Style::Bold);
        return {lx, ly, room.size.w, room.size.h};
    }
    Grey(0);
    std::string label = OneLineText(name);
    if (at.oversize) label += " (maior que a página: cortado)";
    text_.Line(cr(), label, lx, ly, kTrueNameSize, Style::Bold);
    if (room.drawing) {
        cairo_save(cr());
        cairo_rectangle(cr(), frame.x, frame.y, frame.w, frame.h);
        cairo_clip(cr());
        Draw(e.figure, x + room.originX, y + room.originY, kPtPerMm);
        cairo_restore(cr());
    }
    return {lx, ly, room.size.w, room.size.h};
}

void PagePainter::CheckBar() {
    const Size page = page_;
    const Rect f = Frame(page);
    const double y = page.h - 7 * kPtPerMm, x0 = f.x, x1 = f.x + 10 * kPtPerMm;
    Grey(0);
    cairo_set_line_width(cr(), 0.6);
    cairo_set_line_cap(cr(), CAIRO_LINE_CAP_BUTT);
    cairo_move_to(cr(), x0, y);
    cairo_line_to(cr(), x1, y);
    for (double t : {0.0, 5.0, 10.0}) {
        const double tx = x0 + t * kPtPerMm, tick = t == 5 ? 1 : 2;
        cairo_move_to(cr(), tx, y - tick * kPtPerMm);
        cairo_line_to(cr(), tx, y);
    }
    cairo_stroke(cr());
    Grey(0.2);
    text_.Line(cr(), "10 mm: confira com uma régua (imprima em tamanho real, 100 %)", x1 + 3 * kPtPerMm, y, 7,
               Style::Regular, H::Left, V::Baseline);
}

} // namespace tarnel::book
