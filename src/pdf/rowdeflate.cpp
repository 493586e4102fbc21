#include "pdf/rowdeflate.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace tarnel {

namespace {

constexpr size_t kWindow = 32768;

// Deflate's length and distance codes: first value and extra bits.
constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistBase = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                           193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

int LengthCode(int len) {  // index into kLengthBase; symbol 257 + index
    int i = 28;
    while (kLengthBase[static_cast<size_t>(i)] > len) --i;
    return len == 258 ? 28 : std::min(i, 27);
}

int DistCode(int dist) {
    int i = 29;
    while (kDistBase[static_cast<size_t>(i)] > dist) --i;
    return i;
}

// Bits in deflate's order: first bit in the lowest place of each byte.
class BitWriter {
public:
    explicit BitWriter(std::string& out) : out_(out) {}
    void Put(uint32_t value, int bits) {
        acc_ |= uint64_t(value) << n_;
        n_ += bits;
        while (n_ >= 8) {
            out_ += static_cast<char>(acc_ & 0xFF);
            acc_ >>= 8;
            n_ -= 8;
        }
    }
    // Huffman codes go highest bit first.
    void PutCode(uint32_t code, int len) {
        uint32_t r = 0;
        for (int i = 0; i < len; ++i) r |= ((code >> i) & 1u) << (len - 1 - i);
        Put(r, len);
    }
    int PendingBits() const { return n_; }
    uint32_t PendingValue() const { return static_cast<uint32_t>(acc_); }

private:
    std::string& out_;
    uint64_t acc_ = 0;
    int n_ = 0;
};

// Canonical codes for the given lengths (RFC 1951, 3.2.2).
std::vector<uint32_t> Canonical(const std::vector<int>& lengths) {
    int maxLen = 0;
    for (int l : lengths) maxLen = std::max(maxLen, l);
    std::vector<int> count(static_cast<size_t>(maxLen) + 1, 0);
    for (int l : lengths)
        if (l) ++count[static_cast<size_t>(l)];
    std::vector<uint32_t> next(static_cast<size_t>(maxLen) + 2, 0);
    uint32_t code = 0;
    for (int b = 1; b <= maxLen; ++b) {
        code = (code + static_cast<uint32_t>(count[static_cast<size_t>(b) - 1])) << 1;
        next[static_cast<size_t>(b)] = code;
    }
    std::vector<uint32_t> codes(lengths.size(), 0);
    for (size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s]) codes[s] = next[static_cast<size_t>(lengths[s])]++;
    return codes;
}

// One dynamic block, not the last, of total bytes each equal to the byte
// dist before it.
void WriteCopyBlock(BitWriter& w, size_t total, int dist) {
    // Matches of 258 bytes and a tail of one or two shorter ones, none under 3.
    std::vector<int> tail;
    size_t full = total / 258;
    const int rest = static_cast<int>(total % 258);
    if (rest >= 3) {
        tail.push_back(rest);
    } else if (rest > 0) {
        --full;
        tail = {255 + rest, 3};
    }
    // Symbols in use: 258, the tail lengths and the end of block. The most
    // frequent one gets one bit; the code is complete, as inflaters want.
    std::vector<int> symbols = {257 + 28};
    for (int len : tail) {
        const int s = 257 + LengthCode(len);
        if (std::find(symbols.begin(), symbols.end(), s) == symbols.end()) symbols.push_back(s);
    }
    symbols.push_back(256);
    std::vector<int> litLen(286, 0);
    for (size_t i = 0; i < symbols.size(); ++i)
        litLen[static_cast<size_t>(symbols[i])] = std::min<int>(static_cast<int>(i) + 1, static_cast<int>(symbols.size()) - 1);
    // Two distance codes of one bit each, one of them unused.
    const int dcode = DistCode(dist);
    const int ndist = std::max(dcode + 1, 2);
    std::vector<int> distLen(static_cast<size_t>(ndist), 0);
    distLen[static_cast<size_t>(dcode)] = 1;
    distLen[dcode == 0 ? 1 : 0] = 1;

    // Code lengths are sent with eight 3-bit codes: lengths 0 to 4 and the
    // repeat codes 16, 17, 18.
    static const int kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    std::vector<int> clLen(19, 0);
    for (int s : {0, 1, 2, 3, 4, 16, 17, 18}) clLen[static_cast<size_t>(s)] = 3;
    const std::vector<uint32_t> clCode = Canonical(clLen);
    const int hclen = 18;  // up to symbol 1 in kOrder

    w.Put(0, 1);  // not the last block
    w.Put(2, 2);  // dynamic codes
    w.Put(286 - 257, 5);
    w.Put(static_cast<uint32_t>(ndist - 1), 5);
    w.Put(hclen - 4, 4);
    for (int i = 0; i < hclen; ++i) w.Put(static_cast<uint32_t>(clLen[static_cast<size_t>(kOrder[i])]), 3);

    std::vector<int> all = litLen;
    all.insert(all.end(), distLen.begin(), distLen.end());
    auto cl = [&](int s) { w.PutCode(clCode[static_cast<size_t>(s)], 3); };
    for (size_t i = 0; i < all.size();) {
        if (all[i] != 0) {
            cl(all[i++]);
            continue;
        }
        size_t run = 0;
        while (i + run < all.size() && all[i + run] == 0) ++run;
        i += run;
        while (run >= 11) {
            const size_t n = std::min<size_t>(run, 138);
            cl(18);
            w.Put(static_cast<uint32_t>(n - 11), 7);
            run -= n;
        }
        if (run >= 3) {
            cl(17);
            w.Put(static_cast<uint32_t>(run - 3), 3);
            run = 0;
        }
        for (; run > 0; --run) cl(0);
    }

    const std::vector<uint32_t> litCode = Canonical(litLen);
    const std::vector<uint32_t> distCode = Canonical(distLen);
    const int dextra = kDistExtra[static_cast<size_t>(dcode)];
    const uint32_t dvalue = static_cast<uint32_t>(dist - kDistBase[static_cast<size_t>(dcode)]);
    auto match = [&](int len) {
        const int lc = LengthCode(len);
        w.PutCode(litCode[static_cast<size_t>(257 + lc)], litLen[static_cast<size_t>(257 + lc)]);
        w.Put(static_cast<uint32_t>(len - kLengthBase[static_cast<size_t>(lc)]), kLengthExtra[static_cast<size_t>(lc)]);
        w.PutCode(distCode[static_cast<size_t>(dcode)], 1);
        w.Put(dvalue, dextra);
    };
    for (size_t i = 0; i < full; ++i) match(258);
    for (int len : tail) match(len);
    w.PutCode(litCode[256], litLen[256]);
}

// The distance for copies of row over and over: a short period of the
// repeated row where it has one (a blank row repeats every byte), which
// costs fewer bits than a whole row's.
int CopyDistance(const uint8_t* row, size_t width, std::vector<uint8_t>& twice) {
    twice.assign(row, row + width);
    twice.insert(twice.end(), row, row + width);
    for (size_t p = 1; p <= 32 && p < width; ++p)
        if (std::memcmp(twice.data() + p, twice.data(), 2 * width - p) == 0) return static_cast<int>(p);
    return static_cast<int>(width);
}

class RawDeflater {
public:
    RawDeflater() {
        if (deflateInit2(&z_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::runtime_error("deflate failed");
    }
    ~RawDeflater() { deflateEnd(&z_); }
    RawDeflater(const RawDeflater&) = delete;
    RawDeflater& operator=(const RawDeflater&) = delete;

    void Feed(const uint8_t* p, size_t n, int flush, std::string& out) {
        z_.next_in = const_cast<Bytef*>(p);
        z_.avail_in = static_cast<uInt>(n);
        char buf[16384];
        for (;;) {
            z_.next_out = reinterpret_cast<Bytef*>(buf);
            z_.avail_out = sizeof buf;
            const int rc = deflate(&z_, flush);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) throw std::runtime_error("deflate failed");
            out.append(buf, sizeof buf - z_.avail_out);
            if (z_.avail_out != 0 && z_.avail_in == 0) break;
        }
    }
    // A new start after bytes written elsewhere: history, then the bits
    // left over from them.
    void Restart(const uint8_t* history, size_t n, uint32_t bits, int count) {
        if (deflateReset(&z_) != Z_OK || (n > 0 && deflateSetDictionary(&z_, history, static_cast<uInt>(n)) != Z_OK) ||
            (count > 0 && deflatePrime(&z_, count, static_cast<int>(bits)) != Z_OK))
            throw std::runtime_error("deflate failed");
    }

private:
    z_stream z_{};
};

} // namespace

namespace {

// The deflate data of the rows, without zlib's header and check value;
// adler gets the check value.
std::string DeflateRowsRaw(const uint8_t* bits, ptrdiff_t stride, int width, int height, uLong& adler) {
    const size_t W = static_cast<size_t>(width);
    auto row = [&](int y) { return bits + stride * y; };
    auto repeats = [&](int y) { return y > 0 && std::memcmp(row(y), row(y - 1), W) == 0; };

    std::string out;
    RawDeflater z;
    std::vector<uint8_t> history, twice;
    adler = adler32(0, nullptr, 0);
    const bool copies = W > 0 && W <= kWindow;
    int fresh = 0;  // first row not yet written
    auto feed = [&](int end, int flush) {
        for (int y = fresh; y < end; ++y) {
            adler = adler32(adler, row(y), static_cast<uInt>(W));
            z.Feed(row(y), W, y + 1 == end ? flush : Z_NO_FLUSH, out);
        }
        if (fresh == end) z.Feed(nullptr, 0, flush, out);
    };
    for (int y = 1; copies && y < height;) {
        if (!repeats(y)) {
            ++y;
            continue;
        }
        int end = y + 1;
        while (end < height && repeats(end)) ++end;
        const size_t total = static_cast<size_t>(end - y) * W;
        if (total < kMinRowCopyBytes) {
            y = end;
            continue;
        }
        feed(y, Z_SYNC_FLUSH);  // ends on a byte boundary
        const uint8_t* above = row(y - 1);
        BitWriter w(out);
        WriteCopyBlock(w, total, CopyDistance(above, W, twice));
        const uLong rowSum = adler32(adler32(0, nullptr, 0), above, static_cast<uInt>(W));
        for (int k = y; k < end; ++k) adler = adler32_combine(adler, rowSum, static_cast<z_off_t>(W));
        // zlib goes on with the last 32 KiB of samples as history, if
        // anything is left for it but the end of the data.
        const size_t keep = end == height ? 0 : std::min(kWindow, static_cast<size_t>(end) * W);
        history.resize(keep);
        size_t at = keep;
        for (int k = end - 1; at > 0; --k) {
            const size_t n = std::min(W, at);
            at -= n;
            std::memcpy(history.data() + at, row(k) + (W - n), n);
        }
        z.Restart(history.data(), keep, w.PendingValue(), w.PendingBits());
        fresh = y = end;
    }
    feed(height, Z_FINISH);
    return out;
}

} // namespace

bool StallsPiecewiseReader(std::string_view zlibData, size_t pieceBytes, size_t bufferBytes) {
    // The last piece holds the data's end, which needs no room in the
    // buffer: data of one piece never stalls.
    if (pieceBytes == 0 || bufferBytes == 0 || zlibData.size() <= pieceBytes) return false;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) throw std::runtime_error("inflate failed");
    struct End {
        z_stream& z;
        ~End() { inflateEnd(&z); }
    } end{z};
    std::vector<Bytef> buffer(bufferBytes);
    z.next_out = buffer.data();
    z.avail_out = static_cast<uInt>(bufferBytes);
    for (size_t at = 0; at < zlibData.size(); at += pieceBytes) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zlibData.data() + at));
        z.avail_in = static_cast<uInt>(std::min(pieceBytes, zlibData.size() - at));
        for (;;) {
            const int rc = inflate(&z, Z_SYNC_FLUSH);
            if (rc == Z_BUF_ERROR) return true;  // nothing to do, and the stream not ended
            if (rc != Z_OK) return false;        // its end, or data the reader refuses anyway
            const bool drained = z.avail_in == 0 && z.avail_out > 0;
            // The reader empties its buffer after every call that wrote to it.
            z.next_out = buffer.data();
            z.avail_out = static_cast<uInt>(bufferBytes);
            if (drained) break;
        }
    }
    return false;
}

std::string DeflateRows(const uint8_t* bits, ptrdiff_t stride, int width, int height) {
    if (width < 0 || height < 0) throw std::runtime_error("deflate of a negative size");
    uLong adler = 0;
    const std::string body = DeflateRowsRaw(bits, stride, width, height, adler);
    std::string check;
    for (int shift = 24; shift >= 0; shift -= 8) check += static_cast<char>((adler >> shift) & 0xFF);
    // Where the data would stall qpdf's reader, empty stored blocks before
    // it move every piece boundary to another place in the data; one nearly
    // always does.
    static const std::string kEmptyBlock("\x00\x00\x00\xFF\xFF", 5);
    std::string out;
    for (int shifts = 0; shifts < 8; ++shifts) {
        out = "\x78\x9C";  // zlib header as compress2 writes it at the default level
        for (int k = 0; k < shifts; ++k) out += kEmptyBlock;
        out += body;
        out += check;
        if (!StallsPiecewiseReader(out)) break;
    }
    return out;
}

} // namespace tarnel
