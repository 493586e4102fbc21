#include "viewer/tarnel.h"

#include "footprint/footprintdrawer.h"
#include "library/legacylibrary.h"
#include "sexpr/sexpr.h"
#include "tokenizer/libtext.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <unordered_map>

namespace tarnel {

TForm1Core::TForm1Core() {
    // A fresh view shows nothing until the first render.
    ViewWidth = 0;
    ViewHeight = 0;
}

// ---------------------------------------------------------------- mapping

int32_t TForm1Core::MapNum(int64_t v, bool track, bool isY) {
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
        // Out-of-range values go through text like every computed value.
        return Map(IntText(v), track, isY);
    }
    const long double div = ScaleDivisor;
    const int64_t origin = static_cast<int64_t>(std::trunc(div / 115.0L * 250.0L));
    const int64_t offset = static_cast<int64_t>(std::trunc(static_cast<long double>(v) / div / 1.15L + 0.5L));
    const int32_t result = ClampToInt32(origin + offset + (isY ? ShiftY : ShiftX));
    if (track) {
        int32_t& low = isY ? lowestY_ : lowestX_;
        if (result < low) low = result;
        int32_t& mn = isY ? ExtentMinY : ExtentMinX;
        int32_t& mx = isY ? ExtentMaxY : ExtentMaxX;
        if (result < mn) mn = result;
        if (mn < 0) mn = 0;
        if (result > mx) mx = result;
    }
    return result;
}

int32_t TForm1Core::Map(std::string_view text, bool track, bool isY) {
    return MapNum(ReadInt(text), track, isY);
}

int32_t TForm1Core::MapX(std::string_view text, bool track) { return Map(text, track, false); }
int32_t TForm1Core::MapY(std::string_view text, bool track) { return Map(text, track, true); }

int64_t MmTextToDecimil(std::string_view text) {
    return RoundHalfEvenL(static_cast<long double>(ReadDecimal(text)) * 10000.0L / 25.4L);
}

int64_t TForm1Core::ReadCoord(int i) {
    if (LineUnits == Units::Millimetre) return MmTextToDecimil(Tokens[i]);
    if (LineUnits == Units::Mil) return int64_t{ReadInt(Tokens[i])} * kSymbolScale;
    return ReadInt(Tokens[i]);
}

int32_t TForm1Core::MapCoord(int i, bool track, bool isY) {
    if (LineUnits == Units::Decimil) return Map(Tokens[i], track, isY);
    return MapNum(ReadCoord(i), track, isY);
}

// ---------------------------------------------------------------- images

void TForm1Core::B_apagarClick() {
    WorkCanvas.PenColor = kWhite;
    WorkCanvas.Brush = BrushStyle::Solid;
    WorkCanvas.BrushColor = kWhite;
    WorkCanvas.FillRect(0, 0, 2000, 2000);
    ViewImage.Brush = BrushStyle::Solid;
    ViewImage.BrushColor = kWhite;
    ViewImage.FillRect(0, 0, ViewWidth, ViewHeight);
    ViewChanged();
}

void TForm1Core::Crop(bool renderPass) {
    if (renderPass) {
        ViewWidth = 2000;
        ViewHeight = 2000;
    }
    ViewImage.BrushColor = kWhite;
    ViewImage.Brush = BrushStyle::Solid;
    ViewImage.FillRect(0, 0, ViewWidth, ViewHeight);
    // 32-bit wrap-around: reset extents give 101 x 101.
    const int32_t W = static_cast<int32_t>(static_cast<uint32_t>(ExtentMaxX) - static_cast<uint32_t>(ExtentMinX) + 100u);
    const int32_t H = static_cast<int32_t>(static_cast<uint32_t>(ExtentMaxY) - static_cast<uint32_t>(ExtentMinY) + 100u);
    // A drawing lying wholly left of or above the canvas gives a blank,
    // empty view.
    ViewWidth = W > 0 ? W : 0;
    ViewHeight = H > 0 ? H : 0;
    const int64_t left = static_cast<int64_t>(ExtentMinX) - 50, top = static_cast<int64_t>(ExtentMinY) - 50;
    ViewImage.CopyRect(0, 0, ViewWidth, ViewHeight, WorkCanvas, left, top, ViewWidth, ViewHeight);
    ViewChanged();
}

// ---------------------------------------------------------------- render pass

void TForm1Core::B_converterClick() {
    const std::string before = Status;
    const int32_t pads = PadCount;
    const TPadState padState = PadState;
    ShiftX = ShiftY = 0;
    RenderPass();
    // Kept whole: a drawing reaching left of or above the canvas is drawn
    // again, moved right and down by what it lacked of the crop's margin.
    constexpr int32_t kMargin = 50, kMostShift = 1000000;
    if (KeepAll && (lowestX_ < kMargin || lowestY_ < kMargin)) {
        ShiftX = lowestX_ < kMargin ? std::min<int64_t>(int64_t{kMargin} - lowestX_, kMostShift) : 0;
        ShiftY = lowestY_ < kMargin ? std::min<int64_t>(int64_t{kMargin} - lowestY_, kMostShift) : 0;
        PadCount = pads;
        PadState = padState;
        RenderPass();
    }
    Crop(true);
    if (Status != before) StatusChanged();
}

void TForm1Core::RenderPass() {
    lowestX_ = lowestY_ = 2147483647;
    ExtentMinX = ExtentMinY = 2147483647;
    ExtentMaxX = ExtentMaxY = -2147483647 - 1;
    B_apagarClick();
    WorkCanvas.PenColor = kBlack;
    WorkCanvas.Mode = PenMode::Mask;
    DefinitionName.clear();
    AliasLine.clear();
    Status.clear();
    LinesAreKicadMod = LinesAreFootprint(Lines);
    FootprintDescription.clear();
    if (LinesAreKicadMod) {
        DrawFootprintLines();
    } else {
        const size_t n = Lines.size();
        for (size_t i = 0; i < n && i < Lines.size(); ++i) interpreta_linha(Lines[i]);
    }
}

void TForm1Core::DrawFootprintLines() {
    LineUnits = Units::Millimetre;
    size_t total = 0;
    for (const auto& l : Lines) total += l.size() + 1;
    std::string text;
    text.reserve(total);
    for (size_t i = 0; i < Lines.size(); ++i) {
        if (i) text += '\n';
        text += Lines[i];
    }
    try {
        const sexpr::Document doc = sexpr::Document::Parse(text);
        footprint::DrawTarget target{WorkCanvas,
                                     [this](int64_t v, bool track, bool isY) { return MapNum(v, track, isY); },
                                     CorPad, CorComp, CorCorpo, CorFuro, TextMode, DrawArcs, 0};
        footprint::DrawFootprint(doc, target);
        PadCount += target.padCount;
        FootprintDescription = footprint::FootprintDescription(doc);
    } catch (const std::exception& e) {
        // Nothing of a footprint that cannot be read is drawn.
        Status = (LinesSource.empty() ? std::string("Comandos") : LinesSource) + ": " + e.what();
        ExtentMinX = ExtentMinY = 2147483647;
        ExtentMaxX = ExtentMaxY = -2147483647 - 1;
        WorkCanvas.Brush = BrushStyle::Solid;
        WorkCanvas.BrushColor = kWhite;
        WorkCanvas.FillRect(0, 0, 2000, 2000);
    }
}

void TForm1Core::B_linhaClick() {
    if (CaretLine >= 0) {
        WorkCanvas.PenColor = kBlack;
        WorkCanvas.Mode = PenMode::Mask;
        std::string line = static_cast<size_t>(CaretLine) < Lines.size() ? Lines[static_cast<size_t>(CaretLine)] : std::string();
        interpreta_linha(line);
    }
    Crop(false);
}

void TForm1Core::interpreta_linha(std::string_view line) {
    if (line.empty()) return;
    ParseResult = Tokens.ParseLine(line);
    if (PadState.InProgress) pad();
    const std::string& t1 = Tokens[1];
    const std::string U = UpperAscii(t1);
    if (U == "S") retangulo();
    if (U == "P") poligono();
    if (U == "$PAD") pad();
    if (U == "X") pino();
    if (!U.empty() && U[0] == 'T') textos();
    if (U == "DA") arco();
    if (U == "DS") linha();
    if (U == "DC") circulo();
    if (U == "DEF") definicao();
    if (U == "ALIAS") AliasLine.assign(line);
    if (t1.size() == 2 && U[0] == 'F') titulos();
}

void TForm1Core::definicao() { DefinitionName = Tokens[8]; }

// ---------------------------------------------------------------- pads

void TForm1Core::pad() {
    TPadState& p = PadState;
    if (!p.InProgress) p.InProgress = true;
    const std::string& t1 = Tokens[1];
    const bool mm = LineUnits == Units::Millimetre;
    const double scale = LineUnits == Units::Mil ? kSymbolScale : 1;
    auto size = [&](int i) {
        double v = ReadDecimal(Tokens[i]);
        return mm ? static_cast<double>(RoundHalfEvenL(static_cast<long double>(v) * 10000.0L / 25.4L)) : v * scale;
    };
    if (t1 == "Sh") {
        p.Shape = Tokens[3];
        p.SizeX = size(4);
        p.Orientation = ReadDecimal(Tokens[8]);
        p.SizeY = Tokens[5] == "0" ? size(4) : size(5);
    } else if (t1 == "At") {
        p.Attribute = Tokens[2];
    } else if (t1 == "Dr") {
        p.Drill = size(2);
    } else if (t1 == "Po") {
        p.PosX = size(2);
        p.PosY = size(3);
    } else if (t1 == "$EndPAD") {
        Color c;
        if (p.Attribute == "STD" || p.Attribute == "CONN") { c = CorPad; ++PadCount; }
        else if (p.Attribute == "SMD") { c = CorComp; ++PadCount; }
        else c = CorFuro;
        p.InProgress = false;
        WorkCanvas.PenColor = c;
        // An empty shape (no Sh line read yet) is drawn like any other
        // non-rectangular pad.
        const char first = p.Shape.empty() ? '\0' : p.Shape[0];
        if (first == 'C') p.SizeY = p.SizeX;
        double w = p.SizeX, h = p.SizeY;
        if (p.Orientation != 0) { w = p.SizeY; h = p.SizeX; }
        auto mapT = [&](double v, bool isY) { return MapNum(TruncToInt(v), true, isY); };
        const int32_t l = mapT(p.PosX - w / 2, false), t = mapT(p.PosY - h / 2, true);
        const int32_t r = mapT(p.PosX + w / 2, false), b = mapT(p.PosY + h / 2, true);
        const int32_t dl = mapT(p.PosX - p.Drill / 2, false), dt = mapT(p.PosY - p.Drill / 2, true);
        const int32_t dr = mapT(p.PosX + p.Drill / 2, false), db = mapT(p.PosY + p.Drill / 2, true);
        Canvas& cv = WorkCanvas;
        cv.Brush = BrushStyle::Solid;
        if (first == 'R') {
            cv.BrushColor = c;
            cv.Rectangle(l, t, r, b);
            cv.BrushColor = kBlack;
            cv.Ellipse(dl, dt, dr, db);
        } else {
            cv.BrushColor = c;
            cv.Ellipse(l, t, r, b);
            cv.BrushColor = CorCorpo;
            cv.Ellipse(dl, dt, dr, db);
            cv.BrushColor = c;
            cv.Ellipse(l, t, r, b);
        }
    }
}

// ---------------------------------------------------------------- outlines

void TForm1Core::linha() {
    WorkCanvas.PenColor = CorCorpo;
    WorkCanvas.Brush = BrushStyle::Solid;
    WorkCanvas.BrushColor = CorCorpo;
    const int32_t x1 = MapCoord(2, true, false), y1 = MapCoord(3, true, true);
    WorkCanvas.MoveTo(x1, y1);
    const int32_t x2 = MapCoord(4, true, false), y2 = MapCoord(5, true, true);
    WorkCanvas.LineTo(x2, y2);
}

void TForm1Core::circulo() {
    WorkCanvas.PenColor = CorCorpo;
    WorkCanvas.Brush = BrushStyle::Solid;
    WorkCanvas.BrushColor = kWhite;
    const int64_t cx = ReadCoord(2), px = ReadCoord(4), cy = ReadCoord(3);
    int64_t r = std::llabs(std::llabs(cx) - std::llabs(px));
    if (r < 1000) r = RoundHalfEvenL(static_cast<long double>(r) / 0.7L);
    const int32_t l = MapNum(cx - r, true, false), t = MapNum(cy - r, true, true);
    const int32_t rr = MapNum(cx + r, true, false), b = MapNum(cy + r, true, true);
    WorkCanvas.Ellipse(l, t, rr, b);
}

void TForm1Core::arco() {
    if (!DrawArcs) return;
    WorkCanvas.PenColor = CorCorpo;
    const int64_t cx = ReadCoord(2), cy = ReadCoord(3), sx = ReadCoord(4), sy = ReadCoord(5);
    int64_t A = RoundHalfEvenL(static_cast<long double>(ReadInt(Tokens[6])) / 10.0L);
    if (A > 180) A = (A - 1) % 180 + 1;  // repeated subtraction of 180
    const int64_t ddx = sx - cx, ddy = sy - cy;
    // The square of the radius must fit 32 bits; larger arcs are not drawn.
    const long double d2l = static_cast<long double>(ddx) * ddx + static_cast<long double>(ddy) * ddy;
    if (d2l > 2147483647.0L) return;
    const int64_t d2 = ddx * ddx + ddy * ddy;
    const int64_t r = RoundHalfEvenL(std::sqrt(static_cast<long double>(d2)));
    if (r == 0) return;
    long double ratio = static_cast<long double>(ddx) / static_cast<long double>(r);
    if (ratio > 1) ratio = 1;
    if (ratio < -1) ratio = -1;
    const int64_t B = RoundHalfEvenL(std::acos(ratio) * 180.0L / static_cast<long double>(M_PI));
    const int64_t D = A - B;
    const long double rad = static_cast<long double>(D) * static_cast<long double>(M_PI) / 180.0L;
    const int64_t ex = D == 90 ? cx : cx + RoundHalfEvenL(static_cast<long double>(r) * std::cos(rad));
    const int64_t ey = (D == 0 || D == 180) ? cy : cy + RoundHalfEvenL(static_cast<long double>(r) * std::sin(rad));
    const int32_t l = MapNum(cx - r, false, false), t = MapNum(cy - r, false, true);
    const int32_t rr = MapNum(cx + r, false, false), b = MapNum(cy + r, false, true);
    const int32_t x3 = MapNum(ex, false, false), y3 = MapNum(ey, false, true);
    const int32_t x4 = MapNum(sx, false, false), y4 = MapNum(sy, false, true);
    WorkCanvas.Arc(l, t, rr, b, x3, y3, x4, y4);
}

// ---------------------------------------------------------------- texts

void TForm1Core::textos() {
    if (TextMode < 1) return;
    WorkCanvas.PenColor = kTeal;
    WorkCanvas.Brush = BrushStyle::Solid;
    WorkCanvas.BrushColor = kWhite;
    const std::string& t1 = Tokens[1];
    const std::string& text = Tokens[Tokens.TokenCount];
    if (t1.size() >= 2 && t1[1] == '0') {
        const int32_t x = MapCoord(2, true, false);
        const int32_t y = MapCoord(3, true, true);
        WorkCanvas.TextOut(x, static_cast<int32_t>(ClampToInt32(static_cast<int64_t>(y) + 20)), text);
    } else if (TextMode == 2) {
        const int32_t x = MapCoord(2, true, false);
        const int32_t y = MapCoord(3, true, true);
        WorkCanvas.TextOut(x, y, text);
    }
}

// ---------------------------------------------------------------- symbols

void TForm1Core::retangulo() {
    const int32_t x1 = MapCoord(2, true, false), y1 = MapCoord(3, true, true);
    const int32_t x2 = MapCoord(4, true, false), y2 = MapCoord(5, true, true);
    WorkCanvas.Rectangle(x1, y1, x2, y2);
}

void TForm1Core::poligono() {
    if (Tokens[4] != "0" && Tokens[4] != "1") return;
    // The count is read from the right, character by character.
    const std::string cnt = UpperAscii(Tokens[2]);
    int64_t n = 0, mul = 1;
    bool tooBig = false;
    for (size_t k = cnt.size(); k-- > 0;) {
        const int code = static_cast<unsigned char>(cnt[k]);
        const int64_t digit = code <= 64 ? code - 48 : code - 55;
        if (mul > 1000000000000LL) { tooBig = true; break; }
        n += digit * mul;
        mul *= 10;
    }
    // Negative counts and counts whose pairs lie past the token table draw
    // nothing.
    if (tooBig || n < 0 || 2 * n + 7 > TokenTable::kSlots) return;
    const std::string& t = Tokens[ParseResult];
    const int64_t m = t == "F" ? n + 1 : n;
    std::vector<QPoint> pts(static_cast<size_t>(m), QPoint(0, 0));
    for (int64_t k = 0; k < n; ++k) {
        const int32_t x = MapCoord(static_cast<int>(2 * k + 6), true, false);
        const int32_t y = MapCoord(static_cast<int>(2 * k + 7), true, true);
        pts[static_cast<size_t>(k)] = QPoint(x, y);
    }
    if (m == n + 1 && Tokens[static_cast<int>(2 * m + 4)] == "F") {
        const int32_t x = MapCoord(6, true, false);
        const int32_t y = MapCoord(7, true, true);
        pts[static_cast<size_t>(n)] = QPoint(x, y);
    }
    WorkCanvas.Polyline(pts);
}

void TForm1Core::pino() {
    auto is01 = [](const std::string& s) { return s == "0" || s == "1"; };
    if (!is01(Tokens[10]) || !is01(Tokens[11])) return;
    Canvas& cv = WorkCanvas;
    const int64_t px = ReadCoord(4), py = ReadCoord(5), len = ReadCoord(6);
    const char letter = Tokens[7].empty() ? '\0' : Tokens[7][0];
    const std::string& name = Tokens[2];
    const std::string& number = Tokens[3];
    const int64_t AX = MapCoord(4, true, false), AY = MapCoord(5, true, true);
    // A pin without a known orientation letter draws only its anchor mark.
    const bool known = letter == 'L' || letter == 'R' || letter == 'U' || letter == 'D';
    if (known) {
        int64_t fx = px, fy = py;
        switch (letter) {
            case 'L': fx = px - len; break;
            case 'R': fx = px + len; break;
            case 'U': fy = py + len; break;
            default: fy = py - len; break;
        }
        const int64_t X = MapNum(fx, true, false), Y = MapNum(fy, true, true);
        const int64_t Wn = cv.TextWidth(name), Hn = cv.TextHeight(name), Wnum = cv.TextWidth(number);
        int64_t nx, ny, mx, my, bx, by;
        switch (letter) {
            case 'L':
                nx = X - Wn - 20; ny = Y - RoundHalfEven(Hn / 2.0);
                mx = X + 20; my = Y - Hn - 5; bx = X + 8; by = Y; break;
            case 'R':
                nx = X + 20; ny = Y - RoundHalfEven(Hn / 2.0);
                mx = X - Wnum - 30; my = Y - Hn - 3; bx = X - 8; by = Y; break;
            case 'U':
                nx = X - Wn - 8; ny = Y + Hn;
                mx = X + RoundHalfEven(Wnum / 2.0); my = Y + 2 * Hn; bx = X; by = Y + 8; break;
            default:
                nx = X - Wn - 8; ny = Y - 2 * Hn;
                mx = X + Wnum; my = Y - Hn; bx = X; by = Y - 8; break;
        }
        cv.MoveTo(static_cast<int>(AX), static_cast<int>(AY));
        cv.LineTo(static_cast<int>(X), static_cast<int>(Y));
        cv.FontColor = Tokens[6] == "0" ? kOlive : kBlack;
        if (name != "~" && name != number) cv.TextOut(ClampToInt32(nx), ClampToInt32(ny), name);
        cv.TextOut(ClampToInt32(mx), ClampToInt32(my), number);
        cv.Ellipse(ClampToInt32(AX - 4), ClampToInt32(AY - 2), ClampToInt32(AX + 2), ClampToInt32(AY + 2));
        if (Tokens[13] == "I") {
            cv.Mode = PenMode::Copy;
            cv.Ellipse(ClampToInt32(bx - 8), ClampToInt32(by - 8), ClampToInt32(bx + 8), ClampToInt32(by + 8));
        }
        return;
    }
    cv.Ellipse(ClampToInt32(AX - 4), ClampToInt32(AY - 2), ClampToInt32(AX + 2), ClampToInt32(AY + 2));
}

void TForm1Core::titulos() {
    WorkCanvas.FontColor = kTeal;
    const int32_t x = MapCoord(3, true, false), y = MapCoord(4, true, true);
    WorkCanvas.TextOut(x, y, Tokens[2]);
}

// ---------------------------------------------------------------- library

// Forgets the current library; false (with the emptied list shown) when no
// file is named.
bool TForm1Core::LeaveLibrary(const std::string& path) {
    ModuleList.clear();
    ItemIndex = -1;
    if (path.empty()) {
        ModuleListChanged();
        return false;
    }
    LibraryPath = path;
    library_.reset();
    return true;
}

void TForm1Core::FileListBox1Click(const std::string& path) {
    if (!LeaveLibrary(path)) return;
    const std::string before = Status;
    Status.clear();
    try {
        library_ = tarnel::OpenLibrary(path);
        ModuleList = library_->Names();
    } catch (const std::exception& e) {
        // A library that cannot be read lists nothing; the status says why.
        Status = std::string("Não foi possível ler a biblioteca: ") + e.what();
    }
    if (Status.empty() && ModuleList.empty()) {
        std::string name = path;
        while (name.size() > 1 && name.back() == '/') name.pop_back();
        name = name.substr(name.find_last_of('/') == std::string::npos ? 0 : name.find_last_of('/') + 1);
        const bool symbols = library_ && library_->Format() == LibraryFormat::Symbol;
        Status = "A biblioteca " + name + (symbols ? " não tem símbolos." : " não tem módulos.");
    }
    if (Status != before) StatusChanged();
    ItemIndex = ModuleList.empty() ? -1 : 0;
    ModuleListChanged();
    if (ModuleList.empty()) {
        // Nothing of the previous library stays on view.
        Lines.clear();
        CaretLine = -1;
        LinesChanged();
        B_apagarClick();
        ViewWidth = ViewHeight = 0;
        ViewChanged();
        return;
    }
    ListBox1Click();
}

void TForm1Core::ListBox1Click() {
    if (ItemIndex < 0 || static_cast<size_t>(ItemIndex) >= ModuleList.size()) return;
    Lines.clear();
    CaretLine = -1;
    LinesChanged();
    if (LibraryPath.empty()) return;
    if (!library_) library_ = tarnel::OpenLibrary(LibraryPath);
    const std::string& name = ModuleList[static_cast<size_t>(ItemIndex)];
    std::string readError;
    if (library_->Format() == LibraryFormat::KicadMod) {
        // One unreadable footprint file must not stop browsing or a catalog.
        try {
            Lines = library_->ModuleLines(name);
        } catch (const std::exception& e) {
            readError = e.what();
        }
    } else {
        Lines = library_->ModuleLines(name);
    }
    LineUnits = library_->LineUnits();
    LinesSource = library_->ModuleSource(name);
    CaretLine = Lines.empty() ? -1 : 0;
    LinesChanged();
    PadCount = 0;
    B_converterClick();
    if (!readError.empty()) {
        Status = readError;
        StatusChanged();
    }
}

void TForm1Core::SelectModule(int index) {
    ItemIndex = index;
    ListBox1Click();
}

int TForm1Core::FindModule(std::string_view name) const {
    for (size_t i = 0; i < ModuleList.size(); ++i)
        if (ModuleList[i] == name) return static_cast<int>(i);
    const std::string want = UpperAscii(name);
    for (size_t i = 0; i < ModuleList.size(); ++i)
        if (UpperAscii(ModuleList[i]) == want) return static_cast<int>(i);
    return -1;
}

void TForm1Core::RenderLines(std::vector<std::string> lines, Units units, const std::string& source) {
    Lines = std::move(lines);
    LineUnits = units;
    LinesSource = source;
    PadCount = 0;
    B_converterClick();
}

void TForm1Core::B_carregarClick(const std::string& fileName) {
    if (!LeaveLibrary(fileName)) return;
    try {
        // Read as a footprint library: a name chosen here finds no module.
        auto lib = std::make_unique<LegacyLibrary>(fileName);
        ModuleList = ScanSymbolNames(lib->Bytes());
        library_ = std::move(lib);
    } catch (...) {
        ModuleListChanged();  // the windows show the emptied list before the error
        throw;
    }
    ModuleListChanged();
}

} // namespace tarnel
