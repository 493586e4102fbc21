#pragma once
// The interpreter of legacy library lines: module lines ("$PAD" blocks, "DS",
// "DC", "DA", T lines) and symbol lines ("S", "P", "X", F lines). Each line
// is tokenized and dispatched by its keyword to a handler, which adds what it
// draws to a figure in raster decimils, with the pen, brush and font the
// canvas would have at that moment.
#include "figure/figure.h"
#include "library/library.h"
#include "tokenizer/meuparse.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnel {

struct TPadState {
    bool InProgress = false;
    std::string Shape;
    double SizeX = 0, SizeY = 0, Orientation = 0, Drill = 0;
    std::string Attribute;
    double PosX = 0, PosY = 0;
    // The pad as data, in the file's units: number, sizes, drill and layers.
    std::string Number;
    double FileSizeX = 0, FileSizeY = 0, FilePosX = 0, FilePosY = 0;
    double FileDrill = 0, FileDrillX = 0, FileDrillY = 0, FileDrillOffX = 0, FileDrillOffY = 0;
    bool OvalDrill = false;
    std::string LayerMask;
};

// Symbol lines are in mils; each mil is drawn as this many decimils. Ten
// would be true size, at which pins 100 mils apart (the usual pitch) came
// out 8 or 9 pixels apart at "Normal", closer than a line of their names
// (13 pixels). At 16 they are 13 or 14 apart, and a typical symbol (1000
// mils across, 139 pixels) is drawn about as large as a typical footprint
// (1.2 inches, 107 pixels).
constexpr int64_t kSymbolScale = 16;

// Converts a millimetre text to decimils (x 10000 / 25.4, halves to even).
int64_t MmTextToDecimil(std::string_view text);

// The layer names of a legacy pad's hexadecimal layer mask ("00E0FFFF"):
// copper F.Cu, B.Cu, In1.Cu … In14.Cu first, then the technical layers.
std::vector<std::string> LegacyLayerNames(std::string_view mask);

class LegacyInterpreter {
public:
    TokenTable Tokens;
    int32_t ParseResult = 0;
    // The pad block being read; it carries from one drawing to the next.
    TPadState PadState;
    Units LineUnits = Units::Decimil;

    // Starts a drawing into f: the canvas has just been cleared, its pen is
    // black in mask mode and its brush solid white.
    void BeginPass(figure::Figure& f, const figure::ReadOptions& options);
    // Starts drawing one more line on top of the last drawing: the pen is
    // black in mask mode, the rest as the last drawing left it.
    void BeginLine(figure::Figure& f, const figure::ReadOptions& options);

    void interpreta_linha(std::string_view line);
    void definicao();
    void pad();
    void linha();
    void circulo();
    void arco();
    void textos();
    void retangulo();
    void poligono();
    void pino();
    void titulos();

private:
    void Begin(figure::Figure& f, const figure::ReadOptions& options);
    // Keeps the name, description, keywords and attributes a line gives.
    void Describe(std::string_view line, const std::string& keyword);
    figure::Item& Add(figure::Kind kind, figure::Role role);
    void Point(int64_t x, int64_t y, bool track);
    void StateOnly();
    int64_t ReadCoord(int i);  // token i, in decimils
    int64_t FileCoordOf(int i) const;

    figure::Figure* fig_ = nullptr;
    figure::ReadOptions options_;
    figure::Paint state_;  // what the canvas holds, as far as known
};

} // namespace tarnel
