#include "tokenizer/meuparse.h"

namespace tarnel {

void TokenTable::Store(int n, std::string_view text, uint8_t kind) {
    if (n < 1 || n > kSlots) return;
    slots_[n].text.assign(text.data(), text.size());
    slots_[n].kind = kind;
    if (n > used_) used_ = n;
}

static bool AllNumberChars(std::string_view s) {
    for (char c : s)
        if (!(c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9'))) return false;
    return true;
}

int TokenTable::ParseLine(std::string_view line) {
    for (int i = 1; i <= used_; ++i) {
        slots_[i].text.clear();
        slots_[i].kind = KindEmpty;
    }
    used_ = 0;
    if (line.empty()) return 0;

    enum { Idle, InWord, Quoted } state = Idle;
    int n = 1;
    size_t start = 0;  // start of the accumulator in the line
    auto advance = [&] { if (n <= kSlots) ++n; };
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == ' ') {
            if (state == InWord) {
                std::string_view acc = line.substr(start, i - start);
                Store(n, acc, AllNumberChars(acc) ? KindNumber : KindWord);
                advance();
                state = Idle;
            }
        } else if (c == '"') {
            if (state == Idle) {
                start = i + 1;
                state = Quoted;
            } else if (state == InWord) {
                Store(n, line.substr(start, i - start), KindWord);
                advance();
                start = i + 1;
                state = Quoted;
            } else {
                Store(n, line.substr(start, i - start), KindWord);
                advance();
                state = Idle;
            }
        } else if (state == Idle) {
            start = i;
            state = InWord;
        }
    }
    if (state == InWord) Store(n, line.substr(start), KindWord);
    else if (state == Quoted) Store(n, line.substr(start), KindOpenQuote);
    TokenCount = n - 1;
    return n;
}

} // namespace tarnel
