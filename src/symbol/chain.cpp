#include "symbol/chain.h"

#include "library/symbolname.h"

#include <unordered_set>

namespace tarnel::symbol {

std::string Definition::Extends() const {
    const sexpr::Node e = Node().Find("extends");
    return e ? UnescapeSlash(e.At(1).Text()) : std::string();
}

Definition ReadDefinition(const std::string& name, const SymbolSource& source) {
    Definition d;
    d.name = name;
    d.file = source.file;
    d.version = source.version;
    d.text = source.text;
    try {
        d.doc = std::make_unique<sexpr::Document>(sexpr::Document::Parse(d.text.Bytes()));
    } catch (const std::exception& e) {
        throw SymbolFault(source.file + ": símbolo \"" + name + "\": " + e.what());
    }
    if (d.Node().Keyword() != "symbol") throw SymbolFault(source.file + ": \"" + name + "\" não é um símbolo");
    return d;
}

std::vector<Definition> ResolveChain(KicadSymbolLibrary* lib, const std::string& name, const SymbolSource& source) {
    std::vector<Definition> chain;
    chain.push_back(ReadDefinition(name, source));
    std::unordered_set<std::string> seen{name};
    for (;;) {
        const sexpr::Node extends = chain.back().Node().Find("extends");
        if (!extends) break;
        const std::string parent = chain.back().Extends();
        if (!seen.insert(parent).second) {
            // A long chain is named by its ends.
            std::string cycle;
            for (size_t i = 0; i < chain.size(); ++i) {
                if (chain.size() > 8 && i == 4) {
                    cycle += "… → ";
                    i = chain.size() - 4;
                }
                cycle += chain[i].name + " → ";
            }
            throw SymbolFault("símbolo \"" + name + "\": sua cadeia de extends é um ciclo (" + cycle + parent + ")");
        }
        if (chain.size() > kMaxExtendsDepth)
            throw SymbolFault("símbolo \"" + name + "\": sua cadeia de extends tem mais de " +
                              std::to_string(kMaxExtendsDepth) + " símbolos");
        SymbolSource s;
        if (parent.empty() || !lib || !lib->FindSymbol(parent, s))
            throw SymbolFault("símbolo \"" + name + "\": o símbolo pai \"" + parent + "\" não está na biblioteca");
        chain.push_back(ReadDefinition(parent, s));
    }
    return chain;
}

} // namespace tarnel::symbol
