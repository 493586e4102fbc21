#pragma once
// Names printed one per line, or as tab-separated fields, must stay on their
// line: a line feed, carriage return or tab in them is written as \n, \r or
// \t, and a backslash as \\ so that the escapes read back unambiguously.
#include <string>
#include <string_view>

namespace tarnel {

inline std::string EscapeForLine(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: out += c;
        }
    }
    return out;
}

} // namespace tarnel
