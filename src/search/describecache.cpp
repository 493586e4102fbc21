#include "search/describecache.h"

#include "report/tempfile.h"
#include "tokenizer/libtext.h"
#include "util/littleendian.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace tarnel::search {

namespace {

constexpr char kMagic[8] = {'T', 'N', 'S', 'C', 'A', 'C', 'H', 'E'};
constexpr uint32_t kVersion = 1;
// Far beyond any real cache (the whole official library takes a few MB).
constexpr int64_t kMaxFileBytes = int64_t(1) << 30;

void Put64(std::string& s, int64_t v) {
    const auto u = static_cast<uint64_t>(v);
    AppendLE32(s, static_cast<uint32_t>(u & 0xFFFFFFFFu));
    AppendLE32(s, static_cast<uint32_t>(u >> 32));
}

void PutText(std::string& s, const std::string& t) {
    AppendLE32(s, static_cast<uint32_t>(t.size()));
    s += t;
}

uint32_t Checksum(std::string_view bytes) {
    uLong crc = crc32(0L, Z_NULL, 0);
    size_t at = 0;
    while (at < bytes.size()) {
        const auto n = static_cast<uInt>(std::min<size_t>(bytes.size() - at, 1u << 30));
        crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data() + at), n);
        at += n;
    }
    return static_cast<uint32_t>(crc);
}

// Reads the cache file's fields; every read is checked against the end.
class Reader {
public:
    explicit Reader(std::string_view b) : b_(b) {}
    bool U32(uint32_t& v) {
        if (b_.size() - at_ < 4) return false;
        v = GetLE32(b_.data() + at_);
        at_ += 4;
        return true;
    }
    bool I32(int& v) {
        uint32_t u = 0;
        if (!U32(u)) return false;
        v = static_cast<int32_t>(u);
        return true;
    }
    bool I64(int64_t& v) {
        uint32_t lo = 0, hi = 0;
        if (!U32(lo) || !U32(hi)) return false;
        v = static_cast<int64_t>((static_cast<uint64_t>(hi) << 32) | lo);
        return true;
    }
    bool Text(std::string& t) {
        uint32_t n = 0;
        if (!U32(n) || b_.size() - at_ < n) return false;
        t.assign(b_.substr(at_, n));
        at_ += n;
        return true;
    }
    // Whether n more records of at least size bytes each can be there.
    bool Room(uint32_t n, size_t size) const { return n <= (b_.size() - at_) / size; }
    bool AtEnd() const { return at_ == b_.size(); }

private:
    std::string_view b_;
    size_t at_ = 0;
};

} // namespace

FileStamp StampOrNone(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return kNoFile;
    return StampOf(st);
}

const std::vector<ItemFacts>* DescribeCache::Find(const std::string& key, const std::vector<FileStamp>& stamps) {
    auto it = entries_.find(key);
    if (it == entries_.end() || it->second.stamps != stamps) return nullptr;
    it->second.used = ++clock_;
    return &it->second.items;
}

void DescribeCache::Put(const std::string& key, std::vector<FileStamp> stamps, std::vector<ItemFacts> items) {
    Entry& e = entries_[key];
    e.stamps = std::move(stamps);
    e.items = std::move(items);
    e.used = ++clock_;
    changed_ = true;
}

bool DescribeCache::Load(const std::string& file, std::string& why) {
    struct stat st {};
    if (stat(file.c_str(), &st) != 0) return true;
    std::string bytes;
    try {
        if (st.st_size > kMaxFileBytes) throw std::runtime_error("cache " + file + " grande demais: não foi lido");
        bytes = ReadFileBytes(file);
    } catch (const std::exception& e) {
        why = e.what();
        return false;
    }
    auto damaged = [&](const char* what) {
        why = "cache " + file + " danificado (" + what + "): refeito";
        changed_ = true;  // the damaged file is replaced at the next save
        return false;
    };
    if (bytes.size() < sizeof kMagic + 12 || bytes.compare(0, sizeof kMagic, kMagic, sizeof kMagic) != 0)
        return damaged("não é um cache do Tarnel");
    const std::string_view body(bytes.data(), bytes.size() - 4);
    if (Checksum(body) != GetLE32(bytes.data() + body.size())) return damaged("soma de verificação errada");
    Reader r(body.substr(sizeof kMagic));
    uint32_t version = 0, count = 0;
    if (!r.U32(version) || version != kVersion) return damaged("outra versão");
    // Read whole before anything is taken: a damaged file adds nothing.
    std::vector<std::pair<std::string, Entry>> read;
    if (!r.U32(count) || !r.Room(count, 12)) return damaged("contagem impossível");
    read.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        std::pair<std::string, Entry> kv;
        uint32_t stamps = 0, items = 0;
        if (!r.Text(kv.first) || !r.U32(stamps) || !r.Room(stamps, 16)) return damaged("entrada cortada");
        kv.second.stamps.resize(stamps);
        for (FileStamp& s : kv.second.stamps)
            if (!r.I64(s.size) || !r.I64(s.mtime)) return damaged("entrada cortada");
        if (!r.U32(items) || !r.Room(items, 28)) return damaged("entrada cortada");
        kv.second.items.resize(items);
        for (ItemFacts& f : kv.second.items) {
            uint32_t flags = 0;
            if (!r.Text(f.name) || !r.Text(f.opens) || !r.Text(f.description) || !r.Text(f.keywords) || !r.I32(f.pads) ||
                !r.I32(f.pins) || !r.U32(flags) || flags > 1)
                return damaged("entrada cortada");
            f.unreadable = flags == 1;
        }
        read.push_back(std::move(kv));
    }
    if (!r.AtEnd()) return damaged("bytes a mais");
    for (auto& [key, entry] : read) entries_.emplace(std::move(key), std::move(entry));
    return true;
}

void DescribeCache::Save(const std::string& file) {
    std::vector<const std::pair<const std::string, Entry>*> kept;
    kept.reserve(entries_.size());
    for (const auto& kv : entries_) kept.push_back(&kv);
    if (kept.size() > kMaxEntries) {
        std::nth_element(kept.begin(), kept.begin() + kMaxEntries, kept.end(),
                         [](auto* a, auto* b) { return a->second.used > b->second.used; });
        kept.resize(kMaxEntries);
    }
    std::string out(kMagic, sizeof kMagic);
    AppendLE32(out, kVersion);
    AppendLE32(out, static_cast<uint32_t>(kept.size()));
    for (const auto* kv : kept) {
        PutText(out, kv->first);
        AppendLE32(out, static_cast<uint32_t>(kv->second.stamps.size()));
        for (const FileStamp& s : kv->second.stamps) {
            Put64(out, s.size);
            Put64(out, s.mtime);
        }
        AppendLE32(out, static_cast<uint32_t>(kv->second.items.size()));
        for (const ItemFacts& f : kv->second.items) {
            PutText(out, f.name);
            PutText(out, f.opens);
            PutText(out, f.description);
            PutText(out, f.keywords);
            AppendLE32(out, static_cast<uint32_t>(f.pads));
            AppendLE32(out, static_cast<uint32_t>(f.pins));
            AppendLE32(out, f.unreadable ? 1u : 0u);
        }
    }
    AppendLE32(out, Checksum(out));
    const size_t slash = file.find_last_of('/');
    if (slash != std::string::npos && slash > 0) QDir().mkpath(QString::fromStdString(file.substr(0, slash)));
    ReplaceFile(file, [&](int fd) { WriteFully(fd, out.data(), out.size(), file); }, file);
    changed_ = false;
}

std::string DefaultCacheFile() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (QCoreApplication::applicationName().isEmpty() || dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/tarnel");
    return QDir(dir).filePath(QStringLiteral("search-index.bin")).toStdString();
}

} // namespace tarnel::search
