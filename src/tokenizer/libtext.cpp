#include "tokenizer/libtext.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace tarnel {

int32_t ReadInt(std::string_view s) {
    size_t i = 0, n = s.size();
    while (i < n && s[i] == ' ') ++i;
    bool neg = false;
    if (i < n && (s[i] == '-' || s[i] == '+')) {
        neg = s[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < n && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    // Decimal magnitudes may reach 2^31 for a negative text; hexadecimal
    // ones use the whole 32 bits.
    const uint64_t limit = hex ? 0xFFFFFFFFull : (neg ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t mag = 0;
    bool complete = true;
    for (; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else { complete = false; break; }
        uint64_t next = mag * (hex ? 16 : 10) + static_cast<uint64_t>(d);
        if (next > limit) { complete = false; break; }
        mag = next;
    }
    uint32_t bits = static_cast<uint32_t>(mag);
    if (complete && neg) bits = 0u - bits;
    return static_cast<int32_t>(bits);
}

double ReadDecimal(std::string_view s) {
    size_t i = 0, n = s.size();
    while (i < n && s[i] == ' ') ++i;
    std::string digits;
    std::string accepted;  // the text read so far, for a full reading
    bool ok = true;
    if (i < n && (s[i] == '-' || s[i] == '+')) accepted += s[i++];
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    bool any = false;
    while (i < n && isDigit(s[i])) { digits += s[i]; accepted += s[i]; any = true; ++i; }
    if (i < n && s[i] == '.') {
        accepted += s[i++];
        while (i < n && isDigit(s[i])) { digits += s[i]; accepted += s[i]; any = true; ++i; }
    }
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        accepted += s[i++];
        if (i < n && (s[i] == '-' || s[i] == '+')) accepted += s[i++];
        bool expDigits = false;
        while (i < n && isDigit(s[i])) { digits += s[i]; accepted += s[i]; expDigits = true; ++i; }
        if (!expDigits) ok = false;
    }
    if (i < n) ok = false;
    if (ok && any) {
        std::string t = accepted;
        if (!t.empty() && t.back() == '.') t.pop_back();
        errno = 0;
        double v = std::strtod(t.c_str(), nullptr);
        return v;
    }
    if (digits.empty()) return 0.0;
    return std::strtod(digits.c_str(), nullptr);
}

int64_t RoundHalfEvenL(long double v) {
    if (std::isnan(v)) return 0;
    if (v >= 9.2e18L) return std::numeric_limits<int64_t>::max();
    if (v <= -9.2e18L) return std::numeric_limits<int64_t>::min();
    long double f = std::floor(v);
    long double d = v - f;
    int64_t r = static_cast<int64_t>(f);
    if (d > 0.5L) return r + 1;
    if (d < 0.5L) return r;
    return (r % 2 == 0) ? r : r + 1;
}

int64_t RoundHalfEven(double v) { return RoundHalfEvenL(static_cast<long double>(v)); }

int64_t TruncToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 9.2e18) return std::numeric_limits<int64_t>::max();
    if (v <= -9.2e18) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(v);
}

std::vector<std::string> SplitLines(std::string_view bytes) {
    std::vector<std::string> out;
    ForEachLine(bytes, [&](std::string_view l) { out.emplace_back(l); return true; });
    return out;
}

std::string_view Word(std::string_view line, int n) {
    size_t i = 0, len = line.size();
    int k = 0;
    while (i < len) {
        while (i < len && line[i] == ' ') ++i;
        if (i >= len) break;
        size_t j = i;
        while (j < len && line[j] != ' ') ++j;
        if (++k == n) return line.substr(i, j - i);
        i = j;
    }
    return {};
}

std::string_view Trim(std::string_view s) {
    size_t a = 0, b = s.size();
    while (a < b && static_cast<unsigned char>(s[a]) <= 32) ++a;
    while (b > a && static_cast<unsigned char>(s[b - 1]) <= 32) --b;
    return s.substr(a, b - a);
}

std::string UpperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return r;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

bool EqualsUpper(std::string_view s, std::string_view kw) {
    if (s.size() != kw.size()) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        if (c != kw[i]) return false;
    }
    return true;
}

namespace {

std::string MiB(int64_t bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MiB"; }

FileStamp CheckStat(const std::string& path, const struct stat& st, int64_t maxBytes) {
    if (!S_ISREG(st.st_mode)) {
        const char* what = S_ISDIR(st.st_mode)    ? "uma pasta"
                           : S_ISFIFO(st.st_mode) ? "um FIFO"
                           : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "um dispositivo"
                           : S_ISSOCK(st.st_mode) ? "um socket"
                                                  : "um arquivo especial";
        throw std::runtime_error("\"" + path + "\" é " + what + ", não um arquivo de biblioteca");
    }
    if (st.st_size > maxBytes)
        throw std::runtime_error("\"" + path + "\" tem " + MiB(st.st_size) + ", mais que os " + MiB(maxBytes) +
                                 " que um arquivo de biblioteca pode ter");
    return StampOf(st);
}

} // namespace

FileStamp StatReadableFile(const std::string& path, int64_t maxBytes) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        throw std::runtime_error("o arquivo \"" + path + "\" não pode ser aberto: " + std::strerror(errno));
    return CheckStat(path, st, maxBytes);
}

std::string ReadFileBytes(const std::string& path, int64_t maxBytes) {
    StatReadableFile(path, maxBytes);  // never opens a FIFO or a device
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("o arquivo \"" + path + "\" não pode ser aberto: " + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    // The file may have been replaced between the two looks.
    struct stat st {};
    if (fstat(fd, &st) != 0)
        throw std::runtime_error("erro ao ler o arquivo \"" + path + "\": " + std::strerror(errno));
    const FileStamp stamp = CheckStat(path, st, maxBytes);
    std::string data;
    data.reserve(static_cast<size_t>(stamp.size));
    char buf[65536];
    for (;;) {
        const ssize_t got = read(fd, buf, sizeof buf);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("erro ao ler o arquivo \"" + path + "\": " + std::strerror(errno));
        }
        if (got == 0) break;
        if (static_cast<int64_t>(data.size()) + got > maxBytes)  // grew while being read
            throw std::runtime_error("\"" + path + "\" passou, enquanto era lido, dos " + MiB(maxBytes) +
                                     " que um arquivo de biblioteca pode ter");
        data.append(buf, static_cast<size_t>(got));
    }
    return data;
}

std::string IntText(int64_t v) { return std::to_string(v); }

static const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

static bool DecodeUtf8(std::string_view s, std::u16string& out) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp;
        int extra;
        if (c < 0x80) { cp = c; extra = 0; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
        else return false;
        if (i + static_cast<size_t>(extra) >= s.size() && extra > 0) return false;
        for (int k = 1; k <= extra; ++k) {
            unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if ((extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) ||
            cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}

std::u16string DisplayText16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    if (DecodeUtf8(bytes, out)) return out;
    out.clear();
    for (unsigned char c : bytes)
        out.push_back(c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : static_cast<char16_t>(c));
    return out;
}

std::string DisplayTextUtf8(std::string_view bytes) {
    std::u16string u = DisplayText16(bytes);
    std::string out;
    for (size_t i = 0; i < u.size(); ++i) {
        uint32_t cp = u[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < u.size()) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (u[i + 1] - 0xDC00);
            ++i;
        }
        if (cp < 0x80) out += static_cast<char>(cp);
        else if (cp < 0x800) { out += static_cast<char>(0xC0 | (cp >> 6)); out += static_cast<char>(0x80 | (cp & 0x3F)); }
        else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

} // namespace tarnel
