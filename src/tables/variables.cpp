#include "tables/variables.h"

#include "tokenizer/libtext.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

extern char** environ;

namespace tarnel::tables {

namespace {

// The newest KiCad whose variables are known; tables of later versions fall
// back to its names.
constexpr int kNewestMajor = 10;

// "KICAD<n>_<X>" -> n and X; false for other names.
bool SplitVersioned(std::string_view name, int& major, std::string_view& suffix) {
    if (name.substr(0, 5) != "KICAD") return false;
    size_t i = 5, digits = 0;
    int n = 0;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9' && digits < 4) n = n * 10 + (name[i++] - '0'), ++digits;
    if (digits == 0 || i >= name.size() || name[i] != '_') return false;
    major = n;
    suffix = name.substr(i + 1);
    return !suffix.empty();
}

} // namespace

Environment ProcessEnvironment() {
    Environment env;
    for (char** e = environ; e && *e; ++e) {
        const std::string_view kv = *e;
        const size_t eq = kv.find('=');
        if (eq != std::string_view::npos && eq > 0) env.emplace(std::string(kv.substr(0, eq)), std::string(kv.substr(eq + 1)));
    }
    return env;
}

const std::string* UriVariables::Find(const std::string& name) const {
    if (auto it = values_.find(name); it != values_.end()) return &it->second;
    int major = 0;
    std::string_view suffix;
    if (!SplitVersioned(name, major, suffix)) return nullptr;
    // The newest version that defines the same variable.
    const std::string* best = nullptr;
    int bestMajor = -1;
    for (const auto& [other, value] : values_) {
        int m = 0;
        std::string_view s;
        if (SplitVersioned(other, m, s) && s == suffix && m > bestMajor) {
            best = &value;
            bestMajor = m;
        }
    }
    return best;
}

UriVariables::Expanded UriVariables::Expand(std::string_view uri) const {
    Expanded out;
    size_t i = 0;
    while (i < uri.size()) {
        const char c = uri[i];
        if (c == '$' && i + 1 < uri.size() && (uri[i + 1] == '{' || uri[i + 1] == '(')) {
            const char close = uri[i + 1] == '{' ? '}' : ')';
            const size_t end = uri.find(close, i + 2);
            if (end != std::string_view::npos) {
                const std::string name(uri.substr(i + 2, end - i - 2));
                if (const std::string* v = Find(name)) {
                    out.text += *v;
                } else {
                    out.text.append(uri.substr(i, end + 1 - i));
                    out.unknown.push_back(name);
                }
                i = end + 1;
                continue;
            }
        }
        out.text += c;
        ++i;
    }
    return out;
}

std::map<std::string, std::string> ReadCommonVariables(const std::string& settingsFolder, std::string& error) {
    std::map<std::string, std::string> vars;
    const std::string path = settingsFolder + "/kicad_common.json";
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return vars;  // no file, no variables of the user's
    std::string bytes;
    try {
        bytes = ReadFileBytes(path);
    } catch (const std::exception& e) {
        error = "Não foi possível ler " + path + ": " + e.what();
        return vars;
    }
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(bytes), &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject()) {
        error = path + " está danificado (" +
                (err.error != QJsonParseError::NoError ? err.errorString().toStdString() : std::string("não é um objeto")) +
                "): suas variáveis não foram lidas";
        return vars;
    }
    const QJsonObject list = doc.object().value("environment").toObject().value("vars").toObject();
    for (auto it = list.begin(); it != list.end(); ++it)
        if (it.value().isString()) vars[it.key().toStdString()] = it.value().toString().toStdString();
    return vars;
}

UriVariables MakeUriVariables(int major, const std::string& settingsFolder, const Environment& env,
                              const std::string& projectFolder, std::vector<std::string>& messages) {
    UriVariables v;
    const std::string stock(kStockLibraryFolder);
    const std::string footprints = stock + "/footprints", symbols = stock + "/symbols", models = stock + "/3dmodels";
    const std::string n = std::to_string(major >= 6 ? major : kNewestMajor);
    v.Set("KICAD" + n + "_FOOTPRINT_DIR", footprints);
    v.Set("KICAD" + n + "_SYMBOL_DIR", symbols);
    v.Set("KICAD" + n + "_3DMODEL_DIR", models);
    v.Set("KISYSMOD", footprints);
    v.Set("KICAD_SYMBOL_DIR", symbols);
    v.Set("KISYS3DMOD", models);
    if (!settingsFolder.empty()) {
        std::string error;
        for (const auto& [name, value] : ReadCommonVariables(settingsFolder, error)) v.Set(name, value);
        if (!error.empty()) messages.push_back(error);
    }
    for (const auto& [name, value] : env)
        if (!value.empty()) v.Set(name, value);
    if (!projectFolder.empty()) v.Set("KIPRJMOD", projectFolder);
    return v;
}

} // namespace tarnel::tables
