#pragma once
// The line tokenizer: splits one line into a numbered table of tokens.
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnel {

constexpr uint8_t KindWord = 0, KindNumber = 1, KindEmpty = 6, KindOpenQuote = 7;

struct ttoken {
    std::string text;
    uint8_t kind = KindEmpty;
};

// 300 slots numbered from 1. Tokens past slot 300 are dropped and the result
// stops at 301; reading any slot outside 1..300 gives an empty text.
class TokenTable {
public:
    static constexpr int kSlots = 300;

    int ParseLine(std::string_view line);
    const std::string& operator[](int i) const {
        return (i >= 1 && i <= kSlots) ? slots_[i].text : empty_;
    }
    uint8_t Kind(int i) const { return (i >= 1 && i <= kSlots) ? slots_[i].kind : KindEmpty; }
    int TokenCount = 0;

private:
    void Store(int n, std::string_view text, uint8_t kind);
    ttoken slots_[kSlots + 1];
    int used_ = kSlots;  // highest slot that may hold something
    std::string empty_;
};

} // namespace tarnel
