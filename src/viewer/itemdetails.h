#pragma once
// What the main window's "Detalhes" panel says of the item drawn, made from
// the figure alone (no widgets): its name, library, description, keywords,
// pad or pin count, how it mounts and its size.
#include "figure/figure.h"

#include <string>

namespace tarnel {

struct ItemDetails {
    std::string name;
    std::string library;      // the library's file or folder name
    std::string description;
    std::string keywords;     // footprint tags, symbol keywords
    std::string countLabel;   // "Ilhas" or, for symbols, "Pinos"
    std::string count;
    // "SMD", "furo passante" or "misto" from the pads' types; empty for a
    // symbol and for a footprint with neither kind of pad.
    std::string mounting;
    // Width × height of what is drawn, texts aside, in millimetres with a
    // decimal comma ("5,08 × 2,54 mm"); empty when nothing is drawn.
    std::string size;
};

// libraryPath: the open library, a file or a folder.
ItemDetails DescribeItem(const figure::Figure& f, const std::string& libraryPath);

// A length in millimetres with two decimals and a decimal comma ("2,54").
std::string MillimetreText(double mm);

} // namespace tarnel
