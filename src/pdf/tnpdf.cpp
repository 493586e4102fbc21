#include "pdf/tnpdf.h"

#include "pdf/rowdeflate.h"
#include "report/tempfile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QDir>
#include <QFile>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <unordered_map>

#include <jpeglib.h>
#include <zlib.h>

namespace tarnel {

namespace {

const char* const kFontNames[14] = {
    "Helvetica",   "Helvetica-Bold",   "Helvetica-Oblique",   "Helvetica-BoldOblique",
    "Courier",     "Courier-Bold",     "Courier-Oblique",     "Courier-BoldOblique",
    "Times-Roman", "Times-Bold",       "Times-Italic",        "Times-BoldItalic",
    "Symbol",      "ZapfDingbats"};

std::string Num(int64_t v) { return std::to_string(v); }

std::array<QRgb, 256> BuildPalette() {
    std::array<QRgb, 256> pal{};
    size_t n = 0;
    auto add = [&](int r, int g, int b) {
        const QRgb c = qRgb(r, g, b);
        for (size_t i = 0; i < n; ++i)
            if (pal[i] == c) return;
        if (n < pal.size()) pal[n++] = c;
    };
    // The 16 standard colours come first: they include every drawing colour.
    const int vga[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},     {128, 128, 0},
                            {0, 0, 128},     {128, 0, 128}, {0, 128, 128},   {192, 192, 192},
                            {128, 128, 128}, {255, 0, 0},   {0, 255, 0},     {255, 255, 0},
                            {0, 0, 255},     {255, 0, 255}, {0, 255, 255},   {255, 255, 255}};
    for (const auto& c : vga) add(c[0], c[1], c[2]);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) add(r * 51, g * 51, b * 51);
    // Greys for the smoothed edges of text: 32 new levels fill the table.
    for (int k = 1; k <= 33; ++k) {
        const int v = static_cast<int>(std::lround(k * 255.0 / 34.0));
        add(v, v, v);
    }
    if (n != pal.size()) std::abort();  // the table above is fixed; this cannot happen
    return pal;
}

// Exact colours map straight to their entry; others to the nearest one.
class PaletteMatcher {
public:
    explicit PaletteMatcher(const std::array<QRgb, 256>& pal) : pal_(pal) {
        for (int i = 255; i >= 0; --i) cache_[pal[static_cast<size_t>(i)] & 0xFFFFFF] = static_cast<uint8_t>(i);
    }
    uint8_t Index(QRgb c) {
        c &= 0xFFFFFF;
        auto it = cache_.find(c);
        if (it != cache_.end()) return it->second;
        int best = 0;
        int bestD = 1 << 30;
        for (int i = 0; i < 256; ++i) {
            const QRgb p = pal_[static_cast<size_t>(i)];
            const int dr = qRed(p) - qRed(c), dg = qGreen(p) - qGreen(c), db = qBlue(p) - qBlue(c);
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestD) {
                bestD = d;
                best = i;
            }
        }
        cache_[c] = static_cast<uint8_t>(best);
        return static_cast<uint8_t>(best);
    }

private:
    const std::array<QRgb, 256>& pal_;
    std::unordered_map<QRgb, uint8_t> cache_;
};

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr c) {
    auto* e = reinterpret_cast<JpegError*>(c->err);
    (*c->err->format_message)(c, e->message);
    std::longjmp(e->jump, 1);
}

// Kept apart from EncodeJpeg so that no object with a destructor lives in
// the frame that longjmp returns to.
bool CompressJpeg(const QImage& rgb, int quality, unsigned char** out, unsigned long* outSize, char* message) {
    jpeg_compress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnJpegError;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, outSize);
    cinfo.image_width = static_cast<JDIMENSION>(rgb.width());
    cinfo.image_height = static_cast<JDIMENSION>(rgb.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

int64_t Truncated(double v) {
    if (!(std::fabs(v) < 1e15)) throw std::runtime_error("image size out of range");
    return static_cast<int64_t>(v);
}

} // namespace

const std::array<QRgb, 256>& HalftonePalette() {
    static const std::array<QRgb, 256> pal = BuildPalette();
    return pal;
}

QImage ToHalftone8(const QImage& bitmap) {
    if (bitmap.format() == QImage::Format_Indexed8) return bitmap;
    const QImage src = bitmap.convertToFormat(QImage::Format_RGB32);
    if (src.isNull()) return QImage();
    const auto& pal = HalftonePalette();
    QImage out(src.size(), QImage::Format_Indexed8);
    if (out.isNull()) throw std::runtime_error("out of memory for an 8-bit bitmap");
    out.setColorTable(QList<QRgb>(pal.begin(), pal.end()));
    PaletteMatcher match(pal);
    const int W = src.width(), H = src.height();  // not asked per pixel: they are calls into Qt
    for (int y = 0; y < H; ++y) {
        const QRgb* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* d = out.scanLine(y);
        // Pages are mostly blank rows: a row like the one above is copied.
        if (y > 0 && std::memcmp(s, src.constScanLine(y - 1), static_cast<size_t>(W) * sizeof(QRgb)) == 0) {
            std::memcpy(d, out.constScanLine(y - 1), static_cast<size_t>(W));
            continue;
        }
        QRgb last = 0;
        uint8_t lastIndex = 0;
        bool have = false;
        for (int x = 0; x < W; ++x) {
            if (!have || s[x] != last) {
                last = s[x];
                lastIndex = match.Index(last);
                have = true;
            }
            d[x] = lastIndex;
        }
    }
    return out;
}

std::string Deflate(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    const int rc = compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                             static_cast<uLong>(data.size()), Z_DEFAULT_COMPRESSION);
    if (rc != Z_OK) throw std::runtime_error("deflate failed");
    out.resize(size);
    return out;
}

std::string EncodeJpeg(const QImage& bitmap, int quality) {
    const QImage rgb = bitmap.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull() || rgb.width() <= 0 || rgb.height() <= 0) throw std::runtime_error("cannot encode an empty bitmap");
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = CompressJpeg(rgb, quality, &out, &outSize, message);
    std::string bytes;
    if (ok && out) bytes.assign(reinterpret_cast<const char*>(out), outSize);
    std::free(out);
    if (!ok) throw std::runtime_error(std::string("JPEG encoding failed: ") + message);
    return bytes;
}

void SaveFileReplacing(const std::string& path, const std::string& bytes) {
    ReplaceFile(path, [&](int fd) { WriteFully(fd, bytes.data(), bytes.size(), path); }, path);
}

std::string PdfDate(const QDateTime& t) { return t.toString(QStringLiteral("yyyyMMddHHmmss")).toStdString(); }

std::string PdfLiteral(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '(': out += "\\("; break;
            case ')': out += "\\)"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default: out += c;
        }
    }
    return out;
}

TPrintPDF::TPrintPDF(double rx, double ry) : Rx(rx), Ry(ry) {}

TPrintPDF::~TPrintPDF() { DropImages(); }

void TPrintPDF::Line(std::string& buf, const std::string& text) {
    buf += text;
    buf += "\r\n";
}

int TPrintPDF::BeginObject() {
    ++objects_;
    obj_.clear();
    Line(obj_, Num(objects_) + " 0 obj");
    return objects_;
}

void TPrintPDF::Commit() {
    total_ += static_cast<int64_t>(obj_.size());
    offsets_.push_back(total_);
    doc_ += obj_;
    obj_.clear();
}

void TPrintPDF::BeginDoc() {
    DropImages();
    pageNumber_ = 1;
    images_ = pageIndex_ = fontCount_ = objects_ = 0;
    total_ = 0;
    pages_ = resources_ = outlines_ = catalog_ = 0;
    offsets_.clear();
    contents_.clear();
    fonts_.clear();
    doc_.clear();
    obj_.clear();
    ops_.clear();

    Line(doc_, "%PDF-1.4");
    total_ = static_cast<int64_t>(doc_.size());
    offsets_.push_back(total_);

    BeginObject();
    Line(obj_, "<<");
    Line(obj_, "/Producer (" + PdfLiteral(Producer) + ")");
    Line(obj_, "/Author (" + PdfLiteral(Author) + ")");
    Line(obj_, "/CreationDate (D:" + PdfDate(Now()) + ")");
    Line(obj_, "/Creator (" + PdfLiteral(Creator) + ")");
    Line(obj_, "/Keywords (" + PdfLiteral(Keywords) + ")");
    Line(obj_, "/Subject (" + PdfLiteral(Subject) + ")");
    Line(obj_, "/Title (" + PdfLiteral(TITLE) + ")");
    Line(obj_, "/ModDate ()");
    Line(obj_, ">>");
    Line(obj_, "endobj");
    Commit();

    OpenContent();
}

void TPrintPDF::OpenContent() {
    const int c = BeginObject();
    contents_.push_back(c);
    Line(obj_, "<< /Length " + Num(c + 1) + " 0 R");
    contentCompressed_ = Compress;
    if (contentCompressed_) Line(obj_, "/Filter [/FlateDecode]");
    Line(obj_, " >>");
    contentHeader_ = obj_.size();
    Line(obj_, "stream");
    ops_.clear();
}

void TPrintPDF::CloseContent() {
    // The filter line was written at the opening; the data must match it.
    obj_ += contentCompressed_ ? Deflate(ops_) : ops_;
    ops_.clear();
    Line(obj_, "endstream");
    Line(obj_, "endobj");
    const int64_t length = static_cast<int64_t>(obj_.size()) - static_cast<int64_t>(contentHeader_) - 27;
    Commit();
    BeginObject();
    Line(obj_, Num(length));
    Line(obj_, "endobj");
    Commit();
}

void TPrintPDF::NewPage() {
    ++pageNumber_;
    CloseContent();
    OpenContent();
}

int TPrintPDF::PlaceImage(int x, int y, int width, int height) {
    if (!(Rx > 0) || !(Ry > 0)) throw std::runtime_error("the screen resolution must be positive");
    double sx, sy;
    if (PageWidth < PageHeight) {
        sx = PageWidth / (Rx * 10);
        sy = PageHeight / (Ry * 11.9);
    } else {
        sx = PageWidth / (Rx * 13);
        sy = PageHeight / (Ry * 8);
    }
    const int k = ++images_;
    const int64_t w = Truncated(width * sx);
    const int64_t h = Truncated(height * sy);
    Line(ops_, "q");
    Line(ops_, Num(w) + " 0 0 " + Num(h) + " " + Num(x) + " " + Num(int64_t{PageHeight} - y - h) + " cm");
    Line(ops_, "/Im" + Num(k) + " Do");
    Line(ops_, "Q");
    return k;
}

void TPrintPDF::ParkImage(int k, const std::string& body) {
    const std::string folder = QFile::encodeName(QDir::tempPath()).toStdString();
    if (imageFd_ < 0) {
        imageFd_ = OpenUnnamedFile(folder);
        if (imageFd_ < 0)
            throw std::runtime_error("cannot create a temporary image file in " + folder + ": " + std::strerror(errno));
    }
    if (k != static_cast<int>(parked_.size()) + 1) throw std::runtime_error("image " + Num(k) + " parked out of turn");
    const int64_t at = parked_.empty() ? 0 : parked_.back().first + parked_.back().second;
    if (::lseek(imageFd_, at, SEEK_SET) < 0)
        throw std::runtime_error("cannot write the temporary image file in " + folder + ": " + std::strerror(errno));
    WriteFully(imageFd_, body.data(), body.size(), "the temporary image file in " + folder);
    parked_.emplace_back(at, static_cast<int64_t>(body.size()));
}

void TPrintPDF::DropImages() {
    if (imageFd_ >= 0) ::close(imageFd_);
    imageFd_ = -1;
    parked_.clear();
}

void TPrintPDF::DrawBitmap(int x, int y, QImage& bitmap) {
    bitmap = ToHalftone8(bitmap);
    if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0)
        throw std::runtime_error("cannot place an empty bitmap");
    const int k = PlaceImage(x, y, bitmap.width(), bitmap.height());

    const int W = bitmap.width(), H = bitmap.height();

    const QList<QRgb> table = bitmap.colorTable();
    std::string palette;
    palette.reserve(1792);
    char entry[8];
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < table.size() ? table[i] : 0;
        std::snprintf(entry, sizeof entry, "%02X%02X%02X ", qRed(c), qGreen(c), qBlue(c));
        palette += entry;
    }

    std::string data;
    if (Compress) {
        data = DeflateRows(bitmap.constBits(), bitmap.bytesPerLine(), W, H);
    } else {
        data.resize(static_cast<size_t>(W) * static_cast<size_t>(H));
        for (int row = 0; row < H; ++row)
            std::memcpy(data.data() + static_cast<ptrdiff_t>(row) * W, bitmap.constScanLine(row), static_cast<size_t>(W));
    }
    std::string body;
    Line(body, "<< /Type /XObject");
    Line(body, "/Subtype /Image");
    Line(body, "/Width " + Num(W));
    Line(body, "/Height " + Num(H));
    Line(body, "/ColorSpace [/Indexed /DeviceRGB 255 <" + palette + ">]");
    Line(body, "/BitsPerComponent 8");
    Line(body, "/Length " + Num(static_cast<int64_t>(data.size())));
    Line(body, "/Name /Im" + Num(k));
    if (Compress) Line(body, "/Filter [/FlateDecode]");
    Line(body, ">>");
    Line(body, "stream");
    body += data;
    ParkImage(k, body);
}

void TPrintPDF::DrawJPEG(int x, int y, const QImage& bitmap) {
    if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0)
        throw std::runtime_error("cannot place an empty bitmap");
    const int k = PlaceImage(x, y, bitmap.width(), bitmap.height());
    const std::string jpeg = EncodeJpeg(bitmap, 90);
    std::string body;
    Line(body, "<< /Type /XObject");
    Line(body, "/Subtype /Image");
    Line(body, "/Width " + Num(bitmap.width()));
    Line(body, "/Height " + Num(bitmap.height()));
    Line(body, "/ColorSpace /DeviceRGB");
    Line(body, "/BitsPerComponent 8");
    Line(body, "/Length " + Num(static_cast<int64_t>(jpeg.size())));
    Line(body, "/Name /Im" + Num(k));
    Line(body, "/Filter [/DCTDecode]");
    Line(body, ">>");
    Line(body, "stream");
    body += jpeg;
    ParkImage(k, body);
}

void TPrintPDF::EndDoc() {
    // The parked images go with the document, saved or not.
    struct Drop {
        TPrintPDF* w;
        ~Drop() { w->DropImages(); }
    } drop{this};

    CloseContent();

    outlines_ = BeginObject();
    Line(obj_, "<< /Type /Outlines");
    Line(obj_, "/Count 0");
    Line(obj_, ">>");
    Line(obj_, "endobj");
    Commit();

    for (const char* name : kFontNames) {
        const int n = BeginObject();
        ++fontCount_;
        Line(obj_, "<< /Type /Font");
        Line(obj_, "/Subtype /Type1");
        Line(obj_, "/Name /F" + Num(fontCount_));
        Line(obj_, std::string("/BaseFont /") + name);
        Line(obj_, "/Encoding /WinAnsiEncoding");
        Line(obj_, ">>");
        Line(obj_, "endobj");
        Commit();
        fonts_.push_back(n);
    }

    pages_ = BeginObject();
    Line(obj_, "<< /Type /Pages");
    Line(obj_, "/Kids [");
    for (int j = 1; j <= pageNumber_; ++j) Line(obj_, Num(int64_t{pages_} + j + images_ + 1) + " 0 R");
    Line(obj_, "]");
    Line(obj_, "/Count " + Num(pageNumber_));
    Line(obj_, ">>");
    Line(obj_, "endobj");
    Commit();

    resources_ = BeginObject();
    Line(obj_, "<< /ProcSet [ /PDF /Text /ImageC]");
    Line(obj_, "/XObject << ");
    for (int m = 1; m <= images_; ++m) Line(obj_, "/Im" + Num(m) + " " + Num(int64_t{resources_} + m) + " 0 R");
    Line(obj_, ">>");
    Line(obj_, "/Font << ");
    for (size_t i = 0; i < fonts_.size(); ++i) Line(obj_, "/F" + Num(static_cast<int64_t>(i) + 1) + " " + Num(fonts_[i]) + " 0 R ");
    Line(obj_, ">>");
    Line(obj_, ">>");
    Line(obj_, "endobj");
    Commit();

    for (int m = 1; m <= images_; ++m) {
        if (m > static_cast<int>(parked_.size())) throw std::runtime_error("image " + Num(m) + " was never written");
        const auto [at, length] = parked_[static_cast<size_t>(m - 1)];
        BeginObject();
        const size_t start = obj_.size();
        obj_.resize(start + static_cast<size_t>(length));
        for (int64_t done = 0; done < length;) {
            const ssize_t r = ::pread(imageFd_, &obj_[start + static_cast<size_t>(done)], static_cast<size_t>(length - done),
                                      at + done);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0)
                throw std::runtime_error("cannot read the temporary image file: " +
                                         std::string(r < 0 ? std::strerror(errno) : "it is shorter than written"));
            done += r;
        }
        obj_ += "\r\n";
        Line(obj_, "endstream");
        Line(obj_, "endobj");
        Commit();
    }

    pageIndex_ = 0;
    for (int j = 1; j <= pageNumber_; ++j) {
        BeginObject();
        const int contents = pageIndex_ < static_cast<int>(contents_.size()) ? contents_[static_cast<size_t>(pageIndex_)] : 2 * j;
        ++pageIndex_;
        Line(obj_, "<< /Type /Page");
        Line(obj_, "/Parent " + Num(pages_) + " 0 R");
        Line(obj_, "/MediaBox [ 0 0 " + Num(PageWidth) + " " + Num(PageHeight) + "]");
        Line(obj_, "/Contents " + Num(contents) + " 0 R");
        Line(obj_, "/Resources " + Num(resources_) + " 0 R");
        Line(obj_, ">>");
        Line(obj_, "endobj");
        Commit();
    }

    catalog_ = BeginObject();
    Line(obj_, "<< /Type /Catalog");
    Line(obj_, "/Pages " + Num(pages_) + " 0 R");
    Line(obj_, "/Outlines " + Num(outlines_) + " 0 R");
    Line(obj_, ">>");
    Line(obj_, "endobj");
    Commit();

    const int size = catalog_ + 1;
    Line(doc_, "xref");
    Line(doc_, "0 " + Num(size));
    Line(doc_, "0000000000 65535 f");
    char entry[32];
    for (int n = 1; n < size; ++n) {
        const int64_t off = static_cast<size_t>(n - 1) < offsets_.size() ? offsets_[static_cast<size_t>(n - 1)] : 0;
        std::snprintf(entry, sizeof entry, "%010lld 00000 n", static_cast<long long>(off));
        Line(doc_, entry);
    }
    Line(doc_, "trailer");
    Line(doc_, "<< /Size " + Num(size));
    Line(doc_, "/Root " + Num(catalog_) + " 0 R");
    Line(doc_, "/Info 1 0 R");
    Line(doc_, ">>");
    Line(doc_, "startxref");
    Line(doc_, Num(offsets_.empty() ? 0 : offsets_.back()));
    Line(doc_, "%%EOF");

    SaveFileReplacing(FileName, doc_);
}

} // namespace tarnel
