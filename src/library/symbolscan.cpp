#include "library/symbolscan.h"

#include "library/symbolname.h"

#include <algorithm>
#include <charconv>

namespace tarnel {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

// Bytes that end a run of bytes nothing is read from: parentheses and
// quotes (in quotes: the quote and the backslash).
struct Stops {
    bool list[256] = {}, quoted[256] = {};
    constexpr Stops() {
        list[static_cast<unsigned char>('(')] = list[static_cast<unsigned char>(')')] =
            list[static_cast<unsigned char>('"')] = true;
        quoted[static_cast<unsigned char>('"')] = quoted[static_cast<unsigned char>('\\')] = true;
    }
};
constexpr Stops kStops;

// The position of the quote that closes the string opened before pos, or
// the end of the input.
size_t QuoteEnd(std::string_view in, size_t pos) {
    const size_t n = in.size();
    for (;;) {
        while (pos < n && !kStops.quoted[static_cast<unsigned char>(in[pos])]) ++pos;
        if (pos >= n || in[pos] == '"') return pos;
        pos += 2;  // an escape: the byte after the backslash is never the end
        if (pos > n) return n;
    }
}
bool EndsAtom(char c) { return IsBlank(c) || c == '(' || c == ')'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A quoted atom's text with its escapes undone, as the s-expression reader
// undoes them; q is the text between the quotes.
std::string Unquote(std::string_view q) {
    std::string out;
    out.reserve(q.size());
    for (size_t i = 0; i < q.size();) {
        const char c = q[i];
        if (c != '\\' || i + 1 >= q.size()) {
            out += c;
            ++i;
            continue;
        }
        const char x = q[i + 1];
        i += 2;
        switch (x) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'a': out += '\a'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'v': out += '\v'; break;
            case 'x': {
                int v = 0, k = 0;
                while (k < 2 && i < q.size() && HexValue(q[i]) >= 0) v = v * 16 + HexValue(q[i++]), ++k;
                if (k == 0) out += "\\x";
                else out += static_cast<char>(v);
                break;
            }
            default:
                if (x >= '0' && x <= '7') {
                    int v = x - '0', k = 1;
                    while (k < 3 && i < q.size() && q[i] >= '0' && q[i] <= '7') v = v * 8 + (q[i++] - '0'), ++k;
                    out += static_cast<char>(v & 0xFF);
                } else {
                    out += '\\';
                    out += x;
                }
        }
    }
    return out;
}

bool ParseVersion(std::string_view t, double& out) {
    if (t.empty() || t.size() > 64) return false;
    if (t[0] == '+') t.remove_prefix(1);
    for (char c : t)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == 'e' || c == 'E' || c == '+')) return false;
    double v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return false;
    out = v;
    return true;
}

[[noreturn]] void Fail(std::string_view bytes, size_t at, const std::string& what) {
    const size_t line = 1 + static_cast<size_t>(std::count(bytes.begin(), bytes.begin() + static_cast<long>(std::min(at, bytes.size())), '\n'));
    throw std::runtime_error("linha " + std::to_string(line) + ": " + what);
}

} // namespace

SymbolFileScan ScanSymbolFile(std::string_view in) {
    if (static_cast<int64_t>(in.size()) > kMaxSymbolFileBytes)
        Fail(in, 0, "o arquivo tem mais de " + std::to_string(kMaxSymbolFileBytes >> 20) + " MiB");
    SymbolFileScan out;
    size_t pos = in.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    const size_t n = in.size();
    int depth = 0;
    bool rootDone = false;
    // The root's elements seen so far (its keyword is element 0), and for
    // the root's current child list: where it starts, its elements so far,
    // its keyword and second element.
    int rootElements = 0;
    size_t childStart = 0;
    int childElements = 0;
    std::string childKeyword, childSecond;
    bool childSecondAtom = false;

    while (pos < n) {
        // Deep inside a symbol only the lists' structure counts: run to the
        // next parenthesis or quote.
        if (depth >= 3 || (depth == 2 && childElements >= 2)) {
            while (pos < n && !kStops.list[static_cast<unsigned char>(in[pos])]) ++pos;
            if (pos >= n) break;
            if (in[pos] == '"') {
                const size_t from = pos;
                pos = QuoteEnd(in, pos + 1);
                if (pos >= n) Fail(in, from, "um texto entre aspas que não termina");
                ++pos;
                continue;
            }
        }
        const char c = in[pos];
        if (IsBlank(c)) {
            ++pos;
            continue;
        }
        if (c == '(') {
            if (rootDone) Fail(in, pos, "texto depois do fim da lista principal");
            if (depth >= kMaxSymbolDepth) Fail(in, pos, "listas aninhadas em mais de " + std::to_string(kMaxSymbolDepth) + " níveis");
            if (depth == 1) {
                if (rootElements == 0) Fail(in, pos, "o arquivo não é uma biblioteca de símbolos");
                ++rootElements;
                childStart = pos;
                childElements = 0;
                childKeyword.clear();
                childSecond.clear();
                childSecondAtom = false;
            } else if (depth == 2) {
                ++childElements;
            }
            ++depth;
            ++pos;
            continue;
        }
        if (c == ')') {
            if (depth == 0) Fail(in, pos, "um parêntese que fecha sem outro que abra");
            if (depth == 1 && rootElements == 0) Fail(in, pos, "o arquivo não é uma biblioteca de símbolos");
            --depth;
            ++pos;
            if (depth == 1) {
                if (childKeyword == "symbol" && childSecondAtom) {
                    out.symbols.push_back({SymbolListName(childSecond), static_cast<uint32_t>(childStart),
                                           static_cast<uint32_t>(pos)});
                } else if (childKeyword == "version" && childSecondAtom) {
                    ParseVersion(childSecond, out.version);
                }
            }
            if (depth == 0) rootDone = true;
            continue;
        }
        if (depth == 0) Fail(in, pos, rootDone ? "texto depois do fim da lista principal" : "texto fora de qualquer lista");
        // An atom: its text matters only for the root's keyword and the
        // first two elements of the root's children.
        const bool wanted = depth == 1 ? rootElements == 0 : depth == 2 && childElements < 2;
        size_t from = pos, to;
        bool quoted = false;
        if (c == '"') {
            quoted = true;
            pos = QuoteEnd(in, pos + 1);
            if (pos >= n) Fail(in, from, "um texto entre aspas que não termina");
            ++from;
            to = pos;
            ++pos;
        } else {
            while (pos < n && !EndsAtom(in[pos])) ++pos;
            to = pos;
        }
        if (depth == 1) {
            ++rootElements;
            if (wanted) {
                const std::string kw = quoted ? Unquote(in.substr(from, to - from)) : std::string(in.substr(from, to - from));
                if (kw != "kicad_symbol_lib")
                    Fail(in, from, "o arquivo não é uma biblioteca de símbolos (começa com \"" + kw.substr(0, 80) + "\")");
            }
        } else if (depth == 2) {
            if (wanted) {
                std::string text = quoted ? Unquote(in.substr(from, to - from)) : std::string(in.substr(from, to - from));
                if (childElements == 0) childKeyword = std::move(text);
                else childSecond = std::move(text), childSecondAtom = true;
            }
            ++childElements;
        }
    }
    if (depth > 0) Fail(in, n, "o arquivo termina dentro de uma lista não fechada");
    if (!rootDone) Fail(in, n, "nenhuma lista encontrada");
    return out;
}

} // namespace tarnel
