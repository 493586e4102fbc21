#pragma once
// The browsing and drawing state of the main window, without widgets: the
// coordinate mapping, the render pass and its interpreter, the element
// drawers, and the scan and extraction of library modules. The windows, the
// catalogs and tarnel-cli all drive this one object.
#include "tokenizer/meuparse.h"
#include "viewer/canvas.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarnel {

enum class Units { Decimil, Millimetre };

struct TPadState {
    bool InProgress = false;
    std::string Shape;
    double SizeX = 0, SizeY = 0, Orientation = 0, Drill = 0;
    std::string Attribute;
    double PosX = 0, PosY = 0;
};

// One library module index entry: where its lines are in the file.
struct ModuleSpan {
    size_t begin = 0, end = 0;  // byte range of the module's lines
};

// The text of a library file read once, with where each module starts, so a
// catalog does not read the file once per module. Re-read when the file's
// size or modification time changes.
struct LibraryCache {
    std::string path;
    int64_t size = -1;
    int64_t mtime = 0;
    std::string bytes;
    bool indexed = false;
    std::unordered_map<std::string, size_t> firstModule;  // upper-cased name -> line offset
};

class TForm1Core {
public:
    TForm1Core();
    virtual ~TForm1Core() = default;

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

    // FileListBox1Click given the chosen file; errors are swallowed.
    void FileListBox1Click(const std::string& path);
    // ListBox1Click: extracts the selected module and renders it; throws on
    // read errors.
    void ListBox1Click();
    // B_carregarClick given the hidden file-name box's text.
    void B_carregarClick(const std::string& fileName);

    // Hooks for the windows to mirror the state.
    virtual void ModuleListChanged() {}
    virtual void LinesChanged() {}
    virtual void ViewChanged() {}

    // Reads the library through the cache (re-read when it changes).
    const std::string& LibraryBytes(const std::string& path);
    // The selected module's lines, through the cache's name index.
    std::vector<std::string> ExtractFromLibrary(const std::string& path, const std::string& name);
    Units LibraryUnits = Units::Decimil;  // units declared by LibraryPath

private:
    int32_t Map(std::string_view text, bool track, bool isY);
    int32_t MapNum(int64_t v, bool track, bool isY);
    int32_t MapCoord(int i, bool track, bool isY);  // token i, in library units
    int64_t ReadCoord(int i);                       // token i, as decimils
    void Crop(bool renderPass);
    LibraryCache cache_;
};

// Scan helpers shared with the index and the command-line tool.
std::vector<std::string> ScanModuleNames(std::string_view bytes);
Units ScanUnits(std::string_view bytes);
// Extracts the lines of the first module named name (letter case ignored).
std::vector<std::string> ExtractModuleLines(std::string_view bytes, std::string_view name);
// The same, starting at the "$MODULE" line at byte offset begin.
std::vector<std::string> ExtractModuleLinesAt(std::string_view bytes, size_t begin);
// Upper-cased trimmed names of the "$MODULE" lines -> offset of the first.
std::unordered_map<std::string, size_t> IndexModules(std::string_view bytes);
// Converts a millimetre text to decimils (x 10000 / 25.4, halves to even).
int64_t MmTextToDecimil(std::string_view text);

} // namespace tarnel
