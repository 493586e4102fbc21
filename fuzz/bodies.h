#pragma once
// Fuzz bodies, shared by the libFuzzer programs and the regression test that
// replays the kept inputs.
#include "tokenizer/libtext.h"
#include "index/indexrun.h"
#include "search/describecache.h"
#include "sexpr/sexpr.h"
#include "tables/tabletext.h"
#include "tables/variables.h"
#include "viewer/tarnel.h"

#include <unistd.h>

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
    v.ScaleDivisor = 10 + (mode % 15) * 10;
    v.TextMode = (mode >> 4) % 3;
    v.DrawArcs = (mode & 0x40) == 0;
    v.RenderLines(SplitLines(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1)),
                  (mode & 0x80) ? Units::Millimetre : Units::Decimil, "fuzz");
    if (!v.Lines.empty()) {
        v.CaretLine = static_cast<int>(mode % v.Lines.size());
        v.B_linhaClick();
    }
}

// The s-expression reader and the footprint drawer on arbitrary bytes; the
// first byte picks the divisor, text mode and arcs.
inline void Footprint(const uint8_t* data, size_t size) {
    static TForm1Core v;
    if (size == 0) return;
    const uint8_t mode = data[0];
    v.ScaleDivisor = 1 + (mode % 16) * 10;
    v.TextMode = (mode >> 4) % 3;
    v.DrawArcs = (mode & 0x40) == 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        (void)sexpr::Document::Parse(text);
    } catch (const sexpr::ParseError&) {
        // Refusing is fine; any other exception is a fault.
    }
    v.RenderLines(SplitLines(text), Units::Millimetre, "fuzz");
    // A footprint that cannot be drawn leaves the empty view.
    if (v.LinesAreKicadMod && !v.Status.empty() && (v.ViewWidth != 101 || v.ViewHeight != 101)) __builtin_trap();
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
