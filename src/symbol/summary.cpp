#include "symbol/summary.h"

#include "library/symbolname.h"
#include "symbol/fields.h"

#include <set>
#include <string_view>
#include <unordered_map>

namespace tarnel::symbol {

namespace {

struct Read {
    std::string file, extends, fault;
    bool derived = false;
    double version = 0;
    int pins = 0;
    Properties props;
};

// Pins of all units count once by number, as a part's package has them.
int CountPins(const sexpr::Node& symbol) {
    std::set<std::string_view> numbers;
    for (sexpr::Node unit = symbol.First(); unit; unit = unit.Next()) {
        if (!unit.IsList() || unit.Keyword() != "symbol") continue;
        for (sexpr::Node c = unit.First(); c; c = c.Next())
            if (c.IsList() && c.Keyword() == "pin") numbers.insert(c.Find("number").At(1).Text());
    }
    return static_cast<int>(numbers.size());
}

} // namespace

std::vector<SymbolSummary> SummarizeLibrary(KicadSymbolLibrary& lib) {
    std::unordered_map<std::string, Read> read;
    read.reserve(lib.Names().size());
    lib.ForEachSymbol([&](const std::string& name, const SymbolSource& source) {
        Read& r = read[name];
        r.file = source.file;
        r.version = source.version;
        try {
            const Definition d = ReadDefinition(name, source);
            r.props = ReadProperties(d.Node(), d.version);
            r.derived = static_cast<bool>(d.Node().Find("extends"));
            r.extends = d.Extends();
            r.pins = CountPins(d.Node());
        } catch (const std::exception& e) {
            r.fault = e.what();
        }
    });
    std::vector<SymbolSummary> out;
    out.reserve(lib.Names().size());
    std::vector<Properties> chain;
    for (const std::string& name : lib.Names()) {
        SymbolSummary s;
        s.name = name;
        const auto it = read.find(name);
        if (it == read.end()) {
            s.description = "o arquivo do símbolo não pôde ser lido";
            out.push_back(std::move(s));
            continue;
        }
        const Read& self = it->second;
        s.file = self.file;
        chain.clear();
        std::string fault = self.fault;
        // Up the chain, as reading the symbol goes.
        std::vector<const std::string*> names{&name};
        for (const Read* r = &self; fault.empty();) {
            chain.push_back(r->props);
            if (!r->derived) break;
            const auto parent = read.find(r->extends);
            bool cycle = false;
            for (const std::string* n : names) cycle = cycle || *n == r->extends;
            if (cycle) fault = "símbolo \"" + name + "\": sua cadeia de extends é um ciclo";
            else if (parent == read.end()) fault = "símbolo \"" + name + "\": o símbolo pai \"" + r->extends + "\" não está na biblioteca";
            else if (chain.size() > kMaxExtendsDepth)
                fault = "símbolo \"" + name + "\": sua cadeia de extends tem mais de " + std::to_string(kMaxExtendsDepth) + " símbolos";
            if (!fault.empty()) break;
            names.push_back(&parent->first);
            r = &parent->second;
            if (!r->fault.empty()) fault = r->fault;
        }
        if (!fault.empty()) {
            s.description = fault;
        } else {
            const Description d = Describe(self.version, chain);
            s.description = d.description;
            s.keywords = d.keywords;
            // A derived symbol draws its root's pins.
            for (const Read* r = &self;; r = &read.find(r->extends)->second)
                if (!r->derived) {
                    s.pins = r->pins;
                    break;
                }
        }
        out.push_back(std::move(s));
    }
    return out;
}

} // namespace tarnel::symbol
