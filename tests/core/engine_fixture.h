#pragma once
// Page engine tests: a canvas that records every operation (and still
// records the real page picture), and the band layouts of both catalogs.
#include "report/emf.h"
#include "report/pagereport.h"

#include <QFontMetrics>
#include <deque>
#include <string>
#include <vector>

namespace tarnel::testing_engine {

constexpr double kF96 = 96.0 / 254.0;

struct Op {
    enum Kind { Fill, Text, Image } kind;
    QRect rect;  // fill, text clip, image destination
    Color color = 0;
    QString text;
    QPoint at;  // text origin
    QFont font;
    QSize imageSize;
};

class RecordingCanvas : public PageCanvas {
public:
    RecordingCanvas(QSize size, std::vector<Op>& ops) : emf(size), ops_(ops) {}
    QSize PageSize() const override { return emf.PageSize(); }
    void FillRect(const QRect& r, Color c) override {
        ops_.push_back({Op::Fill, r, c, {}, {}, {}, {}});
        emf.FillRect(r, c);
    }
    void DrawText(int x, int y, const QString& text, const QFont& font, Color color, const QRect& clip, bool opaque,
                  Color background) override {
        ops_.push_back({Op::Text, clip, color, text, QPoint(x, y), font, {}});
        emf.DrawText(x, y, text, font, color, clip, opaque, background);
    }
    void DrawImage(const QRect& dest, const QImage& img) override {
        ops_.push_back({Op::Image, dest, 0, {}, {}, {}, img.size()});
        emf.DrawImage(dest, img);
    }
    EmfRecorder emf;

private:
    std::vector<Op>& ops_;
};

// Keeps the operations of every page, in page order.
class RecordingMaker : public PageMaker {
public:
    std::deque<std::vector<Op>> pages;
    std::unique_ptr<PageCanvas> Open(QSize size) override {
        pages.emplace_back();
        return std::make_unique<RecordingCanvas>(size, pages.back());
    }
    std::string Close(PageCanvas& page) override { return static_cast<RecordingCanvas&>(page).emf.Finish(); }

    const Op* FindText(int page, const QString& text) const {
        for (const Op& op : pages.at(page))
            if (op.kind == Op::Text && op.text == text) return &op;
        return nullptr;
    }
    const Op* FindFill(int page, const QRect& r, Color c) const {
        for (const Op& op : pages.at(page))
            if (op.kind == Op::Fill && op.rect == r && op.color == c) return &op;
        return nullptr;
    }
    std::vector<QString> Texts(int page) const {
        std::vector<QString> out;
        for (const Op& op : pages.at(page))
            if (op.kind == Op::Text) out.push_back(op.text);
        return out;
    }
};

inline int Px(double tenths) { return TenthsToPixels(tenths, kF96); }

// Common report settings of both catalogs: A4 portrait, 10 mm margins, two
// columns without space, header on the first page and footer on the last.
inline void CatalogPage(PageReport& r, int zoom) {
    r.Page.Values = {100, 2970, 100, 2100, 100, 100, 0};
    r.Page.Columns = 2;
    r.FirstPageHeader = r.LastPageFooter = true;
    r.PrintIfEmpty = true;
    r.Zoom = zoom;
    r.Font = ReportFont{QStringLiteral("Arial"), 10, false, kBlack};
    r.PixelsPerInch = 96;
}

inline ReportLabel* Label(ReportBand* b, double l, double t, double w, double h, std::optional<ReportFont> font,
                          const char* caption, bool grows) {
    auto* x = b->Add<ReportLabel>(l, t, w, h);
    x->Font = font;
    x->Caption = caption;
    x->AutoSize = grows;
    return x;
}

const ReportFont kTitle{QStringLiteral("Arial"), 14, false, kBlue};
const ReportFont kBig{QStringLiteral("Arial"), 12, false, kBlack};
const ReportFont kSmall{QStringLiteral("Arial"), 8, false, kBlack};

// The drawing catalog's bands and elements.
struct FigReport {
    PageReport r{"QR_FIG"};
    ReportBand *header, *detail, *footer;
    ReportLabel *name, *pads, *alias, *scale, *description;
    ReportSysData *pageNumber, *date;
    ReportImage* image;

    FigReport() {
        CatalogPage(r, 80);
        ReportFont bold = r.Font;
        bold.Bold = true;
        header = r.AddBand(BandKind::rbPageHeader, 165.364583333333, 1901.69270833333);
        Label(header, 562.2, 33.1, 0, 59.5, kTitle, "Catálogo de Módulos (footprints)", true);
        Label(header, 615.2, 102.5, 0, 49.6, kBig, "Biblioteca: x.mod", true);
        pageNumber = header->Add<ReportSysData>(1739.6, 99.2, 0, 43.0);
        Label(header, 1597.4, 105.8, 0, 43.0, std::nullopt, "Página:", true);
        date = header->Add<ReportSysData>(33.1, 105.8, 0, 43.0);
        date->Data = ReportSysData::Kind::DateTime;

        detail = r.AddBand(BandKind::rbDetail, 813.59375, 949.192708333333);
        detail->Frame = ReportFrame::All();
        image = detail->Add<ReportImage>(258.0, 191.8, 592.0, 592.0);
        image->Frame = ReportFrame::All();
        name = Label(detail, 16.5, 3.3, 0, 43.0, bold, "", true);
        pads = Label(detail, 314.2, 148.8, 0, 43.0, std::nullopt, "", true);
        alias = Label(detail, 16.5, 86.0, 224.9, 707.8, std::nullopt, "", false);
        alias->AutoStretch = alias->WordWrap = true;
        scale = Label(detail, 608.5, 148.8, 0, 43.0, std::nullopt, "", true);
        description = Label(detail, 281.1, 36.4, 654.8, 115.8, std::nullopt, "", false);
        description->WordWrap = true;

        footer = r.AddBand(BandKind::rbPageFooter, 89.296875, 1901.69270833333);
        footer->Frame.Top = true;
        Label(footer, 926.0, 16.5, 0, 43.0, kSmall, "Tarnel 0.80", true);
    }
};

// The list catalog's bands and elements.
struct ListReport {
    PageReport r{"QR_lista"};
    ReportBand *header, *detail, *footer;
    ReportLabel *name, *description, *alias;
    ReportSysData* pageNumber;

    ListReport() {
        CatalogPage(r, 100);
        ReportFont smallBold = kSmall;
        smallBold.Bold = true;
        header = r.AddBand(BandKind::rbPageHeader, 156.10416666666666, 1899.7083333333333);
        header->Frame.Bottom = true;
        Label(header, 658.8, 34.4, 0, 60.9, kTitle, "Catálogo de Componentes", true);
        header->Add<ReportSysData>(31.75, 105.8, 0, 45.0)->Data = ReportSysData::Kind::DateTime;
        Label(header, 727.6, 97.9, 0, 50.3, kBig, "Biblioteca: x.mod", true);
        Label(header, 1598.1, 105.8, 0, 45.0, std::nullopt, "Página:", true);
        pageNumber = header->Add<ReportSysData>(1738.3, 100.5, 0, 45.0);

        detail = r.AddBand(BandKind::rbDetail, 92.60416666666667, 949.8541666666666);
        detail->Frame = ReportFrame::All();
        detail->BeforePrint = [](ReportBand&, bool&) {};
        name = Label(detail, 15.9, 2.6, 0, 45.0, smallBold, "", true);
        description = Label(detail, 291.0, 2.6, 648.2, 45.0, kSmall, "", false);
        description->WordWrap = true;
        alias = Label(detail, 108.5, 47.6, 822.9, 39.7, kSmall, "", false);
        alias->AutoStretch = alias->WordWrap = true;

        footer = r.AddBand(BandKind::rbPageFooter, 105.83333333333333, 1899.7083333333333);
        footer->Frame.Top = true;
        Label(footer, 926.0, 21.2, 0, 42.3, kSmall, "Sobrex 0.80", true);
    }
};

// A data cursor over n records: request k (k = 1 .. n) fills record k and
// answers more data; request n + 1 answers none.
struct Records {
    int count = 0;
    int requests = 0;
    std::function<void(int record)> fill;

    void Attach(PageReport& r) {
        r.OnNeedData = [this](PageReport&, bool& more) {
            ++requests;
            if (requests <= count) {
                if (fill) fill(requests);
                more = true;
            } else {
                more = false;
            }
        };
    }
};

} // namespace tarnel::testing_engine
