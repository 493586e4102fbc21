#include "library/symbolname.h"

#include "tokenizer/libtext.h"

#include <algorithm>
#include <climits>

namespace tarnel {

std::string UnescapeSlash(std::string_view name) {
    static constexpr std::string_view kSlash = "{slash}";
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        if (name.compare(i, kSlash.size(), kSlash) == 0) {
            out += '/';
            i += kSlash.size();
        } else {
            out += name[i++];
        }
    }
    return out;
}

std::string SymbolListName(std::string_view written) {
    std::string name = UnescapeSlash(written);
    const size_t colon = name.find(':');
    if (colon != std::string::npos) name.erase(0, colon + 1);
    return name;
}

namespace {

// A run of digits at s[i…] as an int; false when empty or too large.
bool DigitRun(std::string_view s, size_t& i, int& out) {
    const size_t from = i;
    long long v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        v = v * 10 + (s[i] - '0');
        if (v > INT_MAX) return false;
        ++i;
    }
    out = static_cast<int>(v);
    return i > from;
}

} // namespace

bool SplitSubSymbolName(std::string_view sub, std::string_view name, int& unit, int& style) {
    if (sub.size() < name.size() + 4 || sub.substr(0, name.size()) != name || sub[name.size()] != '_') return false;
    size_t i = name.size() + 1;
    int u = 0, s = 0;
    if (!DigitRun(sub, i, u) || i >= sub.size() || sub[i] != '_') return false;
    ++i;
    if (!DigitRun(sub, i, s) || i != sub.size()) return false;
    unit = u;
    style = s;
    return true;
}

bool ListNameLess(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto up = [](char c) { return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c); };
        const unsigned char x = up(a[i]), y = up(b[i]);
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

void SortListNames(std::vector<std::string>& names) { std::sort(names.begin(), names.end(), ListNameLess); }

} // namespace tarnel
