#include "sexpr/sexpr.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tarnel::sexpr {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }
bool EndsAtom(char c) { return IsBlank(c) || c == '(' || c == ')'; }
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

Document Document::Parse(std::string_view in) {
    if (in.size() > kMaxInputBytes)
        throw ParseError("o arquivo tem mais de " + std::to_string(kMaxInputBytes >> 20) + " MiB", 1);
    Document d;
    d.nodes_.emplace_back();  // index 0: "none"
    size_t line = 1, pos = 0;
    const size_t n = in.size();
    // For each open list: its index and the index of its last child.
    struct Open {
        uint32_t list, last;
    };
    std::vector<Open> open;
    bool rootDone = false;

    auto add = [&](const Element& e) -> uint32_t {
        if (d.nodes_.size() > kMaxElements) throw ParseError("mais de " + std::to_string(kMaxElements) + " elementos", line);
        const auto idx = static_cast<uint32_t>(d.nodes_.size());
        d.nodes_.push_back(e);
        Open& o = open.back();
        if (o.last) d.nodes_[o.last].next = idx;
        else d.nodes_[o.list].first = idx;
        o.last = idx;
        return idx;
    };

    while (pos < n) {
        const char c = in[pos];
        if (IsBlank(c)) {
            if (c == '\n') ++line;
            ++pos;
            continue;
        }
        if (c == '(') {
            if (rootDone) throw ParseError("texto depois do fim da lista principal", line);
            if (open.size() >= static_cast<size_t>(kMaxDepth))
                throw ParseError("listas aninhadas em mais de " + std::to_string(kMaxDepth) + " níveis", line);
            Element e;
            e.length = kList;
            uint32_t idx;
            if (open.empty()) {
                idx = static_cast<uint32_t>(d.nodes_.size());
                d.nodes_.push_back(e);
            } else {
                idx = add(e);
            }
            open.push_back({idx, 0});
            ++pos;
            continue;
        }
        if (c == ')') {
            if (open.empty()) throw ParseError("um parêntese que fecha sem outro que abra", line);
            open.pop_back();
            if (open.empty()) rootDone = true;
            ++pos;
            continue;
        }
        if (open.empty()) throw ParseError(rootDone ? "texto depois do fim da lista principal" : "texto fora de qualquer lista", line);
        Element e;
        e.offset = static_cast<uint32_t>(d.text_.size());
        if (c == '"') {
            const size_t startLine = line;
            ++pos;
            bool closed = false;
            while (pos < n) {
                char q = in[pos];
                if (q == '"') {
                    closed = true;
                    ++pos;
                    break;
                }
                if (q == '\n') ++line;
                if (q != '\\' || pos + 1 >= n) {
                    d.text_.push_back(q);
                    ++pos;
                    continue;
                }
                const char x = in[pos + 1];
                pos += 2;
                switch (x) {
                    case '"': d.text_.push_back('"'); break;
                    case '\\': d.text_.push_back('\\'); break;
                    case 'n': d.text_.push_back('\n'); break;
                    case 'r': d.text_.push_back('\r'); break;
                    case 't': d.text_.push_back('\t'); break;
                    case 'a': d.text_.push_back('\a'); break;
                    case 'b': d.text_.push_back('\b'); break;
                    case 'f': d.text_.push_back('\f'); break;
                    case 'v': d.text_.push_back('\v'); break;
                    case 'x': {
                        int v = 0, k = 0;
                        while (k < 2 && pos < n && HexValue(in[pos]) >= 0) v = v * 16 + HexValue(in[pos++]), ++k;
                        if (k == 0) {
                            d.text_ += "\\x";
                        } else {
                            d.text_.push_back(static_cast<char>(v));
                        }
                        break;
                    }
                    default:
                        if (x >= '0' && x <= '7') {
                            int v = x - '0', k = 1;
                            while (k < 3 && pos < n && in[pos] >= '0' && in[pos] <= '7') v = v * 8 + (in[pos++] - '0'), ++k;
                            d.text_.push_back(static_cast<char>(v & 0xFF));
                        } else {
                            // Unknown escapes keep their backslash.
                            d.text_.push_back('\\');
                            d.text_.push_back(x);
                            if (x == '\n') ++line;
                        }
                }
            }
            if (!closed) throw ParseError("um texto entre aspas que não termina", startLine);
        } else {
            const size_t start = pos;
            while (pos < n && !EndsAtom(in[pos])) ++pos;
            d.text_.append(in.data() + start, pos - start);
        }
        e.length = static_cast<uint32_t>(d.text_.size() - e.offset);
        add(e);
    }
    if (!open.empty()) throw ParseError("o arquivo termina dentro de uma lista não fechada", line);
    if (!rootDone) throw ParseError("nenhuma lista encontrada", line);
    d.text_.shrink_to_fit();
    d.nodes_.shrink_to_fit();
    return d;
}

bool Node::IsList() const { return doc_ && doc_->nodes_[index_].length == Document::kList; }

std::string_view Node::Text() const {
    if (!doc_ || IsList()) return {};
    const auto& e = doc_->nodes_[index_];
    return std::string_view(doc_->text_).substr(e.offset, e.length);
}

Node Node::First() const {
    if (!IsList()) return {};
    const uint32_t f = doc_->nodes_[index_].first;
    return f ? Node(doc_, f) : Node();
}

Node Node::Next() const {
    if (!doc_) return {};
    const uint32_t x = doc_->nodes_[index_].next;
    return x ? Node(doc_, x) : Node();
}

Node Node::At(size_t i) const {
    Node c = First();
    while (c && i--) c = c.Next();
    return c;
}

std::string_view Node::Keyword() const {
    Node f = First();
    return f.IsAtom() ? f.Text() : std::string_view();
}

Node Node::Find(std::string_view key) const {
    for (Node c = First(); c; c = c.Next())
        if (c.IsList() && c.Keyword() == key) return c;
    return {};
}

bool Node::HasAtom(std::string_view text) const {
    Node c = First();
    if (!c) return false;
    for (c = c.Next(); c; c = c.Next())
        if (c.IsAtom() && c.Text() == text) return true;
    return false;
}

double Node::Number(size_t i, double fallback) const {
    Node c = At(i);
    double v;
    if (c.IsAtom() && ParseNumber(c.Text(), v)) return v;
    return fallback;
}

size_t Node::Count() const {
    size_t k = 0;
    for (Node c = First(); c; c = c.Next()) ++k;
    return k;
}

namespace {
// The power of ten of the first nonzero digit of a well-formed unsigned
// number (digits, an optional point and fraction, an optional exponent).
int64_t LeadingPowerOfTen(std::string_view body) {
    constexpr int64_t kFar = int64_t{1} << 40;
    size_t j = 0;
    int64_t intDigits = 0, lead = -1, position = 0;
    for (; j < body.size() && body[j] != 'e' && body[j] != 'E'; ++j) {
        if (body[j] == '.') {
            intDigits = position;
            continue;
        }
        if (lead < 0 && body[j] != '0') lead = position;
        ++position;
    }
    if (body.substr(0, j).find('.') == std::string_view::npos) intDigits = position;
    if (lead < 0) return -kFar;  // zero
    int64_t exp = 0;
    bool negative = false;
    if (j < body.size()) {
        ++j;
        if (j < body.size() && (body[j] == '+' || body[j] == '-')) negative = body[j++] == '-';
        for (; j < body.size(); ++j) exp = std::min(exp * 10 + (body[j] - '0'), kFar);
    }
    return intDigits - 1 - lead + (negative ? -exp : exp);
}
} // namespace

bool ParseNumber(std::string_view t, double& out) {
    if (t.empty()) return false;
    size_t i = 0;
    const bool neg = t[0] == '-';
    if (t[0] == '+' || t[0] == '-') ++i;
    if (i >= t.size()) return false;
    // Only decimal digits, one point and an exponent: no hex, inf or nan.
    size_t j = i;
    bool digits = false;
    while (j < t.size() && t[j] >= '0' && t[j] <= '9') ++j, digits = true;
    if (j < t.size() && t[j] == '.') {
        ++j;
        while (j < t.size() && t[j] >= '0' && t[j] <= '9') ++j, digits = true;
    }
    if (!digits) return false;
    if (j < t.size() && (t[j] == 'e' || t[j] == 'E')) {
        ++j;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        const size_t k = j;
        while (j < t.size() && t[j] >= '0' && t[j] <= '9') ++j;
        if (j == k) return false;
    }
    if (j != t.size()) return false;
    double v = 0;
    const std::string_view body = t.substr(i);
    auto r = std::from_chars(body.data(), body.data() + body.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: the nearest representable,
        // told apart by the power of ten of the first significant digit
        // (0.000…01 written without exponent is tiny, 1000…0e-10 is huge).
        v = LeadingPowerOfTen(body) >= 0 ? HUGE_VAL : 0.0;
    } else if (r.ec != std::errc() || r.ptr != body.data() + body.size()) {
        return false;
    }
    out = neg ? -v : v;
    return true;
}

} // namespace tarnel::sexpr
