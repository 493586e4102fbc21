#pragma once
// The browsing and drawing state of the main window, without widgets: the
// open library, the coordinate mapping, the render pass with its interpreter
// and element drawers for legacy lines, and the drawing of current
// footprints. The windows, the catalogs, tarnel-cli, the benchmarks and the
// fuzz targets all drive this one object through its API.
#include "library/legacyscan.h"
#include "library/library.h"
#include "tokenizer/meuparse.h"
#include "canvas/canvas.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarnel {

struct TPadState {
    bool InProgress = false;
    std::string Shape;
    double SizeX = 0, SizeY = 0, Orientation = 0, Drill = 0;
    std::string Attribute;
    double PosX = 0, PosY = 0;
};

// What a window hears from the viewer core.
class ViewerListener {
public:
    virtual ~ViewerListener() = default;
    virtual void ModuleListChanged() {}
    virtual void LinesChanged() {}
    virtual void ViewChanged() {}
    virtual void StatusChanged() {}
};

class TForm1Core {
public:
    TForm1Core();
    TForm1Core(const TForm1Core&) = delete;
    TForm1Core& operator=(const TForm1Core&) = delete;

    // The one listener, null for none (tools and catalogs run without).
    void SetListener(ViewerListener* l) { listener_ = l; }

    // Drawing state.
    int32_t ScaleDivisor = 10;
    int32_t ExtentMinX = 2147483647, ExtentMaxX = -2147483647 - 1;
    int32_t ExtentMinY = 2147483647, ExtentMaxY = -2147483647 - 1;
    Color CorPad = kGreen, CorComp = kRed, CorCorpo = kBlue, CorFuro = kOlive;
    Canvas WorkCanvas{2000, 2000};
    Canvas ViewImage{2000, 2000};
    int ViewWidth = 0, ViewHeight = 0;  // displayed size of the view

    // Interpreter state.
    TokenTable Tokens;
    int32_t ParseResult = 0;
    TPadState PadState;
    int32_t PadCount = 0;
    std::string DefinitionName;
    std::string AliasLine;
    int TextMode = 0;        // RG_textos: 0 Nenhum, 1 Só nome, 2 Todos
    // The main window keeps a drawing whole: what would fall left of or
    // above the canvas is moved into view. Catalogs and tarnel-cli render
    // keep the plain mapping.
    bool KeepAll = false;
    int64_t ShiftX = 0, ShiftY = 0;  // the move, in pixels, of the last drawing
    bool DrawArcs = true;    // CB_arcos
    Units LineUnits = Units::Decimil;  // units of the command lines

    // Browsing state.
    std::string LibraryPath;
    std::vector<std::string> ModuleList;  // ListBox1 items
    int ItemIndex = -1;                   // ListBox1 selection
    std::vector<std::string> Lines;       // the memo TextListBox1
    int CaretLine = -1;                   // the memo's caret line, -1 none

    int32_t MapX(std::string_view text, bool track);
    int32_t MapY(std::string_view text, bool track);

    void B_apagarClick();
    void B_converterClick();
    void interpreta_linha(std::string_view line);
    void definicao();
    void B_linhaClick();

    void pad();
    void linha();
    void circulo();
    void arco();
    void textos();
    void retangulo();
    void poligono();
    void pino();
    void titulos();

    // The viewer's API for windows, catalogs and tools.
    //
    // Opens a library (a "*.mod" file, a ".pretty" folder or a "*.lib"
    // symbol library), lists its modules (or symbols) and draws the first. A library that cannot be read lists
    // nothing and says why in Status.
    void OpenLibrary(const std::string& path) { FileListBox1Click(path); }
    // Selects module i of the list and draws it.
    void SelectModule(int index);
    // The first module named name, letter case ignored; -1 when none.
    int FindModule(std::string_view name) const;
    // Draws lines as "Converter" draws the memo: a current footprint when
    // they start with "(", legacy command lines otherwise. source names them
    // in messages.
    void RenderLines(std::vector<std::string> lines, Units units, const std::string& source);
    // The open library, null when none.
    Library* CurrentLibrary() const { return library_.get(); }

    // A one-line message about the last library opened or footprint drawn;
    // empty when all went well.
    std::string Status;
    // Where Lines came from (a file), for messages.
    std::string LinesSource;
    // Whether the last drawing was of a current footprint, and its
    // "(descr …)" text.
    bool LinesAreKicadMod = false;
    std::string FootprintDescription;

    // FileListBox1Click given the chosen file or folder; errors are
    // swallowed.
    void FileListBox1Click(const std::string& path);
    // ListBox1Click: extracts the selected module and renders it; throws on
    // read errors.
    void ListBox1Click();
    // B_carregarClick given the hidden file-name box's text.
    void B_carregarClick(const std::string& fileName);

    // Tell the listener that a part of the state changed.
    void ModuleListChanged() { if (listener_) listener_->ModuleListChanged(); }
    void LinesChanged() { if (listener_) listener_->LinesChanged(); }
    void ViewChanged() { if (listener_) listener_->ViewChanged(); }
    void StatusChanged() { if (listener_) listener_->StatusChanged(); }

    // Maps a coordinate in decimils, tracking the extents when asked.
    int32_t MapDecimil(int64_t v, bool track, bool isY) { return MapNum(v, track, isY); }

private:
    bool LeaveLibrary(const std::string& path);
    int32_t Map(std::string_view text, bool track, bool isY);
    int32_t MapNum(int64_t v, bool track, bool isY);
    int32_t MapCoord(int i, bool track, bool isY);  // token i, in library units
    int64_t ReadCoord(int i);                       // token i, as decimils
    void Crop(bool renderPass);
    void DrawFootprintLines();
    void RenderPass();
    int32_t lowestX_ = 2147483647, lowestY_ = 2147483647;  // least mapped places, not clamped
    std::unique_ptr<Library> library_;
    ViewerListener* listener_ = nullptr;
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

} // namespace tarnel
