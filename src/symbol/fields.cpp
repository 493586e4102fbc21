#include "symbol/fields.h"

#include "symbol/nodes.h"
#include "symbol/pintext.h"
#include "tokenizer/libtext.h"

#include <algorithm>
#include <unordered_map>

namespace tarnel::symbol {

namespace {

// Descriptions move from "ki_description" to a "Description" field here.
constexpr double kDescriptionFieldFrom = 20230620;

const char* const kMandatory[] = {"Reference", "Value", "Footprint", "Datasheet", "Description"};

const char* MandatoryName(std::string_view name) {
    for (const char* m : kMandatory)
        if (EqualsNoCase(name, m)) return m;
    return nullptr;
}

// Fields with an index by name: a symbol may have many.
struct FieldList {
    std::vector<Field> fields;
    std::unordered_map<std::string, size_t> byName;
    Field* Named(const std::string& name) {
        const auto it = byName.find(name);
        return it == byName.end() ? nullptr : &fields[it->second];
    }
    // Replaces the field of the same name, or adds f.
    void Put(Field f) {
        if (Field* old = Named(f.name)) {
            *old = std::move(f);
            return;
        }
        byName.emplace(f.name, fields.size());
        fields.push_back(std::move(f));
    }
};

const Field* FieldNamed(const std::vector<Field>& fields, std::string_view name) {
    for (const Field& f : fields)
        if (f.name == name) return &f;
    return nullptr;
}

} // namespace

Properties ReadProperties(const sexpr::Node& symbol, double version) {
    Properties p;
    FieldList list;
    for (Node c = symbol.First(); c; c = c.Next()) {
        if (c.Keyword() != "property") continue;
        // "(property private "N" "V" …)"; a property named "private" has
        // its value where the name would be.
        size_t i = 1;
        bool isPrivate = false;
        if (c.At(1).Text() == "private" && c.At(1).IsAtom() && c.At(3).IsAtom()) {
            isPrivate = true;
            i = 2;
        }
        const Node nameNode = c.At(i), valueNode = c.At(i + 1);
        if (!nameNode.IsAtom() || !valueNode.IsAtom()) continue;
        const std::string_view name = nameNode.Text();
        std::string value(valueNode.Text());
        if (version < kTildeEmptyBefore && value == "~") value.clear();
        if (name == "ki_keywords") {
            p.keywords = value;
            continue;
        }
        if (name == "ki_description") {
            p.description = value;
            continue;
        }
        if (name == "ki_fp_filters") {
            p.filters = value;
            continue;
        }
        if (name == "ki_locked") continue;
        Field f;
        f.value = std::move(value);
        f.isPrivate = isPrivate;
        if (auto at = PointIn(c, "at")) f.at = *at;
        f.hidden = HasFlag(c, "hide", i + 2) || HasFlag(c.Find("effects"), "hide");
        if (const char* m = MandatoryName(name)) {
            f.name = m;
            f.mandatory = true;
            list.Put(std::move(f));
            continue;
        }
        f.name = std::string(name);
        for (int k = 1; k <= 9 && list.Named(f.name); ++k) f.name = std::string(name) + "_" + std::to_string(k);
        if (list.Named(f.name)) continue;  // a tenth repeat is dropped
        list.Put(std::move(f));
    }
    p.fields = std::move(list.fields);
    return p;
}

std::vector<Field> FlattenFields(const std::vector<Properties>& chain) {
    FieldList out;
    for (size_t k = chain.size(); k-- > 0;) {
        for (const Field& f : chain[k].fields) {
            // The root's own fields stand as they are.
            if (k + 1 < chain.size() && f.mandatory && f.value.empty()) continue;
            out.Put(f);
        }
    }
    return out.fields;
}

Description Describe(double version, const std::vector<Properties>& props) {
    Description d;
    if (props.empty()) return d;
    const std::vector<Field> fields = FlattenFields(props);
    // The nearest of the chain, from the symbol up, that has it.
    auto nearest = [&](std::string Properties::*member) {
        for (const Properties& p : props)
            if (!(p.*member).empty()) return p.*member;
        return std::string();
    };
    if (version < kDescriptionFieldFrom) {
        d.description = nearest(&Properties::description);
    } else if (const Field* f = FieldNamed(fields, "Description")) {
        d.description = f->value;
    }
    d.keywords = nearest(&Properties::keywords);
    if (const Field* f = FieldNamed(fields, "Footprint")) d.footprint = f->value;
    const std::string filters = nearest(&Properties::filters);
    for (size_t i = 0; i < filters.size();) {
        while (i < filters.size() && static_cast<unsigned char>(filters[i]) <= ' ') ++i;
        size_t j = i;
        while (j < filters.size() && static_cast<unsigned char>(filters[j]) > ' ') ++j;
        if (j > i) d.filters.emplace_back(filters.substr(i, j - i));
        i = j;
    }
    return d;
}

} // namespace tarnel::symbol
