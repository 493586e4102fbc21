#pragma once
// One module's text as a library hands it over: a view into bytes that it
// keeps alive (a whole footprint file, or one module block of a legacy
// file), never copied line by line. Lines are found when they are asked for.
#include "tokenizer/libtext.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarnel {

class ModuleText {
public:
    enum class Kind : uint8_t {
        Lines,      // legacy lines: byte 26 ends the text
        Footprint,  // a footprint file, read whole whatever it starts with
        Symbol,     // one "(symbol …)" of a current symbol library
    };

    ModuleText() = default;
    ModuleText(std::shared_ptr<const std::string> buffer, std::string_view text, Kind kind)
        : buffer_(std::move(buffer)), text_(text), kind_(kind) {}
    // Owns text.
    explicit ModuleText(std::string text, Kind kind = Kind::Lines);
    // The lines joined by line feeds.
    static ModuleText FromLines(const std::vector<std::string>& lines, Kind kind = Kind::Lines);

    std::string_view Bytes() const { return text_; }
    Kind TextKind() const { return kind_; }
    bool empty() const { return text_.empty(); }

    // Calls fn(line) for each line until it returns false. Legacy lines end
    // at CR, CR LF or LF and the text at byte 26; a footprint's or symbol's
    // lines end at CR, CR LF or LF only.
    template <typename Fn>
    void ForEachLine(Fn&& fn) const;
    size_t LineCount() const;
    // Line i, empty past the last.
    std::string_view Line(size_t i) const;
    std::vector<std::string> Lines() const;

private:
    std::shared_ptr<const std::string> buffer_;
    std::string_view text_;
    Kind kind_ = Kind::Lines;
};

template <typename Fn>
void ModuleText::ForEachLine(Fn&& fn) const {
    if (kind_ == Kind::Lines) {
        tarnel::ForEachLine(text_, fn);
        return;
    }
    const std::string_view b = text_;
    size_t i = 0;
    while (i < b.size()) {
        size_t j = i;
        while (j < b.size() && b[j] != '\r' && b[j] != '\n') ++j;
        if (!fn(b.substr(i, j - i))) return;
        if (j >= b.size()) return;
        if (b[j] == '\r' && j + 1 < b.size() && b[j + 1] == '\n') ++j;
        i = j + 1;
    }
}

} // namespace tarnel
