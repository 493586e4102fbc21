// info and SVG over every real footprint and legacy module: the pads they
// give are the file's own numbers, and the SVG is XML whose pad groups are
// info's pads.
#include "cli_run.h"
#include "corpus.h"
#include "library/footprintfolder.h"
#include "library/legacylibrary.h"
#include "output/figurejson.h"
#include "output/svgdevice.h"
#include "sexpr/sexpr.h"
#include "tokenizer/libtext.h"
#include "tokenizer/meuparse.h"
#include "viewer/figurereader.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cmath>

using namespace tarnel;

namespace {

// A pad as the file writes it, in millimetres.
struct FilePad {
    std::string number;
    double x = 0, y = 0, w = 0, h = 0;
};

// The pads of a footprint file, read straight from its s-expression tree.
std::vector<FilePad> FootprintPads(const std::string& path) {
    const std::string bytes = ReadFileBytes(path);
    const sexpr::Document doc = sexpr::Document::Parse(bytes);
    std::vector<FilePad> pads;
    for (sexpr::Node c = doc.Root().First(); c; c = c.Next()) {
        if (c.Keyword() != "pad") continue;
        FilePad p;
        p.number = std::string(c.At(1).IsAtom() ? c.At(1).Text() : std::string_view());
        p.x = c.Find("at").Number(1);
        p.y = c.Find("at").Number(2);
        p.w = std::fabs(c.Find("size").Number(1));
        p.h = std::fabs(c.Find("size").Number(2));
        pads.push_back(p);
    }
    return pads;
}

// The pads of one module of a legacy library: "Sh" gives the number and the
// size (a height of 0, or a round pad, takes the width), "Po" the place.
std::vector<FilePad> LegacyPads(const ModuleText& text, bool mm) {
    std::vector<FilePad> pads;
    TokenTable t;
    const double k = mm ? 1 : 0.00254;
    text.ForEachLine([&](std::string_view line) {
        t.ParseLine(line);
        if (t[1] == "$PAD") pads.emplace_back();
        if (pads.empty()) return true;
        FilePad& p = pads.back();
        if (t[1] == "Sh") {
            p.number = t[2];
            p.w = ReadDecimal(t[4]) * k;
            p.h = (t[5] == "0" || t[3] == "C" ? ReadDecimal(t[4]) : ReadDecimal(t[5])) * k;
        } else if (t[1] == "Po") {
            p.x = ReadDecimal(t[2]) * k;
            p.y = ReadDecimal(t[3]) * k;
        }
        return true;
    });
    return pads;
}

// The pad groups of an SVG: their data-number attributes, in order.
std::vector<std::string> SvgPadNumbers(const std::string& svg, std::string* error) {
    std::vector<std::string> numbers;
    QXmlStreamReader x(QByteArray::fromStdString(svg));
    while (!x.atEnd()) {
        if (x.readNext() == QXmlStreamReader::StartElement && x.name() == QStringLiteral("g") &&
            x.attributes().value("class") == QStringLiteral("pad"))
            numbers.push_back(x.attributes().value("data-number").toString().toStdString());
    }
    if (x.hasError()) *error = x.errorString().toStdString();
    return numbers;
}

// Checks one item's info and SVG against the pads of its file.
void Check(const figure::Figure& f, const std::vector<FilePad>& want, const std::string& what) {
    const QJsonObject info = QJsonDocument::fromJson(QByteArray::fromStdString(FigureInfoJson(f))).object();
    const QJsonArray pads = info["pads"].toArray();
    ASSERT_EQ(static_cast<size_t>(pads.size()), want.size()) << what;
    std::vector<std::string> numbers;
    for (size_t i = 0; i < want.size(); ++i) {
        const QJsonObject p = pads[static_cast<int>(i)].toObject();
        numbers.push_back(p["number"].toString().toStdString());
        EXPECT_EQ(numbers.back(), want[i].number) << what << " pad " << i;
        EXPECT_NEAR(p["x"].toDouble(), want[i].x, 1e-3) << what << " pad " << i;
        EXPECT_NEAR(p["y"].toDouble(), want[i].y, 1e-3) << what << " pad " << i;
        EXPECT_NEAR(p["w"].toDouble(), want[i].w, 1e-3) << what << " pad " << i;
        EXPECT_NEAR(p["h"].toDouble(), want[i].h, 1e-3) << what << " pad " << i;
    }
    EXPECT_EQ(info["name"].toString().isEmpty(), false) << what;
    std::string error;
    const std::vector<std::string> groups = SvgPadNumbers(FigureSvg(f, Palette{}), &error);
    EXPECT_EQ(error, "") << what;
    EXPECT_EQ(groups, numbers) << what;
}

} // namespace

TEST(FigureOutputs, EveryRealFootprintsPads) {
    REQUIRE_CORPUS();
    int footprints = 0;
    const QDir pretty(TARNEL_CORPUS "/pretty");
    for (const QString& folder : pretty.entryList({"*.pretty"}, QDir::Dirs)) {
        FootprintFolder lib(pretty.filePath(folder).toStdString());
        for (const std::string& name : lib.Names()) {
            figure::Figure f;
            ReadLibraryFigure(lib, name, figure::ReadOptions{0, true}, f);
            Check(f, FootprintPads(lib.FilePath(name)), name);
            ++footprints;
        }
    }
    EXPECT_GT(footprints, 40);
}

TEST(FigureOutputs, EveryRealLegacyModulesPads) {
    REQUIRE_CORPUS();
    int modules = 0;
    for (const char* file : {"connect.mod", "Pot.mod", "muonde.mod", "units_mm/lqfp.mod"}) {
        LegacyLibrary lib(std::string(TARNEL_CORPUS) + "/" + file);
        const bool mm = lib.LineUnits() == Units::Millimetre;
        for (const std::string& name : lib.Names()) {
            figure::Figure f;
            ReadLibraryFigure(lib, name, figure::ReadOptions{0, true}, f);
            Check(f, LegacyPads(lib.ReadModule(name), mm), std::string(file) + ":" + name);
            ++modules;
        }
    }
    EXPECT_GT(modules, 100);
}

// The two verbs as a user runs them.
TEST(FigureOutputs, InfoAndSvgVerbs) {
    REQUIRE_CORPUS();
    QTemporaryDir dir;
    const QString lib = TARNEL_CORPUS "/pretty/Valve.pretty";
    std::string out, err;
    ASSERT_EQ(RunCli({"info", lib, "valve_ecc-83-2"}, &out, &err), 0) << err;
    const QJsonObject info = QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
    EXPECT_EQ(info["name"].toString(), "Valve_ECC-83-2");
    EXPECT_EQ(info["pad_count"].toInt(), 10);
    EXPECT_EQ(info["pads"].toArray()[1].toObject()["drill"].toObject()["w"].toDouble(), 3.1);
    EXPECT_TRUE(info["pads"].toArray()[0].toObject()["layers"].isArray());

    const QString svg = dir.filePath("v.svg");
    ASSERT_EQ(RunCli({"render", lib, "Valve_ECC-83-2", "--svg", svg}, &out, &err), 0) << err;
    QFile f(svg);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const std::string text = f.readAll().toStdString();
    EXPECT_NE(text.find("<svg xmlns=\"http://www.w3.org/2000/svg\""), std::string::npos);
    EXPECT_NE(text.find("mm\""), std::string::npos);  // width and height in millimetres
    std::string error;
    EXPECT_EQ(SvgPadNumbers(text, &error).size(), 10u);

    // No such item, or an unwritable file: exit 1, nothing written.
    EXPECT_EQ(RunCli({"info", lib, "nothing"}, &out, &err), 1);
    EXPECT_EQ(RunCli({"render", lib, "Valve_ECC-83-2", "--svg", dir.filePath("none/v.svg")}, &out, &err), 1);
    EXPECT_FALSE(QFile::exists(dir.filePath("none/v.svg")));
    EXPECT_EQ(RunCli({"info", lib}, &out, &err), 2);
}
