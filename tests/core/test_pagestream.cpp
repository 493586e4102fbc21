#include "emf_fixture.h"
#include "report/pagestream.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>

using namespace tarnel;
using namespace tarnel::testing_emf;

namespace {

std::string ReadAll(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteAll(const QString& path, const std::string& bytes) {
    std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Page n's bytes, or "<none>"; compared with EXPECT_TRUE so that a failure
// does not print pictures.
std::string PageOf(const PageList& list, int n) {
    const auto p = list.ReadPage(n);
    return p ? p->Emf : std::string("<none>");
}

int32_t I32(const std::string& s, size_t at) { return static_cast<int32_t>(GetLE32(s, at)); }

std::string HeaderBytes(PageStream& s) {
    std::string h(128, '\0');
    const int64_t pos = s.Position();
    s.Seek(0);
    s.Read(h.data(), 128);
    s.Seek(pos);
    return h;
}

// A page picture with a bitmap of about `bytes` bytes, so that the stream grows fast.
std::string BigPage(int variant, int bytes) {
    EmfRecorder r(QSize(kA4W, kA4H));
    DrawSample(r, variant);
    const int side = static_cast<int>(std::sqrt(bytes / 3.0));
    QImage img(side, side, QImage::Format_RGB32);
    img.fill(qRgb(variant * 30 % 256, 100, 200));
    r.DrawImage(QRect(400, 400, side, side), img);
    return r.Finish();
}

struct ThreePages {
    QTemporaryDir dir;
    std::vector<std::string> pages;
    QString file;
    ThreePages() {
        PageList list;
        list.StartRun();
        for (int i = 0; i < 3; ++i) {
            pages.push_back(SampleEmf(i));
            list.AppendPage(RecordedPage{pages.back()});
        }
        list.Finish();
        file = dir.filePath("catalogo.qrp");
        EXPECT_EQ(SaveReport(list, file.toStdString()), SaveResult::Saved);
    }
};

// TMPDIR pointing at a folder of the test's own while it lives.
class PrivateTemporaryFolder {
public:
    PrivateTemporaryFolder() : old_(qgetenv("TMPDIR")) { qputenv("TMPDIR", QFile::encodeName(dir_.path())); }
    ~PrivateTemporaryFolder() {
        if (old_.isNull()) qunsetenv("TMPDIR");
        else qputenv("TMPDIR", old_);
    }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QByteArray old_;
};

} // namespace

TEST(PageStream, ThreePagesSavedAndLoaded) {
    ThreePages t;
    const std::string bytes = ReadAll(t.file);
    size_t expected = 128;
    for (auto& p : t.pages) expected += 12 + p.size();
    EXPECT_EQ(bytes.size(), expected);
    EXPECT_EQ(GetLE32(bytes, 0) & 0xFFFF, 3u);
    EXPECT_EQ(GetLE32(bytes, 0) >> 16, 305u);
    EXPECT_EQ(I32(bytes, 8), 3);
    EXPECT_EQ(bytes[25], 0);
    EXPECT_EQ(I32(bytes, 128), 1);  // first record
    EXPECT_EQ(I32(bytes, 132), static_cast<int32_t>(128 + 12 + t.pages[0].size()));
    EXPECT_TRUE(bytes.substr(136, t.pages[0].size()) == t.pages[0]);
    const int32_t last = I32(bytes, bytes.size() - 4);
    EXPECT_EQ(last, static_cast<int32_t>(bytes.size() - 12 - t.pages[2].size()));
    EXPECT_EQ(I32(bytes, static_cast<size_t>(last)), 3);
    EXPECT_EQ(I32(bytes, static_cast<size_t>(last) - 4), static_cast<int32_t>(128 + 12 + t.pages[0].size()));
    // The date: days since 30 December 1899, now.
    double date;
    std::memcpy(&date, bytes.data() + 16, 8);
    EXPECT_NEAR(date, NowAsDays(), 1.0 / 24 / 60);
    EXPECT_GT(date, 40000);

    LoadedReport r = LoadReport(t.file.toStdString());
    ASSERT_TRUE(r.Pages);
    EXPECT_EQ(r.PageCount, 3);
    EXPECT_EQ(r.Pages->PageCount(), 3);
    EXPECT_TRUE(r.Pages->Loaded());
    EXPECT_TRUE(r.Pages->Finished());
    for (int n : {3, 1, 2}) {
        const auto page = r.Pages->ReadPage(n);
        ASSERT_TRUE(page) << n;
        EXPECT_TRUE(page->Emf == t.pages[static_cast<size_t>(n - 1)]) << n;
        EXPECT_EQ(page->NominalSize(), QSize(kA4W, kA4H));
    }
    EXPECT_FALSE(r.Pages->ReadPage(4));
    EXPECT_FALSE(r.Pages->ReadPage(0));
    ASSERT_TRUE(r.Paper);
    EXPECT_EQ(r.Paper->Row, 10);
    EXPECT_FALSE(r.Paper->Landscape);
    // A loaded report is read in place, never written.
    EXPECT_THROW(r.Pages->AppendPage(RecordedPage{t.pages[0]}), ReportFileError);
    EXPECT_TRUE(ReadAll(t.file) == bytes);
    // Saved again elsewhere: the same bytes.
    const QString copy = t.dir.filePath("copia.qrp");
    EXPECT_EQ(SaveReport(*r.Pages, copy.toStdString()), SaveResult::Saved);
    EXPECT_TRUE(ReadAll(copy) == bytes);
}

TEST(PageStream, HeaderSaysOneDuringTheRunAndTheCountAfter) {
    PageList list;
    list.StartRun();
    EXPECT_EQ(list.Stream()->Size(), 0);  // no header before the first page
    for (int i = 0; i < 4; ++i) {
        list.AppendPage(SampleEmf(i));
        EXPECT_EQ(I32(HeaderBytes(*list.Stream()), 8), 1) << i;
        EXPECT_EQ(list.PageCount(), i + 1);
        EXPECT_EQ(list.Stream()->Position(), list.Stream()->Size());  // appends end at the end
    }
    EXPECT_FALSE(list.Finished());
    EXPECT_EQ(SaveReport(list, "/nonexistent/never-written.qrp"), SaveResult::NotFinished);
    list.Finish();
    EXPECT_EQ(I32(HeaderBytes(*list.Stream()), 8), 4);
    EXPECT_TRUE(list.Finished());
}

TEST(PageStream, PagesReadInAnyOrderWhileTheRunAppends) {
    PageList list;
    list.StartRun();
    std::vector<std::string> pages;
    const int orders[][5] = {{1, 1, 1, 1, 1}, {2, 1, 2, 1, 2}, {3, 1, 2, 3, 2}, {2, 4, 1, 3, 4}, {3, 5, 2, 4, 1}};
    for (int i = 0; i < 5; ++i) {
        pages.push_back(SampleEmf(i));
        list.AppendPage(pages.back());
        for (int n : orders[i]) {
            const auto p = list.ReadPage(n);
            ASSERT_TRUE(p) << "after " << i + 1 << " pages, page " << n;
            EXPECT_TRUE(p->Emf == pages[static_cast<size_t>(n - 1)]);
        }
        EXPECT_FALSE(list.ReadPage(i + 2));
    }
    // Walking the chain both ways from the middle.
    for (int n : {3, 4, 2, 5, 1, 4, 4, 2}) EXPECT_TRUE(PageOf(list, n) == pages[static_cast<size_t>(n - 1)]) << n;
}

TEST(PageStream, MovesToAnUnnamedTemporaryFilePast100000Bytes) {
    PrivateTemporaryFolder tmp;
    PageList list;
    list.StartRun();
    std::vector<std::string> pages;
    std::string tempName;
    int64_t sizeAtMove = 0;
    for (int i = 0; i < 6; ++i) {
        pages.push_back(BigPage(i, 30000));
        list.AppendPage(pages.back());
        const int64_t size = list.Stream()->Size();
        if (size <= 100000) {
            EXPECT_TRUE(list.Stream()->InMemory()) << size;
            EXPECT_TRUE(list.Stream()->TemporaryFileName().empty());
        } else {
            EXPECT_FALSE(list.Stream()->InMemory()) << size;
            if (tempName.empty()) {
                tempName = list.Stream()->TemporaryFileName();
                sizeAtMove = size;
            }
            EXPECT_EQ(list.Stream()->TemporaryFileName(), tempName);
        }
    }
    ASSERT_FALSE(tempName.empty());
    EXPECT_GT(sizeAtMove, 100000);
    // The file has no name: nothing shows in the temporary folder.
    const QFileInfo info(QString::fromStdString(tempName));
    EXPECT_TRUE(info.fileName().startsWith("QRP")) << tempName;
    EXPECT_EQ(QDir(info.absolutePath()).canonicalPath(), QDir(tmp.path()).canonicalPath());
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{});
    for (int n : {6, 1, 4, 2, 5, 3}) EXPECT_TRUE(PageOf(list, n) == pages[static_cast<size_t>(n - 1)]) << n;
    list.Finish();
    // Copies go in blocks of 10240 bytes.
    std::vector<size_t> blocks;
    std::string copied;
    list.Stream()->CopyTo([&](const char* p, size_t n) {
        blocks.push_back(n);
        copied.append(p, n);
    });
    ASSERT_GT(blocks.size(), 10u);
    for (size_t i = 0; i + 1 < blocks.size(); ++i) EXPECT_EQ(blocks[i], 10240u);
    EXPECT_EQ(static_cast<int64_t>(copied.size()), list.Stream()->Size());
    QTemporaryDir dir;
    const QString file = dir.filePath("big.qrp");
    ASSERT_EQ(SaveReport(list, file.toStdString()), SaveResult::Saved);
    EXPECT_TRUE(ReadAll(file) == copied);
    list.Release();

    // A loaded report file is never deleted on release.
    {
        LoadedReport r = LoadReport(file.toStdString());
        EXPECT_EQ(r.PageCount, 6);
        EXPECT_TRUE(r.Pages->Stream()->TemporaryFileName().empty());
        EXPECT_TRUE(PageOf(*r.Pages, 6) == pages[5]);
    }
    EXPECT_TRUE(QFileInfo::exists(file));
}

TEST(PageStream, ARunLeavesNothingInTheTemporaryFolder) {
    PrivateTemporaryFolder tmp;
    {
        PageList list;
        list.StartRun();
        for (int i = 0; i < 5 && list.Stream()->InMemory(); ++i) list.AppendPage(BigPage(i, 40000));
        ASSERT_FALSE(list.Stream()->InMemory());
        EXPECT_TRUE(PageOf(list, 1) == BigPage(0, 40000));
        EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{});
    }
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{});
}

TEST(PageStream, PaperRecognition) {
    struct Case {
        int w, h;
        int row;  // 0: no match
        bool landscape;
    } cases[] = {
        {794, 1123, 10, false},  // A4 portrait: rows 9 and 10 match, 10 wins
        {1123, 794, 10, true},   // A4 turned
        {816, 1056, 18, false},  // Letter: rows 1, 2 and 18, 18 wins
        {1123, 1587, 0, false},  // A3 at 96 dpi: 104 against 105
        {1056, 816, 18, true},
        {560, 794, 11, false},   // A5 (559 px is 36.97 mm / 4: no match)
        {559, 794, 0, false},
        {378, 378, 26, true},   // 100 mm square: rows 24 to 26, 26 wins; its landscape test comes last
        {10, 10, 0, false},
    };
    for (const Case& c : cases) {
        const auto m = RecognisePaper(QSize(c.w, c.h), 96);
        if (c.row == 0) {
            EXPECT_FALSE(m) << c.w << "x" << c.h;
            continue;
        }
        ASSERT_TRUE(m) << c.w << "x" << c.h;
        EXPECT_EQ(m->Row, c.row) << c.w << "x" << c.h;
        EXPECT_EQ(m->Landscape, c.landscape) << c.w << "x" << c.h;
    }
    EXPECT_STREQ(PaperTableRow(10).Name, "A4 small");
}

TEST(PageStream, LoadedPaperFromPageOne) {
    QTemporaryDir dir;
    PageList list;
    list.StartRun();
    list.AppendPage(SampleEmf(0, QSize(1123, 794)));
    list.AppendPage(SampleEmf(1, QSize(816, 1056)));
    list.Finish();
    const QString file = dir.filePath("turned.qrp");
    ASSERT_EQ(SaveReport(list, file.toStdString()), SaveResult::Saved);
    const LoadedReport r = LoadReport(file.toStdString());
    ASSERT_TRUE(r.Paper);
    EXPECT_EQ(r.Paper->Row, 10);
    EXPECT_TRUE(r.Paper->Landscape);
}

TEST(PageStream, EmptyRunSavesAHeaderOnly) {
    QTemporaryDir dir;
    PageList list;
    list.StartRun();
    list.Finish();
    const QString file = dir.filePath("empty.qrp");
    ASSERT_EQ(SaveReport(list, file.toStdString()), SaveResult::Saved);
    const std::string bytes = ReadAll(file);
    ASSERT_EQ(bytes.size(), 128u);
    EXPECT_EQ(I32(bytes, 8), 0);
    const LoadedReport r = LoadReport(file.toStdString());
    EXPECT_EQ(r.PageCount, 0);
    EXPECT_FALSE(r.Paper);
    EXPECT_FALSE(r.Pages->ReadPage(1));
}

TEST(PageStream, SaveNeverLeavesABrokenFileOrATemporaryOne) {
    ThreePages t;
    LoadedReport r = LoadReport(t.file.toStdString());
    const std::string before = ReadAll(t.file);
    // Over the file being read: refused, the file stays.
    try {
        SaveReport(*r.Pages, t.file.toStdString());
        ADD_FAILURE() << "saved over the open report";
    } catch (const ReportFileError& e) {
        EXPECT_NE(std::string(e.what()).find("catalogo.qrp"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(ReadAll(t.file) == before);
    // Onto a folder: the rename fails, nothing is left behind.
    ASSERT_TRUE(QDir(t.dir.path()).mkdir("pasta"));
    EXPECT_THROW(SaveReport(*r.Pages, t.dir.filePath("pasta").toStdString()), ReportFileError);
    EXPECT_TRUE(QFileInfo(t.dir.filePath("pasta")).isDir());
    // Into a missing folder.
    try {
        SaveReport(*r.Pages, t.dir.filePath("falta/x.qrp").toStdString());
        ADD_FAILURE();
    } catch (const ReportFileError& e) {
        EXPECT_NE(std::string(e.what()).find("x.qrp"), std::string::npos) << e.what();
    }
    EXPECT_EQ(QDir(t.dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"catalogo.qrp", "pasta"}));
    // Overwriting an existing file works and replaces it whole.
    WriteAll(t.dir.filePath("old.qrp"), std::string(500000, 'x'));
    EXPECT_EQ(SaveReport(*r.Pages, t.dir.filePath("old.qrp").toStdString()), SaveResult::Saved);
    EXPECT_TRUE(ReadAll(t.dir.filePath("old.qrp")) == before);
    // A run not finished writes nothing over an existing file.
    PageList running;
    running.StartRun();
    running.AppendPage(SampleEmf(7));
    EXPECT_EQ(SaveReport(running, t.dir.filePath("old.qrp").toStdString()), SaveResult::NotFinished);
    EXPECT_TRUE(ReadAll(t.dir.filePath("old.qrp")) == before);
    PageList none;
    EXPECT_EQ(SaveReport(none, t.dir.filePath("none.qrp").toStdString()), SaveResult::NotFinished);
    EXPECT_FALSE(QFileInfo::exists(t.dir.filePath("none.qrp")));
}

// Hostile report files: a message naming the file and the fault, never a crash.
TEST(PageStream, MalformedFilesAreRefused) {
    ThreePages t;
    const std::string good = ReadAll(t.file);
    const size_t r2 = static_cast<size_t>(I32(good, 132)), r3 = static_cast<size_t>(I32(good, r2 + 4));
    struct Case {
        const char* name;
        std::function<void(std::string&)> spoil;
        const char* message;
    };
    const Case cases[] = {
        {"empty", [](std::string& s) { s.clear(); }, "shorter than the 128-byte header"},
        {"127 bytes", [](std::string& s) { s.resize(127); }, "shorter than the 128-byte header"},
        {"tag 1", [](std::string& s) { s[0] = 4; }, "tags"},
        {"tag 2", [](std::string& s) { s[2] = 0; }, "tags"},
        {"negative count", [](std::string& s) { PutLE32(s, 8, 0xFFFFFFFFu); }, "page count of -1"},
        {"count too high", [](std::string& s) { PutLE32(s, 8, 4); }, "cut off"},
        {"count huge", [](std::string& s) { PutLE32(s, 8, 0x7FFFFFFF); }, "cut off"},
        {"count too low", [](std::string& s) { PutLE32(s, 8, 2); }, "follow the last page"},
        {"compressed", [](std::string& s) { s[25] = 1; }, "compressed"},
        {"page number", [](std::string& s) { PutLE32(s, 128, 2); }, "page number 2"},
        {"next beyond the file", [](std::string& s) { PutLE32(s, 132, 0x7FFFFFF0); }, "outside the file"},
        {"next backwards", [&](std::string& s) { PutLE32(s, r2 + 4, 128); }, "outside the file"},
        {"next negative", [&](std::string& s) { PutLE32(s, r3 + 4, 0x80000000u); }, "outside the file"},
        {"next too short", [&](std::string& s) { PutLE32(s, r2 + 4, static_cast<uint32_t>(r2 + 12)); }, "not an enhanced metafile"},
        {"back offset", [&](std::string& s) { PutLE32(s, r2 - 4, 0); }, "ends with the offset 0"},
        {"picture length", [&](std::string& s) { PutLE32(s, 136 + 48, GetLE32(s, 136 + 48) - 4); }, "length"},
        {"picture header", [&](std::string& s) { PutLE32(s, r2 + 8, 2); }, "not an enhanced metafile"},
        {"picture record size", [&](std::string& s) { PutLE32(s, r3 + 8 + GetLE32(s, r3 + 12) + 4, 0xFFFFFF00u); }, "malformed picture"},
        {"trailing bytes", [](std::string& s) { s += std::string(8, '\0'); }, "follow the last page"},
        {"last record cut", [](std::string& s) { s.resize(s.size() - 4); }, "outside the file"},
    };
    for (const Case& c : cases) {
        std::string bad = good;
        c.spoil(bad);
        const QString file = t.dir.filePath("bad.qrp");
        WriteAll(file, bad);
        try {
            LoadReport(file.toStdString());
            ADD_FAILURE() << c.name << ": loaded";
        } catch (const ReportFileError& e) {
            const std::string m = e.what();
            EXPECT_NE(m.find("bad.qrp"), std::string::npos) << c.name << ": " << m;
            EXPECT_NE(m.find(c.message), std::string::npos) << c.name << ": " << m;
        }
    }
    try {
        LoadReport(t.dir.filePath("missing.qrp").toStdString());
        ADD_FAILURE();
    } catch (const ReportFileError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.qrp"), std::string::npos);
    }
    EXPECT_THROW(LoadReport(t.dir.path().toStdString()), ReportFileError);
}

TEST(PageStream, TruncatedFilesAreRefused) {
    ThreePages t;
    const std::string good = ReadAll(t.file);
    const QString file = t.dir.filePath("cut.qrp");
    std::vector<size_t> cuts = {0, 1, 127, 128, 129, 140, good.size() - 1};
    for (size_t n = 1024; n < good.size(); n += 1024) cuts.push_back(n);
    for (size_t n : cuts) {
        WriteAll(file, good.substr(0, n));
        EXPECT_THROW(LoadReport(file.toStdString()), ReportFileError) << n;
    }
}

TEST(PageStream, BitFlippedFilesAreRefusedOrReadSafely) {
    ThreePages t;
    const std::string good = ReadAll(t.file);
    const size_t r2 = static_cast<size_t>(I32(good, 132)), r3 = static_cast<size_t>(I32(good, r2 + 4));
    // Bytes whose every flip must be noticed: tags, count, flag, record
    // heads and tails, picture headers' type, length and signature.
    std::vector<std::pair<size_t, size_t>> structural = {{0, 4}, {8, 4}, {25, 1}};
    for (size_t r : {size_t(128), r2, r3}) {
        structural.push_back({r, 8});
        structural.push_back({r - 4 + (r == 128 ? 4 : 0), r == 128 ? 0 : 4});
        structural.push_back({r + 8, 4});
        structural.push_back({r + 8 + 40, 4});
        structural.push_back({r + 8 + 48, 4});
    }
    structural.push_back({good.size() - 4, 4});
    auto isStructural = [&](size_t i) {
        for (auto& [at, len] : structural)
            if (i >= at && i < at + len) return true;
        return false;
    };
    const QString file = t.dir.filePath("flip.qrp");
    int refused = 0, loaded = 0;
    QtMessageHandler old = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // The header, every structural byte, and a sample of the pictures.
    std::vector<size_t> at;
    for (size_t i = 0; i < good.size(); ++i)
        if (i < 128 || i % 5 == 0 || isStructural(i)) at.push_back(i);
    WriteAll(file, good);
    // Flipped in place: rewriting the whole file each time is slow on some disks.
    auto poke = [&](size_t i, char c) {
        std::fstream f(file.toStdString(), std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(static_cast<std::streamoff>(i));
        f.put(c);
    };
    for (size_t i : at) {
        poke(i, static_cast<char>(good[i] ^ (1 << (i % 8))));
        struct Restore {
            std::function<void()> f;
            ~Restore() { f(); }
        } restore{[&] { poke(i, good[i]); }};
        try {
            LoadedReport r = LoadReport(file.toStdString());
            ++loaded;
            EXPECT_FALSE(isStructural(i)) << "flip at " << i << " was not noticed";
            // Every page reads back; the one the flip landed in still plays.
            int hit = 1;
            for (int n = 1; n <= r.PageCount; ++n) {
                ASSERT_TRUE(r.Pages->ReadPage(n)) << i;
                if (n > 1 && i >= (n == 2 ? r2 : r3)) hit = n;
            }
            std::string error;
            EXPECT_FALSE(RenderEmf(r.Pages->ReadPage(hit)->Emf, QSize(100, 140), &error).isNull()) << i << ": " << error;
        } catch (const ReportFileError& e) {
            ++refused;
            EXPECT_NE(std::string(e.what()).find("flip.qrp"), std::string::npos);
        }
    }
    qInstallMessageHandler(old);
    EXPECT_GT(refused, 20);
    EXPECT_GT(loaded, 20);  // a flip in a colour or a letter still makes a readable page
}

TEST(PageStream, CallerKeepsItsPagesWhenALoadFails) {
    ThreePages t;
    auto current = LoadPageList(t.file.toStdString());
    WriteAll(t.dir.filePath("bad.qrp"), "not a report");
    std::unique_ptr<PageList> replaced;
    try {
        replaced = LoadPageList(t.dir.filePath("bad.qrp").toStdString());
    } catch (const ReportFileError&) {
    }
    EXPECT_FALSE(replaced);
    ASSERT_TRUE(current);
    EXPECT_TRUE(PageOf(*current, 2) == t.pages[1]);
}

// tarnel-cli qrp-info and qrp-page on a report built here.
TEST(PageStream, CliInfoAndPage) {
    ThreePages t;
    auto run = [](const QStringList& args) {
        QProcess p;
        p.start(TARNEL_CLI, args);
        p.waitForFinished(60000);
        return std::tuple<int, std::string, std::string>{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                                                         p.readAllStandardOutput().toStdString(),
                                                         p.readAllStandardError().toStdString()};
    };
    auto [code, out, err] = run({"qrp-info", t.file});
    EXPECT_EQ(code, 0) << err;
    std::string expected = "pages 3\n";
    for (int i = 0; i < 3; ++i)
        expected += "page " + std::to_string(i + 1) + ": 794 x 1123 pixels, " + std::to_string(t.pages[i].size()) +
                    " bytes\n";
    expected += "paper 10 (A4 small), portrait\n";
    EXPECT_EQ(out, expected);

    const QString png = t.dir.filePath("p2.png");
    std::tie(code, out, err) = run({"qrp-page", t.file, "2", "--png", png});
    EXPECT_EQ(code, 0) << err;
    QImage img(png);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), QSize(kA4W, kA4H));
    EXPECT_EQ(img.pixel(50, 30), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(121, 11), ToRgb(0x102030 + 0x010101));  // page 2's own colour
    const QImage direct = RenderEmf(t.pages[1], QSize(kA4W, kA4H), nullptr);
    EXPECT_EQ(img.convertToFormat(QImage::Format_RGB32), direct);

    std::tie(code, out, err) = run({"qrp-page", t.file, "4", "--png", png});
    EXPECT_EQ(code, 1);
    EXPECT_NE(err.find("no page 4"), std::string::npos) << err;

    WriteAll(t.dir.filePath("bad.qrp"), std::string(300, '\x01'));
    std::tie(code, out, err) = run({"qrp-info", t.dir.filePath("bad.qrp")});
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(out.empty());
    EXPECT_NE(err.find("bad.qrp"), std::string::npos) << err;
    EXPECT_NE(err.find("tags"), std::string::npos) << err;

    std::tie(code, out, err) = run({"qrp-page", t.file, "2"});
    EXPECT_EQ(code, 2);
}
