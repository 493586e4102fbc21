#include "library/kicadsymbollibrary.h"

#include "library/symbolname.h"
#include "tokenizer/libtext.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace tarnel {

namespace {

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && EqualsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

// A symbol file's bytes in four system calls (a folder library reads
// thousands of small files): only a regular file, opened without blocking,
// of at most kMaxSymbolFileBytes. Throws std::runtime_error naming the file.
std::string ReadSymbolFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("o arquivo \"" + path + "\" não pode ser aberto: " + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    struct stat st {};
    if (fstat(fd, &st) != 0) throw std::runtime_error("erro ao ler o arquivo \"" + path + "\": " + std::strerror(errno));
    if (!S_ISREG(st.st_mode)) throw std::runtime_error("\"" + path + "\" não é um arquivo comum");
    auto tooLarge = [&] {
        return std::runtime_error("o arquivo \"" + path + "\" tem mais de " +
                                  std::to_string(kMaxSymbolFileBytes >> 20) + " MiB");
    };
    if (st.st_size > kMaxSymbolFileBytes) throw tooLarge();
    // One byte more than the size: a shorter read is the end of the file.
    std::string data(static_cast<size_t>(st.st_size) + 1, '\0');
    size_t got = 0;
    for (;;) {
        const ssize_t r = read(fd, data.data() + got, data.size() - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("erro ao ler o arquivo \"" + path + "\": " + std::strerror(errno));
        }
        if (r == 0) break;
        got += static_cast<size_t>(r);
        if (got < data.size()) break;
        // It grew while being read.
        if (static_cast<int64_t>(data.size()) > kMaxSymbolFileBytes) throw tooLarge();
        data.resize(std::min<size_t>(data.size() * 2, static_cast<size_t>(kMaxSymbolFileBytes) + 1));
    }
    data.resize(got);
    return data;
}

// A folder's file, known to be a regular file, into buffer (kept from one
// file to the next): open beside the folder's own descriptor, read, close; a
// shorter read than asked for is the end of a regular file. Returns the
// bytes read; throws std::runtime_error naming the file.
size_t ReadFolderFile(int folder, const std::string& name, const std::string& path, std::string& buffer) {
    const int fd = openat(folder, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("o arquivo \"" + path + "\" não pode ser aberto: " + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    if (buffer.size() < 65536) buffer.resize(65536);
    size_t got = 0;
    for (;;) {
        const ssize_t r = read(fd, buffer.data() + got, buffer.size() - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("erro ao ler o arquivo \"" + path + "\": " + std::strerror(errno));
        }
        got += static_cast<size_t>(r);
        if (r == 0 || got < buffer.size()) break;
        if (static_cast<int64_t>(got) > kMaxSymbolFileBytes)
            throw std::runtime_error("o arquivo \"" + path + "\" tem mais de " +
                                     std::to_string(kMaxSymbolFileBytes >> 20) + " MiB");
        buffer.resize(std::min<size_t>(buffer.size() * 2, static_cast<size_t>(kMaxSymbolFileBytes) + 1));
    }
    return got;
}

// What one file of a folder gave.
struct FolderFile {
    SymbolFileScan scan;
    std::string fault;  // empty when read
};

// Reads and scans files [from, to) of the folder.
void ScanFolderFiles(int folder, const std::string& base, const std::vector<std::string>& names, size_t from,
                     size_t to, std::vector<FolderFile>& out) {
    std::string buffer;
    for (size_t i = from; i < to; ++i) {
        const std::string file = base + "/" + names[i];
        try {
            const size_t n = ReadFolderFile(folder, names[i], file, buffer);
            out[i].scan = ScanSymbolFile(std::string_view(buffer).substr(0, n));
        } catch (const std::exception& e) {
            // The reader names the file itself.
            const std::string what = e.what();
            out[i].fault = what.find(file) == std::string::npos ? file + ": " + what : what;
        } catch (...) {
            out[i].fault = file + ": não há memória para lê-lo";
        }
        // A large file's buffer is not kept for the next.
        if (buffer.capacity() > (1u << 20)) std::string().swap(buffer);
    }
}

} // namespace

bool IsKicadSymbolFileName(std::string_view name) { return EndsWithNoCase(name, ".kicad_sym"); }

bool IsKicadSymbolFolderName(std::string_view name) {
    while (name.size() > 1 && name.back() == '/') name.remove_suffix(1);
    return EndsWithNoCase(name, ".kicad_symdir");
}

KicadSymbolLibrary::KicadSymbolLibrary(const std::string& path) : Library(path) {
    folder_ = IsKicadSymbolFolderName(path);
    if (!folder_) {
        auto bytes = std::make_shared<const std::string>(ReadSymbolFile(path));
        SymbolFileScan scan;
        try {
            scan = ScanSymbolFile(*bytes);
        } catch (const std::exception& e) {
            throw std::runtime_error(path + ": " + e.what());
        }
        files_.push_back({path, scan.version, std::move(bytes)});
        Add(0, scan);
        Finish();
        return;
    }
    std::string base = path;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    // Files in byte order of their names: a later definition replaces an
    // earlier one.
    std::vector<std::string> names;
    DIR* d = opendir(path.c_str());
    if (!d) throw std::runtime_error("a pasta \"" + path + "\" não pode ser aberta: " + std::strerror(errno));
    {
        for (;;) {
            errno = 0;
            const dirent* e = readdir(d);
            if (!e) break;
            const std::string_view name = e->d_name;
            if (!IsKicadSymbolFileName(name)) continue;
            bool regular = e->d_type == DT_REG;
            if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
                struct stat st {};
                regular = stat((base + "/" + e->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
            }
            if (regular) names.emplace_back(name);
        }
        const int err = errno;
        closedir(d);
        if (err) throw std::runtime_error("erro ao ler a pasta \"" + path + "\": " + std::strerror(err));
    }
    std::sort(names.begin(), names.end());
    // A folder of many small files costs its system calls: two threads share
    // them, each file's result in its place.
    std::vector<FolderFile> scanned(names.size());
    const size_t half = names.size() >= 64 ? names.size() / 2 : names.size();
    const int dirFd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) throw std::runtime_error("a pasta \"" + path + "\" não pode ser aberta: " + std::strerror(errno));
    {
        struct Closer {
            int fd;
            ~Closer() { close(fd); }
        } closer{dirFd};
        std::thread other;
        size_t mine = names.size();
        try {
            if (half < names.size()) {
                other = std::thread(ScanFolderFiles, dirFd, std::cref(base), std::cref(names), half, names.size(),
                                    std::ref(scanned));
                mine = half;
            }
        } catch (const std::system_error&) {
            // No second thread: this one reads them all.
        }
        ScanFolderFiles(dirFd, base, names, 0, mine, scanned);
        if (other.joinable()) other.join();
    }
    files_.reserve(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        if (!scanned[i].fault.empty()) {
            faults_.push_back(std::move(scanned[i].fault));
            continue;
        }
        files_.push_back({base + "/" + names[i], scanned[i].scan.version, nullptr});
        Add(static_cast<uint32_t>(files_.size() - 1), scanned[i].scan);
    }
    Finish();
}

KicadSymbolLibrary::KicadSymbolLibrary(std::string bytes, const std::string& path) : Library(path) {
    auto shared = std::make_shared<const std::string>(std::move(bytes));
    SymbolFileScan scan;
    try {
        scan = ScanSymbolFile(*shared);
    } catch (const std::exception& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
    files_.push_back({path, scan.version, std::move(shared)});
    Add(0, scan);
    Finish();
}

void KicadSymbolLibrary::Add(uint32_t file, const SymbolFileScan& scan) {
    for (const ScannedSymbol& s : scan.symbols) byName_[s.name] = Where{file, s.begin, s.end};
}

void KicadSymbolLibrary::Finish() {
    names_.reserve(byName_.size());
    for (const auto& [name, where] : byName_) names_.push_back(name);
    SortListNames(names_);
    byKey_.reserve(names_.size());
    for (size_t i = 0; i < names_.size(); ++i) byKey_.emplace(UpperAscii(names_[i]), i);
}

std::string KicadSymbolLibrary::ListedName(std::string_view name) const {
    if (byName_.count(std::string(name))) return std::string(name);
    const auto it = byKey_.find(UpperAscii(name));
    return it == byKey_.end() ? std::string() : names_[it->second];
}

std::string KicadSymbolLibrary::ModuleSource(std::string_view name) const {
    const auto it = byName_.find(ListedName(name));
    return it == byName_.end() ? path_ : files_[it->second.file].path;
}

std::shared_ptr<const std::string> KicadSymbolLibrary::Bytes(uint32_t file, SymbolFileScan* scan) {
    const File& f = files_[file];
    if (f.bytes) return f.bytes;
    auto bytes = std::make_shared<const std::string>(ReadSymbolFile(f.path));
    try {
        *scan = ScanSymbolFile(*bytes);
    } catch (const std::exception& e) {
        throw std::runtime_error(f.path + ": " + e.what());
    }
    return bytes;
}

bool KicadSymbolLibrary::FindSymbol(std::string_view name, SymbolSource& out) {
    const auto it = byName_.find(std::string(name));
    if (it == byName_.end()) return false;
    const Where w = it->second;
    const File& f = files_[w.file];
    SymbolFileScan scan;
    const auto bytes = Bytes(w.file, &scan);
    uint32_t begin = w.begin, end = w.end;
    double version = f.version;
    if (!f.bytes) {
        // A folder's file is read again: find the symbol where it lies now.
        const ScannedSymbol* found = nullptr;
        for (const ScannedSymbol& s : scan.symbols)
            if (s.name == name) found = &s;
        if (!found) throw std::runtime_error(f.path + ": o símbolo \"" + std::string(name) + "\" não está mais no arquivo");
        begin = found->begin;
        end = found->end;
        version = scan.version;
    }
    out.text = ModuleText(bytes, std::string_view(*bytes).substr(begin, end - begin), ModuleText::Kind::Symbol);
    out.version = version;
    out.file = f.path;
    return true;
}

ModuleText KicadSymbolLibrary::ReadModule(std::string_view name) {
    SymbolSource s;
    const std::string listed = ListedName(name);
    if (listed.empty() || !FindSymbol(listed, s)) return {};
    return s.text;
}

void KicadSymbolLibrary::ForEachSymbol(const std::function<void(const std::string&, const SymbolSource&)>& fn) {
    for (uint32_t i = 0; i < files_.size(); ++i) {
        SymbolFileScan scan;
        std::shared_ptr<const std::string> bytes;
        try {
            bytes = Bytes(i, &scan);
        } catch (const std::exception&) {
            continue;
        }
        if (files_[i].bytes) {
            // A file library: its symbols are where the first scan found them.
            for (const auto& [name, w] : byName_) {
                SymbolSource s{ModuleText(bytes, std::string_view(*bytes).substr(w.begin, w.end - w.begin),
                                          ModuleText::Kind::Symbol),
                               files_[i].version, files_[i].path};
                fn(name, s);
            }
            continue;
        }
        // The last definition of each name in this file, where it is the
        // library's own.
        std::unordered_map<std::string_view, size_t> last;
        for (size_t k = 0; k < scan.symbols.size(); ++k) last[scan.symbols[k].name] = k;
        for (size_t k = 0; k < scan.symbols.size(); ++k) {
            const ScannedSymbol& sym = scan.symbols[k];
            const auto it = byName_.find(sym.name);
            if (it == byName_.end() || it->second.file != i || last[sym.name] != k) continue;
            SymbolSource s{ModuleText(bytes, std::string_view(*bytes).substr(sym.begin, sym.end - sym.begin),
                                      ModuleText::Kind::Symbol),
                           scan.version, files_[i].path};
            fn(sym.name, s);
        }
    }
}

std::string ReadSymbolText(const std::string& path, std::string_view name) {
    const std::string bytes = ReadSymbolFile(path);
    SymbolFileScan scan;
    try {
        scan = ScanSymbolFile(bytes);
    } catch (const std::exception& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
    const ScannedSymbol* found = nullptr;
    for (const ScannedSymbol& s : scan.symbols)
        if (s.name == name) found = &s;
    return found ? bytes.substr(found->begin, found->end - found->begin) : std::string();
}

} // namespace tarnel
