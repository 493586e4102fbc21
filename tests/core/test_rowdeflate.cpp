// Image samples compressed with repeated rows written as copies: whatever
// the rows, zlib gives the samples back exactly (its check value included),
// and the data is not much larger than zlib's own.
#include "pdf/rowdeflate.h"
#include "pdf/tnpdf.h"
#include "pdf_fixture.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include <cstring>
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

// A page whose data, as written before, ended its first 10240-byte piece
// exactly where its output filled a fourth 64 KiB buffer (a copy of 226
// blank rows, then noise): qpdf read it as possibly cut short.
struct Sheet {
    int width, height;
    std::vector<uint8_t> bits;
};

Sheet BlankThenNoise(int blankRows, int noiseRows, unsigned seed) {
    Sheet s{794, blankRows + noiseRows, {}};
    s.bits.assign(static_cast<size_t>(s.width) * static_cast<size_t>(s.height), 15);
    std::mt19937 rng(seed);
    for (size_t i = static_cast<size_t>(blankRows) * 794; i < s.bits.size(); ++i) s.bits[i] = static_cast<uint8_t>(rng() % 16);
    return s;
}

// The data as it was before the empty blocks that move the piece boundaries.
std::string WithoutLeadingEmptyBlocks(std::string z) {
    static const std::string empty("\x00\x00\x00\xFF\xFF", 5);
    while (z.compare(2, 5, empty) == 0) z.erase(2, 5);
    return z;
}

TEST(RowDeflate, NeverStallsAReaderOfPieces) {
    const Sheet s = BlankThenNoise(226, 60, 15);
    const std::string z = DeflateRows(s.bits.data(), s.width, s.width, s.height);
    const std::string plain = WithoutLeadingEmptyBlocks(z);
    EXPECT_TRUE(StallsPiecewiseReader(plain));  // the case still shows the fault
    EXPECT_FALSE(StallsPiecewiseReader(z));
    EXPECT_TRUE(Inflate(z) == std::string(s.bits.begin(), s.bits.end()));
    EXPECT_TRUE(Inflate(plain) == Inflate(z));
    // zlib's own data of the same samples stalls nothing, and a stream
    // shorter than a piece cannot.
    EXPECT_FALSE(StallsPiecewiseReader(Deflate(std::string(s.bits.begin(), s.bits.end()))));
    EXPECT_FALSE(StallsPiecewiseReader(z.substr(0, 100)));
}

// Exports made of long copies of rows, of rows repeated across the ends of
// the copy blocks and zlib's blocks, and the page above: qpdf checks them
// without a warning.
TEST(RowDeflate, QpdfChecksExportsOfRepeatedRows) {
    if (!HaveTool("qpdf")) GTEST_SKIP() << "qpdf is not installed";
    QTemporaryDir dir;
    const int W = 794, H = 1123;
    std::vector<Sheet> sheets;
    sheets.push_back(BlankThenNoise(226, 60, 15));
    sheets.push_back(BlankThenNoise(226, 60, 32));
    auto sheet = [&](int w, int h, const std::function<uint8_t(int, int)>& f) {
        Sheet s{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * static_cast<size_t>(h))};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) s.bits[static_cast<size_t>(y * w + x)] = f(x, y);
        sheets.push_back(std::move(s));
    };
    sheet(W, H, [](int, int) { return uint8_t(15); });                                   // one long copy
    sheet(W, H, [](int x, int y) { return uint8_t(y % 300 == 0 ? Noise(x, y) % 16 : 15); });  // copies between changes
    // Runs of repeated rows just below, at and above the length that is copied.
    const int minRows = static_cast<int>((kMinRowCopyBytes + W - 1) / W);
    sheet(W, 3 * minRows + 3, [&](int x, int y) {
        const int band = y < minRows - 1 ? 0 : y < 2 * minRows ? 1 : 2;
        return uint8_t((x / 7 + band) % 16);
    });
    // Copies 0, 1 and 2 bytes past a multiple of 258, then noise.
    for (int extra = 0; extra < 3; ++extra)
        sheet(258, 260 + extra, [extra](int x, int y) { return uint8_t(y < 255 + extra ? x % 16 : Noise(x, y) % 16); });
    // Noise, a copy, noise, a copy: zlib starts again after each copy.
    sheet(W, H, [](int x, int y) { return uint8_t((y / 150) % 2 ? 15 : Noise(x, y) % 16); });

    TPrintPDF w(96, 96);
    w.FileName = QFile::encodeName(dir.filePath("rows.PDF")).toStdString();
    w.BeginDoc();
    QVector<QRgb> palette;
    for (int i = 0; i < 16; ++i) palette << qRgb(i * 17, i * 17, i * 17);
    for (size_t i = 0; i < sheets.size(); ++i) {
        const Sheet& s = sheets[i];
        QImage img(s.width, s.height, QImage::Format_Indexed8);
        img.setColorTable(palette);
        for (int y = 0; y < s.height; ++y) std::memcpy(img.scanLine(y), s.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(s.width), static_cast<size_t>(s.width));
        if (i > 0) w.NewPage();
        w.DrawBitmap(52, 0, img);
    }
    w.EndDoc();
    std::string out;
    EXPECT_EQ(pdftest::Run("qpdf", {"--check", dir.filePath("rows.PDF")}, &out), 0) << out;
}

} // namespace
