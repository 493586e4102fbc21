// Hostile input: out-of-range numbers, huge texts, special files and faults
// must end quickly with a picture or a plain message. Time limits are the
// ctest timeout and bench/bench_hostile, not assertions here.
#include "catalogs/catalogdata.h"
#include "emf_fixture.h"
#include "index/indexrun.h"
#include "report/emf.h"
#include "tokenizer/libtext.h"
#include "canvas/canvas.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

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

std::string Record(uint32_t type, const std::string& body) {
    std::string out(8, '\0');
    PutLE32(out, 0, type);
    PutLE32(out, 4, static_cast<uint32_t>(8 + body.size()));
    return out + body;
}

std::string Ints(std::initializer_list<uint32_t> v) {
    std::string out;
    for (uint32_t i : v) out += std::string(4, '\0'), PutLE32(out, out.size() - 4, i);
    return out;
}

// A recorded page with records put in before its EOF.
std::string WithRecords(std::string emf, const std::string& records, uint32_t count) {
    const size_t eof = testing_emf::Records(emf).back().second;
    emf.insert(eof, records);
    PutLE32(emf, 48, static_cast<uint32_t>(emf.size()));
    PutLE32(emf, 52, GetLE32(emf, 52) + count);
    return emf;
}

// A text record of n copies of c at (10, 100), with advances when dx > 0.
std::string TextRecord(uint32_t n, char16_t c, int32_t dx) {
    const uint32_t offString = 76, offDx = dx > 0 ? offString + ((n * 2 + 3) & ~3u) : 0;
    std::string body = Ints({0, 0, 0, 0, 1, 0x41D3A9FCu, 0x41D3A9FCu, 10, 100, n, offString, 0, 0, 0, 0, 0, offDx});
    std::u16string text(n, c);
    body.append(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    while (body.size() % 4) body += '\0';
    if (dx > 0)
        for (uint32_t i = 0; i < n; ++i) body += Ints({static_cast<uint32_t>(dx)});
    return Record(84, body);
}

// Font slot 2 made anew with a height and an escapement (tenths of a
// degree), then selected.
std::string FontRecords(int32_t height, int32_t escapement) {
    std::string body = Ints({2, static_cast<uint32_t>(height), 0, static_cast<uint32_t>(escapement), 0, 400});
    body += std::string("\0\0\0\1\0\0\0\0", 8);
    std::u16string face = u"DejaVu Sans";
    face.resize(32, u'\0');
    body.append(reinterpret_cast<const char*>(face.data()), 64);
    return Record(82, body) + Record(37, Ints({2}));
}

// A page whose font (slot 2) is selected by a short text first.
std::string PageWithText(const std::string& records, uint32_t count) {
    EmfRecorder r(QSize(testing_emf::kA4W, testing_emf::kA4H));
    r.DrawText(0, 0, QStringLiteral("x"), testing_emf::SampleFont(12), kBlack, QRect(0, 0, 1, 1), false, kWhite);
    return WithRecords(r.Finish(), records, count);
}

int DarkPixels(const QImage& img, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += qGray(img.pixel(x, y)) < 128;
    return n;
}

QRect InkBounds(const QImage& img) {
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128) r |= QRect(x, y, 1, 1);
    return r;
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
    Canvas view(2000, 2000);
    view.Brush = BrushStyle::Solid;
    view.BrushColor = kBlue;
    view.FillRect(1990, 60, 1991, 61);
    Canvas pic(179, 179);
    EXPECT_EQ(FitDrawing(view, INT_MAX, INT_MAX - 7, pic), 0);
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

// Long texts are measured piece by piece: their advances still add up to the
// width of the whole line.
TEST(Hostile, LongTextAdvancesFollowTheLine) {
    const QFont font = testing_emf::SampleFont(13);
    const QString word = QStringLiteral("Wave fi \u00B5F AV Ty ");
    const struct { const char* name; QString text; } cases[] = {
        {"short", word},
        {"a few pieces", word.repeated(60)},
        {"many pieces", word.repeated(3000)},
        {"surrogate pairs", QString::fromUtf16(u"a\U0001D49Cb").repeated(400)},
    };
    for (const auto& c : cases) {
        const std::vector<int32_t> dx = TextAdvances(c.text, font);
        ASSERT_EQ(dx.size(), static_cast<size_t>(c.text.size())) << c.name;
        int64_t sum = 0;
        for (int32_t d : dx) sum += d;
        const double whole = QFontMetricsF(font).horizontalAdvance(c.text);
        // Pieces may lose the kerning across their joins: a pixel each at most.
        EXPECT_NEAR(double(sum), whole, 1 + c.text.size() / 128) << c.name;
    }
}

TEST(Hostile, VisibleTextLength) {
    const QFont font = testing_emf::SampleFont(16);
    const QString ws = QString(200000, QLatin1Char('W'));
    const QString rtl = QString(5000, QChar(0x05D0));
    const struct { const char* name; QString text; double reach; qsizetype least, most; } cases[] = {
        {"short text is kept whole", QStringLiteral("WWW"), 1, 3, 3},
        {"long text is cut past the reach", ws, 800, 50, 800},
        {"nothing to the right", ws, 0, 0, 0},
        {"right-to-left text is kept whole", rtl, 800, 5000, 5000},
    };
    for (const auto& c : cases) {
        const qsizetype n = VisibleTextLength(c.text, font, c.reach);
        EXPECT_GE(n, c.least) << c.name;
        EXPECT_LE(n, c.most) << c.name;
        if (n > 0 && n < c.text.size()) {
            EXPECT_GT(QFontMetricsF(font).horizontalAdvance(c.text.left(n)), c.reach) << c.name;
        }
    }
}

// A page text far longer than the page is recorded only as far as it shows.
TEST(Hostile, RecorderCutsTextPastThePage) {
    const QFont font = testing_emf::SampleFont(16);
    auto page = [&](int n) {
        EmfRecorder r(QSize(testing_emf::kA4W, testing_emf::kA4H));
        r.DrawText(10, 100, QString(n, QLatin1Char('W')), font, kBlack, QRect(0, 0, 5000000, 1123), false, kWhite);
        return r.Finish();
    };
    const std::string huge = page(1000000), some = page(1000);
    EXPECT_LT(huge.size(), 20000u);
    std::string error;
    const QImage a = RenderEmf(huge, QSize(testing_emf::kA4W, testing_emf::kA4H), &error);
    ASSERT_FALSE(a.isNull()) << error;
    EXPECT_EQ(a, RenderEmf(some, QSize(testing_emf::kA4W, testing_emf::kA4H), &error));
    EXPECT_GT(DarkPixels(a, QRect(600, 95, 190, 30)), 20);  // the text reaches the page's edge
}

// Text records of up to a million characters, with and without advances,
// play as their visible part does.
TEST(Hostile, PlayerCutsLongTextRecords) {
    const QSize a4(testing_emf::kA4W, testing_emf::kA4H);
    const struct { const char* name; uint32_t n; int32_t dx; } cases[] = {
        {"200000 characters", 200000, 0},
        {"1000000 characters", 1000000, 0},
        {"1000000 characters with advances", 1000000, 11},
    };
    for (const auto& c : cases) {
        std::string error;
        const QImage big = RenderEmf(PageWithText(TextRecord(c.n, u'W', c.dx), 1), a4, &error);
        ASSERT_FALSE(big.isNull()) << c.name << ": " << error;
        const QImage small = RenderEmf(PageWithText(TextRecord(1000, u'W', c.dx), 1), a4, &error);
        EXPECT_EQ(big, small) << c.name;
        EXPECT_GT(DarkPixels(big, QRect(600, 80, 190, 30)), 20) << c.name;
    }
}

// Module names of hundreds of thousands of characters make one-page catalogs.
TEST(Hostile, CatalogOfLongNames) {
    QTemporaryDir d;
    for (int n : {40000, 200000, 1000000}) {
        const QString lib = d.filePath(QStringLiteral("long_%1.mod").arg(n));
        WriteFile(lib, kModHeader + "$MODULE " + std::string(static_cast<size_t>(n), 'A') +
                           "\nPo 0 0 0 15 0 0 ~~\nDS -2000 -1000 2000 -1000 150 21\n$EndMODULE x\n");
        for (const char* kind : {"drawings", "list"}) {
            const QString qrp = d.filePath(QStringLiteral("out.qrp"));
            std::string out, err;
            ASSERT_EQ(RunCli({"catalog", kind, lib, "--qrp", qrp}, &out, &err), 0) << n << " " << kind << ": " << err;
            EXPECT_NE(out.find("\"pages\":1}"), std::string::npos) << n << " " << kind << ": " << out;
            EXPECT_LT(QFileInfo(qrp).size(), 400000) << n << " " << kind;  // the name is cut to the page
        }
    }
}

// Only regular files are read: a FIFO would block, a device would be read
// without end, and a file past the size cap is refused, each with a message
// that names the reason.
TEST(Hostile, SpecialFilesAreRefused) {
    QTemporaryDir d;
    const std::string dir = d.path().toStdString();
    ASSERT_EQ(mkfifo((dir + "/fifo.mod").c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", (dir + "/zero.mod").c_str()), 0);
    ASSERT_EQ(mkdir((dir + "/folder.mod").c_str(), 0755), 0);
    {
        QFile big(d.filePath("big.mod"));  // sparse: takes no room on the disk
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(kMaxLibraryBytes + 1));
    }
    const struct { const char* file; const char* reason; bool list; } cases[] = {
        {"fifo.mod", "um FIFO", true},
        {"zero.mod", "um dispositivo", true},
        {"folder.mod", "uma pasta", true},
        {"big.mod", "mais que os 256 MiB", true},
        {"missing.mod", "No such file", true},
    };
    for (const auto& c : cases) {
        const std::string path = dir + "/" + c.file;
        try {
            ReadFileBytes(path);
            ADD_FAILURE() << c.file << " was read";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << c.file << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << c.file << ": " << e.what();
        }
        for (const bool list : {false, true}) {
            if (list && !c.list) continue;
            QStringList args;
            if (list) args << QStringLiteral("list");
            else args << QStringLiteral("catalog") << QStringLiteral("drawings");
            args << QString::fromStdString(path);
            std::string err;
            EXPECT_EQ(RunCli(args, nullptr, &err), 1) << c.file << " " << args[0].toStdString();
            EXPECT_NE(err.find(c.reason), std::string::npos) << c.file << " " << args[0].toStdString() << ": " << err;
        }
    }
    WriteFile(d.filePath("ok.mod"), "plain bytes\n");
    EXPECT_EQ(ReadFileBytes(dir + "/ok.mod"), "plain bytes\n");
    EXPECT_EQ(StatReadableFile(dir + "/ok.mod").size, 12);
}

// The index takes only regular files as libraries.
TEST(Hostile, IndexSkipsSpecialFiles) {
    QTemporaryDir d;
    const std::string dir = d.path().toStdString();
    WriteFile(d.filePath("a.mod"), kModHeader + "$MODULE R1\nPo 0 0 0 15 0 0 ~~\n$EndMODULE R1\n");
    ASSERT_EQ(mkfifo((dir + "/fifo.mod").c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", (dir + "/zero.mod").c_str()), 0);
    ASSERT_EQ(symlink((dir + "/a.mod").c_str(), (dir + "/link.mod").c_str()), 0);
    EXPECT_EQ(ModFileNames(dir), (std::vector<std::string>{"a.mod", "link.mod"}));
    std::string out, err;
    EXPECT_EQ(RunCli({"index", d.path()}, &out, &err), 0) << err;
    EXPECT_NE(out.find("Modelos: 2\n"), std::string::npos) << out;
}

// A folder that cannot be read is not an empty folder.
TEST(Hostile, UnreadableFolderIsAnError) {
    IndexTables t;
    FolderFileList none("/nonexistent-folder-of-libraries", {});
    const IndexRunResult r = BuildIndex(t, none);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.error.find("a pasta \"/nonexistent-folder-of-libraries\" não pode ser lida"), std::string::npos)
        << r.error;

    QTemporaryDir d;
    ASSERT_EQ(chmod(d.path().toLocal8Bit().constData(), 0755), 0);
    const QString closed = d.filePath("closed");
    ASSERT_TRUE(QDir().mkdir(closed));
    WriteFile(closed + "/a.mod", kModHeader + "$MODULE R1\n$EndMODULE R1\n");
    ASSERT_EQ(chmod(closed.toLocal8Bit().constData(), 0), 0);
    // The superuser reads any folder: the run is made as nobody then.
    QStringList args = {"index", closed};
    QString program = TARNEL_CLI;
    if (geteuid() == 0) {
        program = QStandardPaths::findExecutable("setpriv");
        if (program.isEmpty()) GTEST_SKIP() << "running as root without setpriv";
        for (const char* a : {TARNEL_CLI, "--clear-groups", "--regid=65534", "--reuid=65534"}) args.prepend(a);
    }
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    const std::string err = p.readAllStandardError().toStdString();
    EXPECT_EQ(p.exitCode(), 1) << err;
    EXPECT_NE(err.find("não pode ser lida"), std::string::npos) << err;
    EXPECT_NE(err.find("Permission denied"), std::string::npos) << err;
    chmod(closed.toLocal8Bit().constData(), 0755);
}

// Text from a picture is drawn under any transform the page or the record
// asks for: turned, mirrored, stretched one way, tiny or huge. Forms the
// glyph rasteriser cannot take safely are filled from outlines; either way
// the glyphs show where they belong.
TEST(Hostile, TextShowsUnderAnyTransform) {
    const QSize a4(testing_emf::kA4W, testing_emf::kA4H);
    const struct { const char* name; int32_t height, escapement; QRectF target; QRect ink; } cases[] = {
        {"plain", -40, 0, QRectF(0, 0, 794, 1123), QRect(10, 60, 365, 45)},
        {"turned 14.2 degrees", -40, 142, QRectF(0, 0, 794, 1123), QRect(0, 0, 365, 105)},
        {"turned upright", -40, 900, QRectF(0, 0, 794, 1123), QRect(0, 0, 60, 105)},
        {"mirrored", -40, 0, QRectF(794, 0, -794, 1123), QRect(420, 60, 365, 45)},
        {"stretched one way", -40, 0, QRectF(0, 0, 794, 300), QRect(10, 10, 365, 25)},
        {"turned and stretched", -40, 142, QRectF(0, 0, 794, 300), QRect(0, 0, 365, 30)},
        {"reduced to 7 %", -400, 0, QRectF(0, 0, 56, 79), QRect(0, 0, 56, 10)},
        {"enlarged 4 times", -200, 0, QRectF(0, 0, 3176, 4492), QRect(100, 0, 3076, 420)},
    };
    for (const auto& c : cases) {
        const std::string page = PageWithText(FontRecords(c.height, c.escapement) + TextRecord(12, u'H', 0), 3);
        QImage img(std::max(a4.width(), int(std::abs(c.target.width()))), std::max(a4.height(), int(c.target.height())),
                   QImage::Format_RGB32);
        img.fill(Qt::white);
        std::string error;
        {
            QPainter p(&img);
            ASSERT_TRUE(PlayEmf(page, p, c.target, &error)) << c.name << ": " << error;
        }
        EXPECT_GT(DarkPixels(img, c.ink), 10) << c.name;
        const QRect all(0, 0, img.width(), img.height());
        EXPECT_EQ(DarkPixels(img, all), DarkPixels(img, c.ink)) << c.name << ": ink outside its place, within "
                                                                << InkBounds(img).x() << "," << InkBounds(img).y() << " "
                                                                << InkBounds(img).width() << "x" << InkBounds(img).height();
    }
}

// The crafted pages that crashed the glyph loader, at the sizes the preview
// and the fuzz target draw them.
TEST(Hostile, GlyphLoaderReproducersPlay) {
    QDir d(QStringLiteral(TARNEL_FUZZ_CORPUS "/emf"));
    const QStringList files = d.entryList({QStringLiteral("crash-*")}, QDir::Files);
    ASSERT_GE(files.size(), 3);
    for (const QString& f : files) {
        QFile file(d.filePath(f));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const std::string_view v(bytes.constData(), static_cast<size_t>(bytes.size()));
        std::string error;
        if (!ValidateEmf(v, &error)) continue;
        for (int pct = 4; pct <= 12; ++pct) {
            const QSize size(794 * pct / 100, 1123 * pct / 100);
            EXPECT_FALSE(RenderEmf(v, size, &error).isNull()) << f.toStdString() << " at " << pct << " %";
        }
        EXPECT_FALSE(RenderEmf(v, QSize(64, 48), &error).isNull()) << f.toStdString();
    }
}

// Saved states and clips are bounded: past the bounds a picture is refused
// with a message when it is checked, before it is drawn; within them the
// clip still works.
TEST(Hostile, NestedStatesAndClipsAreBounded) {
    auto exclude = [](int l, int t, int r, int b) {
        return Record(29, Ints({uint32_t(l), uint32_t(t), uint32_t(r), uint32_t(b)}));
    };
    // A black fill of the page under the clip the records leave.
    const std::string fill = Record(37, Ints({0x80000004u})) + Record(37, Ints({0x80000008u})) +
                             Record(43, Ints({0, 0, 794, 1123}));
    const struct { const char* name; int levels, perLevel; const char* refusal; } cases[] = {
        {"a few levels", 20, 1, nullptr},
        {"256 levels, one small exclusion", 256, 0, nullptr},
        {"257 levels", 257, 0, "saves more than 256 states"},
        {"4096 levels with exclusions", 4096, 4, "more than"},
        {"clip cut into too many pieces", 200, 8, "more than 1024 rectangles"},
    };
    for (const auto& c : cases) {
        std::string records;
        uint32_t count = 0;
        for (int i = 0; i < c.levels; ++i) {
            records += Record(33, {});
            ++count;
            for (int j = 0; j < c.perLevel; ++j, ++count) {
                const int k = i * c.perLevel + j;
                records += exclude(100 + (k * 7) % 600, 100 + (k * 13) % 900, 103 + (k * 7) % 600, 103 + (k * 13) % 900);
            }
        }
        records += exclude(10, 10, 20, 20);
        const std::string page = PageWithText(records + fill, count + 4);
        std::string error;
        const bool ok = ValidateEmf(page, &error);
        if (c.refusal) {
            EXPECT_FALSE(ok) << c.name;
            EXPECT_NE(error.find(c.refusal), std::string::npos) << c.name << ": " << error;
            continue;
        }
        ASSERT_TRUE(ok) << c.name << ": " << error;
        const QImage img = RenderEmf(page, QSize(794, 1123), &error);
        ASSERT_FALSE(img.isNull()) << c.name << ": " << error;
        EXPECT_EQ(img.pixel(15, 15), qRgb(255, 255, 255)) << c.name << ": the excluded box";
        EXPECT_EQ(img.pixel(25, 15), qRgb(0, 0, 0)) << c.name;
        EXPECT_EQ(img.pixel(700, 1100), qRgb(0, 0, 0)) << c.name;
    }
}
