#include "viewer/tarnel.h"

#include "footprint/footprintreader.h"
#include "library/kicadsymbollibrary.h"
#include "symbol/pintext.h"
#include "symbol/reader.h"
#include "viewer/figurereader.h"
#include "library/legacylibrary.h"
#include "output/rasterdevice.h"
#include "tokenizer/libtext.h"

#include <algorithm>
#include <stdexcept>

namespace tarnel {

namespace {

Palette PaletteOf(const ViewOptions& o) { return Palette{o.CorPad, o.CorComp, o.CorCorpo, o.CorFuro}; }

} // namespace

figure::ReadOptions TForm1Core::ReadingOptions() const {
    figure::ReadOptions o;
    o.textMode = options_.TextMode;
    o.drawArcs = options_.DrawArcs;
    o.unit = symbolUnit_;
    o.style = symbolStyle_;
    return o;
}

void TForm1Core::SetSymbolView(int unit, int style) {
    symbolUnit_ = std::max(unit, 1);
    symbolStyle_ = std::max(style, 1);
}

// ---------------------------------------------------------------- mapping

int32_t TForm1Core::MapX(std::string_view text, bool track) {
    mapping_.ScaleDivisor = options_.ScaleDivisor;
    return mapping_.Map(text, track, false);
}

int32_t TForm1Core::MapY(std::string_view text, bool track) {
    mapping_.ScaleDivisor = options_.ScaleDivisor;
    return mapping_.Map(text, track, true);
}

int32_t TForm1Core::MapDecimil(int64_t v, bool track, bool isY) {
    mapping_.ScaleDivisor = options_.ScaleDivisor;
    return mapping_.MapNum(v, track, isY);
}

// ---------------------------------------------------------------- images

void TForm1Core::B_apagarClick() {
    work_.PenColor = kWhite;
    work_.Brush = BrushStyle::Solid;
    work_.BrushColor = kWhite;
    work_.FillRect(0, 0, 2000, 2000);
    viewImage_.Brush = BrushStyle::Solid;
    viewImage_.BrushColor = kWhite;
    viewImage_.FillRect(0, 0, viewWidth_, viewHeight_);
    ViewChanged();
}

ViewState TForm1Core::View() const {
    ViewState v;
    v.ExtentMinX = mapping_.ExtentMinX;
    v.ExtentMaxX = mapping_.ExtentMaxX;
    v.ExtentMinY = mapping_.ExtentMinY;
    v.ExtentMaxY = mapping_.ExtentMaxY;
    v.ShiftX = mapping_.ShiftX;
    v.ShiftY = mapping_.ShiftY;
    v.ViewWidth = viewWidth_;
    v.ViewHeight = viewHeight_;
    return v;
}

void TForm1Core::Crop(bool renderPass) {
    if (renderPass) {
        viewWidth_ = 2000;
        viewHeight_ = 2000;
    }
    viewImage_.BrushColor = kWhite;
    viewImage_.Brush = BrushStyle::Solid;
    viewImage_.FillRect(0, 0, viewWidth_, viewHeight_);
    // 32-bit wrap-around: reset extents give 101 x 101.
    const int32_t W = static_cast<int32_t>(static_cast<uint32_t>(mapping_.ExtentMaxX) -
                                           static_cast<uint32_t>(mapping_.ExtentMinX) + 100u);
    const int32_t H = static_cast<int32_t>(static_cast<uint32_t>(mapping_.ExtentMaxY) -
                                           static_cast<uint32_t>(mapping_.ExtentMinY) + 100u);
    // A drawing lying wholly left of or above the canvas gives a blank,
    // empty view.
    viewWidth_ = W > 0 ? W : 0;
    viewHeight_ = H > 0 ? H : 0;
    const int64_t left = static_cast<int64_t>(mapping_.ExtentMinX) - 50;
    const int64_t top = static_cast<int64_t>(mapping_.ExtentMinY) - 50;
    viewImage_.CopyRect(0, 0, viewWidth_, viewHeight_, work_, left, top, viewWidth_, viewHeight_);
    ViewChanged();
}

// ---------------------------------------------------------------- render pass

namespace {
constexpr const char* kCutShortMessage =
    "Desenho incompleto: o item pede trabalho demais para ser desenhado por inteiro";
}

void TForm1Core::B_converterClick() {
    const std::string before = status_, infoBefore = info_;
    ReadFigure();
    DrawFigure();
    Crop(true);
    if (status_.empty() && work_.CutShort()) status_ = kCutShortMessage;
    if (status_ != before || info_ != infoBefore) StatusChanged();
}

void TForm1Core::ReadFigure() {
    status_.clear();
    figure_.Clear();
    if (lines_.TextKind() == ModuleText::Kind::Symbol) {
        ReadSymbolFigure();
        UpdateInfo();
        return;
    }
    const bool footprint =
        lines_.TextKind() == ModuleText::Kind::Footprint || LinesAreFootprint(lines_.Bytes());
    if (!footprint) {
        interpreter_.BeginPass(figure_, ReadingOptions());
        lines_.ForEachLine([&](std::string_view line) {
            interpreter_.interpreta_linha(line);
            return true;
        });
    } else {
        interpreter_.LineUnits = Units::Millimetre;
        try {
            footprint::ReadFootprintBytes(FootprintText(lines_.Bytes()), ReadingOptions(), figure_);
        } catch (const std::exception& e) {
            // Nothing of a footprint that cannot be read is drawn.
            status_ = (linesSource_.empty() ? std::string("Comandos") : linesSource_) + ": " + e.what();
            figure_.Clear();
            figure_.source = figure::Source::Footprint;
        }
    }
    padCount_ += figure_.padCount;
    UpdateInfo();
}

void TForm1Core::ReadSymbolFigure() {
    interpreter_.LineUnits = Units::Millimetre;
    try {
        auto* lib = dynamic_cast<KicadSymbolLibrary*>(library_.get());
        if (lib && !symbolName_.empty()) symbol::ReadLibrarySymbol(*lib, symbolName_, ReadingOptions(), figure_);
        else symbol::ReadSymbolAlone(lines_, kNewestSymbolVersion, ReadingOptions(), figure_);
        // The view may have asked for more than the symbol has.
        symbolUnit_ = figure_.symbol.unit;
        symbolStyle_ = figure_.symbol.style;
    } catch (const std::exception& e) {
        // Nothing of a symbol that cannot be read is drawn.
        status_ = e.what();
        figure_.Clear();
        figure_.source = figure::Source::Symbol;
    }
}

void TForm1Core::UpdateInfo() {
    std::string info;
    auto add = [&](const std::string& part) {
        if (part.empty()) return;
        if (!info.empty()) info += " · ";
        info += part;
    };
    if (figure_.source == figure::Source::Symbol && status_.empty()) {
        const figure::SymbolView& s = figure_.symbol;
        if (s.unitCount > 1)
            add("Unidade " + symbol::UnitLetters(s.unit) + " (" + std::to_string(s.unit) + " de " +
                std::to_string(s.unitCount) + ")");
        if (s.styleCount > 1) {
            const size_t i = static_cast<size_t>(s.style - 1);
            const std::string name = i < s.styleNames.size() ? s.styleNames[i] : std::to_string(s.style);
            add("Estilo " + name + " (" + std::to_string(s.style) + " de " + std::to_string(s.styleCount) + ")");
        }
        if (!s.parents.empty()) {
            std::string chain;
            // Names are cut short: a status line is one line.
            for (const std::string& p : s.parents) chain += (chain.empty() ? "" : " → ") + p.substr(0, 100);
            add("Derivado de " + chain);
        }
    }
    add(libraryFaults_);
    info_ = std::move(info);
}

void TForm1Core::DrawPass() {
    mapping_.ResetExtents();
    B_apagarClick();
    work_.PenColor = kBlack;
    work_.Mode = PenMode::Mask;
    // Each drawing has its own budget: one hostile item cannot hold the
    // window, and the next item starts afresh.
    work_.ResetWork();
    RasterDevice device(work_, mapping_, PaletteOf(options_));
    device.PadNumbers = options_.PadNumbers;
    // The main window's view holds a footprint's texts too.
    device.TextExtents = options_.KeepAll;
    device.Replay(figure_);
}

void TForm1Core::DrawFigure() {
    mapping_.ScaleDivisor = options_.ScaleDivisor;
    mapping_.ShiftX = mapping_.ShiftY = 0;
    DrawPass();
    // Kept whole: a drawing reaching left of or above the canvas is drawn
    // again, moved right and down by what it lacked of the crop's margin.
    constexpr int32_t kMargin = 50, kMostShift = 1000000;
    const int32_t lowX = mapping_.LowestX(), lowY = mapping_.LowestY();
    if (options_.KeepAll && (lowX < kMargin || lowY < kMargin)) {
        mapping_.ShiftX = lowX < kMargin ? std::min<int64_t>(int64_t{kMargin} - lowX, kMostShift) : 0;
        mapping_.ShiftY = lowY < kMargin ? std::min<int64_t>(int64_t{kMargin} - lowY, kMostShift) : 0;
        DrawPass();
    }
}

void TForm1Core::DrawOneLine(std::string_view line) {
    mapping_.ScaleDivisor = options_.ScaleDivisor;
    // Legacy lines go on the drawing's own figure; a line drawn over a
    // footprint is a figure of its own.
    figure::Figure scratch;
    figure::Figure& target = figure_.source == figure::Source::LegacyLines ? figure_ : scratch;
    const size_t first = target.items.size();
    const int32_t pads = target.padCount;
    interpreter_.BeginLine(target, ReadingOptions());
    interpreter_.interpreta_linha(line);
    padCount_ += target.padCount - pads;
    work_.ResetWork();
    RasterDevice(work_, mapping_, PaletteOf(options_)).Replay(target, first);
}

void TForm1Core::B_linhaClick() {
    if (caretLine_ >= 0) {
        work_.PenColor = kBlack;
        work_.Mode = PenMode::Mask;
        const std::string line(lines_.Line(static_cast<size_t>(caretLine_)));
        DrawOneLine(line);
    }
    Crop(false);
}

// ---------------------------------------------------------------- library

// Forgets the current library; false (with the emptied list shown) when no
// file is named.
bool TForm1Core::LeaveLibrary(const std::string& path) {
    moduleList_.clear();
    itemIndex_ = -1;
    libraryFaults_.clear();
    symbolName_.clear();
    if (path.empty()) {
        ModuleListChanged();
        return false;
    }
    libraryPath_ = path;
    library_.reset();
    return true;
}

void TForm1Core::FileListBox1Click(const std::string& path) {
    if (!LeaveLibrary(path)) {
        // Nothing said about the library left behind stays on show.
        if (!status_.empty()) {
            status_.clear();
            StatusChanged();
        }
        return;
    }
    const std::string before = status_;
    status_.clear();
    try {
        library_ = tarnel::OpenLibrary(path);
        moduleList_ = library_->Names();
        // A symbol folder's damaged files are left out and named.
        const std::vector<std::string> faults = library_->Faults();
        if (!faults.empty()) {
            libraryFaults_ = "Arquivos não lidos: ";
            for (size_t i = 0; i < faults.size() && i < 3; ++i) libraryFaults_ += (i ? "; " : "") + faults[i];
            if (faults.size() > 3) libraryFaults_ += "; e mais " + std::to_string(faults.size() - 3);
        }
    } catch (const std::exception& e) {
        // A library that cannot be read lists nothing; the status says why.
        status_ = std::string("Não foi possível ler a biblioteca: ") + e.what();
    }
    if (status_.empty() && moduleList_.empty()) {
        std::string name = path;
        while (name.size() > 1 && name.back() == '/') name.pop_back();
        name = name.substr(name.find_last_of('/') == std::string::npos ? 0 : name.find_last_of('/') + 1);
        const bool symbols = library_ && (library_->Format() == LibraryFormat::Symbol ||
                                          library_->Format() == LibraryFormat::KicadSym);
        status_ = "A biblioteca " + name + (symbols ? " não tem símbolos." : " não tem módulos.");
        if (!libraryFaults_.empty()) status_ += " " + libraryFaults_;
    }
    if (status_ != before) StatusChanged();
    itemIndex_ = moduleList_.empty() ? -1 : 0;
    ModuleListChanged();
    if (moduleList_.empty()) {
        // Nothing of the previous library stays on view.
        lines_ = ModuleText();
        caretLine_ = -1;
        LinesChanged();
        B_apagarClick();
        viewWidth_ = viewHeight_ = 0;
        ViewChanged();
        return;
    }
    ListBox1Click();
}

void TForm1Core::ListBox1Click() {
    if (itemIndex_ < 0 || static_cast<size_t>(itemIndex_) >= moduleList_.size()) return;
    lines_ = ModuleText();
    caretLine_ = -1;
    LinesChanged();
    if (libraryPath_.empty()) return;
    if (!library_) library_ = tarnel::OpenLibrary(libraryPath_);
    const std::string& name = moduleList_[static_cast<size_t>(itemIndex_)];
    std::string readError;
    if (name != symbolViewFor_) {
        // Another symbol: it starts at unit 1, style 1.
        symbolUnit_ = symbolStyle_ = 1;
        symbolViewFor_ = name;
    }
    symbolName_ = library_->Format() == LibraryFormat::KicadSym ? name : std::string();
    if (library_->Format() == LibraryFormat::KicadMod || library_->Format() == LibraryFormat::KicadSym) {
        // One unreadable footprint file must not stop browsing or a catalog.
        try {
            lines_ = library_->ReadModule(name);
        } catch (const std::exception& e) {
            readError = e.what();
            // A symbol's view stays a symbol's, empty.
            if (library_->Format() == LibraryFormat::KicadSym) lines_ = ModuleText(std::string(), ModuleText::Kind::Symbol);
        }
    } else {
        lines_ = library_->ReadModule(name);
    }
    interpreter_.LineUnits = library_->LineUnits();
    linesSource_ = library_->ModuleSource(name);
    caretLine_ = lines_.empty() ? -1 : 0;
    LinesChanged();
    padCount_ = 0;
    B_converterClick();
    if (!readError.empty()) {
        status_ = readError;
        StatusChanged();
    }
}

void TForm1Core::SelectModule(int index) {
    itemIndex_ = index;
    ListBox1Click();
}

int TForm1Core::FindModule(std::string_view name) const {
    for (size_t i = 0; i < moduleList_.size(); ++i)
        if (moduleList_[i] == name) return static_cast<int>(i);
    const std::string want = UpperAscii(name);
    for (size_t i = 0; i < moduleList_.size(); ++i)
        if (UpperAscii(moduleList_[i]) == want) return static_cast<int>(i);
    return -1;
}

void TForm1Core::SetLines(ModuleText text, int caretLine) {
    symbolName_.clear();
    lines_ = std::move(text);
    caretLine_ = caretLine;
}

void TForm1Core::RenderText(ModuleText text, Units units, const std::string& source) {
    symbolName_.clear();
    lines_ = std::move(text);
    interpreter_.LineUnits = units;
    linesSource_ = source;
    padCount_ = 0;
    B_converterClick();
}

void TForm1Core::B_carregarClick(const std::string& fileName) {
    if (!LeaveLibrary(fileName)) return;
    try {
        // Read as a footprint library: a name chosen here finds no module.
        auto lib = std::make_unique<LegacyLibrary>(fileName);
        moduleList_ = ScanSymbolNames(lib->Bytes());
        library_ = std::move(lib);
    } catch (...) {
        ModuleListChanged();  // the windows show the emptied list before the error
        throw;
    }
    ModuleListChanged();
}

} // namespace tarnel
