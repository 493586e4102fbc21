#pragma once
// Small additions to a finished PDF file that its writer cannot make: an
// incremental update (new versions of the document catalog and the outline
// dictionary, a cross-reference section and a trailer pointing back at the
// old one) appended to the file, which keeps every byte it had.
//
// It asks viewers to show the title and the bookmarks, and, for true-size
// pages, not to scale them when printing (/ViewerPreferences /PrintScaling
// /None); it also makes the outline dictionary's count positive, as readers
// expect of the outline's root.
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnel::book {

struct CatalogAdditions {
    bool printScalingNone = false;
};

// tail: the end of the file, from byte offset at on; it must hold the last
// cross-reference table, the trailer and the objects changed (the writer
// puts them last). Returns the bytes to append. Throws std::runtime_error
// naming what it could not find when the file is not laid out so.
std::string CatalogUpdate(std::string_view tail, uint64_t at, const CatalogAdditions& additions);

} // namespace tarnel::book
