#include "emf_fixture.h"

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <gtest/gtest.h>

#include <functional>
#include <limits>

using namespace tarnel;
using namespace tarnel::testing_emf;

namespace {

enum : uint32_t {
    kHeader = 1,
    kEof = 14,
    kSelectObject = 37,
    kCreateBrush = 39,
    kFillRgn = 71,
    kBitBlt = 76,
    kStretchDiBits = 81,
    kExtCreateFont = 82,
    kExtTextOutW = 84,
};

QImage PainterReference(QSize size, SampleLayout* layout, int variant = 0) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    PainterPageCanvas c(p, size);
    *layout = DrawSample(c, variant);
    return img;
}

// Flipped bytes make odd scripts and font names: Qt's warnings about them are noise here.
struct QuietQt {
    QtMessageHandler old;
    QuietQt() : old(qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {})) {}
    ~QuietQt() { qInstallMessageHandler(old); }
};

bool InAny(const std::vector<QRect>& boxes, int x, int y) {
    for (const QRect& r : boxes)
        if (r.contains(x, y)) return true;
    return false;
}

} // namespace

TEST(Emf, HeaderDescribesThePage) {
    const std::string emf = SampleEmf();
    ASSERT_GE(emf.size(), 108u);
    EXPECT_EQ(GetLE32(emf, 0), 1u);
    EXPECT_EQ(GetLE32(emf, 40), 0x464D4520u);  // " EMF"
    // Bounds inclusive in pixels, frame in 0.01 mm at 96 dpi.
    EXPECT_EQ(GetLE32(emf, 8), 0u);
    EXPECT_EQ(GetLE32(emf, 16), 793u);
    EXPECT_EQ(GetLE32(emf, 20), 1122u);
    EXPECT_EQ(GetLE32(emf, 32), 21007u);  // 794 px = 210.08 mm, inclusive
    EXPECT_EQ(GetLE32(emf, 36), 29712u);  // 1123 px = 297.13 mm
    EXPECT_EQ(GetLE32(emf, 48), emf.size());
    const auto recs = Records(emf);
    EXPECT_EQ(GetLE32(emf, 52), recs.size());
    EXPECT_EQ(recs.back().first, static_cast<uint32_t>(kEof));
    EXPECT_EQ(recs.back().second + 20, emf.size());
    EXPECT_EQ(GetLE32(emf, 56) & 0xFFFF, 3u);  // the picture, a brush and a font
    // Reference device at exactly 96 pixels per inch.
    EXPECT_EQ(GetLE32(emf, 72) * 254, GetLE32(emf, 80) * 960);
    EXPECT_EQ(GetLE32(emf, 76) * 254, GetLE32(emf, 84) * 960);
    EXPECT_EQ(EmfNominalSize(emf), QSize(kA4W, kA4H));
    EXPECT_EQ(EmfDeclaredLength(emf), emf.size());
    std::string error;
    EXPECT_TRUE(ValidateEmf(emf, &error)) << error;
    for (auto& [type, off] : recs) EXPECT_EQ(GetLE32(emf, off + 4) % 4, 0u) << "record at " << off;
}

TEST(Emf, FillsArePatternCopiesOfTheSelectedBrush) {
    EmfRecorder r(QSize(100, 100));
    r.FillRect(QRect(10, 20, 30, 40), kRed);
    r.FillRect(QRect(5, 5, 0, 10), kRed);  // empty: nothing
    r.FillRect(QRect(40, 20, 5, 5), kRed);  // same brush again
    const std::string emf = r.Finish();
    int brushes = 0, fills = 0;
    for (auto& [t, off] : Records(emf)) {
        brushes += t == kCreateBrush;
        fills += t == kBitBlt;
    }
    EXPECT_EQ(brushes, 1);
    EXPECT_EQ(fills, 2);
    const size_t brush = FirstRecord(emf, kCreateBrush);
    ASSERT_NE(brush, std::string::npos);
    EXPECT_EQ(GetLE32(emf, brush + 16), 0x0000FFu);
    EXPECT_EQ(GetLE32(emf, brush + 24), static_cast<uint32_t>(kSelectObject));  // selected at once
    const size_t fill = FirstRecord(emf, kBitBlt);
    ASSERT_NE(fill, std::string::npos);
    EXPECT_EQ(GetLE32(emf, fill + 4), 100u);
    EXPECT_EQ(GetLE32(emf, fill + 24), 10u);  // destination x, y, width, height
    EXPECT_EQ(GetLE32(emf, fill + 28), 20u);
    EXPECT_EQ(GetLE32(emf, fill + 32), 30u);
    EXPECT_EQ(GetLE32(emf, fill + 36), 40u);
    EXPECT_EQ(GetLE32(emf, fill + 40), 0x00F00021u);  // PATCOPY
    EXPECT_EQ(GetLE32(emf, fill + 88), 0u);           // no bitmap
    EXPECT_EQ(GetLE32(emf, fill + 96), 0u);

    const QImage img = RenderEmf(emf, QSize(100, 100), nullptr);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.pixel(10, 20), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(39, 59), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(44, 24), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(45, 24), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(39, 60), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(9, 20), qRgb(255, 255, 255));
}

// Records the recorder does not write are still read safely.
TEST(Emf, PlaysRegionFillsRectanglesAndLines) {
    EmfRecorder r(QSize(100, 100));
    r.FillRect(QRect(0, 0, 1, 1), kBlue);  // makes a brush in slot 1
    std::string emf = r.Finish();
    std::string rgn;
    // Bounds, region size, brush; region header (size, type, count, bytes,
    // bounds); two rectangles.
    for (uint32_t v : {1u, 1u, 8u, 8u, 64u, 0x80000004u /* black brush */, 32u, 1u, 2u, 32u, 1u, 1u, 9u, 9u, 1u, 1u,
                       2u, 2u, 5u, 5u, 6u, 6u})
        rgn += std::string(4, '\0'), PutLE32(rgn, rgn.size() - 4, v);
    std::string rect;
    for (uint32_t v : {0x80000005u})  // null brush: a rectangle outline only
        rect += std::string(4, '\0'), PutLE32(rect, rect.size() - 4, v);
    auto record = [](uint32_t type, const std::string& body) {
        std::string out(8, '\0');
        PutLE32(out, 0, type);
        PutLE32(out, 4, static_cast<uint32_t>(8 + body.size()));
        return out + body;
    };
    auto ints = [](std::initializer_list<int32_t> v) {
        std::string out;
        for (int32_t i : v) out += std::string(4, '\0'), PutLE32(out, out.size() - 4, static_cast<uint32_t>(i));
        return out;
    };
    std::string extra = record(kFillRgn, rgn) + record(kSelectObject, rect) +
                        record(kSelectObject, ints({static_cast<int32_t>(0x80000007u)})) /* black pen */ +
                        record(43 /* RECTANGLE */, ints({20, 20, 40, 30})) + record(27 /* MOVETOEX */, ints({50, 50})) +
                        record(54 /* LINETO */, ints({90, 50}));
    const size_t eof = Records(emf).back().second;
    emf.insert(eof, extra);
    PutLE32(emf, 48, static_cast<uint32_t>(emf.size()));
    PutLE32(emf, 52, GetLE32(emf, 52) + 6);
    std::string error;
    const QImage img = RenderEmf(emf, QSize(100, 100), &error);
    ASSERT_FALSE(img.isNull()) << error;
    EXPECT_EQ(img.pixel(1, 1), qRgb(0, 0, 0));  // first region rectangle, right and bottom excluded
    EXPECT_EQ(img.pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(20, 20), qRgb(0, 0, 0));      // outline of the rectangle
    EXPECT_EQ(img.pixel(30, 25), qRgb(255, 255, 255));  // no fill
    EXPECT_EQ(img.pixel(70, 50), qRgb(0, 0, 0));      // the line

    // A region that claims more rectangles than it holds.
    std::string bad = emf;
    const size_t at = FirstRecord(bad, kFillRgn);
    PutLE32(bad, at + 40, 0x08000000u);
    EXPECT_FALSE(ValidateEmf(bad, &error));
    EXPECT_NE(error.find("rectangles"), std::string::npos) << error;
    bad = emf;
    PutLE32(bad, at + 24, 0xFFFFFFF0u);
    EXPECT_FALSE(ValidateEmf(bad, &error));
    EXPECT_NE(error.find("outside the record"), std::string::npos) << error;
}

TEST(Emf, TextCarriesTheFontAndRealAdvances) {
    EmfRecorder r(QSize(400, 100));
    const QFont f = SampleFont(20);
    const QString text = QStringLiteral("Wil\u00B5 mm");
    r.DrawText(5, 7, text, f, kBlue, QRect(0, 0, 400, 100), true, 0x00FFFF);
    const std::string emf = r.Finish();

    const size_t font = FirstRecord(emf, kExtCreateFont);
    ASSERT_NE(font, std::string::npos);
    EXPECT_EQ(static_cast<int32_t>(GetLE32(emf, font + 12)), -20);
    QString face;
    for (int i = 0; i < 32; ++i) {
        const uint16_t c = static_cast<uint16_t>(GetLE32(emf, font + 40 + 2 * i) & 0xFFFF);
        if (!c) break;
        face += QChar(c);
    }
    EXPECT_EQ(face, "Arial");

    const size_t t = FirstRecord(emf, kExtTextOutW);
    ASSERT_NE(t, std::string::npos);
    const QFontMetrics fm(f);
    EXPECT_EQ(static_cast<int32_t>(GetLE32(emf, t + 36)), 5);
    EXPECT_EQ(static_cast<int32_t>(GetLE32(emf, t + 40)), 7 + fm.ascent());  // baseline
    const uint32_t n = GetLE32(emf, t + 44), offString = GetLE32(emf, t + 48), options = GetLE32(emf, t + 52),
                   offDx = GetLE32(emf, t + 72);
    ASSERT_EQ(n, static_cast<uint32_t>(text.size()));
    EXPECT_EQ(options & 2u, 2u);  // ETO_OPAQUE
    EXPECT_EQ(static_cast<int32_t>(GetLE32(emf, t + 64)), 5 + fm.horizontalAdvance(text));
    QString back;
    for (uint32_t i = 0; i < n; ++i) back += QChar(static_cast<uint16_t>(GetLE32(emf, t + offString + 2 * i) & 0xFFFF));
    EXPECT_EQ(back, text);
    int64_t sum = 0;
    std::vector<int32_t> dx;
    for (uint32_t i = 0; i < n; ++i) {
        dx.push_back(static_cast<int32_t>(GetLE32(emf, t + offDx + 4 * i)));
        sum += dx.back();
    }
    // Real glyph advances: a W is wider than an i, and they add up to the text's width.
    EXPECT_GT(dx[0], dx[1] + 3);
    EXPECT_NEAR(sum, fm.horizontalAdvance(text), 1);
    EXPECT_EQ(dx, TextAdvances(text, f));

    // Glyph indices instead of characters: the opaque box alone.
    auto inkCount = [](const QImage& img) {
        int ink = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) ink += qBlue(img.pixel(x, y)) > 128 && qRed(img.pixel(x, y)) < 128;
        return ink;
    };
    EXPECT_GT(inkCount(RenderEmf(emf, QSize(400, 100), nullptr)), 50);
    std::string glyphs = emf;
    PutLE32(glyphs, t + 52, options | 0x10);
    const QImage g = RenderEmf(glyphs, QSize(400, 100), nullptr);
    ASSERT_FALSE(g.isNull());
    EXPECT_EQ(inkCount(g), 0);
    EXPECT_EQ(g.pixel(6, 8), qRgb(255, 255, 0));
}

TEST(Emf, ReplayMatchesThePainterDrawing) {
    const QSize size(420, 300);
    SampleLayout layout;
    const QImage ref = PainterReference(size, &layout);
    const std::string emf = SampleEmf(0, size);
    std::string error;
    const QImage got = RenderEmf(emf, size, &error);
    ASSERT_FALSE(got.isNull()) << error;
    ASSERT_EQ(got.size(), size);
    int textDiff = 0, textInk = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const QRgb a = ref.pixel(x, y), b = got.pixel(x, y);
            if (InAny(layout.textBoxes, x, y)) {
                textDiff += a != b;
                textInk += b != qRgb(255, 255, 255);
            } else {
                ASSERT_EQ(a, b) << "at " << x << "," << y;
            }
        }
    EXPECT_GT(textInk, 300);       // the texts were drawn
    EXPECT_LT(textDiff, 80) << "pixels that differ inside the text boxes";
    // The clipped text stays in its box, and its opaque box is filled up to the clip.
    EXPECT_EQ(got.pixel(79, 171), ref.pixel(79, 171));
    for (int y = 158; y < 176; ++y) EXPECT_EQ(got.pixel(80, y), qRgb(255, 255, 255)) << y;
    // Bitmap placement: each source pixel becomes a 10 x 10 block.
    const QImage bmp = SampleBitmap();
    for (int sy = 0; sy < 3; ++sy)
        for (int sx = 0; sx < 5; ++sx) {
            EXPECT_EQ(got.pixel(200 + 10 * sx, 10 + 10 * sy), bmp.pixel(sx, sy));
            EXPECT_EQ(got.pixel(209 + 10 * sx, 19 + 10 * sy), bmp.pixel(sx, sy));
            EXPECT_EQ(got.pixel(300 + sx, 10 + sy), bmp.pixel(sx, sy));
        }
    EXPECT_EQ(got.pixel(250, 10), qRgb(255, 255, 255));
}

TEST(Emf, ReplayStretchesOntoTheTarget) {
    EmfRecorder r(QSize(100, 50));
    r.FillRect(QRect(0, 0, 50, 25), kRed);
    r.FillRect(QRect(50, 25, 50, 25), kBlue);
    const std::string emf = r.Finish();
    QImage img(300, 200, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        std::string error;
        ASSERT_TRUE(PlayEmf(emf, p, QRectF(50, 50, 200, 100), &error)) << error;
    }
    EXPECT_EQ(img.pixel(50, 50), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(149, 99), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(150, 100), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(249, 149), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(250, 150), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(49, 49), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(150, 99), qRgb(255, 255, 255));
}

// Pictures recorded elsewhere may give bounds that only cover what was
// drawn; their frame is then the sheet.
TEST(Emf, FrameGivesTheSheetWhenBoundsCoverLess) {
    EmfRecorder r(QSize(200, 100));
    r.FillRect(QRect(150, 50, 50, 50), kBlue);
    std::string emf = r.Finish();
    ASSERT_EQ(EmfNominalSize(emf), QSize(200, 100));
    PutLE32(emf, 8, 150);  // bounds: the fill only
    PutLE32(emf, 12, 50);
    EXPECT_EQ(EmfNominalSize(emf), QSize(200, 100));
    QImage img = RenderEmf(emf, QSize(200, 100), nullptr);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.pixel(150, 50), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(149, 50), qRgb(255, 255, 255));
    PutLE32(emf, 8, 0);  // bounds of nothing drawn
    PutLE32(emf, 12, 0);
    PutLE32(emf, 16, 0xFFFFFFFFu);
    PutLE32(emf, 20, 0xFFFFFFFFu);
    EXPECT_EQ(EmfNominalSize(emf), QSize(200, 100));
    img = RenderEmf(emf, QSize(400, 200), nullptr);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.pixel(300, 100), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(298, 98), qRgb(255, 255, 255));
}

TEST(Emf, RecorderStartsAfreshAfterFinish) {
    EmfRecorder r(QSize(kA4W, kA4H));
    DrawSample(r);
    const std::string first = r.Finish();
    DrawSample(r);
    EXPECT_EQ(r.Finish(), first);
    const std::string empty = r.Finish();
    EXPECT_TRUE(ValidateEmf(empty, nullptr));
    EXPECT_LT(empty.size(), 300u);
}

// Hostile pictures: every one is refused with a message, never a crash.
TEST(Emf, MalformedPicturesAreRefused) {
    const std::string good = SampleEmf();
    ASSERT_TRUE(ValidateEmf(good, nullptr));
    const size_t text = FirstRecord(good, kExtTextOutW), bmp = FirstRecord(good, kStretchDiBits),
                 fill = FirstRecord(good, kBitBlt), sel = FirstRecord(good, kSelectObject),
                 font = FirstRecord(good, kExtCreateFont);
    ASSERT_NE(bmp, std::string::npos);
    const auto recs = Records(good);
    const size_t second = recs[1].second;
    struct Case {
        const char* name;
        std::function<void(std::string&)> spoil;
        const char* message;
    };
    const Case cases[] = {
        {"empty", [](std::string& s) { s.clear(); }, "too short"},
        {"not a header", [](std::string& s) { PutLE32(s, 0, 2); }, "not a metafile header"},
        {"signature", [](std::string& s) { PutLE32(s, 40, 0x12345678); }, "signature"},
        {"length past the bytes", [](std::string& s) { PutLE32(s, 48, static_cast<uint32_t>(s.size() + 4)); }, "length"},
        {"length not a multiple of 4", [](std::string& s) { PutLE32(s, 48, static_cast<uint32_t>(s.size() - 2)); }, "length"},
        {"header size huge", [](std::string& s) { PutLE32(s, 4, 0xFFFFFFF0u); }, "header record size"},
        {"record count", [](std::string& s) { PutLE32(s, 52, GetLE32(s, 52) + 1); }, "records"},
        {"no handles", [](std::string& s) { PutLE32(s, 56, 0); }, "object table"},
        {"empty bounds and frame", [](std::string& s) { PutLE32(s, 16, 0xFFFFFFFFu); PutLE32(s, 32, 0xFFFFFFF0u); }, "bounds"},
        {"empty bounds, no device", [](std::string& s) { PutLE32(s, 16, 0xFFFFFFFFu); PutLE32(s, 80, 0); }, "bounds"},
        {"huge bounds and frame", [](std::string& s) { PutLE32(s, 16, 0x7FFFFFFFu); PutLE32(s, 32, 0x7FFFFFFFu); }, "bounds"},
        {"record size zero", [&](std::string& s) { PutLE32(s, second + 4, 0); }, "bad size"},
        {"record size odd", [&](std::string& s) { PutLE32(s, second + 4, 14); }, "bad size"},
        {"record past the end", [&](std::string& s) { PutLE32(s, second + 4, 0x7FFFFFF0u); }, "runs past"},
        {"huge char count", [&](std::string& s) { PutLE32(s, text + 44, 0x40000000u); }, "outside the record"},
        {"string offset outside", [&](std::string& s) { PutLE32(s, text + 48, 0xFFFFFFF0u); }, "outside the record"},
        {"advances outside", [&](std::string& s) { PutLE32(s, text + 72, GetLE32(s, text + 4) - 4); }, "advances"},
        {"text record short", [&](std::string& s) {
             s.erase(text + 72, GetLE32(s, text + 4) - 72);
             PutLE32(s, text + 4, 72);
             PutLE32(s, 48, static_cast<uint32_t>(s.size()));
         }, "shorter than"},
        {"bitmap bits huge", [&](std::string& s) { PutLE32(s, bmp + 60, 0x40000000u); }, "outside the record"},
        {"bitmap header offset", [&](std::string& s) { PutLE32(s, bmp + 48, 0xFFFFFFFCu); }, "outside the record"},
        {"bitmap wider than its bits", [&](std::string& s) { PutLE32(s, bmp + 80 + 4, 5000); }, "holds"},
        {"bitmap height minimum", [&](std::string& s) { PutLE32(s, bmp + 80 + 8, 0x80000000u); }, "bitmap size"},
        {"bitmap huge", [&](std::string& s) { PutLE32(s, bmp + 80 + 4, 0x7FFFFFFF); PutLE32(s, bmp + 80 + 8, 0x7FFFFFFF); }, "too large"},
        {"bitmap depth", [&](std::string& s) { PutLE32(s, bmp + 80 + 12, 1 | (7u << 16)); }, "bits per pixel"},
        {"bitmap header size", [&](std::string& s) { PutLE32(s, bmp + 80, 4000); }, "bitmap header size"},
        {"fill with a bitmap outside", [&](std::string& s) { PutLE32(s, fill + 88, 40); PutLE32(s, fill + 84, 0xFFFFFFF0u); }, "outside the record"},
        {"fill with a short bitmap header", [&](std::string& s) { PutLE32(s, fill + 88, 12); }, "bitmap header of 12"},
        {"object outside the table", [&](std::string& s) { PutLE32(s, sel + 8, 70); }, "outside the table"},
        {"font slot outside", [&](std::string& s) { PutLE32(s, font + 8, 0); }, "outside the table"},
        {"fill record short", [&](std::string& s) {
             s.erase(fill + 96, 4);
             PutLE32(s, fill + 4, 96);
             PutLE32(s, 48, static_cast<uint32_t>(s.size()));
         }, "shorter than"},
        {"second header", [&](std::string& s) { PutLE32(s, second, 1); }, "second header"},
        {"no EOF", [&](std::string& s) { PutLE32(s, recs.back().second, 70); }, "no EOF"},
        {"records after EOF", [&](std::string& s) {
             s += s.substr(recs.back().second);
             PutLE32(s, 48, static_cast<uint32_t>(s.size()));
             PutLE32(s, 52, GetLE32(s, 52) + 1);
         }, "follow the EOF"},
    };
    for (const Case& c : cases) {
        std::string bad = good;
        c.spoil(bad);
        std::string error;
        EXPECT_FALSE(ValidateEmf(bad, &error)) << c.name;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
        QImage img(50, 50, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainter p(&img);
            std::string e2;
            EXPECT_FALSE(PlayEmf(bad, p, QRectF(0, 0, 50, 50), &e2)) << c.name;
        }
        // Nothing is drawn from a refused picture.
        EXPECT_EQ(img.pixel(20, 20), qRgb(255, 255, 255)) << c.name;
        EXPECT_TRUE(RenderEmf(bad, QSize(50, 50), nullptr).isNull()) << c.name;
    }
}

TEST(Emf, TruncatedAndBitFlippedPicturesNeverCrash) {
    const std::string good = SampleEmf(2, QSize(200, 150));
    QuietQt quiet;
    for (size_t n = 0; n < good.size(); ++n) {
        std::string error;
        ASSERT_FALSE(ValidateEmf(std::string_view(good).substr(0, n), &error)) << n;
        ASSERT_FALSE(error.empty());
    }
    int refused = 0;
    for (size_t i = 0; i < good.size(); ++i) {
        std::string bad = good;
        bad[i] = static_cast<char>(bad[i] ^ (1 << (i % 8)));
        std::string error;
        const bool ok = ValidateEmf(bad, &error);
        refused += !ok;
        const QImage img = RenderEmf(bad, QSize(100, 75), &error);
        EXPECT_EQ(img.isNull(), !ok) << i;
    }
    EXPECT_GT(refused, 10);
}

TEST(Emf, NominalSizeOfUnreadableBytesIsEmpty) {
    EXPECT_TRUE(EmfNominalSize("").isEmpty());
    EXPECT_TRUE(EmfNominalSize(std::string(200, '\xff')).isEmpty());
    EXPECT_EQ(EmfDeclaredLength("abc"), 0u);
    EXPECT_TRUE(RenderEmf(SampleEmf(), QSize(0, 10), nullptr).isNull());
}

// The kept inputs of the player's fuzz target (seeds and crash reproducers).
TEST(Emf, FuzzInputsReplay) {
    QDir d(QStringLiteral(TARNEL_FUZZ_CORPUS "/emf"));
    int n = 0;
    for (const QString& f : d.entryList(QDir::Files)) {
        QFile file(d.filePath(f));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const std::string_view v(bytes.constData(), static_cast<size_t>(bytes.size()));
        std::string error;
        const bool ok = ValidateEmf(v, &error);
        EXPECT_EQ(RenderEmf(v, QSize(64, 48), &error).isNull(), !ok) << f.toStdString();
        if (ok) {  // and stretched far, as the fuzz target plays it
            QImage big(200, 100, QImage::Format_RGB32);
            big.fill(Qt::white);
            QPainter p(&big);
            EXPECT_TRUE(PlayEmf(v, p, QRectF(-20, 10, 300, 40), &error)) << f.toStdString();
        }
        ++n;
    }
    EXPECT_GT(n, 0);
}
