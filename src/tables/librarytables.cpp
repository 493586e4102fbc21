#include "tables/librarytables.h"

#include "library/libraryfolder.h"
#include "tokenizer/libtext.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <set>
#include <unordered_map>

namespace tarnel::tables {

namespace {

std::string FolderOfPath(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    return folder.empty() || folder.back() == '/' ? folder + path : folder + "/" + path;
}

// The same file however it is named, for telling a table read before.
std::string Canonical(const std::string& path) {
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) ? std::string(buf) : path;
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
        if (!out.empty()) out += ", ";
        out += n;
    }
    return out;
}

void SetState(LibraryRow& row, RowState state, const std::string& text) {
    row.state = state;
    row.stateText = text;
}

// Missing, unreadable or fine, by what the path is on disk.
void CheckOnDisk(LibraryRow& row) {
    struct stat st {};
    if (stat(row.path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) SetState(row, RowState::Missing, "não encontrada");
        else SetState(row, RowState::Unreadable, std::string("ilegível: ") + std::strerror(errno));
        return;
    }
    const bool legacy = EqualsNoCase(row.type, "Legacy");
    if (S_ISDIR(st.st_mode)) {
        if (legacy) SetState(row, RowState::Unreadable, "ilegível: é uma pasta, não um arquivo de biblioteca");
        else if (access(row.path.c_str(), R_OK | X_OK) != 0)
            SetState(row, RowState::Unreadable, std::string("ilegível: ") + std::strerror(errno));
    } else if (S_ISREG(st.st_mode)) {
        if (access(row.path.c_str(), R_OK) != 0) SetState(row, RowState::Unreadable, std::string("ilegível: ") + std::strerror(errno));
    } else {
        // A FIFO would block its reader, a device be read without end.
        SetState(row, RowState::Unreadable, "ilegível: não é um arquivo comum nem uma pasta");
    }
}

class Loader {
public:
    Loader(const UriVariables& vars, LibraryTables& into) : vars_(vars), into_(into) {}

    void Read(const std::string& path, TableKind kind, bool project, int depth) {
        seen_.insert(Canonical(path));
        std::string bytes;
        try {
            bytes = ReadFileBytes(path);
        } catch (const std::exception& e) {
            into_.messages.push_back("Não foi possível ler a tabela " + path + ": " + e.what());
            return;
        }
        into_.files.push_back(path);
        TableText text = ReadTableText(bytes);
        if (!text.error.empty()) into_.messages.push_back("Tabela " + path + ": " + text.error);
        if (text.kind != TableKind::Unknown && text.kind != kind)
            into_.messages.push_back("Tabela " + path + ": é uma tabela de " +
                                     (text.kind == TableKind::Footprints ? "footprints" : "símbolos") +
                                     "; suas entradas entram como tal");
        if (text.kind != TableKind::Unknown) kind = text.kind;
        const std::string folder = FolderOfPath(path);
        for (TableRow& r : text.rows) {
            LibraryRow row;
            row.kind = kind;
            row.nickname = std::move(r.nickname);
            row.type = std::move(r.type);
            row.uri = std::move(r.uri);
            row.options = std::move(r.options);
            row.description = std::move(r.description);
            row.disabled = r.disabled;
            row.hidden = r.hidden;
            row.table = path;
            row.line = r.line;
            row.project = project;
            row.depth = depth;
            Resolve(row, r.error, folder);
            const bool nested = row.IsTable() && row.state == RowState::Ok;
            const std::string target = row.path;
            into_.rows.push_back(std::move(row));
            if (!nested) continue;
            // The rows of a named table join the list after the row naming it.
            LibraryRow& named = into_.rows.back();
            if (depth + 1 > kMaxTableDepth) {
                SetState(named, RowState::Refused, "recusada: tabelas aninhadas além de " + std::to_string(kMaxTableDepth) + " níveis");
            } else if (seen_.count(Canonical(target))) {
                SetState(named, RowState::Refused, "recusada: tabela já lida (" + target + ")");
                into_.messages.push_back("Tabela " + target + " alcançada uma segunda vez (pela linha " +
                                         std::to_string(named.line) + " de " + path + "): recusada");
            } else {
                Read(target, kind, project, depth + 1);
            }
        }
    }

private:
    void Resolve(LibraryRow& row, const std::string& error, const std::string& folder) {
        const UriVariables::Expanded uri = vars_.Expand(row.uri);
        // A relative path is taken from the folder of the table naming it.
        row.path = uri.unknown.empty() ? Join(folder, uri.text) : uri.text;
        if (!error.empty()) return SetState(row, RowState::Invalid, "inválida: " + error);
        if (!EqualsNoCase(row.type, "KiCad") && !EqualsNoCase(row.type, "Legacy") && !row.IsTable())
            return SetState(row, RowState::UnsupportedType, "tipo não suportado");
        if (!uri.unknown.empty()) return SetState(row, RowState::UnknownVariable, "variável desconhecida: " + JoinNames(uri.unknown));
        SetState(row, RowState::Ok, "ok");
        CheckOnDisk(row);
        if (row.state == RowState::Ok && row.IsTable()) {
            struct stat st {};
            if (stat(row.path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
                SetState(row, RowState::Unreadable, "ilegível: uma tabela é um arquivo");
        }
        if (row.disabled && (row.state == RowState::Ok || row.state == RowState::Missing || row.state == RowState::Unreadable))
            SetState(row, RowState::Disabled, "desativada");
        else if (row.hidden && row.state == RowState::Ok)
            SetState(row, RowState::Hidden, "oculta");
        if ((row.state == RowState::Ok || row.state == RowState::Hidden || row.state == RowState::Disabled) && !row.IsTable())
            row.library = LibraryKindOfPath(row.path);
    }

    const UriVariables& vars_;
    LibraryTables& into_;
    std::set<std::string> seen_;
};

// The project folder of a project file or folder.
std::string ProjectFolder(const std::string& project) {
    struct stat st {};
    if (stat(project.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return FolderOfPath(project);
    std::string p = project;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

} // namespace

bool LibraryRow::IsTable() const { return EqualsNoCase(type, "Table"); }

bool LibraryRow::CanOpen(bool evenDisabled) const { return WhyNot(evenDisabled).empty(); }

std::string LibraryRow::WhyNot(bool evenDisabled) const {
    const std::string name = "A biblioteca " + nickname + " ";
    if (IsTable()) return name + "é uma tabela de bibliotecas: suas entradas vêm logo abaixo.";
    switch (state) {
        case RowState::Ok:
        case RowState::Hidden: break;
        case RowState::Disabled:
            if (evenDisabled) break;
            return name + "está desativada na tabela do KiCad (clique duas vezes para abri-la assim mesmo).";
        case RowState::Missing: return name + "não foi encontrada: " + path;
        case RowState::Unreadable: return name + "não pode ser lida (" + stateText + "): " + path;
        case RowState::UnknownVariable: return name + "usa uma " + stateText + " (" + uri + ").";
        case RowState::UnsupportedType: return name + "é do tipo " + type + ", que o Tarnel não lê.";
        case RowState::Invalid: return name + "está " + stateText + " (" + table + ", linha " + std::to_string(line) + ").";
        case RowState::Shadowed: return name + "está encoberta pela biblioteca de mesmo apelido do projeto.";
        case RowState::Refused: return name + "foi " + stateText + ".";
    }
    if (state == RowState::Disabled) {
        // Asked for: open it if it is there at all.
        struct stat st {};
        if (stat(path.c_str(), &st) != 0) return name + "não foi encontrada: " + path;
    }
    if (!library) {
        const size_t dot = path.find_last_of('.');
        const std::string ext = dot == std::string::npos || path.find('/', dot) != std::string::npos ? path : path.substr(dot);
        return name + "é de um formato que o Tarnel ainda não lê (" + ext + ").";
    }
    return {};
}

const char* KindName(TableKind kind) { return kind == TableKind::Symbols ? "symbols" : "footprints"; }

size_t LibraryTables::Count(TableKind kind) const {
    size_t n = 0;
    for (const LibraryRow& r : rows) n += r.kind == kind;
    return n;
}

void ReadTableFile(const std::string& path, TableKind kind, bool project, const UriVariables& vars, LibraryTables& into) {
    Loader(vars, into).Read(path, kind, project, 0);
}

LibraryTables LoadLibraryTables(const TableOptions& options) {
    LibraryTables t;
    t.settings = options.configFolder.empty() ? NewestSettingsFolder(options.env) : SettingsFolderAt(options.configFolder);
    if (!options.project.empty()) t.projectFolder = ProjectFolder(options.project);
    const UriVariables vars = MakeUriVariables(t.settings.major, t.settings.path, options.env, t.projectFolder, t.messages);
    for (const TableKind kind : {TableKind::Footprints, TableKind::Symbols}) {
        const char* file = kind == TableKind::Footprints ? kFootprintTableName : kSymbolTableName;
        const size_t first = t.rows.size();
        // Project rows first: they shadow global rows of the same nickname.
        std::unordered_map<std::string, bool> projectNames;
        auto readIfThere = [&](const std::string& folder, bool project) {
            if (folder.empty()) return;
            const std::string path = folder + "/" + file;
            struct stat st {};
            if (stat(path.c_str(), &st) != 0) return;
            // Each file's own nesting: the same nested table may serve both.
            Loader(vars, t).Read(path, kind, project, 0);
        };
        readIfThere(t.projectFolder, true);
        for (size_t i = first; i < t.rows.size(); ++i)
            if (!t.rows[i].IsTable()) projectNames[t.rows[i].nickname] = true;
        const size_t global = t.rows.size();
        readIfThere(t.settings.path, false);
        for (size_t i = global; i < t.rows.size(); ++i) {
            LibraryRow& r = t.rows[i];
            if (!r.IsTable() && projectNames.count(r.nickname) && r.state != RowState::Invalid)
                SetState(r, RowState::Shadowed, "encoberta pelo projeto");
        }
    }
    return t;
}

} // namespace tarnel::tables
