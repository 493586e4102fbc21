// Band placement of both catalogs' layouts: columns, pages, headers and
// footers, stretching labels that continue in the next column.
#include "engine_fixture.h"
#include "tokenizer/libtext.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <tuple>

using namespace tarnel;
using namespace tarnel::testing_engine;

namespace {

struct Placed {
    BandKind kind;
    int page, column;
    double x, y, height;
    bool continuation;
};

// Runs a catalog layout headless over n records, logging every band.
template <class Report>
struct LayoutRun {
    Report rep;
    Records data;
    std::shared_ptr<RecordingMaker> maker = std::make_shared<RecordingMaker>();
    std::vector<Placed> placed;
    std::unique_ptr<PageList> pages;

    void Run(int n) {
        data.count = n;
        data.Attach(rep.r);
        rep.r.Maker = maker;
        rep.r.OnBandPlaced = [this](const BandPlacement& p) {
            placed.push_back({p.Band->Kind, p.Page, p.Column, p.X, p.Y, p.Height, p.Continuation});
        };
        pages = rep.r.RunHeadless();
    }
    std::vector<Placed> Of(BandKind k) const {
        std::vector<Placed> out;
        for (const Placed& p : placed)
            if (p.kind == k) out.push_back(p);
        return out;
    }
};

TEST(EngineLayout, DrawingCatalogSixCellsAPageInTwoColumns) {
    LayoutRun<FigReport> run;
    run.Run(7);
    ASSERT_EQ(run.pages->PageCount(), 2);
    EXPECT_EQ(run.maker->pages.size(), 2u);

    const auto details = run.Of(BandKind::rbDetail);
    ASSERT_EQ(details.size(), 7u);
    // Header ends at 265; three cells of 814 per column; the fourth would
    // start at 2707 with only 74 left.
    const double ys[] = {265, 1079, 1893};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(details[i].page, 1);
        EXPECT_EQ(details[i].column, i / 3 + 1);
        EXPECT_EQ(details[i].x, i < 3 ? 100 : 1049);
        EXPECT_EQ(details[i].y, ys[i % 3]);
    }
    EXPECT_EQ(details[6].page, 2);
    EXPECT_EQ(details[6].column, 1);
    EXPECT_EQ(details[6].x, 100);
    EXPECT_EQ(details[6].y, 265);

    const auto footers = run.Of(BandKind::rbPageFooter);
    ASSERT_EQ(footers.size(), 2u);
    for (const Placed& f : footers) {
        EXPECT_EQ(f.y, 2781);
        EXPECT_EQ(f.x, 100);
    }
    // In page pixels: the footer's top frame strip at round(2781 F), one
    // pixel thick, across the footer's width.
    for (int page = 0; page < 2; ++page) {
        const QRect strip(Px(100), Px(2781), Px(100 + 1901.69270833333) - Px(100), 1);
        EXPECT_TRUE(run.maker->FindFill(page, strip, kBlack)) << "page " << page + 1;
    }
    // Cell 4 (column 2) starts at x = round(1049 F) = 396: its left frame.
    const QRect cell4(Px(1049), Px(265), Px(1049 + 949.192708333333) - Px(1049), Px(265 + 813.59375) - Px(265));
    EXPECT_EQ(cell4.left(), 396);
    EXPECT_TRUE(run.maker->FindFill(0, QRect(cell4.left(), cell4.top(), 1, cell4.height()), kBlack));
    EXPECT_TRUE(run.maker->FindFill(0, QRect(cell4.left(), cell4.top(), cell4.width(), 1), kBlack));
}

TEST(EngineLayout, ListCatalogTwentySixRowsAColumn) {
    LayoutRun<ListReport> run;
    run.Run(60);
    ASSERT_EQ(run.pages->PageCount(), 2);
    const auto rows = run.Of(BandKind::rbDetail);
    ASSERT_EQ(rows.size(), 60u);
    for (int i = 0; i < 60; ++i) {
        SCOPED_TRACE(i);
        const int onPage = i % 52;
        EXPECT_EQ(rows[i].page, i / 52 + 1);
        EXPECT_EQ(rows[i].column, onPage / 26 + 1);
        EXPECT_EQ(rows[i].x, onPage < 26 ? 100 : 1050);
        EXPECT_EQ(rows[i].y, 256 + 93 * (onPage % 26));
    }
    const auto footers = run.Of(BandKind::rbPageFooter);
    ASSERT_EQ(footers.size(), 2u);
    EXPECT_EQ(footers[0].y, 2764);
    EXPECT_EQ(footers[1].y, 2764);
    // The header's bottom frame ends where the first row starts.
    EXPECT_TRUE(run.maker->FindFill(0, QRect(Px(100), Px(256) - 1, Px(100 + 1899.7083333333333) - Px(100), 1), kBlack));
}

TEST(EngineLayout, EveryPageCarriesHeaderAndFooter) {
    LayoutRun<FigReport> run;
    run.Run(13);  // 6 + 6 + 1
    ASSERT_EQ(run.pages->PageCount(), 3);
    const auto headers = run.Of(BandKind::rbPageHeader);
    const auto footers = run.Of(BandKind::rbPageFooter);
    ASSERT_EQ(headers.size(), 3u);
    ASSERT_EQ(footers.size(), 3u);
    for (int p = 0; p < 3; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(headers[p].page, p + 1);
        EXPECT_EQ(headers[p].y, 100);
        EXPECT_EQ(footers[p].page, p + 1);
        EXPECT_TRUE(run.maker->FindText(p, QStringLiteral("Catálogo de Módulos (footprints)")));
        EXPECT_TRUE(run.maker->FindText(p, QStringLiteral("Tarnel 0.80")));
    }
    // The footer is placed when the page ends, after the page's cells.
    EXPECT_EQ(run.placed.back().kind, BandKind::rbPageFooter);
}

TEST(EngineLayout, FirstHeaderAndLastFooterFollowTheOptions) {
    struct Case {
        bool firstHeader, lastFooter;
        int headers, footers;
    } cases[] = {{true, true, 2, 2}, {false, true, 1, 2}, {true, false, 2, 1}, {false, false, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.firstHeader << c.lastFooter);
        LayoutRun<FigReport> run;
        run.rep.r.FirstPageHeader = c.firstHeader;
        run.rep.r.LastPageFooter = c.lastFooter;
        run.Run(7);
        const auto headers = run.Of(BandKind::rbPageHeader);
        const auto footers = run.Of(BandKind::rbPageFooter);
        ASSERT_EQ(static_cast<int>(headers.size()), c.headers);
        ASSERT_EQ(static_cast<int>(footers.size()), c.footers);
        EXPECT_EQ(headers.back().page, 2);
        EXPECT_EQ(footers.front().page, 1);
        // Without a header on page 1 the cells start at the top margin.
        EXPECT_EQ(run.Of(BandKind::rbDetail).front().y, c.firstHeader ? 265 : 100);
    }
}

TEST(EngineLayout, FirstMoreDataFalseMakesNoPage) {
    LayoutRun<FigReport> run;
    run.Run(0);
    EXPECT_EQ(run.data.requests, 1);
    EXPECT_EQ(run.pages->PageCount(), 0);
    EXPECT_TRUE(run.maker->pages.empty());
    EXPECT_TRUE(run.placed.empty());
    EXPECT_TRUE(run.rep.r.Available());
}

TEST(EngineLayout, CallbackRunsOnceMoreThanThereAreCells) {
    LayoutRun<ListReport> run;
    run.data.fill = [&](int k) { run.rep.name->Caption = "M" + std::to_string(k); };
    run.Run(3);
    EXPECT_EQ(run.data.requests, 4);
    ASSERT_EQ(run.Of(BandKind::rbDetail).size(), 3u);
    EXPECT_TRUE(run.maker->FindText(0, QStringLiteral("M3")));
}

TEST(EngineLayout, PageNumberThreeOnPageThree) {
    LayoutRun<FigReport> run;
    run.Run(13);
    ASSERT_EQ(run.maker->pages.size(), 3u);
    for (int p = 0; p < 3; ++p) {
        const QString number = QString::number(p + 1);
        const Op* op = run.maker->FindText(p, number);
        ASSERT_TRUE(op) << "page " << p + 1;
        // Where the page-number element sits in the header.
        EXPECT_EQ(op->at, QPoint(Px(100 + 1739.6), Px(100 + 99.2)));
    }
    EXPECT_FALSE(run.maker->FindText(2, QStringLiteral("2")));
}

// A label line's height in tenths of a millimetre at 96 pixels per inch.
double LineTenths(const ReportFont& f) { return QFontMetrics(f.ToQFont(96)).height() / kF96; }

TEST(EngineLayout, StretchingLabelContinuesInNextColumn) {
    LayoutRun<FigReport> run;
    const double lh = LineTenths(run.rep.r.Font);
    // Cell 3 starts at 1893 with 888 left: the band may grow by 888 - 814
    // (rounded), a whole number of lines; the box holds what ends within
    // 707.8 + 1 plus that growth.
    const int grow = static_cast<int>((888 - 813.59375 + 0.5) / lh);  // lines the band may add
    const int inBox = static_cast<int>((707.8 + 1) / lh);
    const int firstColumn = inBox + grow;
    const int kLines = firstColumn + 10;  // the rest fits in a fresh box
    std::string alias;
    for (int i = 1; i <= kLines; ++i) alias += (i > 1 ? "\r" : "") + std::string("A") + std::to_string(i);
    run.data.fill = [&](int k) {
        run.rep.alias->Caption = k == 3 ? alias : "";
        run.rep.name->Caption = "N" + std::to_string(k);
    };
    run.Run(4);

    const auto details = run.Of(BandKind::rbDetail);
    ASSERT_EQ(details.size(), 5u);  // 4 cells, cell 3 in two parts
    EXPECT_EQ(details[2].y, 1893);
    EXPECT_FALSE(details[2].continuation);
    EXPECT_NEAR(details[2].height, 813.59375 + grow * lh, 1e-6);
    EXPECT_TRUE(details[3].continuation);
    EXPECT_EQ(details[3].page, 1);
    EXPECT_EQ(details[3].column, 2);
    EXPECT_EQ(details[3].x, 1049);
    EXPECT_EQ(details[3].y, 265);
    // The rest fits in the box again: no growth, and cell 4 follows below.
    EXPECT_NEAR(details[3].height, 813.59375, 1e-6);
    EXPECT_EQ(details[4].y, 265 + 814);
    EXPECT_EQ(details[4].column, 2);

    // The last line of column 1 and the first of column 2, where they go.
    const QString last1 = QStringLiteral("A%1").arg(firstColumn), first2 = QStringLiteral("A%1").arg(firstColumn + 1);
    const Op* a = run.maker->FindText(0, last1);
    const Op* b = run.maker->FindText(0, first2);
    ASSERT_TRUE(a);
    ASSERT_TRUE(b);
    const int lhPx = QFontMetrics(run.rep.r.Font.ToQFont(96)).height();
    EXPECT_EQ(a->at, QPoint(Px(100 + 16.5), Px(1893 + 86.0) + (firstColumn - 1) * lhPx));
    EXPECT_EQ(b->at, QPoint(Px(1049 + 16.5), Px(265 + 86.0)));
    EXPECT_TRUE(run.maker->FindText(0, QStringLiteral("A%1").arg(kLines)));
    // Only the unfinished label prints again: the name once per cell.
    int names = 0;
    for (const QString& t : run.maker->Texts(0)) names += t == QStringLiteral("N3");
    EXPECT_EQ(names, 1);
    // The band's frame is drawn around the continuation too.
    EXPECT_TRUE(run.maker->FindFill(0, QRect(Px(1049), Px(265), Px(1049 + 949.192708333333) - Px(1049), 1), kBlack));
}

TEST(EngineLayout, StretchedRowsPushTheFollowingRowsDown) {
    LayoutRun<ListReport> run;
    // Row 2's alias needs four lines where its box holds one.
    run.data.fill = [&](int k) { run.rep.alias->Caption = k == 2 ? "one\rtwo\rthree\rfour" : ""; };
    run.Run(30);
    const double lh = LineTenths(kSmall);
    const auto rows = run.Of(BandKind::rbDetail);
    ASSERT_EQ(rows.size(), 30u);
    EXPECT_NEAR(rows[1].height, 92.60416666666667 + 3 * lh, 1e-6);
    const int extra = static_cast<int>(RoundHalfEven(92.60416666666667 + 3 * lh)) - 93;
    EXPECT_EQ(rows[2].y, 256 + 2 * 93 + extra);
    // The column now holds fewer rows.
    int inFirst = 0;
    for (const Placed& p : rows)
        if (p.page == 1 && p.column == 1) ++inFirst;
    EXPECT_LT(inFirst, 26);
}

TEST(EngineLayout, OversizedBandRunsOverWithoutBreaking) {
    PageReport r("big");
    r.PixelsPerInch = 96;
    r.Page.Columns = 1;
    r.AddBand(BandKind::rbDetail, 3000, 1000);
    Records data;
    data.count = 2;
    data.Attach(r);
    std::vector<std::pair<int, double>> at;
    r.OnBandPlaced = [&](const BandPlacement& p) { at.push_back({p.Page, p.Y}); };
    auto pages = r.RunHeadless();
    // Taller than the printable height: the first starts the page, the
    // second goes on below it on the same page.
    ASSERT_EQ(at.size(), 2u);
    EXPECT_EQ(at[0], std::make_pair(1, 100.0));
    EXPECT_EQ(at[1], std::make_pair(1, 3100.0));
    EXPECT_EQ(pages->PageCount(), 1);
}

} // namespace

namespace {

TEST(EngineLayout, StretchingFooterLabelStopsAtItsPage) {
    FigReport fig;
    auto* l = fig.footer->Add<ReportLabel>(0, 0, 500, 40);
    l->AutoStretch = l->WordWrap = true;
    std::string many;
    for (int i = 0; i < 200; ++i) many += "line\r";
    l->Caption = many;
    Records data;
    data.count = 1;
    data.Attach(fig.r);
    auto pages = fig.r.RunHeadless();
    // One page, its footer printed once with the lines its box holds.
    EXPECT_EQ(pages->PageCount(), 1);
    EXPECT_EQ(l->NextLine(), 1);
}

} // namespace

namespace {

TEST(EngineLayout, ForcedBreaksAndBottomAlignment) {
    struct Case {
        bool newColumn, newPage, bottom;
        std::vector<std::tuple<int, int, double>> at;  // page, column, y of cells 1..3
    } cases[] = {
        {false, false, false, {{1, 1, 265}, {1, 1, 1079}, {1, 1, 1893}}},
        {true, false, false, {{1, 1, 265}, {1, 2, 265}, {2, 1, 265}}},
        {false, true, false, {{1, 1, 265}, {2, 1, 265}, {3, 1, 265}}},
        // On the footer: 2781 - 814; the next cell finds no room there.
        {false, false, true, {{1, 1, 1967}, {1, 2, 1967}, {2, 1, 1967}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.newColumn << c.newPage << c.bottom);
        FigReport fig;
        fig.detail->ForceNewColumn = c.newColumn;
        fig.detail->ForceNewPage = c.newPage;
        fig.detail->AlignToBottom = c.bottom;
        Records data;
        data.count = 3;
        data.Attach(fig.r);
        std::vector<std::tuple<int, int, double>> at;
        fig.r.OnBandPlaced = [&](const BandPlacement& p) {
            if (p.Band->Kind == BandKind::rbDetail) at.emplace_back(p.Page, p.Column, p.Y);
        };
        fig.r.RunHeadless();
        EXPECT_EQ(at, c.at);
    }
}

} // namespace
