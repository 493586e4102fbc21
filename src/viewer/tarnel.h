#pragma once
// The browser behind the main window, without widgets: the open library, its
// module list and the chosen module's text, read into a figure and drawn on
// the work canvas. The windows, the catalogs, tarnel-cli, the benchmarks and
// the fuzz targets all drive this one object through its API.
#include "canvas/canvas.h"
#include "figure/figure.h"
#include "library/legacyscan.h"
#include "library/library.h"
#include "library/moduletext.h"
#include "viewer/interpreter.h"
#include "viewer/mapping.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarnel {

// What a window hears from the viewer core.
class ViewerListener {
public:
    virtual ~ViewerListener() = default;
    virtual void ModuleListChanged() {}
    virtual void LinesChanged() {}
    virtual void ViewChanged() {}
    virtual void StatusChanged() {}
};

// How drawings are made; a change takes effect at the next drawing.
struct ViewOptions {
    int32_t ScaleDivisor = 10;
    Color CorPad = kGreen, CorComp = kRed, CorCorpo = kBlue, CorFuro = kOlive;
    int TextMode = 0;     // RG_textos: 0 Nenhum, 1 Só nome, 2 Todos
    bool DrawArcs = true; // CB_arcos
    // The main window keeps a drawing whole: what would fall left of or
    // above the canvas is moved into view, and a footprint's view holds its
    // texts. Catalogs and tarnel-cli render keep the plain mapping.
    bool KeepAll = false;
    // "Números das ilhas": a current footprint's pads carry their numbers.
    bool PadNumbers = false;
};

// The view made from the last drawing.
struct ViewState {
    int32_t ExtentMinX = 2147483647, ExtentMaxX = -2147483647 - 1;
    int32_t ExtentMinY = 2147483647, ExtentMaxY = -2147483647 - 1;
    int ViewWidth = 0, ViewHeight = 0;  // displayed size of the view
    int64_t ShiftX = 0, ShiftY = 0;     // the move, in pixels, of a drawing kept whole
};

class TForm1Core {
public:
    TForm1Core() = default;
    TForm1Core(const TForm1Core&) = delete;
    TForm1Core& operator=(const TForm1Core&) = delete;

    // The one listener, null for none (tools and catalogs run without).
    void SetListener(ViewerListener* l) { listener_ = l; }

    ViewOptions& Options() { return options_; }
    const ViewOptions& Options() const { return options_; }

    // ------------------------------------------------------------ the last result
    // What the last drawing drew, and the view made of it.
    const figure::Figure& LastFigure() const { return figure_; }
    ViewState View() const;
    const Canvas& WorkCanvas() const { return work_; }
    // The work canvas, for a tool that sets its pens before a line is drawn.
    Canvas& WorkCanvas() { return work_; }
    const Canvas& ViewImage() const { return viewImage_; }
    Canvas& ViewImage() { return viewImage_; }
    // Pads counted since the module was chosen.
    int32_t PadCount() const { return padCount_; }
    const std::string& DefinitionName() const { return figure_.fields.definition; }
    const std::string& AliasLine() const { return figure_.fields.alias; }
    // Units of the lines drawn.
    Units LineUnits() const { return interpreter_.LineUnits; }
    // Whether the last drawing was of a current footprint, and its
    // "(descr …)" text.
    bool LinesAreKicadMod() const { return figure_.source == figure::Source::Footprint; }
    // Whether the last drawing was of a current symbol.
    bool LinesAreKicadSym() const { return figure_.source == figure::Source::Symbol; }
    const std::string& FootprintDescription() const { return figure_.fields.description; }
    // A one-line message about the last library opened or footprint drawn;
    // empty when all went well.
    const std::string& Status() const { return status_; }
    // A one-line note about the last drawing that is no fault: a current
    // symbol's unit and counts and the symbols it extends, and the files of
    // a symbol folder left out. Windows show it when Status is empty.
    const std::string& Info() const { return info_; }

    // ------------------------------------------------------------ symbol view
    // The unit and body style a current symbol is drawn in: 1 and 1 when a
    // symbol is chosen, then as chosen here until another one is.
    int SymbolUnit() const { return symbolUnit_; }
    int SymbolStyle() const { return symbolStyle_; }
    // Takes effect at the next drawing; each is held to the symbol's counts.
    void SetSymbolView(int unit, int style);
    // The next symbol drawn, even the one shown, starts at unit 1, style 1.
    void ResetSymbolView() { symbolViewFor_.clear(); }

    // ------------------------------------------------------------ browsing
    const std::string& LibraryPath() const { return libraryPath_; }
    const std::vector<std::string>& ModuleList() const { return moduleList_; }  // ListBox1 items
    int ItemIndex() const { return itemIndex_; }                                // ListBox1 selection
    // Moves the selection without drawing.
    void SetItemIndex(int i) { itemIndex_ = i; }
    // The memo TextListBox1: the chosen module's text, or the lines edited.
    const ModuleText& Lines() const { return lines_; }
    // Where Lines came from (a file), for messages.
    const std::string& LinesSource() const { return linesSource_; }
    int CaretLine() const { return caretLine_; }  // the memo's caret line, -1 none
    void SetCaretLine(int line) { caretLine_ = line; }
    // Sets the memo as the user edited it; nothing is drawn.
    void SetLines(ModuleText text, int caretLine = -1);
    // The pad count starts again at the next drawing (it otherwise adds up
    // over the drawings of one module).
    void RestartPadCount() { padCount_ = 0; }
    // The open library, null when none.
    Library* CurrentLibrary() const { return library_.get(); }
    // The legacy interpreter, with its pad block state.
    LegacyInterpreter& Interpreter() { return interpreter_; }

    // ------------------------------------------------------------ handlers
    int32_t MapX(std::string_view text, bool track);
    int32_t MapY(std::string_view text, bool track);
    // Maps a coordinate in decimils, tracking the extents when asked.
    int32_t MapDecimil(int64_t v, bool track, bool isY);

    // Clears both images.
    void B_apagarClick();
    // The render pass: reads the memo into a figure and draws it.
    void B_converterClick();
    // Draws one line on top of the current drawing.
    void interpreta_linha(std::string_view line) { DrawOneLine(line); }
    // Draws the memo's caret line on top of the drawing and crops.
    void B_linhaClick();
    // FileListBox1Click given the chosen file or folder; errors are
    // swallowed.
    void FileListBox1Click(const std::string& path);
    // ListBox1Click: extracts the selected module and renders it; throws on
    // read errors.
    void ListBox1Click();
    // B_carregarClick given the hidden file-name box's text.
    void B_carregarClick(const std::string& fileName);

    // ------------------------------------------------------------ API
    // Opens a library (a "*.mod" file, a ".pretty" folder or a "*.lib"
    // symbol library), lists its modules (or symbols) and draws the first. A
    // library that cannot be read lists nothing and says why in Status.
    void OpenLibrary(const std::string& path) { FileListBox1Click(path); }
    // Selects module i of the list and draws it.
    void SelectModule(int index);
    // The first module named name, letter case ignored; -1 when none.
    int FindModule(std::string_view name) const;
    // Draws a text as "Converter" draws the memo: a current footprint when
    // it starts with "(", legacy command lines otherwise. source names it in
    // messages. The pad count starts again.
    void RenderText(ModuleText text, Units units, const std::string& source);
    void RenderLines(const std::vector<std::string>& lines, Units units, const std::string& source) {
        RenderText(ModuleText::FromLines(lines), units, source);
    }

private:
    void ModuleListChanged() { if (listener_) listener_->ModuleListChanged(); }
    void LinesChanged() { if (listener_) listener_->LinesChanged(); }
    void ViewChanged() { if (listener_) listener_->ViewChanged(); }
    void StatusChanged() { if (listener_) listener_->StatusChanged(); }

    bool LeaveLibrary(const std::string& path);
    void ReadFigure();
    void DrawFigure();
    void DrawPass();
    void DrawOneLine(std::string_view line);
    void Crop(bool renderPass);
    figure::ReadOptions ReadingOptions() const;
    void ReadSymbolFigure();
    // Makes Info from the last drawing and the library's left-out files.
    void UpdateInfo();

    ViewOptions options_;
    figure::Figure figure_;
    int viewWidth_ = 0, viewHeight_ = 0;  // displayed size of the view
    CoordinateMapping mapping_;
    LegacyInterpreter interpreter_;
    Canvas work_{2000, 2000};
    Canvas viewImage_{2000, 2000};
    int32_t padCount_ = 0;
    std::string status_;
    std::string info_;
    std::string libraryFaults_;  // a symbol folder's files left out, one line
    std::string symbolName_;     // the listed symbol whose text Lines holds
    std::string symbolViewFor_;  // the symbol the unit and style were chosen for
    int symbolUnit_ = 1, symbolStyle_ = 1;

    std::string libraryPath_;
    std::vector<std::string> moduleList_;
    int itemIndex_ = -1;
    ModuleText lines_;
    std::string linesSource_;
    int caretLine_ = -1;
    std::unique_ptr<Library> library_;
    ViewerListener* listener_ = nullptr;
};

} // namespace tarnel
