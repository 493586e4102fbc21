// The vector PDF catalog read back with the tools people use on PDF files:
// its text, its bookmarks, its pages' geometry.
#include "book/bookrun.h"
#include "book/entryreader.h"
#include "book/libraryplan.h"
#include "output/cairotext.h"

#include "book_fixture.h"
#include "cli_run.h"
#include "corpus.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cmath>
#include <sstream>
#include <thread>

using namespace tarnel;
using namespace tarnel::book;

namespace {

std::vector<std::string> CorpusLibraries() {
    std::vector<std::string> out;
    const QString root = TARNEL_CORPUS;
    for (const QString& d : QDir(root + "/pretty").entryList({"*.pretty"}, QDir::Dirs))
        out.push_back((root + "/pretty/" + d).toStdString());
    for (const QString& sub : {QString(), QStringLiteral("/units_mm")})
        for (const QString& f : QDir(root + sub).entryList({"*.mod"}, QDir::Files))
            out.push_back((root + sub + "/" + f).toStdString());
    out.push_back((root + "/linear.lib").toStdString());
    // Current symbols, derived ones read through the symbols they extend.
    for (const QString& f : QDir(root + "/symbols").entryList({"*.kicad_sym", "*.kicad_symdir"}, QDir::Files | QDir::Dirs))
        out.push_back((root + "/symbols/" + f).toStdString());
    return out;
}

// The first n words of text.
std::string FirstWords(const std::string& text, int n) {
    std::istringstream in(Squeezed(text));
    std::string w, out;
    for (int i = 0; i < n && in >> w; ++i) out += (i ? " " : "") + w;
    return out;
}

struct Expected {
    std::string name, description, error;
};

// Each entry of a library as the catalog reads it.
std::vector<Expected> Entries(const std::string& path) {
    const std::vector<LibraryPlan> plan = ListLibraries({path});
    std::vector<Expected> out;
    EntryReader reader(plan);
    for (size_t i = 0; i < plan[0].names.size(); ++i) {
        BookEntry e;
        reader.Read(0, i, e);
        out.push_back({plan[0].names[i], e.description, e.error});
    }
    return out;
}

std::string PdfText(const QString& pdf) { return Squeezed(ToolOutput("pdftotext", {"-raw", "-enc", "UTF-8", pdf, "-"})); }

void ExpectCleanPdf(const QString& pdf, const std::string& what) {
    std::string out;
    EXPECT_EQ(RunTool("qpdf", {"--check", pdf}, &out), 0) << what << "\n" << out;
    EXPECT_EQ(out.find("WARNING"), std::string::npos) << what << "\n" << out;
    // pdfimages -list: two heading lines, then one line per image.
    const std::string images = ToolOutput("pdfimages", {"-list", pdf});
    EXPECT_EQ(std::count(images.begin(), images.end(), '\n'), 2) << what << "\n" << images;
}

} // namespace

TEST(Book, EveryCorpusLibraryIsSearchableAndBookmarked) {
    REQUIRE_CORPUS();
    REQUIRE_TOOL("pdftotext");
    REQUIRE_TOOL("pdfimages");
    REQUIRE_TOOL("qpdf");
    QTemporaryDir d;
    for (const std::string& lib : CorpusLibraries()) {
        const QString pdf = d.filePath("c.pdf");
        std::string out, err;
        ASSERT_EQ(RunCli({"book", QString::fromStdString(lib), "--out", pdf}, &out, &err), 0) << lib << err;
        EXPECT_EQ(err, "") << lib;
        const std::vector<Expected> entries = Entries(lib);
        ASSERT_FALSE(entries.empty()) << lib;
        EXPECT_NE(out.find("\"footprints\":" + std::to_string(entries.size())), std::string::npos) << out;

        const std::string text = PdfText(pdf);
        for (const Expected& e : entries) {
            EXPECT_EQ(e.error, "") << lib << " " << e.name;
            EXPECT_NE(text.find(OneLineText(e.name)), std::string::npos) << lib << ": name " << e.name;
            const std::string words = FirstWords(OneLineText(e.description), 3);
            EXPECT_NE(text.find(words), std::string::npos) << lib << " " << e.name << ": description \"" << words << "\"";
        }

        // One bookmark for the library, one under it for each footprint, in
        // list order, each opening a page after the front pages.
        const QJsonArray outline = PdfOutline(pdf);
        ASSERT_EQ(outline.size(), 1) << lib;
        EXPECT_EQ(outline[0].toObject().value("title").toString().toStdString(), QFileInfo(QString::fromStdString(lib)).fileName().toStdString());
        const QJsonArray kids = outline[0].toObject().value("kids").toArray();
        ASSERT_EQ(kids.size(), static_cast<int>(entries.size())) << lib;
        for (int i = 0; i < kids.size(); ++i) {
            EXPECT_EQ(kids[i].toObject().value("title").toString().toStdString(), OneLineText(entries[i].name)) << lib;
            EXPECT_EQ(kids[i].toObject().value("destpageposfrom1").toInt(), 3 + i / 6) << lib << " #" << i;
        }
        ExpectCleanPdf(pdf, lib);
    }
}

namespace {

struct Centre {
    double x, y;
};

// The centres of the bounds of the filled paths of the given colours
// (0 … 255) of a page that pdftocairo wrote as SVG, in millimetres.
std::vector<Centre> FilledCentres(const std::string& svg, const std::vector<std::array<int, 3>>& colours) {
    std::vector<Centre> out;
    static const QRegularExpression path(R"re(<path style="([^"]*)" d="([^"]*)")re");
    static const QRegularExpression fill(R"re(fill:rgb\(([0-9.]+)%,([0-9.]+)%,([0-9.]+)%\))re");
    auto it = path.globalMatch(QString::fromStdString(svg));
    while (it.hasNext()) {
        const auto m = it.next();
        const auto f = fill.match(m.captured(1));
        if (!f.hasMatch()) continue;
        bool wanted = false;
        for (const auto& c : colours) {
            bool same = true;
            for (int k = 0; k < 3; ++k) same = same && std::fabs(f.captured(k + 1).toDouble() * 2.55 - c[k]) < 0.6;
            wanted = wanted || same;
        }
        if (!wanted) continue;
        // Each subpath (from one "M" to the next) is a shape: paths
        // painted alike come as one.
        static const QRegularExpression token(R"re([MLCZ]|-?[0-9]+(\.[0-9]+)?)re");
        std::vector<std::vector<double>> shapes;
        auto n = token.globalMatch(m.captured(2));
        while (n.hasNext()) {
            const QString t = n.next().captured(0);
            if (t == "M") shapes.emplace_back();
            else if (t != "L" && t != "C" && t != "Z" && !shapes.empty()) shapes.back().push_back(t.toDouble());
        }
        for (const std::vector<double>& v : shapes) {
            // The "M" after a "Z" starts nothing but a point.
            if (v.size() < 4) continue;
            double x0 = v[0], x1 = v[0], y0 = v[1], y1 = v[1];
            for (size_t i = 0; i + 1 < v.size(); i += 2) {
                x0 = std::min(x0, v[i]), x1 = std::max(x1, v[i]);
                y0 = std::min(y0, v[i + 1]), y1 = std::max(y1, v[i + 1]);
            }
            out.push_back({(x0 + x1) / 2 * 25.4 / 72, (y0 + y1) / 2 * 25.4 / 72});
        }
    }
    return out;
}

} // namespace

// At true size, pads read back from the page where the file puts them.
TEST(Book, TrueScalePadCentresReadBackWithinAHundredthOfAMillimetre) {
    REQUIRE_CORPUS();
    REQUIRE_TOOL("pdftocairo");
    REQUIRE_TOOL("qpdf");
    struct Case {
        const char* library;
        const char* name;
    } cases[] = {
        {"pretty/Valve.pretty", "Valve_Noval_P"},
        {"pretty/RF_Antenna.pretty", "Molex_47948-0001_2.4Ghz"},
        {"connect.mod", "he10-14d"},
    };
    QTemporaryDir d;
    for (const Case& c : cases) {
        const QString lib = QStringLiteral(TARNEL_CORPUS "/") + c.library, pdf = d.filePath("t.pdf");
        std::string err;
        ASSERT_EQ(RunCli({"book", lib, "--true-scale", "--no-pad-numbers", "--out", pdf}, nullptr, &err), 0) << err;
        EXPECT_EQ(PdfCatalog(pdf).value("/ViewerPreferences").toObject().value("/PrintScaling").toString(), "/None");
        // The page the footprint's bookmark opens.
        int page = 0;
        for (const QJsonValue& k : PdfOutline(pdf)[0].toObject().value("kids").toArray())
            if (k.toObject().value("title").toString() == c.name) page = k.toObject().value("destpageposfrom1").toInt();
        ASSERT_GT(page, 2) << c.name;
        const QString svg = d.filePath("p.svg");
        ASSERT_EQ(RunTool("pdftocairo", {"-svg", "-origpagesizes", "-noshrink", "-nocenter", "-f", QString::number(page),
                                         "-l", QString::number(page), pdf, svg}),
                  0);
        QFile f(svg);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const std::vector<Centre> found = FilledCentres(f.readAll().toStdString(), {{0, 128, 0}, {255, 0, 0}});

        std::string info;
        ASSERT_EQ(RunCli({"info", lib, c.name}, &info, &err), 0) << err;
        std::vector<Centre> pads;
        for (const QJsonValue& p : QJsonDocument::fromJson(QByteArray::fromStdString(info)).object().value("pads").toArray()) {
            const QString type = p.toObject().value("type").toString();
            if (type == "thru_hole" || type == "smd" || type == "connect")
                pads.push_back({p.toObject().value("x").toDouble(), p.toObject().value("y").toDouble()});
        }
        ASSERT_GE(pads.size(), 2u) << c.name;
        // Some placement of the footprint on the page puts a pad within
        // 0.01 mm of every pad of the file.
        bool placed = false;
        for (const Centre& origin : found) {
            const Centre t{origin.x - pads[0].x, origin.y - pads[0].y};
            bool all = true;
            for (const Centre& p : pads) {
                bool near = false;
                for (const Centre& q : found) near = near || std::hypot(q.x - (p.x + t.x), q.y - (p.y + t.y)) <= 0.01;
                all = all && near;
            }
            placed = placed || all;
        }
        EXPECT_TRUE(placed) << c.name << ": " << found.size() << " pads found on page " << page;
    }
}

namespace {

const char* kFootprint = R"((footprint "R_Teste" (version 20240108) (generator "x")
  (layer "F.Cu")
  (descr "Resistor 10 kΩ ±5 % 0,25 W; 90° µF açúcar")
  (tags "resistor teste")
  (attr through_hole)
  (fp_line (start -5 -2) (end 5 -2) (stroke (width 0.12) (type solid)) (layer "F.SilkS"))
  (fp_arc (start -5 -2) (mid -6 0) (end -5 2) (stroke (width 0.12) (type solid)) (layer "F.SilkS"))
  (pad "77" thru_hole circle (at -3.81 0) (size 2.4 2.4) (drill 1.2) (layers "*.Cu" "*.Mask"))
  (pad "78" thru_hole oval (at 3.81 0 90) (size 2.4 3.2) (drill 1.2) (layers "*.Cu" "*.Mask"))
)
)";

QString MakeFolder(const QTemporaryDir& d, const QString& name, const std::vector<std::pair<QString, std::string>>& files) {
    const QString dir = d.filePath(name);
    QDir().mkpath(dir);
    for (const auto& [file, bytes] : files) WriteFileBytes(dir + "/" + file, bytes);
    return dir;
}

} // namespace

TEST(Book, TextsAreRealTextInAnEmbeddedFontWithUnicodeMaps) {
    REQUIRE_TOOL("pdftotext");
    REQUIRE_TOOL("pdffonts");
    REQUIRE_TOOL("pdfinfo");
    REQUIRE_TOOL("qpdf");
    QTemporaryDir d;
    const QString lib = MakeFolder(d, "Teste.pretty", {{"R_Teste.kicad_mod", kFootprint}});
    const QString pdf = d.filePath("t.pdf");
    std::string err;
    ASSERT_EQ(RunCli({"book", lib, "--out", pdf}, nullptr, &err), 0) << err;
    const std::string text = PdfText(pdf);
    for (const char* s : {"Catálogo de módulos", "Sumário", "Teste.pretty", "R_Teste",
                          "Resistor 10 kΩ ±5 % 0,25 W; 90° µF açúcar", "Etiquetas: resistor teste",
                          "2 ilhas · PTH · ", "Escala ", "77", "78"})
        EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;
    // Every font embedded as a subset with its Unicode map.
    const std::string fonts = ToolOutput("pdffonts", {pdf});
    std::istringstream lines(fonts);
    std::string line;
    int rows = 0;
    for (int i = 0; std::getline(lines, line); ++i) {
        if (i < 2) continue;
        ++rows;
        EXPECT_NE(line.find("DejaVuSans"), std::string::npos) << line;
        EXPECT_NE(line.find(" yes yes yes "), std::string::npos) << line;
    }
    EXPECT_GE(rows, 1) << fonts;
    EXPECT_EQ(PdfInfo(pdf, "Title"), "Catálogo de módulos — Teste.pretty");
    EXPECT_EQ(PdfInfo(pdf, "Author"), "Tarnel");
    EXPECT_NE(PdfInfo(pdf, "CreationDate"), "");
    EXPECT_EQ(PdfInfo(pdf, "Page size"), "595.276 x 841.89 pts (A4)");
    EXPECT_EQ(PdfPageLabels(pdf), (QStringList{"Capa", "Sumário", "1"}));
    // Cell mode asks for no print scaling of its own.
    EXPECT_EQ(PdfCatalog(pdf).value("/ViewerPreferences").toObject().value("/PrintScaling").toString(), "");
    ExpectCleanPdf(pdf, "fixture");

    // Letter paper, no pad numbers.
    ASSERT_EQ(RunCli({"book", lib, "--paper", "letter", "--no-pad-numbers", "--out", pdf}, nullptr, &err), 0) << err;
    EXPECT_EQ(PdfInfo(pdf, "Page size"), "612 x 792 pts (letter)");
    const std::string plain = PdfText(pdf);
    EXPECT_EQ(plain.find("77"), std::string::npos);
    EXPECT_NE(plain.find("R_Teste"), std::string::npos);
}

TEST(Book, ALibraryOrFootprintThatCannotBeReadGetsItsCellWithTheReason) {
    REQUIRE_TOOL("pdftotext");
    REQUIRE_TOOL("qpdf");
    QTemporaryDir d;
    const QString good = MakeFolder(d, "Bom.pretty",
                                    {{"R_Teste.kicad_mod", kFootprint}, {"Quebrado.kicad_mod", "(footprint \"Quebrado\" (pad"}});
    const QString missing = d.filePath("nao_existe.mod");
    const QString pdf = d.filePath("t.pdf");
    std::string out, err;
    ASSERT_EQ(RunCli({"book", good, missing, "--out", pdf}, &out, &err), 0) << err;
    EXPECT_NE(out.find("\"faults\":2"), std::string::npos) << out;
    EXPECT_NE(err.find("Quebrado.kicad_mod"), std::string::npos) << err;
    EXPECT_NE(err.find("nao_existe.mod"), std::string::npos) << err;
    const std::string text = PdfText(pdf);
    const std::vector<LibraryPlan> plan = ListLibraries({missing.toStdString()});
    ASSERT_FALSE(plan[0].error.empty());
    EXPECT_NE(text.find(FirstWords(plan[0].error, 3)), std::string::npos) << plan[0].error << "\n" << text;
    std::string broken;
    for (const Expected& e : Entries(good.toStdString()))
        if (e.name == "Quebrado") broken = e.error;
    ASSERT_FALSE(broken.empty());
    EXPECT_NE(text.find(FirstWords(broken, 4)), std::string::npos) << broken << "\n" << text;
    EXPECT_NE(text.find("Quebrado"), std::string::npos);
    EXPECT_NE(text.find("ilegível"), std::string::npos);
    const QJsonArray outline = PdfOutline(pdf);
    ASSERT_EQ(outline.size(), 2);
    EXPECT_EQ(outline[0].toObject().value("kids").toArray().size(), 2);
    EXPECT_EQ(outline[1].toObject().value("kids").toArray().size(), 0);
    EXPECT_EQ(outline[1].toObject().value("title").toString(), "nao_existe.mod");
    ExpectCleanPdf(pdf, "faults");
}

TEST(Book, CancelledAndFailedRunsLeaveNoFile) {
    QTemporaryDir d;
    std::vector<std::pair<QString, std::string>> files;
    for (int i = 0; i < 300; ++i) files.emplace_back(QStringLiteral("R%1.kicad_mod").arg(i), kFootprint);
    const std::string lib = MakeFolder(d, "Muitos.pretty", files).toStdString();
    const QString target = d.filePath("c.pdf");
    const std::string path = target.toStdString();
    const QStringList before = QDir(d.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    // Stopped at once, stopped half-way, and over an older file.
    for (int round = 0; round < 3; ++round) {
        if (round == 2) WriteFileBytes(target, "older");
        BookProgress progress;
        std::thread stopper;
        if (round == 0) progress.cancel = true;
        else
            stopper = std::thread([&] {
                while (progress.done.load() < 40) std::this_thread::yield();
                progress.cancel = true;
            });
        EXPECT_THROW(WriteBook({lib}, path, BookOptions{}, &progress), Cancelled) << round;
        if (stopper.joinable()) stopper.join();
        QStringList now = QDir(d.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        if (round == 2) {
            QFile f(target);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), "older");
            now.removeAll("c.pdf");
        }
        EXPECT_EQ(now, before) << round;
    }
    // A folder that does not exist: a message naming the file, nothing made.
    const std::string nowhere = d.filePath("nao/existe.pdf").toStdString();
    try {
        WriteBook({lib}, nowhere, BookOptions{});
        ADD_FAILURE() << "no error";
    } catch (const Cancelled&) {
        ADD_FAILURE() << "cancelled";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(nowhere), std::string::npos) << e.what();
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(nowhere)));
}

TEST(Book, BadArguments) {
    QTemporaryDir d;
    const QString pdf = d.filePath("x.pdf");
    struct Case {
        QStringList args;
        int code;
    } cases[] = {
        {{"book", TARNEL_SOURCE_DIR "/samples/exemplo.pretty"}, 2},
        {{"book", "--out", pdf}, 2},
        {{"book", TARNEL_SOURCE_DIR "/samples/exemplo.pretty", "--out", pdf, "--paper", "a3"}, 2},
        {{"book", TARNEL_SOURCE_DIR "/samples/exemplo.pretty", "--out", pdf, "--scale"}, 2},
        {{"book", TARNEL_SOURCE_DIR "/samples/exemplo.pretty", "--out"}, 2},
    };
    for (const Case& c : cases) {
        std::string err;
        EXPECT_EQ(RunCli(c.args, nullptr, &err), c.code) << c.args.join(' ').toStdString();
        EXPECT_NE(err.find("tarnel-cli book:"), std::string::npos) << err;
        EXPECT_FALSE(QFileInfo::exists(pdf));
    }
}
