#include "library/footprintfolder.h"

#include "tokenizer/libtext.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <numeric>
#include <stdexcept>

namespace tarnel {

namespace {
constexpr std::string_view kExt = ".kicad_mod";

bool EndsWithUpper(std::string_view s, std::string_view suffix) {
    if (s.size() < suffix.size()) return false;
    return EqualsNoCase(s.substr(s.size() - suffix.size()), suffix);
}
} // namespace

bool IsFootprintFolderName(std::string_view name) {
    while (name.size() > 1 && name.back() == '/') name.remove_suffix(1);
    return EndsWithUpper(name, ".pretty");
}

bool IsFootprintFileName(std::string_view name) { return name.size() > kExt.size() && EndsWithUpper(name, kExt); }

FootprintFolder::FootprintFolder(const std::string& path) : Library(path) {
    DIR* dir = opendir(path.c_str());
    if (!dir) throw std::runtime_error("a pasta \"" + path + "\" não pode ser aberta: " + std::strerror(errno));
    std::vector<std::string> files;
    for (;;) {
        errno = 0;
        const dirent* e = readdir(dir);
        if (!e) break;
        const std::string_view name = e->d_name;
        if (!IsFootprintFileName(name)) continue;
        bool regular = e->d_type == DT_REG;
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat st {};
            regular = stat((path + "/" + e->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
        }
        if (regular) files.emplace_back(name);
    }
    const int err = errno;  // set by readdir only when it failed
    closedir(dir);
    if (err) throw std::runtime_error("erro ao ler a pasta \"" + path + "\": " + std::strerror(err));
    // Names sort by upper-cased bytes, then bytes; files follow their names.
    std::vector<std::string> names, keys;
    names.reserve(files.size());
    keys.reserve(files.size());
    for (const auto& f : files) {
        names.push_back(f.substr(0, f.size() - kExt.size()));
        keys.push_back(UpperAscii(names.back()));
    }
    std::vector<size_t> order(names.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (keys[a] != keys[b]) return keys[a] < keys[b];
        if (names[a] != names[b]) return names[a] < names[b];
        return files[a] < files[b];
    });
    names_.reserve(order.size());
    files_.reserve(order.size());
    for (size_t i : order) {
        byName_.emplace(names[i], names_.size());
        byKey_.emplace(keys[i], names_.size());  // the first of equal keys wins
        names_.push_back(std::move(names[i]));
        files_.push_back(std::move(files[i]));
    }
}

std::string FootprintFolder::FilePath(std::string_view name) const {
    // The exact name first: "a" and "A" may both be footprints.
    if (auto exact = byName_.find(std::string(name)); exact != byName_.end()) return path_ + "/" + files_[exact->second];
    auto it = byKey_.find(UpperAscii(name));
    return it == byKey_.end() ? std::string() : path_ + "/" + files_[it->second];
}

std::string FootprintFolder::ModuleSource(std::string_view name) const {
    std::string p = FilePath(name);
    return p.empty() ? path_ : p;
}

ModuleText FootprintFolder::ReadModule(std::string_view name) {
    const std::string file = FilePath(name);
    if (file.empty()) return {};
    // The reader takes no more than this; a larger file is refused unread.
    return ModuleText(ReadFileBytes(file, kMaxFootprintBytes), ModuleText::Kind::Footprint);
}

} // namespace tarnel
