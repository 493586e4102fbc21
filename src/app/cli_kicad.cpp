#include "app/cli_kicad.h"

#include <sys/stat.h>

#include <cstdio>
#include <stdexcept>

namespace tarnel::cli {

tables::TableOptions TakeTableOptions(Args& a) {
    tables::TableOptions o;
    TakeOption(a, "--config", o.configFolder);
    TakeOption(a, "--project", o.project);
    struct stat st {};
    if (!o.configFolder.empty() && (stat(o.configFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
        throw UsageError{"--config: no folder \"" + o.configFolder + "\""};
    if (!o.project.empty() && stat(o.project.c_str(), &st) != 0)
        throw UsageError{"--project: no folder or file \"" + o.project + "\""};
    return o;
}

tables::LibraryTables LoadTables(const tables::TableOptions& options) {
    tables::LibraryTables t = tables::LoadLibraryTables(options);
    for (const std::string& m : t.messages) std::fprintf(stderr, "%s\n", m.c_str());
    if (!t.Found()) {
        std::string where;
        if (!options.configFolder.empty()) {
            where = options.configFolder;
        } else {
            for (const std::string& p : tables::SettingsSearchPlaces(options.env)) where += (where.empty() ? "" : ", ") + p;
        }
        if (!t.projectFolder.empty()) where += ", " + t.projectFolder;
        throw std::runtime_error("no KiCad library table found (looked in " + where + ")");
    }
    return t;
}

} // namespace tarnel::cli
