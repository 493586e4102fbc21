#include "symbol/pintext.h"

namespace tarnel::symbol {

std::string WrittenPinText(std::string_view written, double version) {
    if (version < kTildeEmptyBefore && written == "~") return {};
    return std::string(written);
}

std::string ShownPinText(std::string_view w, double version, std::vector<figure::Overbar>& over) {
    over.clear();
    std::string out;
    if (version < kTildeEmptyBefore && w == "~") return out;
    out.reserve(w.size());
    const bool braced = version >= kBracedOverbarFrom;
    bool in = false;
    int braces = 0;  // open braces inside an overbar
    uint32_t from = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        const char c = w[i];
        if (braced) {
            if (!in && c == '~' && i + 1 < w.size() && w[i + 1] == '{') {
                in = true;
                braces = 0;
                from = static_cast<uint32_t>(out.size());
                ++i;
                continue;
            }
            if (in && c == '{') ++braces;
            if (in && c == '}') {
                if (braces == 0) {
                    in = false;
                    over.push_back({from, static_cast<uint32_t>(out.size())});
                    continue;
                }
                --braces;
            }
        } else if (c == '~') {
            if (i + 1 < w.size() && w[i + 1] == '~') {
                out += '~';
                ++i;
                continue;
            }
            if (in) over.push_back({from, static_cast<uint32_t>(out.size())});
            else from = static_cast<uint32_t>(out.size());
            in = !in;
            continue;
        }
        out += c == ' ' ? '_' : c;
    }
    if (in) over.push_back({from, static_cast<uint32_t>(out.size())});
    return out;
}

std::string UnitLetters(long long u) {
    if (u < 1) return {};
    std::string s;
    while (u > 0) {
        const long long d = (u - 1) % 26;
        s.insert(s.begin(), static_cast<char>('A' + d));
        u = (u - d) / 26;
    }
    return s;
}

} // namespace tarnel::symbol
