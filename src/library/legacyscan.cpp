#include "library/legacyscan.h"

#include "tokenizer/libtext.h"

namespace tarnel {

bool BlockReader::Opens(std::string_view line) const { return EqualsUpper(Trim(Word(line, 1)), block_.open); }
bool BlockReader::Closes(std::string_view line) const { return EqualsUpper(Trim(Word(line, 1)), block_.close); }
std::string_view BlockReader::Name(std::string_view openingLine) { return Word(openingLine, 2); }

BlockLine BlockReader::Feed(std::string_view line) {
    if (in_) {
        if (!Closes(line)) return BlockLine::Inside;
        in_ = false;
        return BlockLine::Close;
    }
    if (!Opens(line)) return BlockLine::Outside;
    in_ = true;
    return BlockLine::Open;
}

std::vector<std::string> ScanBlockNames(std::string_view bytes, const BlockKeywords& block) {
    // Every opening line names an entry, inside a block or not.
    const BlockReader reader(block);
    std::vector<std::string> names;
    ForEachLine(bytes, [&](std::string_view line) {
        if (reader.Opens(line)) names.emplace_back(BlockReader::Name(line));
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
    BlockReader reader;
    ForEachLine(bytes, [&](std::string_view line) {
        if (!reader.InBlock() && !(reader.Opens(line) && UpperAscii(Trim(BlockReader::Name(line))) == want)) return true;
        out.emplace_back(line);
        return reader.Feed(line) != BlockLine::Close;
    });
    return out;
}

std::vector<std::string> ExtractModuleLinesAt(std::string_view bytes, size_t begin, const BlockKeywords& block) {
    std::vector<std::string> out;
    if (begin >= bytes.size()) return out;
    const BlockReader reader(block);
    ForEachLine(bytes.substr(begin), [&](std::string_view line) {
        out.emplace_back(line);
        return out.size() == 1 || !reader.Closes(line);
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
    const BlockReader reader(block);
    const char* base = bytes.data();
    ForEachLine(bytes, [&](std::string_view line) {
        if (reader.Opens(line))
            idx.emplace(UpperAscii(Trim(BlockReader::Name(line))), static_cast<size_t>(line.data() - base));
        return true;
    });
    return idx;
}

} // namespace tarnel
