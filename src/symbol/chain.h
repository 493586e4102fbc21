#pragma once
// A symbol and the symbols it extends, read when it is shown: each parsed
// from its own text, the parents looked up by name in the same library.
#include "library/kicadsymbollibrary.h"
#include "sexpr/sexpr.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnel::symbol {

// A symbol as read: its listed name, its file and that file's version, and
// its "(symbol …)" tree.
struct Definition {
    std::string name;
    std::string file;
    double version = 0;
    ModuleText text;  // keeps the bytes the tree was read from
    std::unique_ptr<sexpr::Document> doc;
    sexpr::Node Node() const { return doc ? doc->Root() : sexpr::Node(); }
    // The parent's name as "(extends …)" writes it ("{slash}" read as
    // "/"); empty for a root.
    std::string Extends() const;
};

// A symbol that cannot be drawn: a missing parent, a cycle, a text that
// cannot be read. The message is one line naming the symbol.
struct SymbolFault : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Parses one symbol's text; throws SymbolFault naming the file.
Definition ReadDefinition(const std::string& name, const SymbolSource& source);

// Longer extends chains are refused (real ones are up to 4 deep): reading a
// symbol, or a whole library, never costs more than this many symbols each.
constexpr size_t kMaxExtendsDepth = 64;

// The symbol named name (as listed) and its parents, the root last. lib may
// be null: then only a root can be read. Throws SymbolFault.
std::vector<Definition> ResolveChain(KicadSymbolLibrary* lib, const std::string& name, const SymbolSource& source);

} // namespace tarnel::symbol
