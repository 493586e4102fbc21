#include "book/pdfupdate.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

namespace tarnel::book {

namespace {

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error("não foi possível concluir o arquivo PDF: " + what); }

bool White(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }
bool Delimiter(char c) {
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' ||
           c == '/' || c == '%';
}

// A reader of PDF tokens over a piece of the file.
class Scanner {
public:
    explicit Scanner(std::string_view s, size_t pos = 0) : s_(s), p_(pos) {}
    size_t Pos() const { return p_; }
    bool AtEnd() { Skip(); return p_ >= s_.size(); }

    void Skip() {
        while (p_ < s_.size()) {
            if (White(s_[p_])) {
                ++p_;
            } else if (s_[p_] == '%') {
                while (p_ < s_.size() && s_[p_] != '\n' && s_[p_] != '\r') ++p_;
            } else {
                break;
            }
        }
    }

    // The next token's text: "<<", ">>", "[", "]", a whole string, a hex
    // string, a name, a number or a keyword.
    std::string_view Token() {
        Skip();
        if (p_ >= s_.size()) Fail("fim inesperado do arquivo");
        const size_t b = p_;
        const char c = s_[p_];
        if (c == '<' && p_ + 1 < s_.size() && s_[p_ + 1] == '<') {
            p_ += 2;
        } else if (c == '>' && p_ + 1 < s_.size() && s_[p_ + 1] == '>') {
            p_ += 2;
        } else if (c == '[' || c == ']' || c == '{' || c == '}') {
            ++p_;
        } else if (c == '(') {
            int depth = 0;
            for (; p_ < s_.size(); ++p_) {
                if (s_[p_] == '\\') {
                    ++p_;
                } else if (s_[p_] == '(') {
                    ++depth;
                } else if (s_[p_] == ')' && --depth == 0) {
                    ++p_;
                    break;
                }
            }
            if (depth) Fail("uma string sem fim");
        } else if (c == '<') {
            p_ = s_.find('>', p_);
            if (p_ == std::string_view::npos) Fail("uma string hexadecimal sem fim");
            ++p_;
        } else {
            ++p_;
            while (p_ < s_.size() && !White(s_[p_]) && !Delimiter(s_[p_])) ++p_;
        }
        return s_.substr(b, p_ - b);
    }

    std::string_view Peek() {
        const size_t keep = p_;
        const std::string_view t = Token();
        p_ = keep;
        return t;
    }

    // Passes one whole value: a dictionary, an array, a reference or a
    // single token. Returns its text. Nesting is counted, not recursed
    // into: any depth is safe.
    std::string_view Value() {
        Skip();
        const size_t b = p_;
        const std::string_view t = Token();
        if (t == "<<" || t == "[") {
            std::vector<bool> open{t == "<<"};  // true: a dictionary
            while (!open.empty()) {
                const std::string_view u = Token();
                if (u == "<<" || u == "[") {
                    open.push_back(u == "<<");
                } else if (u == ">>" || u == "]") {
                    if (open.back() != (u == ">>")) Fail("um \"" + std::string(u) + "\" fora de lugar");
                    open.pop_back();
                }
            }
        } else if (t == ">>" || t == "]") {
            Fail("um \"" + std::string(t) + "\" fora de lugar");
        } else if (IsInteger(t)) {
            // "N G R" is one value.
            const size_t keep = p_;
            if (p_ < s_.size() && IsInteger(TokenOrEmpty()) && TokenOrEmpty() == "R") return s_.substr(b, p_ - b);
            p_ = keep;
        }
        return s_.substr(b, p_ - b);
    }

    static bool IsInteger(std::string_view t) {
        if (t.empty()) return false;
        size_t i = t[0] == '+' || t[0] == '-' ? 1 : 0;
        if (i >= t.size()) return false;
        for (; i < t.size(); ++i)
            if (t[i] < '0' || t[i] > '9') return false;
        return true;
    }

private:
    std::string_view TokenOrEmpty() {
        Skip();
        if (p_ >= s_.size()) return {};
        return Token();
    }

    std::string_view s_;
    size_t p_;
};

uint64_t Number(std::string_view t, const char* what) {
    if (!Scanner::IsInteger(t) || t[0] == '-' || t.size() > 18) Fail("número inválido (" + std::string(what) + ")");
    return std::strtoull(std::string(t).c_str(), nullptr, 10);
}

// A dictionary's entries in order, as text.
using Entries = std::vector<std::pair<std::string, std::string>>;

Entries ReadDictionary(Scanner& sc) {
    if (sc.Token() != "<<") Fail("esperava-se um dicionário");
    Entries out;
    for (;;) {
        const std::string_view key = sc.Token();
        if (key == ">>") break;
        if (key.empty() || key[0] != '/') Fail("esperava-se uma chave de dicionário");
        out.emplace_back(std::string(key), std::string(sc.Value()));
    }
    return out;
}

const std::string* Find(const Entries& e, std::string_view key) {
    for (const auto& [k, v] : e)
        if (k == key) return &v;
    return nullptr;
}

// The object number of a reference "N G R".
std::pair<uint64_t, uint64_t> Reference(const std::string& value, const char* what) {
    Scanner sc(value);
    const uint64_t n = Number(sc.Token(), what);
    const uint64_t g = Number(sc.Token(), what);
    if (sc.Token() != "R") Fail("referência inválida (" + std::string(what) + ")");
    return {n, g};
}

std::string DictionaryText(const Entries& e) {
    std::string s = "<<";
    for (const auto& [k, v] : e) s += "\n   " + k + " " + v;
    return s + "\n>>";
}

} // namespace

std::string CatalogUpdate(std::string_view tail, uint64_t at, const CatalogAdditions& additions) {
    // The last cross-reference table and its trailer.
    const size_t sx = tail.rfind("startxref");
    if (sx == std::string_view::npos) Fail("não há \"startxref\"");
    Scanner end(tail, sx + 9);
    const uint64_t xref = Number(end.Token(), "posição de \"startxref\"");
    if (xref < at || xref - at >= tail.size()) Fail("a tabela de referências cruzadas não está no fim do arquivo");
    Scanner sc(tail, static_cast<size_t>(xref - at));
    if (sc.Token() != "xref") Fail("não há tabela de referências cruzadas onde \"startxref\" aponta");
    std::map<uint64_t, std::pair<uint64_t, uint64_t>> offsets;  // object -> offset, generation
    for (;;) {
        const std::string_view t = sc.Token();
        if (t == "trailer") break;
        const uint64_t first = Number(t, "seção da tabela de referências cruzadas");
        const uint64_t count = Number(sc.Token(), "seção da tabela de referências cruzadas");
        for (uint64_t i = 0; i < count; ++i) {
            const uint64_t offset = Number(sc.Token(), "entrada da tabela de referências cruzadas");
            const uint64_t gen = Number(sc.Token(), "entrada da tabela de referências cruzadas");
            const std::string_view kind = sc.Token();
            if (kind == "n") offsets[first + i] = {offset, gen};
            else if (kind != "f") Fail("entrada inválida na tabela de referências cruzadas");
        }
    }
    const Entries trailer = ReadDictionary(sc);
    const std::string* root = Find(trailer, "/Root");
    const std::string* size = Find(trailer, "/Size");
    if (!root || !size) Fail("um trailer sem /Root ou /Size");

    // Reads object n's dictionary.
    auto object = [&](std::pair<uint64_t, uint64_t> ref, const char* what) {
        auto it = offsets.find(ref.first);
        if (it == offsets.end() || it->second.second != ref.second)
            Fail(std::string(what) + " não consta da última tabela de referências cruzadas");
        const uint64_t offset = it->second.first;
        if (offset < at || offset - at >= tail.size()) Fail(std::string(what) + " não está no fim do arquivo");
        Scanner o(tail, static_cast<size_t>(offset - at));
        if (Number(o.Token(), what) != ref.first || Number(o.Token(), what) != ref.second || o.Token() != "obj")
            Fail(std::string(what) + " não está onde a tabela de referências cruzadas indica");
        return ReadDictionary(o);
    };

    struct Changed {
        std::pair<uint64_t, uint64_t> ref;
        std::string body;
    };
    std::vector<Changed> changed;

    const auto rootRef = Reference(*root, "/Root");
    Entries catalog = object(rootRef, "catálogo do documento");
    std::string prefs = "<< /DisplayDocTitle true";
    if (additions.printScalingNone) prefs += " /PrintScaling /None";
    prefs += " >>";
    const std::string* outlines = Find(catalog, "/Outlines");
    Entries kept;
    for (auto& e : catalog)
        if (e.first != "/ViewerPreferences" && (e.first != "/PageMode" || !outlines)) kept.push_back(e);
    kept.emplace_back("/ViewerPreferences", prefs);
    if (outlines) kept.emplace_back("/PageMode", "/UseOutlines");
    // The outline's count is put right when cairo wrote it: an outline
    // dictionary of an earlier update is right already.
    const auto outlinesRef = outlines ? Reference(*outlines, "/Outlines") : std::pair<uint64_t, uint64_t>{};
    if (outlines && offsets.count(outlinesRef.first)) {
        const auto ref = outlinesRef;
        Entries o = object(ref, "dicionário de marcadores");
        bool negative = false;
        for (auto& [k, v] : o)
            if (k == "/Count" && !v.empty() && v[0] == '-') {
                v.erase(0, 1);
                negative = true;
            }
        if (negative) changed.push_back({ref, DictionaryText(o)});
    }
    changed.push_back({rootRef, DictionaryText(kept)});
    std::sort(changed.begin(), changed.end(), [](const Changed& a, const Changed& b) { return a.ref < b.ref; });

    std::string out;
    if (!tail.empty() && tail.back() != '\n' && tail.back() != '\r') out += "\n";
    const uint64_t base = at + tail.size();
    std::vector<uint64_t> at_(changed.size());
    for (size_t i = 0; i < changed.size(); ++i) {
        at_[i] = base + out.size();
        out += std::to_string(changed[i].ref.first) + " " + std::to_string(changed[i].ref.second) + " obj\n" +
               changed[i].body + "\nendobj\n";
    }
    const uint64_t table = base + out.size();
    out += "xref\n";
    for (size_t i = 0; i < changed.size(); ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%llu 1\n%010llu %05llu n \n",
                      static_cast<unsigned long long>(changed[i].ref.first), static_cast<unsigned long long>(at_[i]),
                      static_cast<unsigned long long>(changed[i].ref.second));
        out += line;
    }
    Entries next;
    next.emplace_back("/Size", *size);
    next.emplace_back("/Root", *root);
    for (const char* key : {"/Info", "/ID"})
        if (const std::string* v = Find(trailer, key)) next.emplace_back(key, *v);
    next.emplace_back("/Prev", std::to_string(xref));
    out += "trailer\n" + DictionaryText(next) + "\nstartxref\n" + std::to_string(table) + "\n%%EOF\n";
    return out;
}

} // namespace tarnel::book
