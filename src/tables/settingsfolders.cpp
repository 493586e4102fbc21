#include "tables/settingsfolders.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <tuple>

namespace tarnel::tables {

namespace {

std::string Get(const Environment& env, const char* name) {
    auto it = env.find(name);
    return it == env.end() ? std::string() : it->second;
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// "10.0" -> 10, 0; false for any other name.
bool ParseVersion(const std::string& name, int& major, int& minor) {
    const size_t dot = name.find('.');
    if (dot == 0 || dot == std::string::npos || dot + 1 >= name.size() || dot > 3 || name.size() - dot - 1 > 3) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (i != dot && (name[i] < '0' || name[i] > '9')) return false;
    major = std::stoi(name.substr(0, dot));
    minor = std::stoi(name.substr(dot + 1));
    return true;
}

// The "kicad" folders: the native one, then the Flatpak one.
std::vector<std::pair<std::string, bool>> Bases(const Environment& env) {
    std::vector<std::pair<std::string, bool>> bases;
    const std::string home = Get(env, "HOME");
    const std::string own = Get(env, "KICAD_CONFIG_HOME");
    if (!own.empty()) {
        bases.emplace_back(own, false);
    } else {
        std::string xdg = Get(env, "XDG_CONFIG_HOME");
        if (xdg.empty() && !home.empty()) xdg = home + "/.config";
        if (!xdg.empty()) bases.emplace_back(xdg + "/kicad", false);
    }
    if (!home.empty()) bases.emplace_back(home + "/.var/app/org.kicad.KiCad/config/kicad", true);
    return bases;
}

} // namespace

SettingsFolder SettingsFolderAt(const std::string& path) {
    SettingsFolder f;
    f.path = path;
    while (f.path.size() > 1 && f.path.back() == '/') f.path.pop_back();
    const std::string name = f.path.substr(f.path.find_last_of('/') == std::string::npos ? 0 : f.path.find_last_of('/') + 1);
    if (ParseVersion(name, f.major, f.minor)) f.version = name;
    f.hasFootprintTable = IsFile(f.path + "/" + kFootprintTableName);
    f.hasSymbolTable = IsFile(f.path + "/" + kSymbolTableName);
    return f;
}

std::vector<SettingsFolder> FindSettingsFolders(const Environment& env) {
    std::vector<SettingsFolder> found, old;
    for (const auto& [base, flatpak] : Bases(env)) {
        if (DIR* d = opendir(base.c_str())) {
            while (const dirent* e = readdir(d)) {
                int major = 0, minor = 0;
                if (!ParseVersion(e->d_name, major, minor) || !IsFolder(base + "/" + e->d_name)) continue;
                SettingsFolder f = SettingsFolderAt(base + "/" + e->d_name);
                f.flatpak = flatpak;
                found.push_back(std::move(f));
            }
            closedir(d);
        }
        // KiCad 5 kept its tables in the base folder itself.
        SettingsFolder five = SettingsFolderAt(base);
        if (five.HasTable()) {
            five.version.clear();
            five.major = 5;
            five.minor = 0;
            five.flatpak = flatpak;
            old.push_back(std::move(five));
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const SettingsFolder& a, const SettingsFolder& b) {
        return std::tie(b.major, b.minor, a.flatpak) < std::tie(a.major, a.minor, b.flatpak);
    });
    for (SettingsFolder& f : old) found.push_back(std::move(f));
    return found;
}

SettingsFolder NewestSettingsFolder(const Environment& env) {
    for (SettingsFolder& f : FindSettingsFolders(env))
        if (f.HasTable()) return f;
    return {};
}

std::vector<std::string> SettingsSearchPlaces(const Environment& env) {
    std::vector<std::string> places;
    for (const auto& b : Bases(env)) places.push_back(b.first);
    return places;
}

} // namespace tarnel::tables
