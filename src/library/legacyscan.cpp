#include "library/legacyscan.h"

#include "tokenizer/libtext.h"

namespace tarnel {

std::vector<std::string> ScanBlockNames(std::string_view bytes, const BlockKeywords& block) {
    std::vector<std::string> names;
    ForEachLine(bytes, [&](std::string_view line) {
        if (EqualsUpper(Trim(Word(line, 1)), block.open)) names.emplace_back(Word(line, 2));
        return true;
    });
    return names;
}

Units ScanUnits(std::string_view bytes) {
    Units u = Units::Decimil;
    ForEachLine(bytes, [&](std::string_view line) {
        std::string_view w1 = Trim(Word(line, 1));
        if (EqualsUpper(w1, "$MODULE")) return false;
        if (EqualsUpper(w1, "UNITS")) u = EqualsUpper(Trim(Word(line, 2)), "MM") ? Units::Millimetre : Units::Decimil;
        return true;
    });
    return u;
}

std::vector<std::string> ExtractModuleLines(std::string_view bytes, std::string_view name) {
    std::vector<std::string> out;
    const std::string want = UpperAscii(name);
    bool found = false;
    ForEachLine(bytes, [&](std::string_view line) {
        std::string_view w1 = Trim(Word(line, 1));
        if (found) {
            out.emplace_back(line);
            return !EqualsUpper(w1, "$ENDMODULE");
        }
        if (EqualsUpper(w1, "$MODULE") && UpperAscii(Trim(Word(line, 2))) == want) {
            found = true;
            out.emplace_back(line);
        }
        return true;
    });
    return out;
}

std::vector<std::string> ExtractModuleLinesAt(std::string_view bytes, size_t begin, const BlockKeywords& block) {
    std::vector<std::string> out;
    if (begin >= bytes.size()) return out;
    bool first = true;
    ForEachLine(bytes.substr(begin), [&](std::string_view line) {
        out.emplace_back(line);
        if (first) { first = false; return true; }
        return !EqualsUpper(Trim(Word(line, 1)), block.close);
    });
    return out;
}

std::string_view ModuleSpanAt(std::string_view bytes, size_t begin, const BlockKeywords& block) {
    if (begin >= bytes.size()) return {};
    const std::string_view from = bytes.substr(begin);
    size_t end = 0;
    bool first = true;
    ForEachLine(from, [&](std::string_view line) {
        end = static_cast<size_t>(line.data() - from.data()) + line.size();
        if (first) { first = false; return true; }
        return !EqualsUpper(Trim(Word(line, 1)), block.close);
    });
    return from.substr(0, end);
}

std::unordered_map<std::string, size_t> IndexModules(std::string_view bytes, const BlockKeywords& block) {
    std::unordered_map<std::string, size_t> idx;
    size_t pos = 0;
    const char* base = bytes.data();
    ForEachLine(bytes, [&](std::string_view line) {
        pos = static_cast<size_t>(line.data() - base);
        if (EqualsUpper(Trim(Word(line, 1)), block.open)) idx.emplace(UpperAscii(Trim(Word(line, 2))), pos);
        return true;
    });
    return idx;
}

} // namespace tarnel
