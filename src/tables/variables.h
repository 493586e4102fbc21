#pragma once
// The variables of library table URIs ("${NAME}", "$(NAME)") and where their
// values come from, later winning: KiCad's built-in defaults, the settings
// folder's kicad_common.json, the process environment, the project folder.
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tarnel::tables {

// Variable name -> value, as the process environment gives them.
using Environment = std::map<std::string, std::string>;
Environment ProcessEnvironment();

// Where a distribution package installs KiCad's libraries.
inline constexpr std::string_view kStockLibraryFolder = "/usr/share/kicad";

class UriVariables {
public:
    void Set(const std::string& name, const std::string& value) { values_[name] = value; }
    // The value of name; a "KICAD<n>_X" name that is not set takes the value
    // of the newest version's "KICAD<m>_X" that is. Null when none is set.
    const std::string* Find(const std::string& name) const;

    struct Expanded {
        std::string text;                  // unknown variables left as written
        std::vector<std::string> unknown;  // their names, in order of appearance
    };
    Expanded Expand(std::string_view uri) const;

    const std::map<std::string, std::string>& Values() const { return values_; }

private:
    std::map<std::string, std::string> values_;
};

// The user's variables ("environment" → "vars") of kicad_common.json in
// settingsFolder. A missing file has none; a damaged one sets error.
std::map<std::string, std::string> ReadCommonVariables(const std::string& settingsFolder, std::string& error);

// The variables for tables read with the settings of KiCad major version
// major (0 when unknown): built-in defaults for that version (the newest
// known when 0) and the old names, then the settings folder's
// kicad_common.json, then the environment's non-empty values, then KIPRJMOD
// when there is a project folder. Problems go to messages.
UriVariables MakeUriVariables(int major, const std::string& settingsFolder, const Environment& env,
                              const std::string& projectFolder, std::vector<std::string>& messages);

} // namespace tarnel::tables
