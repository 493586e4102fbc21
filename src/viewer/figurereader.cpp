#include "viewer/figurereader.h"

#include "footprint/footprintreader.h"
#include "library/kicadsymbollibrary.h"
#include "symbol/reader.h"
#include "viewer/interpreter.h"

#include <stdexcept>

namespace tarnel {

std::string_view FootprintText(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (!bytes.empty() && bytes.back() == '\n') bytes.remove_suffix(1);
    if (!bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
    return bytes;
}

void ReadTextFigure(const ModuleText& text, Units units, const figure::ReadOptions& options, figure::Figure& out) {
    out.Clear();
    if (text.TextKind() == ModuleText::Kind::Symbol) {
        symbol::ReadSymbolAlone(text, kNewestSymbolVersion, options, out);
        return;
    }
    if (text.TextKind() == ModuleText::Kind::Footprint || LinesAreFootprint(text.Bytes())) {
        footprint::ReadFootprintBytes(FootprintText(text.Bytes()), options, out);
        return;
    }
    LegacyInterpreter interpreter;
    interpreter.LineUnits = units;
    interpreter.BeginPass(out, options);
    text.ForEachLine([&](std::string_view line) {
        interpreter.interpreta_linha(line);
        return true;
    });
}

void ReadLibraryFigure(Library& lib, std::string_view name, const figure::ReadOptions& options,
                       figure::Figure& out) {
    if (auto* symbols = dynamic_cast<KicadSymbolLibrary*>(&lib)) {
        symbol::ReadLibrarySymbol(*symbols, name, options, out);
        return;
    }
    const ModuleText text = lib.ReadModule(name);
    try {
        ReadTextFigure(text, lib.LineUnits(), options, out);
    } catch (const std::exception& e) {
        throw std::runtime_error(lib.ModuleSource(name) + ": " + e.what());
    }
}

} // namespace tarnel
