#include "preview/messages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <regex>
#include <utility>
#include <vector>

namespace tarnel {

namespace {

// The system's error texts the page stream passes on (strerror, C locale).
std::string SystemError(const std::string& e) {
    static const std::pair<const char*, const char*> table[] = {
        {"No such file or directory", "arquivo ou pasta inexistente"},
        {"Permission denied", "permissão negada"},
        {"Is a directory", "é uma pasta"},
        {"Not a directory", "não é uma pasta"},
        {"No space left on device", "não há espaço no disco"},
        {"Read-only file system", "o sistema de arquivos é somente de leitura"},
        {"Input/output error", "erro de entrada e saída"},
        {"Disk quota exceeded", "a cota de disco foi excedida"},
        {"File name too long", "nome de arquivo longo demais"},
        {"Too many open files", "arquivos abertos demais"},
    };
    for (const auto& [en, pt] : table)
        if (e == en) return pt;
    return e;
}

struct Rule {
    std::regex pattern;
    std::string format;  // $1, $2 … the pattern's groups; {E2} group 2 read as a system error
};

std::string Apply(const std::vector<Rule>& rules, const std::string& text, bool* matched) {
    for (const Rule& r : rules) {
        std::smatch m;
        if (!std::regex_match(text, m, r.pattern)) continue;
        std::string out = r.format;
        // One pass over the wording: the inserted texts are not read again.
        std::string done;
        for (size_t i = 0; i < out.size();) {
            if (out[i] == '$' && i + 1 < out.size() && out[i + 1] >= '1' && out[i + 1] <= '9' &&
                size_t(out[i + 1] - '0') < m.size()) {
                done += m[size_t(out[i + 1] - '0')].str();
                i += 2;
            } else if (out.compare(i, 2, "{E") == 0 && i + 3 < out.size() && out[i + 3] == '}' &&
                       size_t(out[i + 2] - '0') < m.size()) {
                done += SystemError(m[size_t(out[i + 2] - '0')].str());
                i += 4;
            } else {
                done += out[i++];
            }
        }
        out = std::move(done);
        *matched = true;
        return out;
    }
    *matched = false;
    return text;
}

// The reason after "page N: ".
std::string PageFault(const std::string& why) {
    static const std::vector<Rule> rules = {
        {std::regex(R"(the record at offset (-?\d+) is cut off \(the file has (-?\d+) pages in its header\))"),
         "o registro na posição $1 está cortado (o cabeçalho do arquivo indica $2 páginas)"},
        {std::regex("cannot be read"), "não pode ser lida"},
        {std::regex(R"(its record at offset (-?\d+) has page number (-?\d+))"), "seu registro na posição $1 tem o número de página $2"},
        {std::regex(R"(its next-record offset (-?\d+) lies outside the file of (-?\d+) bytes)"),
         "a posição do registro seguinte, $1, fica fora do arquivo de $2 bytes"},
        {std::regex("its picture is not an enhanced metafile"), "sua imagem não é um metarquivo (EMF)"},
        {std::regex(R"(its picture gives a length of (\d+) bytes for a record of (-?\d+))"),
         "sua imagem declara $1 bytes para um registro de $2"},
        {std::regex(R"(malformed picture: ([\s\S]*))"), "imagem malformada ($1)"},
        {std::regex(R"(its record ends with the offset (-?\d+) instead of (-?\d+))"), "seu registro termina com a posição $1 em vez de $2"},
    };
    bool matched = false;
    return Apply(rules, why, &matched);
}

// The reason after "is not a valid report file: ".
std::string FileFault(const std::string& why) {
    static const std::vector<Rule> rules = {
        {std::regex(R"(it is (\d+) bytes long, shorter than the (\d+)-byte header)"), "tem $1 bytes, menos que o cabeçalho de $2 bytes"},
        {std::regex("its header cannot be read"), "o cabeçalho não pode ser lido"},
        {std::regex(R"(its header tags are (\d+) and (\d+) instead of 3 and 305)"),
         "as marcas do cabeçalho são $1 e $2 em vez de 3 e 305"},
        {std::regex(R"(its header gives a page count of (-?\d+))"), "o cabeçalho indica $1 páginas"},
        {std::regex("its pages are compressed, which this program does not read"),
         "as páginas estão comprimidas, o que este programa não lê"},
        {std::regex(R"((-?\d+) bytes follow the last page)"), "há $1 bytes depois da última página"},
    };
    static const std::regex page(R"(page (\d+): ([\s\S]*))");
    std::smatch m;
    if (std::regex_match(why, m, page)) return "página " + m[1].str() + ": " + PageFault(m[2].str());
    bool matched = false;
    return Apply(rules, why, &matched);
}

} // namespace

std::string PortugueseReportError(const std::string& message) {
    // The quoted path is greedy up to the last quote that the wording
    // allows, so a path with quotes or colons stays whole.
    static const std::vector<Rule> rules = {
        {std::regex(R"(cannot open report file (".*"): not a regular file)"), "não foi possível abrir o arquivo de relatório $1: não é um arquivo comum"},
        {std::regex(R"(cannot open report file (".*"): ([^"]*))"), "não foi possível abrir o arquivo de relatório $1: {E2}"},
        {std::regex(R"(the report file (".*") is open for reading only)"), "o arquivo de relatório $1 está aberto somente para leitura"},
        {std::regex("the page stream was released"), "as páginas do relatório já foram liberadas"},
        {std::regex(R"(cannot write the temporary page file (".*"): ([^"]*))"),
         "não foi possível gravar o arquivo temporário de páginas $1: {E2}"},
        {std::regex(R"(cannot create a temporary page file in (".*"): ([^"]*))"),
         "não foi possível criar um arquivo temporário de páginas em $1: {E2}"},
        {std::regex("pages cannot be added to a loaded report"), "não se podem acrescentar páginas a um relatório lido de arquivo"},
        {std::regex("the report has grown past 2 GB"), "o relatório passou de 2 GB"},
        {std::regex(R"(cannot save over (".*"): it is the report file being shown, open for reading)"),
         "não é possível gravar sobre $1: é o arquivo de relatório exibido, aberto para leitura"},
        {std::regex(R"(cannot read page 1 of (".*"))"), "não foi possível ler a página 1 de $1"},
        {std::regex(R"(cannot write (".*"): ([^"]*))"), "não foi possível gravar $1: {E2}"},
        {std::regex(R"(cannot read (".*"): ([^"]*))"), "não foi possível ler $1: {E2}"},
        {std::regex(R"(cannot create (".*"): ([^"]*))"), "não foi possível criar $1: {E2}"},
        {std::regex(R"(cannot save (".*"): ([^"]*))"), "não foi possível gravar $1: {E2}"},
    };
    static const std::regex invalid(R"((".*") is not a valid report file: ([\s\S]*))");
    std::smatch m;
    if (std::regex_match(message, m, invalid))
        return m[1].str() + " não é um arquivo de relatório válido: " + FileFault(m[2].str());
    bool matched = false;
    return Apply(rules, message, &matched);
}

QTranslator* InstallQtPortuguese(QCoreApplication& app) {
    auto* t = new QTranslator(&app);
    if (!t->load(QStringLiteral("qtbase_pt_BR"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return nullptr;
    }
    app.installTranslator(t);
    return t;
}

} // namespace tarnel
