#include "viewer/interpreter.h"

#include "canvas/canvas.h"
#include "tokenizer/libtext.h"

#include <cmath>
#include <cstdlib>

namespace tarnel {

using figure::Ink;
using figure::Kind;
using figure::Paint;
using figure::Role;

int64_t MmTextToDecimil(std::string_view text) {
    return RoundHalfEvenL(static_cast<long double>(ReadDecimal(text)) * 10000.0L / 25.4L);
}

namespace {

void SetPen(Paint& p, Ink i) {
    p.pen = i;
    p.set |= Paint::kPen;
}
void SetBrush(Paint& p, Ink i) {
    p.brush = i;
    p.brushSolid = true;
    p.set |= Paint::kBrush;
}
void SetFont(Paint& p, Ink i) {
    p.font = i;
    p.set |= Paint::kFont;
}
void SetCopyMode(Paint& p, bool copy) {
    p.copyMode = copy;
    p.set |= Paint::kMode;
}

} // namespace

std::vector<std::string> LegacyLayerNames(std::string_view mask) {
    uint64_t bits = 0;
    int digits = 0;
    for (char c : mask) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return {};
        if (++digits > 8) return {};
        bits = bits << 4 | static_cast<uint64_t>(d);
    }
    static const char* const kTechnical[] = {"B.Adhes", "F.Adhes", "B.Paste", "F.Paste", "B.SilkS", "F.SilkS",
                                             "B.Mask",  "F.Mask",  "Dwgs.User", "Cmts.User", "Eco1.User",
                                             "Eco2.User", "Edge.Cuts"};
    std::vector<std::string> names;
    if (bits & (1u << 15)) names.emplace_back("F.Cu");
    if (bits & 1u) names.emplace_back("B.Cu");
    for (int i = 1; i <= 14; ++i)
        if (bits & (1u << i)) names.push_back("In" + std::to_string(i) + ".Cu");
    for (int i = 16; i <= 28; ++i)
        if (bits & (1u << i)) names.emplace_back(kTechnical[i - 16]);
    return names;
}

// ---------------------------------------------------------------- passes

void LegacyInterpreter::Begin(figure::Figure& f, const figure::ReadOptions& options) {
    fig_ = &f;
    options_ = options;
    f.source = figure::Source::LegacyLines;
    f.raster = figure::RasterScale::Decimil;
    f.units = LineUnits == Units::Millimetre ? figure::Units::Millimetre
              : LineUnits == Units::Mil      ? figure::Units::Mil
                                             : figure::Units::Decimil;
    // Item numbers are decimils; a symbol's mils are drawn as kSymbolScale
    // decimils each.
    f.mmPerUnit = LineUnits == Units::Mil ? 0.0254 / kSymbolScale : 0.00254;
}

void LegacyInterpreter::BeginPass(figure::Figure& f, const figure::ReadOptions& options) {
    Begin(f, options);
    state_ = Paint();
    SetPen(state_, Ink::Of(kBlack));
    SetBrush(state_, Ink::Of(kWhite));
    SetCopyMode(state_, false);
}

void LegacyInterpreter::BeginLine(figure::Figure& f, const figure::ReadOptions& options) {
    Begin(f, options);
    state_ = Paint();
    SetPen(state_, Ink::Of(kBlack));
    SetCopyMode(state_, false);
}

figure::Item& LegacyInterpreter::Add(Kind kind, Role role) {
    figure::Item& it = figure::FigureBuilder(*fig_).Begin(kind, role, state_);
    it.flags |= figure::kPointsAreExtents;  // until a point is not tracked
    return it;
}

void LegacyInterpreter::Point(int64_t x, int64_t y, bool track) {
    figure::FigureBuilder b(*fig_);
    const figure::Pt p{static_cast<double>(x), static_cast<double>(y)};
    b.Point(p);
    if (track) b.Extent(p);
    else fig_->items.back().flags &= static_cast<uint8_t>(~figure::kPointsAreExtents);
}

void LegacyInterpreter::StateOnly() { Add(Kind::State, Role::Other); }

int64_t LegacyInterpreter::ReadCoord(int i) {
    if (LineUnits == Units::Millimetre) return MmTextToDecimil(Tokens[i]);
    if (LineUnits == Units::Mil) return int64_t{ReadInt(Tokens[i])} * kSymbolScale;
    return ReadInt(Tokens[i]);
}

// ---------------------------------------------------------------- dispatch

void LegacyInterpreter::interpreta_linha(std::string_view line) {
    if (line.empty()) return;
    ParseResult = Tokens.ParseLine(line);
    const bool inPad = PadState.InProgress;
    if (inPad) pad();
    const std::string& t1 = Tokens[1];
    const std::string U = UpperAscii(t1);
    if (!inPad) Describe(line, U);
    if (U == "S") retangulo();
    if (U == "P") poligono();
    if (U == "$PAD") pad();
    if (U == "X") pino();
    if (!U.empty() && U[0] == 'T') textos();
    if (U == "DA") arco();
    if (U == "DS") linha();
    if (U == "DC") circulo();
    if (U == "DEF") definicao();
    if (U == "ALIAS") fig_->fields.alias.assign(line);
    if (t1.size() == 2 && U[0] == 'F') titulos();
}

void LegacyInterpreter::Describe(std::string_view line, const std::string& keyword) {
    figure::Fields& f = fig_->fields;
    auto rest = [&] {
        std::string_view r = Trim(line);
        const size_t blank = r.find(' ');
        return std::string(blank == std::string_view::npos ? std::string_view() : Trim(r.substr(blank + 1)));
    };
    if (keyword == "$MODULE" || keyword == "DEF") {
        f.name = Tokens[2];
    } else if (keyword == "CD") {
        f.description = rest();
    } else if (keyword == "KW") {
        f.tags = rest();
    } else if (keyword == "AT") {
        f.attributes.clear();
        for (int i = 2; i <= Tokens.TokenCount + 1 && !Tokens[i].empty(); ++i) f.attributes.push_back(Tokens[i]);
    }
}

void LegacyInterpreter::definicao() { fig_->fields.definition = Tokens[8]; }

// ---------------------------------------------------------------- pads

void LegacyInterpreter::pad() {
    TPadState& p = PadState;
    if (!p.InProgress) p.InProgress = true;
    const std::string& t1 = Tokens[1];
    const bool mm = LineUnits == Units::Millimetre;
    const double scale = LineUnits == Units::Mil ? kSymbolScale : 1;
    auto size = [&](int i) {
        double v = ReadDecimal(Tokens[i]);
        return mm ? static_cast<double>(RoundHalfEvenL(static_cast<long double>(v) * 10000.0L / 25.4L)) : v * scale;
    };
    auto file = [&](int i) { return ReadDecimal(Tokens[i]); };
    if (t1 == "Sh") {
        p.Number = Tokens[2];
        p.Shape = Tokens[3];
        p.SizeX = size(4);
        p.Orientation = ReadDecimal(Tokens[8]);
        p.SizeY = Tokens[5] == "0" ? size(4) : size(5);
        p.FileSizeX = file(4);
        p.FileSizeY = Tokens[5] == "0" ? file(4) : file(5);
    } else if (t1 == "At") {
        p.Attribute = Tokens[2];
        p.LayerMask = Tokens[4];
    } else if (t1 == "Dr") {
        p.Drill = size(2);
        p.FileDrill = file(2);
        p.FileDrillOffX = file(3);
        p.FileDrillOffY = file(4);
        p.OvalDrill = Tokens[5] == "O";
        p.FileDrillX = p.OvalDrill ? file(6) : p.FileDrill;
        p.FileDrillY = p.OvalDrill ? file(7) : p.FileDrill;
    } else if (t1 == "Po") {
        p.PosX = size(2);
        p.PosY = size(3);
        p.FilePosX = file(2);
        p.FilePosY = file(3);
    } else if (t1 == "$EndPAD") {
        Ink ink{Ink::Hole, 0};
        Role role = Role::Hole;
        bool counted = false;
        if (p.Attribute == "STD" || p.Attribute == "CONN") ink = {Ink::Pad, 0}, role = Role::Pad, counted = true;
        else if (p.Attribute == "SMD") ink = {Ink::Comp, 0}, role = Role::Copper, counted = true;
        if (counted) ++fig_->padCount;
        p.InProgress = false;
        // An empty shape (no Sh line read yet) is drawn like any other
        // non-rectangular pad.
        const char first = p.Shape.empty() ? '\0' : p.Shape[0];
        if (first == 'C') {
            p.SizeY = p.SizeX;
            p.FileSizeY = p.FileSizeX;
        }

        figure::Pad data;
        data.number = p.Number;
        data.type = p.Attribute;
        data.shape = p.Shape;
        data.at = {p.FilePosX, p.FilePosY};
        data.angle = p.Orientation / 10;
        data.w = p.FileSizeX;
        data.h = p.FileSizeY;
        data.hasDrill = p.FileDrillX > 0 && p.FileDrillY > 0;
        data.drillW = p.FileDrillX;
        data.drillH = p.FileDrillY;
        data.drillOffset = {p.FileDrillOffX, p.FileDrillOffY};
        data.counted = counted;
        data.role = role;
        data.ink = ink;
        data.layers = LegacyLayerNames(p.LayerMask);
        data.copper = true;
        const uint32_t index = static_cast<uint32_t>(fig_->pads.size());
        fig_->pads.push_back(std::move(data));

        double w = p.SizeX, h = p.SizeY;
        if (p.Orientation != 0) { w = p.SizeY; h = p.SizeX; }
        auto box = [&](Kind kind, Role r, double bw, double bh) -> figure::Item& {
            figure::Item& it = Add(kind, r);
            it.index = index;
            it.filled = true;
            it.outline = kind == Kind::Pad && first == 'R' ? figure::Outline::Box : figure::Outline::EllipseBox;
            Point(TruncToInt(p.PosX - bw / 2), TruncToInt(p.PosY - bh / 2), true);
            Point(TruncToInt(p.PosX + bw / 2), TruncToInt(p.PosY + bh / 2), true);
            return it;
        };
        SetPen(state_, ink);
        SetBrush(state_, ink);
        box(Kind::Pad, role, w, h);
        if (first == 'R') {
            SetBrush(state_, Ink::Of(kBlack));
            box(Kind::DrillHole, Role::Drill, p.Drill, p.Drill);
        } else {
            SetBrush(state_, {Ink::Body, 0});
            box(Kind::DrillHole, Role::Drill, p.Drill, p.Drill);
            SetBrush(state_, ink);
            box(Kind::Pad, role, w, h).flags |= figure::kRasterOnly;
        }
    }
}

// ---------------------------------------------------------------- outlines

void LegacyInterpreter::linha() {
    SetPen(state_, {Ink::Body, 0});
    SetBrush(state_, {Ink::Body, 0});
    figure::Item& it = Add(Kind::Segment, Role::Body);
    it.strokeWidth = static_cast<double>(ReadCoord(6));
    it.layer = Tokens[7];
    Point(ReadCoord(2), ReadCoord(3), true);
    Point(ReadCoord(4), ReadCoord(5), true);
}

void LegacyInterpreter::circulo() {
    SetPen(state_, {Ink::Body, 0});
    SetBrush(state_, Ink::Of(kWhite));
    const int64_t cx = ReadCoord(2), px = ReadCoord(4), cy = ReadCoord(3);
    int64_t r = std::llabs(std::llabs(cx) - std::llabs(px));
    if (r < 1000) r = RoundHalfEvenL(static_cast<long double>(r) / 0.7L);
    figure::Item& it = Add(Kind::Circle, Role::Body);
    it.radius = static_cast<double>(r);
    it.strokeWidth = static_cast<double>(ReadCoord(6));
    it.layer = Tokens[7];
    Point(cx, cy, false);
    figure::FigureBuilder b(*fig_);
    b.Extent({static_cast<double>(cx - r), static_cast<double>(cy - r)});  // the box, not the centre
    b.Extent({static_cast<double>(cx + r), static_cast<double>(cy + r)});
}

void LegacyInterpreter::arco() {
    if (!options_.drawArcs) return;
    SetPen(state_, {Ink::Body, 0});
    const int64_t cx = ReadCoord(2), cy = ReadCoord(3), sx = ReadCoord(4), sy = ReadCoord(5);
    int64_t A = RoundHalfEvenL(static_cast<long double>(ReadInt(Tokens[6])) / 10.0L);
    if (A > 180) A = (A - 1) % 180 + 1;  // repeated subtraction of 180
    const int64_t ddx = sx - cx, ddy = sy - cy;
    // The square of the radius must fit 32 bits; larger arcs are not drawn.
    const long double d2l = static_cast<long double>(ddx) * ddx + static_cast<long double>(ddy) * ddy;
    if (d2l > 2147483647.0L) {
        StateOnly();
        return;
    }
    const int64_t d2 = ddx * ddx + ddy * ddy;
    const int64_t r = RoundHalfEvenL(std::sqrt(static_cast<long double>(d2)));
    if (r == 0) {
        StateOnly();
        return;
    }
    long double ratio = static_cast<long double>(ddx) / static_cast<long double>(r);
    if (ratio > 1) ratio = 1;
    if (ratio < -1) ratio = -1;
    const int64_t B = RoundHalfEvenL(std::acos(ratio) * 180.0L / static_cast<long double>(M_PI));
    const int64_t D = A - B;
    const long double rad = static_cast<long double>(D) * static_cast<long double>(M_PI) / 180.0L;
    const int64_t ex = D == 90 ? cx : cx + RoundHalfEvenL(static_cast<long double>(r) * std::cos(rad));
    const int64_t ey = (D == 0 || D == 180) ? cy : cy + RoundHalfEvenL(static_cast<long double>(r) * std::sin(rad));
    figure::Item& it = Add(Kind::Arc, Role::Body);
    it.flags |= figure::kLegacyArc;
    it.radius = static_cast<double>(r);
    it.strokeWidth = static_cast<double>(ReadCoord(7));
    it.layer = Tokens[8];
    Point(cx, cy, false);
    Point(sx, sy, false);
    Point(ex, ey, false);
}

// ---------------------------------------------------------------- texts

void LegacyInterpreter::textos() {
    if (options_.textMode < 1) return;
    SetPen(state_, Ink::Of(kTeal));
    SetBrush(state_, Ink::Of(kWhite));
    const std::string& t1 = Tokens[1];
    const bool name = t1.size() >= 2 && t1[1] == '0';
    if (!name && options_.textMode != 2) {
        StateOnly();
        return;
    }
    figure::Text t;
    t.text = Tokens[Tokens.TokenCount];
    t.height = static_cast<double>(ReadCoord(4));
    t.width = static_cast<double>(ReadCoord(5));
    t.angle = ReadDecimal(Tokens[6]) / 10;
    t.mirrored = Tokens[8] == "M";
    t.layer = Tokens[10];
    t.isName = name;
    t.placement = name ? figure::TextPlacement::TopLeftBelow : figure::TextPlacement::TopLeft;
    figure::Item& it = Add(Kind::Text, Role::Text);
    it.index = static_cast<uint32_t>(fig_->texts.size());
    it.layer = t.layer;
    fig_->texts.push_back(std::move(t));
    Point(ReadCoord(2), ReadCoord(3), true);
}

// ---------------------------------------------------------------- symbols

void LegacyInterpreter::retangulo() {
    Add(Kind::Rect, Role::Body);
    Point(ReadCoord(2), ReadCoord(3), true);
    Point(ReadCoord(4), ReadCoord(5), true);
}

void LegacyInterpreter::poligono() {
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
    figure::Item& it = Add(Kind::Polyline, Role::Body);
    for (int64_t k = 0; k < n; ++k)
        Point(ReadCoord(static_cast<int>(2 * k + 6)), ReadCoord(static_cast<int>(2 * k + 7)), true);
    if (m == n + 1) {
        if (Tokens[static_cast<int>(2 * m + 4)] == "F") Point(ReadCoord(6), ReadCoord(7), true);
        else fig_->items.back().flags |= figure::kTailAtPixelOrigin;
    }
    (void)it;
}

void LegacyInterpreter::pino() {
    auto is01 = [](const std::string& s) { return s == "0" || s == "1"; };
    if (!is01(Tokens[10]) || !is01(Tokens[11])) return;
    figure::Pin pin;
    pin.name = Tokens[2];
    pin.number = Tokens[3];
    pin.at = {static_cast<double>(ReadCoord(4)), static_cast<double>(ReadCoord(5))};
    pin.length = static_cast<double>(ReadCoord(6));
    const char letter = Tokens[7].empty() ? '\0' : Tokens[7][0];
    const bool known = letter == 'L' || letter == 'R' || letter == 'U' || letter == 'D';
    pin.orientation = known ? letter : '\0';
    pin.type = Tokens[12];
    pin.shape = Tokens[13];
    pin.unit = ReadInt(Tokens[10]);
    pin.style = ReadInt(Tokens[11]);
    pin.zeroLengthText = Tokens[6] == "0";
    figure::Item& it = Add(Kind::Pin, Role::Pin);
    it.index = static_cast<uint32_t>(fig_->pins.size());
    const int64_t px = ReadCoord(4), py = ReadCoord(5), len = ReadCoord(6);
    Point(px, py, true);
    if (known) {
        int64_t fx = px, fy = py;
        switch (letter) {
            case 'L': fx = px - len; break;
            case 'R': fx = px + len; break;
            case 'U': fy = py + len; break;
            default: fy = py - len; break;
        }
        Point(fx, fy, true);
        // The pin leaves its texts' colour, and an inverted one copy mode.
        SetFont(state_, Ink::Of(pin.zeroLengthText ? kOlive : kBlack));
        if (pin.shape == "I") SetCopyMode(state_, true);
    }
    fig_->pins.push_back(std::move(pin));
}

void LegacyInterpreter::titulos() {
    SetFont(state_, Ink::Of(kTeal));
    figure::Text t;
    t.text = Tokens[2];
    t.placement = figure::TextPlacement::TopLeft;
    figure::Item& it = Add(Kind::Text, Role::Text);
    it.index = static_cast<uint32_t>(fig_->texts.size());
    fig_->texts.push_back(std::move(t));
    Point(ReadCoord(3), ReadCoord(4), true);
}

} // namespace tarnel
