#include "tables/tabletext.h"

#include "sexpr/sexpr.h"

#include <cstdlib>
#include <unordered_map>

namespace tarnel::tables {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }
bool EndsAtom(char c) { return IsBlank(c) || c == '(' || c == ')'; }

// The table cut into its top-level entries, lexed as the s-expression reader
// lexes (quoted strings with escapes, bare atoms), without building a tree:
// a broken entry must not take the rest of the table with it.
class Splitter {
public:
    struct Entry {
        size_t begin = 0, end = 0;  // bytes of the entry
        size_t line = 1;            // its first line
        int unclosed = 0;           // lists left open at its end
    };

    explicit Splitter(std::string_view in) : in_(in) {}

    // Reads the table's keyword and its entries; false with error set when
    // the text is no table at all.
    void Run(std::string& keyword, std::vector<Entry>& entries, std::string& error) {
        SkipBlanks();
        if (pos_ >= in_.size() || in_[pos_] != '(') {
            error = "linha " + std::to_string(line_) + ": nenhuma lista encontrada";
            return;
        }
        ++pos_;
        SkipBlanks();
        if (pos_ < in_.size() && !EndsAtom(in_[pos_]) && in_[pos_] != '"') {
            const size_t b = pos_;
            while (pos_ < in_.size() && !EndsAtom(in_[pos_])) ++pos_;
            keyword.assign(in_.substr(b, pos_ - b));
        }
        for (;;) {
            SkipBlanks();
            if (pos_ >= in_.size()) {
                error = "linha " + std::to_string(line_) + ": o arquivo termina dentro de uma lista não fechada";
                return;
            }
            const char c = in_[pos_];
            if (c == ')') {
                ++pos_;
                SkipBlanks();
                if (pos_ < in_.size())
                    error = "linha " + std::to_string(line_) + ": texto depois do fim da tabela";
                return;
            }
            if (c == '(') {
                Entry e;
                if (!ReadEntry(e, error)) return;
                entries.push_back(e);
                continue;
            }
            // An atom at the top level has no row to belong to.
            if (!SkipAtom(error)) return;
        }
    }

private:
    void SkipBlanks() {
        while (pos_ < in_.size() && IsBlank(in_[pos_])) {
            if (in_[pos_] == '\n') ++line_;
            ++pos_;
        }
    }

    bool SkipAtom(std::string& error) {
        if (in_[pos_] != '"') {
            while (pos_ < in_.size() && !EndsAtom(in_[pos_])) ++pos_;
            return true;
        }
        const size_t startLine = line_;
        for (++pos_; pos_ < in_.size(); ++pos_) {
            const char q = in_[pos_];
            if (q == '"') {
                ++pos_;
                return true;
            }
            if (q == '\n') ++line_;
            if (q == '\\' && pos_ + 1 < in_.size()) {
                if (in_[pos_ + 1] == '\n') ++line_;
                ++pos_;
            }
        }
        error = "linha " + std::to_string(startLine) + ": um texto entre aspas que não termina";
        return false;
    }

    // An opening parenthesis inside an entry followed by "lib": a new row,
    // which tells that the entry before it was left open.
    bool StartsRow(size_t at) const {
        size_t p = at + 1;
        while (p < in_.size() && IsBlank(in_[p])) ++p;
        return in_.substr(p, 3) == "lib" && (p + 3 >= in_.size() || EndsAtom(in_[p + 3]));
    }

    bool ReadEntry(Entry& e, std::string& error) {
        e.begin = pos_;
        e.line = line_;
        int depth = 0;
        while (pos_ < in_.size()) {
            const char c = in_[pos_];
            if (IsBlank(c)) {
                SkipBlanks();
            } else if (c == '(') {
                if (depth > 0 && StartsRow(pos_)) break;
                ++depth;
                ++pos_;
            } else if (c == ')') {
                ++pos_;
                if (--depth == 0) {
                    e.end = pos_;
                    return true;
                }
            } else if (!SkipAtom(error)) {
                return false;
            }
        }
        e.end = pos_;
        e.unclosed = depth;
        return true;
    }

    std::string_view in_;
    size_t pos_ = 0, line_ = 1;
};

std::string LineText(size_t line) { return "linha " + std::to_string(line); }

// One (lib …) entry as a row.
TableRow ReadRow(const sexpr::Node& lib, size_t line) {
    TableRow row;
    row.line = line;
    std::unordered_map<std::string_view, int> seen;
    auto fail = [&](const std::string& why) {
        if (row.error.empty()) row.error = why;
    };
    bool first = true;
    for (sexpr::Node p = lib.First().Next(); p; p = p.Next()) {
        const bool wasFirst = first;
        first = false;
        if (!p.IsList()) continue;  // stray atoms say nothing about the row
        const std::string_view key = p.Keyword();
        std::string* value = nullptr;
        if (key == "name") value = &row.nickname;
        else if (key == "type") value = &row.type;
        else if (key == "uri") value = &row.uri;
        else if (key == "options") value = &row.options;
        else if (key == "descr") value = &row.description;
        else if (key == "disabled") row.disabled = true;
        else if (key == "hidden") row.hidden = true;
        else continue;  // later KiCad versions add properties
        if (++seen[key] > 1) fail("(" + std::string(key) + " …) aparece duas vezes");
        if (key == "name" && !wasFirst) fail("(name …) não é a primeira propriedade");
        if (value && seen[key] == 1) {
            const sexpr::Node v = p.At(1);
            if (!v.IsAtom()) fail("(" + std::string(key) + " …) sem valor");
            else *value = std::string(v.Text());
        }
    }
    if (!seen.count("name") || row.nickname.empty()) fail("a entrada não tem (name …)");
    if (!seen.count("type") || row.type.empty()) fail("a entrada não tem (type …)");
    if (!seen.count("uri") || row.uri.empty()) fail("a entrada não tem (uri …)");
    return row;
}

} // namespace

TableText ReadTableText(std::string_view bytes) {
    TableText t;
    if (bytes.size() > sexpr::kMaxInputBytes) {
        t.error = "a tabela tem mais de " + std::to_string(sexpr::kMaxInputBytes >> 20) + " MiB";
        return t;
    }
    std::string keyword;
    std::vector<Splitter::Entry> entries;
    Splitter(bytes).Run(keyword, entries, t.error);
    if (keyword == "fp_lib_table") t.kind = TableKind::Footprints;
    else if (keyword == "sym_lib_table") t.kind = TableKind::Symbols;
    else if (t.error.empty())
        t.error = keyword.empty() ? std::string("não é uma tabela de bibliotecas")
                                  : "não é uma tabela de bibliotecas (começa com \"" + keyword + "\")";

    std::unordered_map<std::string, size_t> nicknames;  // nickname -> line of its first row
    for (const Splitter::Entry& e : entries) {
        std::string text(bytes.substr(e.begin, e.end - e.begin));
        // A row whose parentheses do not close is read as far as it goes.
        text.append(static_cast<size_t>(e.unclosed), ')');
        try {
            const sexpr::Document doc = sexpr::Document::Parse(text);
            const sexpr::Node n = doc.Root();
            if (n.Keyword() == "version") {
                const double v = n.Number(1, 0);
                if (v > 0 && v < 1e9) t.version = static_cast<int>(v);
                continue;
            }
            if (n.Keyword() != "lib") continue;  // unknown entries are for later versions
            if (t.rows.size() >= kMaxTableRows) {
                t.error = "mais de " + std::to_string(kMaxTableRows) + " entradas: as demais não foram lidas";
                break;
            }
            TableRow row = ReadRow(n, e.line);
            if (e.unclosed) row.error = "os parênteses da entrada não fecham";
            if (!row.nickname.empty()) {
                auto [it, added] = nicknames.emplace(row.nickname, e.line);
                if (!added && row.error.empty())
                    row.error = "apelido \"" + row.nickname + "\" já usado na " + LineText(it->second);
            }
            t.rows.push_back(std::move(row));
        } catch (const sexpr::ParseError& err) {
            // Only a row can fail here (nesting, size): keep it, marked.
            if (t.rows.size() >= kMaxTableRows) break;
            TableRow row;
            row.line = e.line;
            std::string why = err.what();
            why = why.substr(why.find(": ") == std::string::npos ? 0 : why.find(": ") + 2);
            row.error = LineText(e.line + err.Line() - 1) + ": a entrada não pode ser lida (" + why + ")";
            t.rows.push_back(std::move(row));
        }
    }
    return t;
}

std::vector<std::pair<std::string, std::string>> SplitOptions(std::string_view options) {
    std::vector<std::pair<std::string, std::string>> out;
    size_t start = 0;
    while (start <= options.size()) {
        size_t bar = options.find('|', start);
        if (bar == std::string_view::npos) bar = options.size();
        const std::string_view item = options.substr(start, bar - start);
        if (!item.empty()) {
            const size_t eq = item.find('=');
            out.emplace_back(std::string(item.substr(0, eq)),
                             eq == std::string_view::npos ? std::string() : std::string(item.substr(eq + 1)));
        }
        start = bar + 1;
    }
    return out;
}

} // namespace tarnel::tables
