// How labels, pictures, system data and frames print on a band.
#include "engine_fixture.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QTimer>

using namespace tarnel;
using namespace tarnel::testing_engine;

namespace {

// One detail band of 1000 x height at (100, 100) on a one-column page,
// printed once.
struct OneBand {
    PageReport r{"one"};
    ReportBand* band;
    std::shared_ptr<RecordingMaker> maker = std::make_shared<RecordingMaker>();
    Records data;
    std::unique_ptr<PageList> pages;

    explicit OneBand(double height = 500, int ppi = 96) {
        r.PixelsPerInch = ppi;
        r.Font = ReportFont{QStringLiteral("Arial"), 10, false, kBlack};
        band = r.AddBand(BandKind::rbDetail, height, 1000);
        r.Maker = maker;
    }
    const std::vector<Op>& Run(int records = 1) {
        data.count = records;
        data.Attach(r);
        pages = r.RunHeadless();
        return maker->pages.at(0);
    }
    std::vector<const Op*> TextOps() const {
        std::vector<const Op*> out;
        for (const Op& op : maker->pages.at(0))
            if (op.kind == Op::Text) out.push_back(&op);
        return out;
    }
};

int LinePx(const ReportFont& f, int ppi = 96) { return QFontMetrics(f.ToQFont(ppi)).height(); }

TEST(EngineElements, TenthsBecomePixelsRoundedHalfToEven) {
    struct Case {
        double tenths, f;
        int px;
    } cases[] = {{5, 0.5, 2}, {7, 0.5, 4}, {-5, 0.5, -2}, {2100, kF96, 794}, {2970, kF96, 1123}, {2781, kF96, 1051}};
    for (const Case& c : cases) EXPECT_EQ(TenthsToPixels(c.tenths, c.f), c.px) << c.tenths << " x " << c.f;
}

TEST(EngineElements, PageIsTheA4SheetInScreenPixels) {
    OneBand t;
    t.Run();
    ASSERT_EQ(t.pages->PageCount(), 1);
    EXPECT_EQ(t.pages->ReadPage(1)->NominalSize(), QSize(794, 1123));
}

TEST(EngineElements, FontsComeFromPointSizesAtThePagesDensity) {
    const ReportFont f{QStringLiteral("Arial"), 10, false, kBlack};
    EXPECT_EQ(f.ToQFont(96).pixelSize(), 13);   // 13.33
    EXPECT_EQ(f.ToQFont(300).pixelSize(), 42);  // 41.67
    EXPECT_EQ(kTitle.ToQFont(96).pixelSize(), 19);
    EXPECT_EQ(kSmall.ToQFont(96).pixelSize(), 11);
    EXPECT_EQ(QFontInfo(f.ToQFont(96)).family(), QStringLiteral("Liberation Sans"));
}

TEST(EngineElements, FormattingBreaksAfterSpacesAndHyphens) {
    QFont font = ReportFont{}.ToQFont(96);
    const QFontMetrics fm(font);
    auto w = [&](const char* s) { return fm.horizontalAdvance(QString::fromUtf8(s)); };
    struct Case {
        const char* caption;
        int width;
        bool autoSize, wordWrap;
        QStringList lines;
    } cases[] = {
        {"first\rsecond", 0, true, false, {"first", "second"}},
        {"fir\nst", 0, true, false, {"first"}},
        {"aaa bbb ccc", w("aaa bbb"), false, true, {"aaa bbb ", "ccc"}},
        {"abc-def", w("abc-"), false, true, {"abc-", "def"}},
        {"abcdefgh", w("abc"), false, true, {"abc", "def", "gh"}},
        {"aaa bbb ccc", w("aaa bbb"), false, false, {"aaa bbb "}},
        {"aa\rbb cc", w("bb"), false, true, {"aa", "bb ", "cc"}},
        {"", 100, false, true, {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(FormatLabelLines(QString::fromUtf8(c.caption), font, c.width, c.autoSize, c.wordWrap), c.lines);
    }
}

TEST(EngineElements, CarriageReturnGivesTwoLinesOneLineHeightApart) {
    OneBand t;
    auto* l = t.band->Add<ReportLabel>(50, 20, 0, 200);
    l->AutoSize = true;
    l->Caption = "first line\rsecond";
    t.Run();
    const auto texts = t.TextOps();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->text, QStringLiteral("first line"));
    EXPECT_EQ(texts[1]->text, QStringLiteral("second"));
    EXPECT_EQ(texts[0]->at, QPoint(Px(150), Px(120)));
    EXPECT_EQ(texts[1]->at, QPoint(Px(150), Px(120) + LinePx(t.r.Font)));
    // The label's width became its widest line.
    const int wide = QFontMetrics(t.r.Font.ToQFont(96)).horizontalAdvance(QStringLiteral("first line"));
    EXPECT_NEAR(l->Width, wide / kF96, 1e-9);
    EXPECT_TRUE(t.maker->FindFill(0, QRect(Px(150), Px(120), wide, Px(320) - Px(120)), kWhite));
}

TEST(EngineElements, FixedLabelOneLineHighPrintsOnlyTheFirstLine) {
    OneBand t;
    auto* l = t.band->Add<ReportLabel>(0, 0, 300, 45);
    l->WordWrap = true;
    l->Caption = "a description that needs more than one line in this box";
    t.Run();
    const auto texts = t.TextOps();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_GT(l->Lines().size(), 1);
    EXPECT_EQ(texts[0]->text, l->Lines()[0]);
    EXPECT_TRUE(l->Finished());
}

TEST(EngineElements, LinesMustEndWithinTheBoxPlusATenth) {
    // Boxes just under, at, and one tenth over two line heights.
    const double two = 2 * LinePx(ReportFont{}) / kF96;
    struct Case {
        double height;
        size_t lines;
    } cases[] = {{two - 1.01, 1}, {two - 1, 2}, {two, 2}, {two + 1, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height);
        OneBand t;
        auto* l = t.band->Add<ReportLabel>(0, 0, 300, c.height);
        l->Caption = "one\rtwo\rthree";
        l->WordWrap = true;
        t.Run();
        EXPECT_EQ(t.TextOps().size(), c.lines);
    }
}

TEST(EngineElements, AutoSizeKeepsTheEdgeOfItsAlignment) {
    OneBand t;
    auto* right = t.band->Add<ReportLabel>(500, 0, 200, 45);
    right->AutoSize = true;
    right->Alignment = TextAlignment::RightJustify;
    right->Caption = "x";
    auto* centre = t.band->Add<ReportLabel>(100, 100, 200, 45);
    centre->AutoSize = true;
    centre->Alignment = TextAlignment::Center;
    centre->Caption = "x";
    t.Run();
    EXPECT_NEAR(right->Left + right->Width, 700, 1e-9);
    EXPECT_LT(right->Width, 200);
    EXPECT_NEAR(centre->Left + centre->Width / 2, 200, 1e-9);
}

TEST(EngineElements, TransparentLabelsDoNotFillTheirBox) {
    OneBand t;
    t.band->Color = 0x00FFFF;
    auto* opaque = t.band->Add<ReportLabel>(0, 0, 300, 45);
    opaque->Caption = "o";
    opaque->Color = 0x123456;
    auto* clear = t.band->Add<ReportLabel>(0, 100, 300, 45);
    clear->Caption = "c";
    clear->Color = 0x654321;
    clear->Transparent = true;
    t.Run();
    EXPECT_TRUE(t.maker->FindFill(0, QRect(Px(100), Px(100), Px(400) - Px(100), Px(145) - Px(100)), 0x123456));
    for (const Op& op : t.maker->pages[0]) EXPECT_FALSE(op.kind == Op::Fill && op.color == 0x654321);
    // The band's own colour fills its area first.
    EXPECT_EQ(t.maker->pages[0].front().kind, Op::Fill);
    EXPECT_EQ(t.maker->pages[0].front().color, 0x00FFFF);
}

TEST(EngineElements, PictureSitsCentredAtItsNaturalSize) {
    OneBand t(800);
    t.r.Zoom = 80;
    auto* img = t.band->Add<ReportImage>(258.0, 191.8, 592.0, 592.0);
    img->Frame = ReportFrame::All();
    // The drawing catalog's bitmap: the box at zoom 80 on a 96 dpi screen.
    Canvas& pic = img->Surface();
    EXPECT_EQ(pic.Width(), 179);
    EXPECT_EQ(pic.Height(), 179);
    t.Run();
    const QRect box(Px(358), Px(291.8), Px(950) - Px(358), Px(883.8) - Px(291.8));
    const Op* drawn = nullptr;
    for (const Op& op : t.maker->pages[0])
        if (op.kind == Op::Image) drawn = &op;
    ASSERT_TRUE(drawn);
    EXPECT_EQ(drawn->rect.size(), QSize(179, 179));
    EXPECT_EQ(drawn->rect.topLeft(), box.topLeft() + QPoint((box.width() - 179) / 2, (box.height() - 179) / 2));
    // A black frame one pixel thick around the box.
    EXPECT_TRUE(t.maker->FindFill(0, QRect(box.left(), box.top(), box.width(), 1), kBlack));
    EXPECT_TRUE(t.maker->FindFill(0, QRect(box.right(), box.top(), 1, box.height()), kBlack));
}

TEST(EngineElements, CentringTruncatesTowardsZero) {
    struct Case {
        int w, h;
    } cases[] = {{10, 7}, {11, 8}, {400, 401}};  // the last is bigger than the box
    for (const Case& c : cases) {
        SCOPED_TRACE(c.w);
        OneBand t(800);
        auto* img = t.band->Add<ReportImage>(0, 0, 500, 500);
        QImage pic(c.w, c.h, QImage::Format_RGB32);
        pic.fill(Qt::red);
        img->SetPicture(pic);
        t.Run();
        const QRect box(Px(100), Px(100), Px(600) - Px(100), Px(600) - Px(100));
        const Op* drawn = nullptr;
        for (const Op& op : t.maker->pages[0])
            if (op.kind == Op::Image) drawn = &op;
        ASSERT_TRUE(drawn);
        const int dx = (box.width() - c.w) / 2, dy = (box.height() - c.h) / 2;
        const QRect natural(box.left() + dx, box.top() + dy, c.w, c.h);
        // Clipped to the box.
        EXPECT_EQ(drawn->rect, natural.intersected(box));
        EXPECT_TRUE(box.contains(drawn->rect));
    }
}

TEST(EngineElements, FramesAreOnePointThickAndAtLeastOnePixel) {
    struct Case {
        int ppi, points, px;
    } cases[] = {{96, 1, 1}, {300, 1, 4}, {96, 2, 3}, {40, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ppi);
        OneBand t(500, c.ppi);
        t.band->Frame.Bottom = true;
        t.band->Frame.Width = c.points;
        t.band->Frame.Color = kRed;
        t.Run();
        const double f = c.ppi / 254.0;
        const int bottom = TenthsToPixels(600, f);
        const QRect strip(TenthsToPixels(100, f), bottom - c.px, TenthsToPixels(1100, f) - TenthsToPixels(100, f), c.px);
        EXPECT_TRUE(t.maker->FindFill(0, strip, kRed));
    }
}

TEST(EngineElements, DateAndTimeInTheSystemFormats) {
    const QLocale br(QLocale::Portuguese, QLocale::Brazil);
    EXPECT_EQ(FormatDateTime(QDateTime(QDate(2026, 12, 10), QTime(14, 5, 9)), br), QStringLiteral("10/12/2026 14:05:09"));
    EXPECT_EQ(FormatDateTime(QDateTime(QDate(2026, 12, 10), QTime(0, 0, 0)), br), QStringLiteral("10/12/2026"));
    EXPECT_EQ(FormatDateTime(QDateTime(QDate(2026, 12, 10), QTime(0, 0, 1)), br), QStringLiteral("10/12/2026 00:00:01"));
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QString t = FormatDateTime(QDateTime(QDate(2026, 12, 10), QTime(14, 5, 9)), us);
    EXPECT_TRUE(t.startsWith(us.toString(QDate(2026, 12, 10), QLocale::ShortFormat) + QLatin1Char(' '))) << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("2:05:09"))) << t.toStdString();
}

TEST(EngineElements, SystemDataPrintsPrefixPageAndClock) {
    OneBand t;
    auto* page = t.band->Add<ReportSysData>(0, 0, 0, 45);
    page->Text = "p.";
    auto* date = t.band->Add<ReportSysData>(0, 100, 0, 45);
    date->Data = ReportSysData::Kind::DateTime;
    const QDateTime when(QDate(2026, 1, 2), QTime(3, 4, 5));
    t.r.Clock = [&] { return when; };
    t.Run();
    EXPECT_TRUE(t.maker->FindText(0, QStringLiteral("p.1")));
    EXPECT_TRUE(t.maker->FindText(0, FormatDateTime(when)));
}

TEST(EngineElements, CaptionBytesShowAsUtf8OrWindows1252) {
    OneBand t;
    auto* a = t.band->Add<ReportLabel>(0, 0, 0, 45);
    a->AutoSize = true;
    a->Caption = "Página";  // UTF-8
    auto* b = t.band->Add<ReportLabel>(0, 100, 0, 45);
    b->AutoSize = true;
    b->Caption = std::string("M\xf3" "dulo");  // Windows-1252
    t.Run();
    EXPECT_TRUE(t.maker->FindText(0, QStringLiteral("Página")));
    EXPECT_TRUE(t.maker->FindText(0, QStringLiteral("Módulo")));
}

TEST(EngineElements, BandBeforePrintCanSkipTheBand) {
    OneBand t;
    auto* l = t.band->Add<ReportLabel>(0, 0, 0, 45);
    l->AutoSize = true;
    int calls = 0;
    t.data.fill = [&](int k) { l->Caption = "R" + std::to_string(k); };
    t.band->BeforePrint = [&](ReportBand&, bool& print) { print = ++calls != 2; };
    t.Run(3);
    EXPECT_EQ(calls, 3);
    const auto texts = t.maker->Texts(0);
    EXPECT_EQ(texts, (std::vector<QString>{QStringLiteral("R1"), QStringLiteral("R3")}));
}

} // namespace

namespace {

TEST(EngineElements, HostileSizesAndCaptionsStayBounded) {
    // A 50000-character word in a box narrower than a character, huge and
    // negative boxes, a band of no height: all print, nothing hangs.
    OneBand t(0);
    auto* word = t.band->Add<ReportLabel>(0, 0, 0.5, 5000);
    word->WordWrap = true;
    word->Caption = std::string(50000, 'W');
    auto* far = t.band->Add<ReportLabel>(1e300, -1e300, 1e12, -40);
    far->Caption = "far";
    auto* img = t.band->Add<ReportImage>(-1e9, 1e9, -5, 1e15);
    img->SetPicture(QImage(3, 3, QImage::Format_RGB32));
    t.Run();
    EXPECT_EQ(word->Lines().size(), 50000);
    EXPECT_EQ(word->Lines()[0], QStringLiteral("W"));
    EXPECT_EQ(t.pages->PageCount(), 1);
}

TEST(EngineElements, StartOfDocumentGivesTheWindowItsFactor) {
    struct Provider : PreviewProvider {
        double f = 0;
        void Show(std::shared_ptr<PageRecorder> r) override {
            f = r->Factor();
            r->Display([r](int) {
                if (r->Status() == RecorderStatus::Finished) QTimer::singleShot(0, [r] { r->ClosePreview(); });
            });
        }
        void ShowModal(std::shared_ptr<PageRecorder> r) override { Show(r); }
    } provider;
    RegisterPreviewProvider(&provider);
    OneBand t;
    t.r.PixelsPerInch = 120;
    t.data.count = 1;
    t.data.Attach(t.r);
    t.r.Preview();
    RegisterPreviewProvider(nullptr);
    EXPECT_DOUBLE_EQ(provider.f, 120 / 254.0);
    // Page 1 was 2100 x 2970 tenths at 120 pixels per inch.
    EXPECT_EQ(t.maker->pages.size(), 1u);
}

} // namespace

namespace {

TEST(EngineElements, ScreenDensityCanBeSetForHeadlessRuns) {
    const int screen = ScreenPixelsPerInch();
    EXPECT_GT(screen, 0);
    SetScreenPixelsPerInch(144);
    EXPECT_EQ(ScreenPixelsPerInch(), 144);
    // A report without its own density takes the screen's.
    OneBand t(500, 0);
    t.Run();
    EXPECT_EQ(t.pages->ReadPage(1)->NominalSize(), QSize(TenthsToPixels(2100, 144 / 254.0), TenthsToPixels(2970, 144 / 254.0)));
    SetScreenPixelsPerInch(0);
    EXPECT_EQ(ScreenPixelsPerInch(), screen);
}

} // namespace
