#include "report/pagestream.h"

#include "report/tempfile.h"
#include "util/littleendian.h"

#include "report/emfplayer.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>

namespace tarnel {

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string Errno() { return std::strerror(errno); }

void PutI32(char* p, int32_t v) { PutLE32(p, static_cast<uint32_t>(v)); }

int32_t GetI32(const char* p) { return static_cast<int32_t>(GetLE32(p)); }

// Write failures of the page file are report-file errors for the caller.
void WriteAll(int fd, const char* p, size_t n, const std::string& name) {
    try {
        WriteFully(fd, p, n, Quoted(name));
    } catch (const ReportFileError&) {
        throw;
    } catch (const std::runtime_error& e) {
        throw ReportFileError(e.what());
    }
}

const PaperRow kPapers[26] = {
    {"Letter", 21590, 27940},      {"Letter small", 21590, 27940}, {"Tabloid", 27940, 43180},
    {"Ledger", 43180, 27940},      {"Legal", 21590, 35560},        {"Statement", 13970, 21590},
    {"Executive", 19050, 25400},   {"A3", 29700, 42000},           {"A4", 21000, 29700},
    {"A4 small", 21000, 29700},    {"A5", 14800, 21000},           {"B4", 25000, 35400},
    {"B5", 18200, 25700},          {"Folio", 21590, 33020},        {"Quarto", 21500, 27500},
    {"10 × 14 in", 25400, 35560},  {"11 × 17 in", 27940, 43180},   {"Note", 21590, 27900},
    {"Envelope 9", 9843, 22540},   {"Envelope 10", 10480, 24130},  {"Envelope 11", 11430, 26350},
    {"Envelope 12", 10160, 27940}, {"Envelope 14", 12700, 29210},  {"C sheet", 10000, 10000},
    {"D sheet", 10000, 10000},     {"E sheet", 10000, 10000},
};

} // namespace

double NowAsDays() {
    const QDateTime now = QDateTime::currentDateTime();
    return static_cast<double>(QDate(1899, 12, 30).daysTo(now.date())) +
           now.time().msecsSinceStartOfDay() / 86400000.0;
}

QSize RecordedPage::NominalSize() const { return EmfNominalSize(Emf); }

// ---------------------------------------------------------------- PageStream

PageStream::PageStream(int64_t memoryLimit) : limit_(memoryLimit) {}

std::unique_ptr<PageStream> PageStream::OpenReadOnly(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw ReportFileError("cannot open report file " + Quoted(path) + ": " + Errno());
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw ReportFileError("cannot open report file " + Quoted(path) + ": not a regular file");
    }
    std::unique_ptr<PageStream> s(new PageStream(0));
    s->inMemory_ = false;
    s->readOnly_ = true;
    s->fd_ = fd;
    s->fileSize_ = st.st_size;
    s->path_ = path;
    return s;
}

PageStream::~PageStream() { Release(); }

bool PageStream::InMemory() const {
    std::lock_guard<std::mutex> g(lock_);
    return inMemory_;
}

std::string PageStream::TemporaryFileName() const {
    std::lock_guard<std::mutex> g(lock_);
    return tempName_;
}

int64_t PageStream::Size() const {
    std::lock_guard<std::mutex> g(lock_);
    return inMemory_ ? static_cast<int64_t>(buffer_.size()) : fileSize_;
}

int64_t PageStream::Position() const {
    std::lock_guard<std::mutex> g(lock_);
    return pos_;
}

void PageStream::Seek(int64_t pos) {
    std::lock_guard<std::mutex> g(lock_);
    pos_ = std::max<int64_t>(0, pos);
}

int64_t PageStream::ReadAt(int64_t at, void* dst, int64_t n) {
    std::lock_guard<std::mutex> g(lock_);
    if (n <= 0 || at < 0) return 0;
    if (inMemory_) {
        const int64_t size = static_cast<int64_t>(buffer_.size());
        if (at >= size) return 0;
        const int64_t k = std::min(n, size - at);
        std::memcpy(dst, buffer_.data() + at, static_cast<size_t>(k));
        return k;
    }
    if (fd_ < 0) return 0;
    int64_t done = 0;
    while (done < n) {
        const ssize_t r = ::pread(fd_, static_cast<char*>(dst) + done, static_cast<size_t>(n - done), at + done);
        if (r < 0) {
            if (errno == EINTR) continue;
            throw ReportFileError("cannot read " + Quoted(path_.empty() ? tempName_ : path_) + ": " + Errno());
        }
        if (r == 0) break;
        done += r;
    }
    return done;
}

int64_t PageStream::Read(void* dst, int64_t n) {
    int64_t at;
    {
        std::lock_guard<std::mutex> g(lock_);
        at = pos_;
    }
    const int64_t got = ReadAt(at, dst, n);
    std::lock_guard<std::mutex> g(lock_);
    pos_ = at + got;
    return got;
}

void PageStream::Write(const void* src, int64_t n) {
    std::lock_guard<std::mutex> g(lock_);
    if (readOnly_) throw ReportFileError("the report file " + Quoted(path_) + " is open for reading only");
    if (n <= 0) return;
    if (inMemory_) {
        const size_t end = static_cast<size_t>(pos_ + n);
        if (buffer_.size() < end) buffer_.resize(end, '\0');
        std::memcpy(&buffer_[static_cast<size_t>(pos_)], src, static_cast<size_t>(n));
        pos_ += n;
        if (static_cast<int64_t>(buffer_.size()) > limit_) MoveToDisk();
        return;
    }
    if (fd_ < 0) throw ReportFileError("the page stream was released");
    int64_t done = 0;
    while (done < n) {
        const ssize_t w = ::pwrite(fd_, static_cast<const char*>(src) + done, static_cast<size_t>(n - done), pos_ + done);
        if (w < 0) {
            if (errno == EINTR) continue;
            throw ReportFileError("cannot write the temporary page file " + Quoted(tempName_) + ": " + Errno());
        }
        done += w;
    }
    pos_ += n;
    fileSize_ = std::max(fileSize_, pos_);
}

// Called with the lock held.
void PageStream::MoveToDisk() {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
    if (ec) dir = "/tmp";
    // The file has no name: it goes away with the program however that ends.
    const std::string name = (dir / "QRP (unnamed)").string();
    const int fd = OpenUnnamedFile(dir.string());
    if (fd < 0) throw ReportFileError("cannot create a temporary page file in " + Quoted(dir.string()) + ": " + Errno());
    try {
        WriteAll(fd, buffer_.data(), buffer_.size(), name);
    } catch (...) {
        ::close(fd);
        throw;
    }
    fd_ = fd;
    fileSize_ = static_cast<int64_t>(buffer_.size());
    std::string().swap(buffer_);
    inMemory_ = false;
    tempName_ = name;
    pos_ = fileSize_;
}

bool PageStream::IsFile(const std::string& path) const {
    std::lock_guard<std::mutex> g(lock_);
    if (fd_ < 0) return false;
    struct stat a {}, b {};
    if (::fstat(fd_, &a) != 0 || ::stat(path.c_str(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void PageStream::Release() {
    std::lock_guard<std::mutex> g(lock_);
    std::string().swap(buffer_);
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    fileSize_ = 0;
    pos_ = 0;
}

// ---------------------------------------------------------------- PageList

PageList::PageList() = default;
PageList::~PageList() { Release(); }

void PageList::StartRun(int64_t memoryLimit) {
    std::lock_guard<std::mutex> g(lock_);
    stream_ = std::make_unique<PageStream>(memoryLimit);
    count_ = 0;
    finished_ = false;
    loaded_ = false;
}

int PageList::PageCount() const {
    std::lock_guard<std::mutex> g(lock_);
    return count_;
}

bool PageList::Finished() const {
    std::lock_guard<std::mutex> g(lock_);
    return finished_;
}

bool PageList::Loaded() const {
    std::lock_guard<std::mutex> g(lock_);
    return loaded_;
}

// Called with the lock held.
void PageList::WriteHeader(int count) {
    char h[kPageHeaderSize] = {};
    PutLE16(h, kPageTag1);
    PutLE16(h + 2, kPageTag2);
    PutI32(h + 8, count);
    const double date = NowAsDays();
    uint64_t bits;
    std::memcpy(&bits, &date, 8);
    for (int i = 0; i < 8; ++i) h[16 + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    h[25] = 0;  // pages are stored uncompressed
    stream_->Seek(0);
    stream_->Write(h, kPageHeaderSize);
}

void PageList::AppendPage(const RecordedPage& page) { AppendPage(std::string_view(page.Emf)); }

void PageList::AppendPage(std::string_view emf) {
    std::string why;
    if (!ValidateEmf(emf, &why)) throw std::invalid_argument("the page is not a valid picture: " + why);
    const uint32_t n = EmfDeclaredLength(emf);
    std::lock_guard<std::mutex> g(lock_);
    if (!stream_) {
        stream_ = std::make_unique<PageStream>();
        count_ = 0;
        finished_ = false;
        loaded_ = false;
    }
    if (stream_->ReadOnly()) throw ReportFileError("pages cannot be added to a loaded report");
    if (stream_->Size() + kPageHeaderSize + 12 + int64_t(n) > std::numeric_limits<int32_t>::max())
        throw ReportFileError("the report has grown past 2 GB");
    ++count_;
    try {
        if (count_ == 1) WriteHeader(1);
        const int64_t s = stream_->Size();
        stream_->Seek(s);
        char head[8];
        PutI32(head, count_);
        PutI32(head + 4, 0);  // next-record offset, filled in below
        stream_->Write(head, 8);
        stream_->Write(emf.data(), n);
        char back[4];
        PutI32(back, static_cast<int32_t>(s));
        stream_->Write(back, 4);
        const int64_t end = stream_->Position();
        PutI32(head, static_cast<int32_t>(end));
        stream_->Seek(s + 4);
        stream_->Write(head, 4);
        stream_->Seek(end);
    } catch (...) {
        --count_;
        throw;
    }
    finished_ = false;
}

// Called with the lock held. Walks the chain from the current position;
// false when the chain is broken.
bool PageList::FindRecord(int n) const {
    PageStream& s = *stream_;
    const int64_t size = s.Size();
    auto i32At = [&](int64_t at, int32_t& v) {
        char b[4];
        s.Seek(at);
        if (at < 0 || s.Read(b, 4) != 4) return false;
        v = GetI32(b);
        return true;
    };
    auto recordStart = [&](int64_t at) { return at >= kPageHeaderSize && at <= size - 12; };
    if (n == 1) {
        s.Seek(kPageHeaderSize);
        return true;
    }
    if (n == count_) {
        int32_t last;
        if (!i32At(size - 4, last) || !recordStart(last)) return false;
        s.Seek(last);
        return true;
    }
    int64_t pos = s.Position();
    if (pos >= size || pos < kPageHeaderSize) {
        int32_t last;
        if (!i32At(size - 4, last) || !recordStart(last)) return false;
        pos = last;
    }
    int32_t p;
    if (!recordStart(pos) || !i32At(pos, p)) return false;
    for (int steps = 0; p != n; ++steps) {
        if (steps > count_) return false;
        int32_t to;
        if (n > p) {
            if (!i32At(pos + 4, to) || to <= pos || !recordStart(to)) return false;
        } else {
            if (pos < kPageHeaderSize + 12 || !i32At(pos - 4, to) || to >= pos || !recordStart(to)) return false;
        }
        pos = to;
        if (!i32At(pos, p)) return false;
    }
    s.Seek(pos);
    return true;
}

std::optional<RecordedPage> PageList::ReadPage(int n) const {
    std::lock_guard<std::mutex> g(lock_);
    if (!stream_ || n < 1 || n > count_) return std::nullopt;
    if (!FindRecord(n)) return std::nullopt;
    PageStream& s = *stream_;
    const int64_t start = s.Position();
    char head[8];
    if (s.Read(head, 8) != 8 || GetI32(head) != n) return std::nullopt;
    const int64_t next = GetI32(head + 4);
    // The picture's header tells its length.
    char emfHead[88];  // the smallest picture header
    if (s.Read(emfHead, sizeof emfHead) != sizeof emfHead) return std::nullopt;
    const uint32_t len = EmfDeclaredLength(std::string_view(emfHead, sizeof emfHead));
    if (len < sizeof emfHead || int64_t(len) != next - start - 12) return std::nullopt;
    RecordedPage page;
    page.Emf.resize(len);
    std::memcpy(page.Emf.data(), emfHead, sizeof emfHead);
    const int64_t rest = int64_t(len) - int64_t(sizeof emfHead);
    if (s.Read(page.Emf.data() + sizeof emfHead, rest) != rest) return std::nullopt;
    s.Seek(s.Position() + 4);  // the record's own start offset
    return page;
}

void PageList::Finish() {
    std::lock_guard<std::mutex> g(lock_);
    if (!stream_ || stream_->ReadOnly()) return;
    WriteHeader(count_);
    finished_ = true;
}

void PageList::Clear() {
    std::lock_guard<std::mutex> g(lock_);
    count_ = 0;
}

void PageList::Release() {
    std::lock_guard<std::mutex> g(lock_);
    stream_.reset();
    finished_ = false;
}

// ---------------------------------------------------------------- save and load

SaveResult SaveReport(const PageList& list, const std::string& path) {
    PageStream* s = list.Stream();
    if (!s || !list.Finished()) return SaveResult::NotFinished;
    if (s->IsFile(path))
        throw ReportFileError("cannot save over " + Quoted(path) + ": it is the report file being shown, open for reading");
    try {
        ReplaceFile(
            path, [&](int fd) { s->CopyTo([&](const char* p, size_t n) { WriteAll(fd, p, n, path); }); }, Quoted(path));
    } catch (const ReportFileError&) {
        throw;
    } catch (const std::runtime_error& e) {
        throw ReportFileError(e.what());
    }
    return SaveResult::Saved;
}

std::unique_ptr<PageList> LoadPageList(const std::string& path) {
    std::unique_ptr<PageStream> s = PageStream::OpenReadOnly(path);
    auto fail = [&](const std::string& why) { throw ReportFileError(Quoted(path) + " is not a valid report file: " + why); };
    const int64_t size = s->Size();
    if (size < kPageHeaderSize)
        fail("it is " + std::to_string(size) + " bytes long, shorter than the " + std::to_string(kPageHeaderSize) +
             "-byte header");
    char h[kPageHeaderSize];
    s->Seek(0);
    if (s->Read(h, kPageHeaderSize) != kPageHeaderSize) fail("its header cannot be read");
    if (GetLE16(h) != kPageTag1 || GetLE16(h + 2) != kPageTag2)
        fail("its header tags are " + std::to_string(GetLE16(h)) + " and " + std::to_string(GetLE16(h + 2)) +
             " instead of 3 and 305");
    const int32_t count = GetI32(h + 8);
    if (count < 0) fail("its header gives a page count of " + std::to_string(count));
    if (h[25] != 0) fail("its pages are compressed, which this program does not read");

    int64_t off = kPageHeaderSize;
    std::string emf;
    for (int32_t i = 1; i <= count; ++i) {
        const std::string page = "page " + std::to_string(i) + ": ";
        if (size - off < 12)
            fail(page + "the record at offset " + std::to_string(off) + " is cut off (the file has " +
                 std::to_string(count) + " pages in its header)");
        char head[8];
        s->Seek(off);
        if (s->Read(head, 8) != 8) fail(page + "cannot be read");
        const int32_t number = GetI32(head), next = GetI32(head + 4);
        if (number != i) fail(page + "its record at offset " + std::to_string(off) + " has page number " + std::to_string(number));
        if (next < off + 12 || next > size)
            fail(page + "its next-record offset " + std::to_string(next) + " lies outside the file of " +
                 std::to_string(size) + " bytes");
        const int64_t len = next - off - 12;
        emf.resize(static_cast<size_t>(len));
        if (len > 0 && s->Read(emf.data(), len) != len) fail(page + "cannot be read");
        const uint32_t declared = EmfDeclaredLength(emf);
        if (declared == 0) fail(page + "its picture is not an enhanced metafile");
        if (int64_t(declared) != len)
            fail(page + "its picture gives a length of " + std::to_string(declared) + " bytes for a record of " +
                 std::to_string(len));
        std::string why;
        if (!ValidateEmf(emf, &why)) fail(page + "malformed picture: " + why);
        char back[4];
        if (s->Read(back, 4) != 4 || GetI32(back) != off)
            fail(page + "its record ends with the offset " + std::to_string(GetI32(back)) + " instead of " +
                 std::to_string(off));
        off = next;
    }
    if (off != size) fail(std::to_string(size - off) + " bytes follow the last page");
    s->Seek(kPageHeaderSize);

    auto list = std::make_unique<PageList>();
    list->stream_ = std::move(s);
    list->count_ = count;
    list->finished_ = true;
    list->loaded_ = true;
    return list;
}

LoadedReport LoadReport(const std::string& path, int pixelsPerInch) {
    LoadedReport r;
    r.Pages = LoadPageList(path);
    r.PageCount = r.Pages->PageCount();
    if (r.PageCount > 0) {
        const auto first = r.Pages->ReadPage(1);
        if (!first) throw ReportFileError("cannot read page 1 of " + Quoted(path));
        r.Paper = RecognisePaper(first->NominalSize(), pixelsPerInch);
    }
    return r;
}

const PaperRow& PaperTableRow(int row) {
    if (row < 1 || row > 26) throw std::out_of_range("paper table row " + std::to_string(row));
    return kPapers[row - 1];
}

std::optional<PaperMatch> RecognisePaper(QSize pagePixels, int pixelsPerInch) {
    if (pixelsPerInch <= 0 || pagePixels.width() < 0 || pagePixels.height() < 0) return std::nullopt;
    // w / F / 40 with F = ppi / 254, in whole numbers so that exact
    // quotients are not lost to rounding.
    const int64_t kw = int64_t(pagePixels.width()) * 254 / (int64_t(pixelsPerInch) * 40);
    const int64_t kh = int64_t(pagePixels.height()) * 254 / (int64_t(pixelsPerInch) * 40);
    std::optional<PaperMatch> m;
    for (int r = 1; r <= 26; ++r) {
        const int64_t W = kPapers[r - 1].Width100 / 400, H = kPapers[r - 1].Height100 / 400;
        if (W == kw && H == kh) m = PaperMatch{r, false};
        if (W == kh && H == kw) m = PaperMatch{r, true};
    }
    return m;
}

} // namespace tarnel
