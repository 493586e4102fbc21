#pragma once
// Reading an item of a library into a figure without drawing it: what the
// outputs that need only the geometry (SVG, the vector catalog, info) use.
#include "figure/figure.h"
#include "library/library.h"
#include "library/moduletext.h"

#include <string>
#include <string_view>

namespace tarnel {

// Reads one item's text as the viewer reads its memo: a footprint file, or
// text whose first non-blank character is "(", with the footprint reader;
// anything else as legacy lines in the given units, with an interpreter of
// its own. Throws std::runtime_error for a footprint that cannot be read.
void ReadTextFigure(const ModuleText& text, Units units, const figure::ReadOptions& options, figure::Figure& out);

// Reads the item named name (as Library::ReadModule finds it) of lib; a
// current symbol in the unit and style of options, its parents looked up in
// lib. Throws std::runtime_error naming the item's file (or symbol) and the
// fault.
void ReadLibraryFigure(Library& lib, std::string_view name, const figure::ReadOptions& options,
                       figure::Figure& out);

// A footprint file's text as it is read: without the UTF-8 byte order mark
// some editors write before it, and without its last line end, so that a
// fault at the end of the file is on its last line.
std::string_view FootprintText(std::string_view bytes);

} // namespace tarnel
