#pragma once
// Reads a current KiCad footprint (a "(module …)" or "(footprint …)" tree)
// into a figure: graphic items and texts of the silkscreen, fabrication and
// copper layers, every copper pad with its hole, the pads as data and the
// footprint's fields.
#include "figure/figure.h"
#include "sexpr/sexpr.h"

#include <cstdint>
#include <string>

namespace tarnel::footprint {

// Checks the root ("module" or "footprint" with a name); throws
// std::runtime_error saying what is wrong.
void CheckFootprintRoot(const sexpr::Document& doc);

// Fills f (emptied first) from the footprint; throws as CheckFootprintRoot.
// fileBytes, the size of the footprint's text, bounds how much the texts may
// grow when the reference and value are put in.
void ReadFootprint(const sexpr::Document& doc, const figure::ReadOptions& options, figure::Figure& f,
                   size_t fileBytes);

// Parses bytes and reads the footprint; throws std::runtime_error (a
// sexpr::ParseError for text that is not one well-formed list).
void ReadFootprintBytes(std::string_view bytes, const figure::ReadOptions& options, figure::Figure& f);

// The footprint's "(descr …)" text, empty when it has none.
std::string FootprintDescription(const sexpr::Document& doc);

// Millimetres to decimils: x 10000 / 25.4, halves to even.
int64_t MmToDecimil(double mm);

// The longest text drawn: a text that names the reference or value through
// %R, %V, ${REFERENCE} or ${VALUE} is cut here.
constexpr size_t kMaxDrawnText = 1000;

} // namespace tarnel::footprint
