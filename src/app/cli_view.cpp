// tarnel-cli list / render: the module list and the drawing of one module
// (or symbol).
#include "app/cli.h"
#include "app/cli_list.h"
#include "output/figurejson.h"
#include "output/svgdevice.h"
#include "tokenizer/libtext.h"
#include "viewer/tarnel.h"

#include <QImage>

#include <climits>
#include <cstdio>
#include <stdexcept>

using namespace tarnel;
using namespace tarnel::cli;

namespace {

QImage ViewAsImage(const TForm1Core& v) {
    const int64_t W = v.View().ViewWidth, H = v.View().ViewHeight;
    if (W * H > 64LL * 1024 * 1024) throw std::runtime_error("the view is too large for a PNG");
    QImage img(static_cast<int>(std::max<int64_t>(W, 1)), static_cast<int>(std::max<int64_t>(H, 1)), QImage::Format_RGB32);
    img.fill(Qt::white);
    const QImage& pic = v.ViewImage().Image();
    for (int y = 0; y < H && y < pic.height(); ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(pic.constScanLine(y));
        QRgb* dst = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < W && x < pic.width(); ++x) dst[x] = src[x];
    }
    return img;
}

const char* UnitsName(Units u) {
    switch (u) {
        case Units::Millimetre: return "mm";
        case Units::Mil: return "mil";
        default: return "decimil";
    }
}

// The drawing options every verb that draws takes.
void TakeDrawingOptions(Args& a, TForm1Core& v) {
    std::string opt;
    v.Options().ScaleDivisor = 100;
    if (TakeOption(a, "--divisor", opt)) v.Options().ScaleDivisor = ParseIntArg(opt, "--divisor", 1, 100000);
    if (TakeOption(a, "--texts", opt)) {
        if (opt == "none") v.Options().TextMode = 0;
        else if (opt == "name") v.Options().TextMode = 1;
        else if (opt == "all") v.Options().TextMode = 2;
        else throw UsageError{"--texts takes none, name or all"};
    }
    if (TakeFlag(a, "--no-arcs")) v.Options().DrawArcs = false;
}

// Draws the item named a[1] of library a[0]; throws when it cannot.
void DrawNamed(const Args& a, TForm1Core& v) {
    if (a.size() != 2) throw UsageError{"expects LIBRARY NAME"};
    v.OpenLibrary(a[0]);
    // An unreadable library is an error here, not an empty list.
    if (!v.CurrentLibrary()) throw std::runtime_error(v.Status());
    const int found = v.FindModule(a[1]);
    if (found < 0) throw std::runtime_error("no module named \"" + a[1] + "\" in " + a[0]);
    v.SelectModule(found);
    if (!v.Status().empty()) throw std::runtime_error(v.Status());
}

// "--unit N --style M" for a current symbol: checked against its counts once
// it is drawn, then drawn in them.
struct SymbolChoice {
    bool given = false;
    int unit = 1, style = 1;
};

SymbolChoice TakeSymbolChoice(Args& a) {
    SymbolChoice c;
    std::string opt;
    if (TakeOption(a, "--unit", opt)) c.unit = ParseIntArg(opt, "--unit", 1, INT_MAX), c.given = true;
    if (TakeOption(a, "--style", opt)) c.style = ParseIntArg(opt, "--style", 1, INT_MAX), c.given = true;
    return c;
}

void DrawChoice(const SymbolChoice& c, TForm1Core& v) {
    if (!v.LinesAreKicadSym()) {
        if (c.given) throw UsageError{"--unit and --style choose among the units of a .kicad_sym symbol"};
        return;
    }
    const figure::SymbolView& s = v.LastFigure().symbol;
    if (c.unit > s.unitCount)
        throw UsageError{"--unit must be from 1 to " + std::to_string(s.unitCount) + " for this symbol"};
    if (c.style > s.styleCount)
        throw UsageError{"--style must be from 1 to " + std::to_string(s.styleCount) + " for this symbol"};
    if (c.unit == 1 && c.style == 1) return;
    v.SetSymbolView(c.unit, c.style);
    v.ListBox1Click();
    if (!v.Status().empty()) throw std::runtime_error(v.Status());
}

int Render(const Args& in) {
    Args a = in;
    TForm1Core v;
    TakeDrawingOptions(a, v);
    const SymbolChoice choice = TakeSymbolChoice(a);
    std::string png, svg, linesFile;
    v.Options().KeepAll = TakeFlag(a, "--keep-all");  // as the main window draws
    TakeOption(a, "--png", png);
    TakeOption(a, "--svg", svg);
    const bool fromLines = TakeOption(a, "--lines", linesFile);
    if (fromLines) {
        if (!a.empty()) throw UsageError{"--lines FILE takes no LIBRARY or NAME"};
        const std::string bytes = ReadFileBytes(linesFile);
        v.RenderText(ModuleText(bytes), ScanUnits(bytes), linesFile);
        if (!v.Status().empty()) throw std::runtime_error(v.Status());
    } else {
        DrawNamed(a, v);
        DrawChoice(choice, v);
    }
    if (!png.empty()) {
        SavePng(ViewAsImage(v), png);
    }
    if (!svg.empty()) {
        const ViewOptions& o = v.Options();
        SaveBytes(FigureSvg(v.LastFigure(), Palette{o.CorPad, o.CorComp, o.CorCorpo, o.CorFuro}), svg);
    }
    if (v.LinesAreKicadSym()) {
        const figure::SymbolView& s = v.LastFigure().symbol;
        std::printf("{\"width\":%d,\"height\":%d,\"pads\":0,\"definition\":\"\",\"alias\":\"\",\"extents\":[%d,%d,%d,%d],"
                    "\"units\":\"mm\",\"format\":\"kicad_sym\",\"pins\":%d,\"unit\":%d,\"unit_count\":%d,\"style\":%d,"
                    "\"style_count\":%d,\"root\":%s}\n",
                    v.View().ViewWidth, v.View().ViewHeight, v.View().ExtentMinX, v.View().ExtentMaxX,
                    v.View().ExtentMinY, v.View().ExtentMaxY, s.pinsDrawn, s.unit, s.unitCount, s.style, s.styleCount,
                    JsonString(s.root).c_str());
        return 0;
    }
    std::printf("{\"width\":%d,\"height\":%d,\"pads\":%d,\"definition\":%s,\"alias\":%s,\"extents\":[%d,%d,%d,%d],\"units\":\"%s\",\"format\":\"%s\"}\n",
                v.View().ViewWidth, v.View().ViewHeight, v.PadCount(), JsonString(v.DefinitionName()).c_str(),
                JsonString(v.AliasLine()).c_str(), v.View().ExtentMinX, v.View().ExtentMaxX, v.View().ExtentMinY, v.View().ExtentMaxY,
                UnitsName(v.LineUnits()), v.LinesAreKicadMod() ? "kicad_mod" : "legacy");
    return 0;
}

int Info(const Args& in) {
    Args a = in;
    TForm1Core v;
    TakeDrawingOptions(a, v);
    DrawNamed(a, v);
    std::printf("%s\n", FigureInfoJson(v.LastFigure()).c_str());
    return 0;
}

Verb listVerb("list", "LIBRARY", List, false);
Verb renderVerb("render",
                "LIBRARY NAME | --lines FILE  [--unit N] [--style M] [--divisor N] [--texts none|name|all] [--no-arcs] "
                "[--keep-all] [--png FILE] [--svg FILE]",
                Render);
Verb infoVerb("info", "LIBRARY NAME  [--texts none|name|all] [--no-arcs]", Info);

} // namespace
