#pragma once
// Reads a current KiCad symbol into a figure: the root's graphic items and
// pins of one unit and body style, the fields its extends chain gives, and
// what the rest of the program takes from it. Item geometry is in the file's
// millimetres, Y up; the figure's raster scale turns it over.
#include "figure/figure.h"
#include "library/kicadsymbollibrary.h"
#include "symbol/chain.h"

#include <string_view>
#include <vector>

namespace tarnel::symbol {

// Draws chain[0] (the symbol; its root chain.back()) in unit and style,
// each held to the symbol's counts, into f (emptied first).
void ReadSymbol(const std::vector<Definition>& chain, int unit, int style, figure::Figure& f);

// Reads the symbol of lib that name chooses (as ReadModule finds it), in
// the unit and style of options. Throws SymbolFault for a missing parent or
// a cycle, std::runtime_error for a symbol that is not there or a file that
// cannot be read; each names the symbol or the file.
void ReadLibrarySymbol(KicadSymbolLibrary& lib, std::string_view name, const figure::ReadOptions& options,
                       figure::Figure& f);

// Reads a symbol's text alone, without its library: a derived symbol cannot
// be drawn so. version is its file's.
void ReadSymbolAlone(const ModuleText& text, double version, const figure::ReadOptions& options,
                     figure::Figure& f);

} // namespace tarnel::symbol
