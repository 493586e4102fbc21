#pragma once
// Reading library text as bytes: numbers, lines and words exactly as the
// library formats are read everywhere in the program.
#include "util/clamp.h"
#include "util/filestamp.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnel {

// Integer reading: blanks, optional sign, decimal digits or a "$", "x", "0x"
// hexadecimal prefix. Stops at the first non-digit or before a digit that
// would overflow 32 bits; a text not read to its end yields the magnitude
// read so far, without its sign.
int32_t ReadInt(std::string_view text);

// Decimal reading: blanks, sign, digits, "." fraction, exponent. A text not
// read to its end yields the digits read so far as one whole number.
double ReadDecimal(std::string_view text);

// Rounding to nearest with halves to even, saturated to the int64 range
// (NaN gives 0).
int64_t RoundHalfEven(double v);
int64_t RoundHalfEvenL(long double v);
// Truncation toward zero, saturated to the int64 range (NaN gives 0).
int64_t TruncToInt(double v);

// Splits bytes into text lines. A line ends at CR, CR LF or LF; byte 26 ends
// the text. A final line without a line end counts when it is not empty.
std::vector<std::string> SplitLines(std::string_view bytes);

// Calls fn(line) for each line, without copying the bytes; returns early
// when fn returns false.
template <typename Fn>
void ForEachLine(std::string_view bytes, Fn&& fn) {
    size_t i = 0, n = bytes.size();
    while (i < n) {
        size_t j = i;
        while (j < n) {
            char c = bytes[j];
            if (c == '\r' || c == '\n' || c == 26) break;
            ++j;
        }
        std::string_view line = bytes.substr(i, j - i);
        if (j >= n || bytes[j] == 26) {
            if (!line.empty()) fn(line);
            return;
        }
        if (!fn(line)) return;
        if (bytes[j] == '\r' && j + 1 < n && bytes[j + 1] == '\n') ++j;
        i = j + 1;
    }
}

// Word n (from 1) of a line: runs of bytes other than the blank (32).
// A word that does not exist is empty.
std::string_view Word(std::string_view line, int n);
// Removes leading and trailing bytes 0..32.
std::string_view Trim(std::string_view s);
// Changes a..z to A..Z only.
std::string UpperAscii(std::string_view s);
bool EqualsUpper(std::string_view s, std::string_view upperKeyword);
// Equal when a..z and A..Z are taken as the same letters.
bool EqualsNoCase(std::string_view a, std::string_view b);

// The largest file read as a library or text file: far above any real
// library (the largest are a few MB), far below what would exhaust memory.
constexpr int64_t kMaxLibraryBytes = int64_t(256) << 20;

// Looks at a file without opening it: only a regular file (or a link to one)
// of at most kMaxLibraryBytes is read. A FIFO would block its reader, a
// device such as /dev/zero would be read without end. Throws
// std::runtime_error naming the file and the reason.
FileStamp StatReadableFile(const std::string& path, int64_t maxBytes = kMaxLibraryBytes);

// Reads a whole file after the same checks, opened without blocking; throws
// std::runtime_error with a message naming the file and the system's reason.
// Files larger than maxBytes are refused before they are read.
std::string ReadFileBytes(const std::string& path, int64_t maxBytes = kMaxLibraryBytes);

// Formats an integer as plain decimal text.
std::string IntText(int64_t v);

// Text for the screen, PDF or metafile: valid UTF-8 as is, anything else as
// Windows-1252.
std::u16string DisplayText16(std::string_view bytes);
std::string DisplayTextUtf8(std::string_view bytes);

} // namespace tarnel
