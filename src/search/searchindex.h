#pragma once
// Finding items by words: every word of the query must be found, with
// letter case ignored, in the item's name, its "NICK:NAME", its keywords
// (tags) or its description. Results are ranked as KiCad's chooser ranks
// them: a match in the name over one in the keywords over one in the
// description, an exact or leading match over one inside a name.
#include "search/itemfacts.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnel::search {

struct IndexedLibrary {
    std::string nickname;
    std::string path;
    ItemKind kind = ItemKind::Footprint;
};

struct SearchItem {
    uint32_t library = 0;
    ItemFacts facts;
};

// An item passes when it has every count asked for: a pad count filter
// keeps footprints with that many pads, a pin count filter symbols with
// that many pins. Negative: no filter.
struct SearchFilters {
    int pads = -1;
    int pins = -1;
};

struct SearchHit {
    uint32_t item = 0;
    int score = 0;
};

class SearchIndex {
public:
    void Clear();
    uint32_t AddLibrary(IndexedLibrary library);
    void Add(uint32_t library, ItemFacts facts);

    size_t Size() const { return items_.size(); }
    size_t LibraryCount() const { return libraries_.size(); }
    const SearchItem& Item(size_t i) const { return items_[i]; }
    const IndexedLibrary& Library(uint32_t i) const { return libraries_[i]; }
    std::string FullName(size_t i) const;  // NICK:NAME

    // Best first; ties by name, then nickname. limit 0: every hit.
    std::vector<SearchHit> Search(std::string_view query, const SearchFilters& filters = {}, size_t limit = 0) const;

private:
    int ScoreWord(size_t item, std::string_view word) const;
    bool Passes(size_t item, const SearchFilters& filters) const;

    std::vector<IndexedLibrary> libraries_;
    std::vector<SearchItem> items_;
    // Every item's searchable text, letter case folded, one after another:
    // "nick:name" \x01 keywords \x01 description \x02.
    std::string text_;
    struct Spans {
        size_t begin, name, keywords, description, end;
    };
    std::vector<Spans> spans_;
    std::vector<std::string> sortKey_;  // folded name, for ties
    // Each item's place by name, then nickname: ties are broken by one
    // comparison of numbers. Made at the first search after items change.
    mutable std::vector<uint32_t> nameRank_;
    void RankNames() const;
};

// Letter case folded for matching: ASCII letters lowered, other text
// case-folded as Unicode when it is UTF-8.
std::string FoldCase(std::string_view text);

} // namespace tarnel::search
