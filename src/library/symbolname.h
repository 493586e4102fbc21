#pragma once
// How current KiCad symbol files name things: a symbol's listed name, a
// parent's name in "(extends …)", and the unit and body style a sub-symbol's
// name carries ("NAME_U_S").
#include <string>
#include <string_view>
#include <vector>

namespace tarnel {

// "{slash}" written for "/" in names.
std::string UnescapeSlash(std::string_view name);

// A top-level symbol's name as listed: "{slash}" is "/", and everything up to
// and including the first ":" goes (5.99-era files wrote "Lib:Name").
std::string SymbolListName(std::string_view written);

// Whether sub is a sub-symbol of the symbol listed as name: name, "_", a run
// of digits, "_", a run of digits, nothing else. Runs that do not fit an int
// make no sub-symbol.
bool SplitSubSymbolName(std::string_view sub, std::string_view name, int& unit, int& style);

// Sorts names as lists show them: by their bytes upper-cased (ASCII only),
// equal keys by their bytes.
void SortListNames(std::vector<std::string>& names);
bool ListNameLess(const std::string& a, const std::string& b);

} // namespace tarnel
