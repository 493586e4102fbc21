#pragma once
// Where KiCad keeps its settings, and so its global library tables, on
// Linux: "$KICAD_CONFIG_HOME/<major.minor>" when that variable is set, else
// "${XDG_CONFIG_HOME:-~/.config}/kicad/<major.minor>"; KiCad 5 kept its
// tables directly in the "kicad" folder; the Flatpak build under
// "~/.var/app/org.kicad.KiCad/config/kicad/<major.minor>".
#include "tables/variables.h"

#include <string>
#include <vector>

namespace tarnel::tables {

inline constexpr const char* kFootprintTableName = "fp-lib-table";
inline constexpr const char* kSymbolTableName = "sym-lib-table";

struct SettingsFolder {
    std::string path;
    std::string version;  // "10.0", "9.99"; empty for a folder named otherwise
    int major = 0, minor = 0;  // 0 when the name says nothing
    bool flatpak = false;
    bool hasFootprintTable = false, hasSymbolTable = false;
    bool HasTable() const { return hasFootprintTable || hasSymbolTable; }
};

// The settings folder at path, its version read from its name ("10.0").
SettingsFolder SettingsFolderAt(const std::string& path);

// Every settings folder found, newest version first (the native build before
// the Flatpak one of the same version); KiCad 5's folder last.
std::vector<SettingsFolder> FindSettingsFolders(const Environment& env);

// The newest of them that holds a table; an empty path when none does.
SettingsFolder NewestSettingsFolder(const Environment& env);

// The places looked at, for a message when nothing is found.
std::vector<std::string> SettingsSearchPlaces(const Environment& env);

} // namespace tarnel::tables
