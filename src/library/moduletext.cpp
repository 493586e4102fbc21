#include "library/moduletext.h"

namespace tarnel {

ModuleText::ModuleText(std::string text, Kind kind) : kind_(kind) {
    auto owned = std::make_shared<const std::string>(std::move(text));
    text_ = *owned;
    buffer_ = std::move(owned);
}

ModuleText ModuleText::FromLines(const std::vector<std::string>& lines, Kind kind) {
    size_t total = 0;
    for (const auto& l : lines) total += l.size() + 1;
    std::string text;
    text.reserve(total);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += '\n';
        text += lines[i];
    }
    return ModuleText(std::move(text), kind);
}

size_t ModuleText::LineCount() const {
    size_t n = 0;
    ForEachLine([&](std::string_view) {
        ++n;
        return true;
    });
    return n;
}

std::string_view ModuleText::Line(size_t i) const {
    std::string_view found;
    size_t n = 0;
    ForEachLine([&](std::string_view line) {
        if (n++ == i) {
            found = line;
            return false;
        }
        return true;
    });
    return found;
}

std::vector<std::string> ModuleText::Lines() const {
    std::vector<std::string> out;
    ForEachLine([&](std::string_view line) {
        out.emplace_back(line);
        return true;
    });
    return out;
}

} // namespace tarnel
