// Hostile input: out-of-range numbers, huge texts, special files and faults
// must end quickly with a picture or a plain message. Time limits are the
// ctest timeout and bench/bench_hostile, not assertions here.
#include "catalogs/catalogdata.h"
#include "viewer/canvas.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <climits>
#include <string>

using namespace tarnel;

namespace {

const char* const kRobustness = TARNEL_SOURCE_DIR "/../shared/robustness";

int RunCli(const QStringList& args, std::string* out = nullptr, std::string* err = nullptr) {
    QProcess p;
    p.start(TARNEL_CLI, args);
    p.waitForFinished(600000);
    if (out) *out = p.readAllStandardOutput().toStdString();
    if (err) *err = p.readAllStandardError().toStdString();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void WriteFile(const QString& path, const std::string& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes.data(), static_cast<qint64>(bytes.size())), static_cast<qint64>(bytes.size()));
}

const std::string kModHeader = "PCBNEW-LibModule-V1  01/01/2010-00:00:00\n";

// The reduction as defined: every destination pixel ANDs its block of
// source pixels, white outside the source.
QRgb BlockAnd(const Canvas& src, int64_t i, int64_t j, int64_t sl, int64_t st, int64_t sw, int64_t sh, int64_t dw,
              int64_t dh) {
    int64_t x0 = sl + i * sw / dw, x1 = sl + (i + 1) * sw / dw;
    int64_t y0 = st + j * sh / dh, y1 = st + (j + 1) * sh / dh;
    if (x1 <= x0) x1 = x0 + 1;
    if (y1 <= y0) y1 = y0 + 1;
    QRgb acc = 0xFFFFFFFF;
    for (int64_t y = y0; y < y1; ++y)
        for (int64_t x = x0; x < x1; ++x) acc &= ToRgb(src.Pixel(static_cast<int>(x), static_cast<int>(y)));
    return acc;
}

} // namespace

TEST(Hostile, ReductionEqualsBlockAnd) {
    Canvas src(40, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            if ((x * 7 + y * 3) % 11 < 3) {
                src.Brush = BrushStyle::Solid;
                src.BrushColor = static_cast<Color>((x * 0x0B0D07 + y * 0x030507) & 0xFFFFFF);
                src.FillRect(x, y, x + 1, y + 1);
            }
    const struct Case {
        const char* name;
        int64_t dl, dt, dw, dh, sl, st, sw, sh;
    } cases[] = {
        {"inside, by 3", 0, 0, 13, 10, 0, 0, 39, 30},
        {"uneven blocks", 2, 1, 11, 7, 1, 2, 37, 26},
        {"source runs past right and bottom", 0, 0, 9, 9, 20, 15, 90, 90},
        {"source starts left of and above", 0, 0, 12, 12, -30, -25, 80, 70},
        {"wider than tall", 0, 0, 17, 5, -5, 0, 60, 30},
        {"enlarged one way", 0, 0, 20, 6, 5, 0, 10, 30},
        {"enlarged both ways", 1, 1, 19, 19, 3, 4, 7, 6},
        {"destination cut by the canvas", -4, -3, 25, 25, 0, 0, 40, 30},
        {"wholly outside the source", 0, 0, 10, 10, 100, 100, 50, 50},
    };
    for (const Case& c : cases) {
        Canvas dst(20, 20);
        dst.Brush = BrushStyle::Solid;
        dst.BrushColor = kRed;
        dst.FillRect(0, 0, 20, 20);
        dst.CopyRect(c.dl, c.dt, c.dw, c.dh, src, c.sl, c.st, c.sw, c.sh);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool in = x >= c.dl && x < c.dl + c.dw && y >= c.dt && y < c.dt + c.dh;
                const QRgb want =
                    in ? BlockAnd(src, x - c.dl, y - c.dt, c.sl, c.st, c.sw, c.sh, c.dw, c.dh) : ToRgb(kRed);
                ASSERT_EQ(ToRgb(dst.Pixel(x, y)), want) << c.name << " at " << x << "," << y;
            }
    }
}

// A view of nearly 2^31 pixels a side reduces into the picture: the whole
// work canvas lands in the top-left pixel, the rest stays white.
TEST(Hostile, HugeViewFitsThePicture) {
    TForm1Core v;
    v.ViewWidth = INT_MAX;
    v.ViewHeight = INT_MAX - 7;
    v.ViewImage.Brush = BrushStyle::Solid;
    v.ViewImage.BrushColor = kBlue;
    v.ViewImage.FillRect(1990, 60, 1991, 61);
    Canvas pic(179, 179);
    EXPECT_EQ(FitDrawing(v, pic), 0);
    EXPECT_EQ(pic.Pixel(0, 0), kBlue);
    int others = 0;
    for (int y = 0; y < 179; ++y)
        for (int x = 0; x < 179; ++x) others += (x || y) && pic.Pixel(x, y) != kWhite;
    EXPECT_EQ(others, 0);
}

// One bad number makes a view of millions of pixels; the drawing catalog
// still ends promptly with every module in it.
TEST(Hostile, CatalogOfHugeViews) {
    QTemporaryDir d;
    const QString huge = d.filePath("extent_huge.mod");
    WriteFile(huge, kModHeader + "$MODULE X1\nPo 0 0 0 15 0 0 ~~\n"
                                 "DS -2147483648 -2147483648 2147483647 2147483647 100 21\n$EndMODULE X1\n");
    const QString far = d.filePath("far.mod");
    WriteFile(far, kModHeader + "$MODULE A\nPo 0 0 0 15 0 0 ~~\nDS 0 0 3200000 3200000 10 21\n$EndMODULE A\n" +
                       "$MODULE B\nPo 0 0 0 15 0 0 ~~\nDS -1500000 0 1500000 900000 10 21\n$EndMODULE B\n");
    struct Case {
        QString path;
        int modules;
    };
    std::vector<Case> cases = {{huge, 1}, {far, 2}};
    const QDir shared(kRobustness);
    for (const auto& [name, n] : {std::pair{"lqfp_mutation_719.mod", 4}, {"pot_mutation_738.mod", 9},
                                  {"extent_3200000.mod", 1}})
        if (shared.exists(name)) cases.push_back({shared.filePath(name), n});
    for (const Case& c : cases) {
        std::string out, err;
        ASSERT_EQ(RunCli({"catalog", "drawings", c.path}, &out, &err), 0) << c.path.toStdString() << ": " << err;
        EXPECT_NE(out.find("\"modules\":" + std::to_string(c.modules) + ","), std::string::npos)
            << c.path.toStdString() << ": " << out;
    }
    if (!shared.exists("pot_mutation_738.mod")) GTEST_SKIP() << "no " << kRobustness << ": its reproducers not run";
}
