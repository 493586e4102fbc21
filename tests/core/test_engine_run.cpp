// A report run as the preview drives it: the provider, posted
// page-available notifications, cancel on close, errors, save and load, two
// reports running at once, and a page rendered end to end through the
// metafile recorder.
#include "engine_fixture.h"

#include "report/emf.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <fstream>
#include <sstream>

using namespace tarnel;
using namespace tarnel::testing_engine;

namespace {

// A window stand-in: binds to the recorder and logs the notifications.
struct FakeProvider : PreviewProvider {
    std::shared_ptr<PageRecorder> rec;
    std::vector<int> notified;
    int shows = 0;
    // Called with each notification (after it is logged).
    std::function<void(int)> onPage;
    // Closes the window once the run has finished and said so.
    bool closeWhenFinished = true;

    void Show(std::shared_ptr<PageRecorder> r) override {
        ++shows;
        rec = r;
        r->Display([this](int n) {
            notified.push_back(n);
            if (onPage) onPage(n);
            if (closeWhenFinished && rec->Status() == RecorderStatus::Finished && n == rec->AvailablePages())
                QTimer::singleShot(0, [this] { rec->ClosePreview(); });
        });
    }
    void ShowModal(std::shared_ptr<PageRecorder> r) override { Show(r); }
};

struct ProviderScope {
    explicit ProviderScope(PreviewProvider* p) { RegisterPreviewProvider(p); }
    ~ProviderScope() { RegisterPreviewProvider(nullptr); }
};

struct PreviewRun : ::testing::Test {
    FigReport fig;
    Records data;
    FakeProvider provider;
    ProviderScope scope{&provider};
    int details = 0;

    void SetUp() override {
        data.Attach(fig.r);
        fig.r.OnBandPlaced = [this](const BandPlacement& p) { details += p.Band->Kind == BandKind::rbDetail; };
    }
};

TEST_F(PreviewRun, PreviewReturnsWhenTheWindowClosesAndReleasesTheRecorder) {
    data.count = 7;
    fig.r.ReportTitle = "Visão prévia lib: x.mod";
    std::weak_ptr<PageRecorder> seen;
    provider.onPage = [&](int) { seen = provider.rec; };
    fig.r.Preview();
    EXPECT_EQ(provider.shows, 1);
    EXPECT_EQ(provider.notified, (std::vector<int>{1, 2}));
    EXPECT_EQ(provider.rec->Title, "Visão prévia lib: x.mod");
    EXPECT_FALSE(provider.rec->Showing());
    // The report let go and the pages were freed.
    EXPECT_EQ(fig.r.Recorder(), nullptr);
    EXPECT_EQ(provider.rec->PageCount(), 0);
    EXPECT_TRUE(fig.r.Available());
    provider.rec.reset();
    EXPECT_TRUE(seen.expired());
}

TEST_F(PreviewRun, PageAvailableIsPostedNotCalled) {
    data.count = 15;
    std::vector<size_t> seenAtRequest(20, 99);
    data.fill = [&](int k) { seenAtRequest[k] = provider.notified.size(); };
    fig.r.Preview();
    // Cell 7 opens page 2, which finishes page 1; request 8 comes before
    // the engine handles pending messages, request 9 after.
    EXPECT_EQ(seenAtRequest[7], 0u);
    EXPECT_EQ(seenAtRequest[8], 0u);
    EXPECT_EQ(seenAtRequest[9], 1u);
    // Cell 13 opens page 3.
    EXPECT_EQ(seenAtRequest[13], 1u);
    EXPECT_EQ(seenAtRequest[14], 1u);
    EXPECT_EQ(seenAtRequest[15], 2u);
    EXPECT_EQ(provider.notified, (std::vector<int>{1, 2, 3}));
}

TEST_F(PreviewRun, ClosingDuringTheRunCancelsIt) {
    data.count = 100;
    provider.closeWhenFinished = false;
    provider.onPage = [&](int n) {
        if (n == 1) provider.rec->ClosePreview();
    };
    int footers = 0;
    fig.r.OnBandPlaced = [&](const BandPlacement& p) {
        details += p.Band->Kind == BandKind::rbDetail;
        footers += p.Band->Kind == BandKind::rbPageFooter;
    };
    fig.r.Preview();
    // Page 1 was announced before cell 8: no further band was placed and
    // page 2 got no footer.
    EXPECT_EQ(details, 7);
    EXPECT_EQ(data.requests, 8);
    EXPECT_EQ(footers, 1);
    EXPECT_EQ(provider.notified, (std::vector<int>{1}));
    EXPECT_TRUE(provider.rec->Cancelled());
    EXPECT_TRUE(fig.r.Cancelled());
    EXPECT_EQ(fig.r.Recorder(), nullptr);
    EXPECT_TRUE(fig.r.Available());
}

TEST(EngineRun, CancelledRunAppendsItsOpenPageUncounted) {
    FigReport fig;
    PageRecorder rec;
    int requests = 0;
    fig.r.OnNeedData = [&](PageReport&, bool& more) {
        more = true;
        if (++requests == 9) rec.Cancel();
    };
    std::vector<int> notified;
    rec.Display([&](int n) { notified.push_back(n); });
    fig.r.Run(rec);
    QCoreApplication::processEvents();
    EXPECT_EQ(rec.Status(), RecorderStatus::Finished);
    EXPECT_EQ(rec.PageCount(), 2);
    EXPECT_EQ(rec.AvailablePages(), 1);
    EXPECT_EQ(rec.Pages()->PageCount(), 2);  // appended, not announced
    EXPECT_FALSE(rec.Pages()->Finished());
    EXPECT_EQ(notified, (std::vector<int>{1}));
    // A cancelled run's pages are not saved.
    QTemporaryDir dir;
    EXPECT_EQ(rec.Save(dir.filePath("x.qrp").toStdString()), SaveResult::NotFinished);
}

TEST_F(PreviewRun, PreviewDuringARunDoesNothing) {
    data.count = 3;
    data.fill = [&](int k) {
        if (k == 2) fig.r.Preview();
    };
    fig.r.Preview();
    EXPECT_EQ(provider.shows, 1);
    EXPECT_EQ(details, 3);
}

TEST_F(PreviewRun, ReportBeforePrintCanSkipTheRun) {
    data.count = 3;
    int calls = 0;
    fig.r.BeforePrint = [&](PageReport& r, bool& print) {
        EXPECT_EQ(&r, &fig.r);
        ++calls;
        print = false;
    };
    auto pages = fig.r.RunHeadless();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(data.requests, 0);
    EXPECT_EQ(pages->PageCount(), 0);
    EXPECT_TRUE(fig.r.Available());
}

TEST_F(PreviewRun, CallbackErrorEndsTheRunKeepingItsPages) {
    data.count = 100;
    provider.closeWhenFinished = false;
    data.fill = [](int k) {
        if (k == 8) throw std::runtime_error("library unreadable");
    };
    EXPECT_THROW(fig.r.Preview(), std::runtime_error);
    // The window stays open with the pages so far; the report can run again.
    ASSERT_NE(fig.r.Recorder(), nullptr);
    const auto rec = fig.r.Recorder();
    EXPECT_EQ(rec->Status(), RecorderStatus::Finished);
    EXPECT_EQ(rec->PageCount(), 2);
    EXPECT_EQ(rec->AvailablePages(), 2);
    EXPECT_TRUE(rec->Page(2).has_value());
    EXPECT_TRUE(fig.r.Available());
    QCoreApplication::processEvents();
    EXPECT_EQ(provider.notified, (std::vector<int>{1, 2}));
    // Closing it now releases the recorder from the event loop.
    rec->ClosePreview();
    EXPECT_EQ(fig.r.Recorder(), rec);
    QCoreApplication::processEvents();
    EXPECT_EQ(fig.r.Recorder(), nullptr);
}

TEST_F(PreviewRun, SaveWaitsForTheEndAndLoadReplacesThePages) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("cat.qrp").toStdString();
    data.count = 13;
    std::vector<SaveResult> duringRun;
    provider.onPage = [&](int n) {
        if (provider.rec->Status() == RecorderStatus::Busy) duringRun.push_back(provider.rec->Save(file));
        (void)n;
    };
    std::vector<std::string> pages;
    provider.closeWhenFinished = false;
    QTimer* closer = nullptr;
    fig.r.OnNeedData = [&](PageReport&, bool& more) {
        more = ++data.requests <= data.count;
        if (!more && !closer) {
            // After the run: save, then close.
            closer = new QTimer;
            closer->setSingleShot(true);
            QObject::connect(closer, &QTimer::timeout, [&] {
                EXPECT_EQ(provider.rec->Save(file), SaveResult::Saved);
                for (int i = 1; i <= provider.rec->PageCount(); ++i) pages.push_back(provider.rec->Page(i)->Emf);
                provider.rec->ClosePreview();
            });
            closer->start(0);
        }
    };
    fig.r.Preview();
    delete closer;
    ASSERT_FALSE(duringRun.empty());
    for (SaveResult r : duringRun) EXPECT_EQ(r, SaveResult::NotFinished);
    ASSERT_EQ(pages.size(), 3u);

    PageRecorder loaded;
    loaded.Load(file);
    EXPECT_EQ(loaded.Status(), RecorderStatus::Finished);
    EXPECT_TRUE(loaded.Loaded());
    EXPECT_EQ(loaded.PageCount(), 3);
    EXPECT_EQ(loaded.PrintSettings.PaperSize, 10);  // A4 (the later A4 row)
    EXPECT_FALSE(loaded.PrintSettings.Landscape);
    for (int n : {3, 1, 2}) EXPECT_EQ(loaded.Page(n)->Emf, pages[n - 1]) << n;

    // A bad file is refused with its name, and the pages stay.
    const std::string bad = dir.filePath("bad.qrp").toStdString();
    std::ofstream(bad, std::ios::binary) << "not a report";
    try {
        loaded.Load(bad);
        FAIL() << "loaded a bad file";
    } catch (const ReportFileError& e) {
        EXPECT_NE(std::string(e.what()).find("bad.qrp"), std::string::npos) << e.what();
    }
    EXPECT_EQ(loaded.PageCount(), 3);
    EXPECT_EQ(loaded.Page(2)->Emf, pages[1]);
}

TEST_F(PreviewRun, LoadDuringARunStopsItAndKeepsTheLoadedPages) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("three.qrp").toStdString();
    {
        FigReport other;
        Records d;
        d.count = 13;
        d.Attach(other.r);
        auto list = other.r.RunHeadless();
        ASSERT_EQ(SaveReport(*list, file), SaveResult::Saved);
    }
    std::ifstream in(file, std::ios::binary);
    const std::string before((std::istreambuf_iterator<char>(in)), {});

    data.count = 100;
    provider.closeWhenFinished = false;
    struct {
        int pages = -1;
        bool loaded = false;
        RecorderStatus status{};
    } after;
    provider.onPage = [&](int n) {
        if (n != 1) return;
        provider.rec->Load(file);
        QTimer::singleShot(0, [&] {
            after = {provider.rec->PageCount(), provider.rec->Loaded(), provider.rec->Status()};
            provider.rec->ClosePreview();
        });
    };
    fig.r.Preview();
    EXPECT_LT(details, 100);
    EXPECT_EQ(after.pages, 3);
    EXPECT_TRUE(after.loaded);
    EXPECT_EQ(after.status, RecorderStatus::Finished);
    // The run's last page never reached the loaded file.
    std::ifstream again(file, std::ios::binary);
    const std::string now((std::istreambuf_iterator<char>(again)), {});
    EXPECT_EQ(now, before);
}

// A window stand-in for every preview shown, each closed once its run has
// finished and said so.
struct Windows : PreviewProvider {
    struct Window {
        std::shared_ptr<PageRecorder> rec;
        std::vector<int> notified;
    };
    std::deque<Window> shown;
    // Called with each notification (after it is logged).
    std::function<void(Window& w, int n)> onPage;

    void Show(std::shared_ptr<PageRecorder> r) override {
        Window& w = shown.emplace_back(Window{r, {}});
        r->Display([this, &w](int n) {
            w.notified.push_back(n);
            if (onPage) onPage(w, n);
            if (w.rec->Status() == RecorderStatus::Finished && n == w.rec->AvailablePages())
                QTimer::singleShot(0, [&w] { w.rec->ClosePreview(); });
        });
    }
    void ShowModal(std::shared_ptr<PageRecorder> r) override { Show(r); }
};

// Two drawing catalogs with their records, logging the page of every detail
// band each one places.
struct TwoReports : ::testing::Test {
    Windows windows;
    ProviderScope scope{&windows};
    FigReport a, b;
    Records dataA, dataB;
    std::vector<int> pagesA, pagesB;

    void SetUp() override {
        dataA.Attach(a.r);
        dataB.Attach(b.r);
        a.r.OnBandPlaced = [this](const BandPlacement& p) {
            if (p.Band->Kind == BandKind::rbDetail) pagesA.push_back(p.Page);
        };
        b.r.OnBandPlaced = [this](const BandPlacement& p) {
            if (p.Band->Kind == BandKind::rbDetail) pagesB.push_back(p.Page);
        };
    }
    // Six cells a page.
    static std::vector<int> PagesOf(int cells) {
        std::vector<int> out;
        for (int k = 0; k < cells; ++k) out.push_back(k / 6 + 1);
        return out;
    }
};

TEST_F(TwoReports, ASecondReportRunsInsideTheFirstIntoItsOwnWindow) {
    dataA.count = 13;
    dataB.count = 7;
    size_t aPlacedWhenBStarted = 99;
    dataA.fill = [&](int k) {
        if (k != 3) return;
        aPlacedWhenBStarted = pagesA.size();
        b.r.Preview();
        // The second run is over and its window closed before the first goes on.
        EXPECT_EQ(pagesB, PagesOf(7));
        EXPECT_EQ(pagesA.size(), 2u);
    };
    a.r.Preview();
    EXPECT_EQ(aPlacedWhenBStarted, 2u);
    EXPECT_EQ(pagesA, PagesOf(13));
    EXPECT_EQ(pagesB, PagesOf(7));
    ASSERT_EQ(windows.shown.size(), 2u);
    EXPECT_EQ(windows.shown[0].notified, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(windows.shown[1].notified, (std::vector<int>{1, 2}));
    for (FigReport* r : {&a, &b}) {
        EXPECT_TRUE(r->r.Available()) << r->r.Name;
        EXPECT_FALSE(r->r.Cancelled()) << r->r.Name;
        EXPECT_EQ(r->r.Recorder(), nullptr) << r->r.Name;
    }
}

TEST_F(TwoReports, ClosingTheFirstWindowDuringTheSecondRunStopsOnlyTheFirst) {
    dataA.count = 100;
    dataB.count = 13;
    dataA.fill = [&](int k) {
        if (k == 3) b.r.Preview();
    };
    windows.onPage = [&](Windows::Window& w, int n) {
        if (&w == &windows.shown[1] && n == 1) windows.shown[0].rec->ClosePreview();
    };
    a.r.Preview();  // returns: nothing waits for the closed window
    EXPECT_EQ(pagesB, PagesOf(13));
    EXPECT_FALSE(b.r.Cancelled());
    // The first run stopped at its next band.
    EXPECT_EQ(pagesA.size(), 2u);
    EXPECT_EQ(dataA.requests, 3);
    EXPECT_TRUE(a.r.Cancelled());
    EXPECT_TRUE(windows.shown[0].notified.empty());
    EXPECT_TRUE(a.r.Available());
    EXPECT_TRUE(b.r.Available());
}

TEST_F(TwoReports, CancellingOneReportLeavesTheOtherRunning) {
    dataA.count = 100;
    dataB.count = 13;
    dataA.fill = [&](int k) {
        if (k == 3) b.r.Preview();
    };
    dataB.fill = [&](int k) {
        if (k != 2) return;
        a.r.Cancel();
        EXPECT_TRUE(windows.shown[0].rec->Cancelled());
        // The first window announces nothing more: the user closes it.
        QTimer::singleShot(0, [&] { windows.shown[0].rec->ClosePreview(); });
    };
    a.r.Preview();
    EXPECT_EQ(pagesB, PagesOf(13));
    EXPECT_FALSE(b.r.Cancelled());
    EXPECT_EQ(pagesA.size(), 2u);
    EXPECT_TRUE(a.r.Cancelled());
    EXPECT_TRUE(windows.shown[0].rec->Cancelled());
    EXPECT_FALSE(windows.shown[1].rec->Cancelled());
}

TEST(EngineRun, HeadlessPageRendersThroughTheMetafile) {
    FigReport fig;
    Records data;
    data.count = 7;
    data.fill = [&](int k) {
        fig.name->Caption = "MOD" + std::to_string(k);
        Canvas& pic = fig.image->Surface();
        pic.BrushColor = kWhite;
        pic.FillRect(0, 0, pic.Width(), pic.Height());
        pic.BrushColor = kBlack;
        pic.FillRect(0, 0, 10, 10);
    };
    data.Attach(fig.r);
    auto pages = fig.r.RunHeadless();
    ASSERT_EQ(pages->PageCount(), 2);
    const auto page = pages->ReadPage(1);
    ASSERT_TRUE(page);
    std::string error;
    ASSERT_TRUE(ValidateEmf(page->Emf, &error)) << error;
    EXPECT_EQ(EmfNominalSize(page->Emf), QSize(794, 1123));
    const QImage img = RenderEmf(page->Emf, QSize(794, 1123), &error);
    ASSERT_FALSE(img.isNull()) << error;
    auto at = [&](int x, int y) { return img.pixel(x, y) & 0xFFFFFF; };
    // The footer's top frame at round(2781 F), and white just above it.
    EXPECT_EQ(at(300, Px(2781)), 0x000000u);
    EXPECT_EQ(at(300, Px(2781) - 1), 0xFFFFFFu);
    // Cell 4's left frame at x = round(1049 F), column 2.
    EXPECT_EQ(at(Px(1049), Px(265) + 300), 0x000000u);
    EXPECT_EQ(at(Px(1049) + 1, Px(265) + 300), 0xFFFFFFu);
    // The picture's black corner, centred in its box.
    const QRect box(Px(358), Px(456.8), Px(950) - Px(358), Px(1048.8) - Px(456.8));
    const QPoint pic = box.topLeft() + QPoint((box.width() - 179) / 2, (box.height() - 179) / 2);
    EXPECT_EQ(at(pic.x() + 5, pic.y() + 5), 0x000000u);
    EXPECT_EQ(at(pic.x() + 15, pic.y() + 15), 0xFFFFFFu);
    EXPECT_EQ(at(pic.x() - 2, pic.y() + 5), 0xFFFFFFu);
    // Some dark pixels of the name label in cell 1.
    int dark = 0;
    for (int y = Px(265 + 3.3); y < Px(265 + 46.3); ++y)
        for (int x = Px(116.5); x < Px(116.5) + 60; ++x) dark += qGray(img.pixel(x, y)) < 128;
    EXPECT_GT(dark, 20);
}

} // namespace
