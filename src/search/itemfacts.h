#pragma once
// What a search knows of one library item (a footprint, a module, a
// symbol): read once from its library and kept in the cache.
#include <string>

namespace tarnel::search {

enum class ItemKind { Footprint, Symbol };

struct ItemFacts {
    std::string name;
    // The item the viewer lists for it when that is another (an alias
    // opens its symbol); empty when it is the item itself.
    std::string opens;
    std::string description;
    std::string keywords;  // footprint tags, symbol keywords
    int pads = -1;         // counted pads of a footprint; -1 when not known
    int pins = -1;         // pins of a symbol; -1 when not known
    bool unreadable = false;  // its file could not be read: only its name is known
    bool operator==(const ItemFacts&) const = default;
};

} // namespace tarnel::search
