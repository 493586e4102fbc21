#pragma once
// Fuzz bodies, shared by the libFuzzer programs and the regression test that
// replays the kept inputs.
#include "book/pdfupdate.h"
#include "tokenizer/libtext.h"
#include "index/indexrun.h"
#include "library/kicadsymbollibrary.h"
#include "library/symbolscan.h"
#include "sexpr/sexpr.h"
#include "output/figurejson.h"
#include "output/svgdevice.h"
#include "search/describecache.h"
#include "tables/tabletext.h"
#include "tables/variables.h"
#include "viewer/tarnel.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnel::fuzz {

// The tokenizer and the render pass on arbitrary lines; the first byte picks
// the divisor, text mode and units.
inline void Render(const uint8_t* data, size_t size) {
    static TForm1Core v;  // state carries between inputs, as it does between passes
    if (size == 0) return;
    const uint8_t mode = data[0];
    v.Options().ScaleDivisor = 10 + (mode % 15) * 10;
    v.Options().TextMode = (mode >> 4) % 3;
    v.Options().DrawArcs = (mode & 0x40) == 0;
    v.RenderLines(SplitLines(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1)),
                  (mode & 0x80) ? Units::Millimetre : Units::Decimil, "fuzz");
    if (const size_t n = v.Lines().LineCount()) {
        v.SetCaretLine(static_cast<int>(mode % n));
        v.B_linhaClick();
    }
}

// The s-expression reader and the footprint drawer on arbitrary bytes; the
// first byte picks the divisor, text mode and arcs.
inline void Footprint(const uint8_t* data, size_t size) {
    static TForm1Core v;
    if (size == 0) return;
    const uint8_t mode = data[0];
    v.Options().ScaleDivisor = 1 + (mode % 16) * 10;
    v.Options().TextMode = (mode >> 4) % 3;
    v.Options().DrawArcs = (mode & 0x40) == 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        (void)sexpr::Document::Parse(text);
    } catch (const sexpr::ParseError&) {
        // Refusing is fine; any other exception is a fault.
    }
    v.RenderText(ModuleText(std::string(text), ModuleText::Kind::Footprint), Units::Millimetre, "fuzz");
    // A footprint that cannot be drawn leaves the empty view.
    if (v.LinesAreKicadMod() && !v.Status().empty() && (v.View().ViewWidth != 101 || v.View().ViewHeight != 101)) __builtin_trap();
    // The other outputs of the same figure.
    if (mode & 0x80) {
        (void)FigureSvg(v.LastFigure(), Palette{});
        (void)FigureInfoJson(v.LastFigure());
    }
}

// Library scanning and extraction on arbitrary bytes.
inline void Library(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto names = ScanModuleNames(bytes);
    (void)ScanUnits(bytes);
    const auto index = IndexModules(bytes);
    size_t n = 0;
    for (const auto& name : names) {
        auto a = ExtractModuleLines(bytes, name);
        auto it = index.find(UpperAscii(Trim(name)));
        if (it != index.end()) {
            auto b = ExtractModuleLinesAt(bytes, it->second);
            if (Trim(name) == name && a != b) __builtin_trap();  // the index must agree with the scan
        }
        if (++n > 64) break;
    }
    // The same bytes as a symbol library: every listed name extracts its
    // own opening line.
    const auto symbols = ScanSymbolNames(bytes);
    const auto symbolIndex = IndexModules(bytes, kSymbolBlock);
    n = 0;
    for (const auto& name : symbols) {
        auto it = symbolIndex.find(UpperAscii(Trim(name)));
        if (it == symbolIndex.end()) __builtin_trap();
        if (ExtractModuleLinesAt(bytes, it->second, kSymbolBlock).empty()) __builtin_trap();
        if (++n > 64) break;
    }
}

// The index run over two libraries: the input split at its middle, so a
// module block can span files.
inline void Index(const uint8_t* data, size_t size) {
    static std::string dir = [] {
        char t[] = "/tmp/tarnel-fuzz-index-XXXXXX";
        const char* d = mkdtemp(t);
        return std::string(d ? d : "/tmp");
    }();
    const size_t half = size / 2;
    const std::string names[2] = {dir + "/a.mod", dir + "/b.mod"};
    const std::pair<size_t, size_t> parts[2] = {{0, half}, {half, size - half}};
    for (int i = 0; i < 2; ++i) {
        FILE* f = std::fopen(names[i].c_str(), "wb");
        if (!f) return;
        std::fwrite(data + parts[i].first, 1, parts[i].second, f);
        std::fclose(f);
    }
    FolderFileList files(dir, {"a.mod", "b.mod"});
    IndexTables t;
    const IndexRunResult r = BuildIndex(t, files);
    if (r.modules < 0 || r.names < 0) __builtin_trap();
}

// The symbol library reader and the symbol drawer on arbitrary bytes: the
// first byte picks the divisor, unit and style; the rest, split at its
// middle, is two files of one symbol folder, so a symbol may extend one of
// the other file. Every symbol listed (up to 16) is drawn.
inline void Symbol(const uint8_t* data, size_t size) {
    static TForm1Core v;
    static const std::string dir = [] {
        char t[] = "/tmp/tarnel-fuzz-symbol-XXXXXX";
        const char* d = mkdtemp(t);
        const std::string folder = std::string(d ? d : "/tmp") + "/f.kicad_symdir";
        mkdir(folder.c_str(), 0700);
        return folder;
    }();
    if (size == 0) return;
    const uint8_t mode = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        (void)ScanSymbolFile(text);
    } catch (const std::runtime_error&) {
        // Refusing is fine; any other exception is a fault.
    }
    const size_t half = text.size() / 2;
    const std::string names[2] = {dir + "/a.kicad_sym", dir + "/b.kicad_sym"};
    const std::string_view parts[2] = {text.substr(0, half), text.substr(half)};
    for (int i = 0; i < 2; ++i) {
        FILE* f = std::fopen(names[i].c_str(), "wb");
        if (!f) return;
        std::fwrite(parts[i].data(), 1, parts[i].size(), f);
        std::fclose(f);
    }
    v.Options().ScaleDivisor = 10 + (mode % 8) * 20;
    v.OpenLibrary(dir);
    const int count = static_cast<int>(std::min<size_t>(v.ModuleList().size(), 16));
    for (int i = 0; i < count; ++i) {
        v.SelectModule(i);
        v.SetSymbolView(1 + ((mode >> 3) & 3), 1 + ((mode >> 5) & 1));
        v.ListBox1Click();
        // A symbol that cannot be drawn leaves the empty view.
        if (!v.Status().empty() && (v.View().ViewWidth != 101 || v.View().ViewHeight != 101)) __builtin_trap();
        if (v.LinesAreKicadSym() && v.LastFigure().symbol.pinsDrawn > static_cast<int>(v.LastFigure().pins.size()))
            __builtin_trap();
    }
    // The whole input as one file, read from memory.
    try {
        KicadSymbolLibrary lib{std::string(text), "fuzz.kicad_sym"};
        if (lib.Names().size() > text.size()) __builtin_trap();
    } catch (const std::runtime_error&) {
    }
}

// The finishing update of the vector catalog on arbitrary bytes taken for
// the end of a PDF file: it refuses or it makes an update after which the
// file can be updated again.
inline void PdfUpdate(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    book::CatalogAdditions additions;
    additions.printScalingNone = size % 2;
    std::string update;
    try {
        update = book::CatalogUpdate(bytes, 0, additions);
    } catch (const std::runtime_error&) {
        return;
    }
    try {
        (void)book::CatalogUpdate(std::string(bytes) + update, 0, additions);
    } catch (const std::runtime_error&) {
        __builtin_trap();
    }
}

namespace detail {
inline const std::string& ScratchFolder() {
    static const std::string dir = [] {
        char t[] = "/tmp/tarnel-fuzz-scratch-XXXXXX";
        const char* d = mkdtemp(t);
        return std::string(d ? d : "/tmp");
    }();
    return dir;
}
inline bool WriteScratch(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    return true;
}
} // namespace detail

// A library table's text, every row's URI expanded; with the first byte
// odd, the rest as a settings folder's kicad_common.json instead.
inline void Tables(const uint8_t* data, size_t size) {
    if (size == 0) return;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) {
        const std::string dir = detail::ScratchFolder();
        if (!detail::WriteScratch(dir + "/kicad_common.json", data + 1, size - 1)) return;
        std::string error;
        const auto vars = tables::ReadCommonVariables(dir, error);
        if (!error.empty() && !vars.empty()) __builtin_trap();  // a damaged file gives nothing
        return;
    }
    const tables::TableText t = tables::ReadTableText(text);
    if (t.rows.size() > tables::kMaxTableRows) __builtin_trap();
    tables::UriVariables vars;
    vars.Set("KICAD9_FOOTPRINT_DIR", "/fp");
    vars.Set("KIPRJMOD", "/project");
    for (const tables::TableRow& r : t.rows) {
        // A row without fault has its three required properties.
        if (r.error.empty() && (r.nickname.empty() || r.type.empty() || r.uri.empty())) __builtin_trap();
        const auto e = vars.Expand(r.uri);
        if (e.unknown.empty() && e.text.find("${KICAD9_FOOTPRINT_DIR}") != std::string::npos) __builtin_trap();
    }
}

// The search cache file: a damaged one loads nothing, a good one saves and
// loads back the same.
inline void SearchCache(const uint8_t* data, size_t size) {
    const std::string dir = detail::ScratchFolder();
    const std::string file = dir + "/search-index.bin";
    if (!detail::WriteScratch(file, data, size)) return;
    search::DescribeCache cache;
    std::string why;
    const bool ok = cache.Load(file, why);
    if (!ok && cache.Size() != 0) __builtin_trap();
    if (!ok) return;
    cache.Save(dir + "/again.bin");
    search::DescribeCache again;
    if (!again.Load(dir + "/again.bin", why) || again.Size() != cache.Size()) __builtin_trap();
}

} // namespace tarnel::fuzz
