#pragma once
// An s-expression reader for KiCad's current file formats: bytes in, a
// compact tree out.
//
// Tokens are "(", ")", a double-quoted string or a bare atom. A bare atom
// runs to the next space, tab, CR, LF, NUL or parenthesis. Inside quotes the
// escapes \" \\ \n \r \t \a \b \f \v, \xHH and octal \ooo are undone; any
// other backslash is kept as it stands. Quoted and bare atoms are the same
// thing once read.
//
// The reader never recurses, so deep nesting cannot overflow the stack; it
// refuses input past fixed limits (size, depth, element count) with a
// ParseError that says what is wrong and where. Memory is the tree's 16 bytes
// per element plus at most the input's size for atom text.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarnel::sexpr {

constexpr size_t kMaxInputBytes = 64u * 1024 * 1024;
constexpr int kMaxDepth = 200;
constexpr size_t kMaxElements = 4u * 1024 * 1024;

// What is wrong, with the 1-based line where it was found.
class ParseError : public std::runtime_error {
public:
    ParseError(const std::string& what, size_t line)
        : std::runtime_error("linha " + std::to_string(line) + ": " + what), line_(line) {}
    size_t Line() const { return line_; }

private:
    size_t line_;
};

class Document;

// A view of one element: an atom or a list. A null Node (no element) is
// false and answers every question with nothing.
class Node {
public:
    Node() = default;
    explicit operator bool() const { return doc_ != nullptr; }
    bool IsList() const;
    bool IsAtom() const { return doc_ && !IsList(); }
    // The atom's text; empty for lists.
    std::string_view Text() const;
    // A list's first element, the next element after this one.
    Node First() const;
    Node Next() const;
    // The list's i-th element (0 is the keyword).
    Node At(size_t i) const;
    // A list's keyword: the text of its first element when that is an atom.
    std::string_view Keyword() const;
    // The first child list whose keyword is key.
    Node Find(std::string_view key) const;
    // Whether an atom child (after the keyword) has exactly this text.
    bool HasAtom(std::string_view text) const;
    // The i-th element read as a number; fallback when absent or not one.
    double Number(size_t i, double fallback = 0) const;
    size_t Count() const;

private:
    friend class Document;
    Node(const Document* d, uint32_t i) : doc_(d), index_(i) {}
    const Document* doc_ = nullptr;
    uint32_t index_ = 0;
};

class Document {
public:
    // Reads the whole input as one top-level list; throws ParseError.
    static Document Parse(std::string_view bytes);
    Node Root() const { return nodes_.size() > 1 ? Node(this, 1) : Node(); }

    Document(Document&&) = default;
    Document& operator=(Document&&) = default;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

private:
    friend class Node;
    Document() = default;
    struct Element {
        uint32_t first = 0;  // lists: index of the first child, 0 when empty
        uint32_t next = 0;   // index of the next sibling, 0 when last
        uint32_t offset = 0; // atoms: where the text starts in text_
        uint32_t length = 0; // atoms: text length; kList marks a list
    };
    static constexpr uint32_t kList = 0xFFFFFFFFu;
    std::vector<Element> nodes_;  // index 0 is unused, so 0 means "none"
    std::string text_;
};

// Parses a number as KiCad writes them: optional sign, digits, fraction and
// exponent, nothing else. False when the text is not such a number.
bool ParseNumber(std::string_view text, double& out);

} // namespace tarnel::sexpr
