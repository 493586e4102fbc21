#include "search/legacydescribers.h"

#include "catalogs/catalogdata.h"
#include "library/legacyscan.h"
#include "library/library.h"
#include "library/libraryfolder.h"
#include "tokenizer/libtext.h"

#include <set>

namespace tarnel::search {

namespace {

constexpr BlockKeywords kDocBlock{"$CMP", "$ENDCMP"};

// The text after a line's first word and one blank.
std::string RestOf(std::string_view line) {
    const std::string_view w = Word(line, 1);
    std::string_view rest = line.substr(static_cast<size_t>(w.data() - line.data()) + w.size());
    if (!rest.empty() && rest[0] == ' ') rest.remove_prefix(1);
    return std::string(rest);
}

std::unordered_map<std::string, std::string> KeywordLines(std::string_view bytes, const BlockKeywords& block,
                                                          std::string_view keyword) {
    std::unordered_map<std::string, std::string> out;
    BlockReader reader(block);
    std::string current;
    ForEachLine(bytes, [&](std::string_view line) {
        const BlockLine at = reader.Feed(line);
        if (at == BlockLine::Open) current = UpperAscii(Trim(BlockReader::Name(line)));
        else if (at == BlockLine::Inside && Word(line, 1) == keyword) out.emplace(current, RestOf(line));
        return true;
    });
    return out;
}

std::unordered_map<std::string, std::string> KeywordsOf(const std::string& path, bool mdc) {
    try {
        if (StampOrNone(path) == kNoFile) return {};
        const std::string bytes = ReadFileBytes(path);
        return mdc ? ParseMdcKeywords(bytes) : ParseDocKeywords(bytes);
    } catch (const std::exception&) {
        return {};  // documentation that cannot be read documents nothing
    }
}

std::string Lookup(const std::unordered_map<std::string, std::string>& m, const std::string& name) {
    auto it = m.find(UpperAscii(name));
    return it == m.end() ? std::string() : it->second;
}

// The library's path with another extension.
std::string Beside(const std::string& path, const char* ext) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    return (dot == std::string::npos || (slash != std::string::npos && dot < slash) ? path : path.substr(0, dot)) + ext;
}

} // namespace

std::unordered_map<std::string, std::string> ParseDocKeywords(std::string_view bytes) {
    return KeywordLines(bytes, kDocBlock, "K");
}

std::unordered_map<std::string, std::string> ParseMdcKeywords(std::string_view bytes) {
    return KeywordLines(bytes, kModuleBlock, "Kw");
}

bool LegacyModuleDescriber::Describes(const LibraryKind& kind) const { return kind.format == LibraryFormat::Legacy; }

std::vector<ItemFacts> LegacyModuleDescriber::Describe(const std::string& path, DescribeCache& cache,
                                                       DescribeStats& stats) const {
    const std::string dcm = Beside(path, ".dcm"), mdc = Beside(path, ".mdc");
    const std::vector<FileStamp> stamps{StatReadableFile(path), StampOrNone(dcm), StampOrNone(mdc)};
    if (const std::vector<ItemFacts>* kept = cache.Find(path, stamps)) {
        ++stats.reused;
        return *kept;
    }
    const std::string bytes = ReadFileBytes(path);
    DescriptionSource descriptions;
    descriptions.SetFiles(dcm, mdc);
    const auto mdcKeywords = KeywordsOf(mdc, true), dcmKeywords = KeywordsOf(dcm, false);
    std::vector<ItemFacts> out;
    std::vector<std::string> lines;
    bool inPad = false;
    std::string padType;
    BlockReader reader;
    auto finish = [&] {
        ItemFacts& f = out.back();
        f.description = descriptions.Describe(f.name, lines);
        if (f.keywords.empty()) f.keywords = Lookup(mdcKeywords, f.name);
        if (f.keywords.empty()) f.keywords = Lookup(dcmKeywords, f.name);
    };
    ForEachLine(bytes, [&](std::string_view line) {
        switch (reader.Feed(line)) {
            case BlockLine::Outside: return true;
            case BlockLine::Open:
                out.emplace_back();
                out.back().name = std::string(BlockReader::Name(line));
                out.back().pads = 0;
                lines.clear();
                inPad = false;
                break;
            case BlockLine::Inside: {
                const std::string_view w1 = Trim(Word(line, 1));
                // Counted as the drawing counts them: pads to solder.
                if (EqualsUpper(w1, "$PAD")) inPad = true, padType.clear();
                else if (inPad && w1 == "At") padType = Trim(Word(line, 2));
                else if (inPad && EqualsUpper(w1, "$ENDPAD")) {
                    inPad = false;
                    if (padType == "STD" || padType == "CONN" || padType == "SMD") ++out.back().pads;
                } else if (w1 == "Kw" && out.back().keywords.empty()) out.back().keywords = RestOf(line);
                break;
            }
            case BlockLine::Close: break;
        }
        lines.emplace_back(line);
        if (!reader.InBlock()) finish();
        return true;
    });
    if (reader.InBlock()) finish();  // a block the file leaves open is kept as read
    ++stats.read;
    cache.Put(path, stamps, out);
    return out;
}

bool LegacySymbolDescriber::Describes(const LibraryKind& kind) const { return kind.format == LibraryFormat::Symbol; }

std::vector<ItemFacts> LegacySymbolDescriber::Describe(const std::string& path, DescribeCache& cache,
                                                       DescribeStats& stats) const {
    const std::string dcm = Beside(path, ".dcm");
    const std::vector<FileStamp> stamps{StatReadableFile(path), StampOrNone(dcm)};
    if (const std::vector<ItemFacts>* kept = cache.Find(path, stamps)) {
        ++stats.reused;
        return *kept;
    }
    const std::string bytes = ReadFileBytes(path);
    DescriptionSource descriptions;
    descriptions.SetFiles(dcm, std::string());
    const auto keywords = KeywordsOf(dcm, false);
    std::vector<ItemFacts> out;
    size_t first = 0;  // the block's symbol; its aliases follow it
    std::set<std::string> pins;
    BlockReader reader(kSymbolBlock);
    auto finish = [&] {
        for (size_t i = first; i < out.size(); ++i) {
            ItemFacts& f = out[i];
            f.pins = static_cast<int>(pins.size());
            f.description = descriptions.Describe(f.name, ModuleText());
            f.keywords = Lookup(keywords, f.name);
        }
    };
    ForEachLine(bytes, [&](std::string_view line) {
        switch (reader.Feed(line)) {
            case BlockLine::Outside: return true;
            case BlockLine::Open:
                first = out.size();
                out.emplace_back();
                out.back().name = std::string(BlockReader::Name(line));
                pins.clear();
                return true;
            case BlockLine::Inside: {
                const std::string_view w1 = Trim(Word(line, 1));
                if (EqualsUpper(w1, "ALIAS")) {
                    const std::string symbol = out[first].name;
                    for (int k = 2; !Word(line, k).empty(); ++k) {
                        out.emplace_back();
                        out.back().name = std::string(Trim(Word(line, k)));
                        out.back().opens = symbol;
                    }
                } else if (w1 == "X") {
                    pins.insert(std::string(Word(line, 3)));  // pins of several units count once
                }
                return true;
            }
            case BlockLine::Close: finish(); return true;
        }
        return true;
    });
    if (reader.InBlock()) finish();
    ++stats.read;
    cache.Put(path, stamps, out);
    return out;
}

} // namespace tarnel::search
