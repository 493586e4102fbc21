#include "search/searchindex.h"

#include <QString>

#include <algorithm>
#include <cstring>
#include <string.h>

namespace tarnel::search {

namespace {

bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || static_cast<unsigned char>(c) >= 0x80;
}

// Where word occurs in text[from, to); npos when it does not.
size_t FindIn(const std::string& text, size_t from, size_t to, std::string_view word) {
    if (from >= to || to - from < word.size()) return std::string::npos;
    const void* p = memmem(text.data() + from, to - from, word.data(), word.size());
    return p ? static_cast<size_t>(static_cast<const char*>(p) - text.data()) : std::string::npos;
}

// The query's words, folded; blanks and the separators of the index text
// split them.
std::vector<std::string> Words(std::string_view query) {
    std::vector<std::string> words;
    const std::string folded = FoldCase(query);
    size_t i = 0;
    while (i < folded.size()) {
        while (i < folded.size() && static_cast<unsigned char>(folded[i]) <= ' ') ++i;
        size_t j = i;
        while (j < folded.size() && static_cast<unsigned char>(folded[j]) > ' ') ++j;
        if (j > i) words.emplace_back(folded.substr(i, j - i));
        i = j;
    }
    return words;
}

// Scores of one word's best match.
constexpr int kFullNameExact = 100, kNameExact = 90, kNameStart = 60, kNameWord = 50, kName = 40;
constexpr int kKeywordWhole = 30, kKeyword = 25, kDescriptionWhole = 15, kDescription = 10, kNickname = 5;

} // namespace

std::string FoldCase(std::string_view text) {
    std::string out(text);
    bool ascii = true;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        else if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
        else if (c == '\x01' || c == '\x02') c = ' ';
    }
    if (ascii) return out;
    const QString s = QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
    // Text that is not UTF-8 keeps its bytes.
    if (s.contains(QChar::ReplacementCharacter)) return out;
    return s.toCaseFolded().toStdString();
}

void SearchIndex::Clear() {
    nameRank_.clear();
    libraries_.clear();
    items_.clear();
    text_.clear();
    spans_.clear();
    sortKey_.clear();
}

uint32_t SearchIndex::AddLibrary(IndexedLibrary library) {
    libraries_.push_back(std::move(library));
    return static_cast<uint32_t>(libraries_.size() - 1);
}

void SearchIndex::Add(uint32_t library, ItemFacts facts) {
    Spans s{};
    s.begin = text_.size();
    text_ += FoldCase(libraries_[library].nickname);
    text_ += ':';
    s.name = text_.size();
    const std::string name = FoldCase(facts.name);
    text_ += name;
    text_ += '\x01';
    s.keywords = text_.size();
    text_ += FoldCase(facts.keywords);
    text_ += '\x01';
    s.description = text_.size();
    text_ += FoldCase(facts.description);
    s.end = text_.size();
    text_ += '\x02';
    spans_.push_back(s);
    sortKey_.push_back(name);
    nameRank_.clear();
    items_.push_back({library, std::move(facts)});
}

std::string SearchIndex::FullName(size_t i) const {
    return libraries_[items_[i].library].nickname + ":" + items_[i].facts.name;
}

bool SearchIndex::Passes(size_t i, const SearchFilters& f) const {
    const ItemFacts& facts = items_[i].facts;
    if (f.pads >= 0 && facts.pads != f.pads) return false;
    if (f.pins >= 0 && facts.pins != f.pins) return false;
    return true;
}

int SearchIndex::ScoreWord(size_t i, std::string_view word) const {
    const Spans& s = spans_[i];
    const size_t fullLength = s.keywords - 1 - s.begin;  // "nick:name"
    if (word.size() == fullLength && text_.compare(s.begin, fullLength, word) == 0) return kFullNameExact;
    // The fields lie in order of rank, but for the nickname (lowest, and
    // first): the first match past the nickname is the best one.
    const size_t at = FindIn(text_, s.name, s.end, word);
    if (at == std::string::npos) return FindIn(text_, s.begin, s.keywords - 1, word) != std::string::npos ? kNickname : 0;
    if (at < s.keywords) {
        if (at == s.name) return word.size() == s.keywords - 1 - s.name ? kNameExact : kNameStart;
        return IsWordChar(text_[at - 1]) ? kName : kNameWord;
    }
    const bool whole = !IsWordChar(text_[at - 1]) && !IsWordChar(text_[at + word.size()]);
    if (at < s.description) return whole ? kKeywordWhole : kKeyword;
    return whole ? kDescriptionWhole : kDescription;
}

void SearchIndex::RankNames() const {
    std::vector<uint32_t> order(items_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const int c = sortKey_[a].compare(sortKey_[b]);
        if (c != 0) return c < 0;
        const std::string& na = libraries_[items_[a].library].nickname;
        const std::string& nb = libraries_[items_[b].library].nickname;
        return na != nb ? na < nb : a < b;
    });
    nameRank_.assign(items_.size(), 0);
    for (size_t r = 0; r < order.size(); ++r) nameRank_[order[r]] = static_cast<uint32_t>(r);
}

std::vector<SearchHit> SearchIndex::Search(std::string_view query, const SearchFilters& filters, size_t limit) const {
    const std::vector<std::string> words = Words(query);
    std::vector<SearchHit> hits;
    if (words.empty()) {
        for (size_t i = 0; i < items_.size(); ++i)
            if (Passes(i, filters)) hits.push_back({static_cast<uint32_t>(i), 0});
    } else {
        // The first word over all the text at once; the others over the
        // items it found.
        const std::string& first = words[0];
        size_t from = 0;
        while (from < text_.size()) {
            const size_t at = FindIn(text_, from, text_.size(), first);
            if (at == std::string::npos) break;
            const auto it = std::upper_bound(spans_.begin(), spans_.end(), at,
                                             [](size_t v, const Spans& s) { return v < s.begin; });
            const size_t i = static_cast<size_t>(it - spans_.begin()) - 1;
            from = spans_[i].end + 1;
            if (at + first.size() > spans_[i].end || !Passes(i, filters)) continue;
            int score = 0;
            for (const std::string& w : words) {
                const int sw = ScoreWord(i, w);
                if (sw == 0) {
                    score = 0;
                    break;
                }
                score += sw;
            }
            if (score > 0) hits.push_back({static_cast<uint32_t>(i), score});
        }
    }
    if (nameRank_.size() != items_.size()) RankNames();
    auto better = [&](const SearchHit& a, const SearchHit& b) {
        if (a.score != b.score) return a.score > b.score;
        return nameRank_[a.item] < nameRank_[b.item];
    };
    if (limit > 0 && hits.size() > limit) {
        std::partial_sort(hits.begin(), hits.begin() + static_cast<long>(limit), hits.end(), better);
        hits.resize(limit);
    } else {
        std::sort(hits.begin(), hits.end(), better);
    }
    return hits;
}

} // namespace tarnel::search
