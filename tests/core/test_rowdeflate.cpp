// Image samples compressed with repeated rows written as copies: whatever
// the rows, zlib gives the samples back exactly (its check value included),
// and the data is not much larger than zlib's own.
#include "pdf/rowdeflate.h"
#include "pdf/tnpdf.h"
#include "pdf_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

using namespace tarnel;
using namespace pdftest;

namespace {

struct Case {
    const char* name;
    int width, height;
    std::function<uint8_t(int x, int y)> sample;
};

uint8_t Noise(int x, int y) { return static_cast<uint8_t>((x * 2654435761u + y * 40503u) >> 13); }

TEST(RowDeflate, InflatesToTheSamples) {
    const int W = 794, H = 1123;  // an A4 page at 96 dpi
    const int rows258 = 65536 / 258 + 1;
    const Case cases[] = {
        {"blank page", W, H, [](int, int) { return uint8_t(15); }},
        {"a mark in a corner", W, H, [](int x, int y) { return uint8_t(x < 10 && y < 10 ? 0 : 15); }},
        {"frame lines down the page", W, H,
         [](int x, int y) { return uint8_t(y > 5 && y < 1100 && (x == 40 || x == 400 || x == 750) ? 0 : 15); }},
        {"blank band between two noisy ones", W, H,
         [](int x, int y) { return y < 100 || y > 1000 ? Noise(x, y) : uint8_t(15); }},
        {"noise, no row repeats", 300, 400, Noise},
        {"repeats a little too short to copy", 1024, 64, [](int x, int) { return Noise(x, 0); }},
        {"repeats just long enough to copy", 1024, 65, [](int x, int) { return Noise(x, 0); }},
        {"copy of a multiple of 258 bytes", 258, rows258 + 1, [](int x, int) { return uint8_t(x); }},
        {"copy 1 past a multiple of 258", 1, 258 * 255 + 2, [](int, int) { return uint8_t(7); }},
        {"copy 2 past a multiple of 258", 1, 258 * 255 + 3, [](int, int) { return uint8_t(7); }},
        {"one column", 1, 70000, [](int, int y) { return uint8_t(y < 3000 ? y % 7 : 9); }},
        {"two columns", 2, 70000, [](int x, int) { return uint8_t(x); }},
        {"rows wider than deflate's reach", 40000, 4, [](int x, int) { return uint8_t(x % 3); }},
        {"widest rows that can be copied", 32768, 4, [](int x, int) { return uint8_t(x % 251); }},
        {"one row", 500, 1, Noise},
        {"no rows", 500, 0, Noise},
        {"several copies with changes between", 700, 1000,
         [](int x, int y) { return uint8_t(y % 200 == 0 ? Noise(x, y) : (x + y / 200) % 5); }},
    };
    for (const Case& c : cases) {
        // Rows 3 bytes longer than the image, padded with bytes that must not show.
        const ptrdiff_t stride = c.width + 3;
        std::vector<uint8_t> bits(static_cast<size_t>(stride) * static_cast<size_t>(c.height), 0xEE);
        std::string expected;
        expected.reserve(static_cast<size_t>(c.width) * static_cast<size_t>(c.height));
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const uint8_t v = c.sample(x, y);
                bits[static_cast<size_t>(y * stride + x)] = v;
                expected += static_cast<char>(v);
            }
        const std::string z = DeflateRows(bits.data(), stride, c.width, c.height);
        std::string back;
        ASSERT_NO_THROW(back = Inflate(z)) << c.name;
        EXPECT_TRUE(back == expected) << c.name << ": " << back.size() << " bytes back for " << expected.size();
        // Copies cost about what zlib's own matches would.
        EXPECT_LE(z.size(), Deflate(expected).size() * 3 / 2 + 64) << c.name;
    }
}

// Random pages of blank bands and busy bands, each band its own mix of
// repeated and new rows.
TEST(RowDeflate, RandomBandsInflateToTheSamples) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 30; ++round) {
        const int W = 1 + static_cast<int>(rng() % 1200), H = 1 + static_cast<int>(rng() % 600);
        std::vector<uint8_t> bits(static_cast<size_t>(W) * static_cast<size_t>(H));
        int y = 0;
        while (y < H) {
            const int band = 1 + static_cast<int>(rng() % 300);
            const bool repeat = rng() % 2;
            for (int k = 0; k < band && y < H; ++k, ++y)
                for (int x = 0; x < W; ++x) {
                    uint8_t& v = bits[static_cast<size_t>(y * W + x)];
                    v = repeat && y > 0 ? bits[static_cast<size_t>((y - 1) * W + x)] : static_cast<uint8_t>(rng() % 4);
                }
        }
        const std::string z = DeflateRows(bits.data(), W, W, H);
        std::string back;
        ASSERT_NO_THROW(back = Inflate(z)) << "round " << round;
        EXPECT_TRUE(back == std::string(bits.begin(), bits.end())) << "round " << round << ", " << W << " x " << H;
    }
}

} // namespace
