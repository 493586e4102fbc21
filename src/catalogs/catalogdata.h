#pragma once
// What both catalogs take from a library: the reduced drawing of a module,
// its pad label, and its description.
#include "canvas/canvas.h"
#include "util/filestamp.h"
#include "viewer/tarnel.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarnel {

// Copies the view (without its blank left and top margins) into picture,
// reduced uniformly so it fits; returns the scale in percent.
int FitDrawing(const TForm1Core& view, Canvas& picture);
// The same for a view of W x H pixels.
int FitDrawing(const Canvas& view, int64_t W, int64_t H, Canvas& picture);

std::string ScaleCaption(int scale);                   // "Escala: 50 %"
std::string PadCaption(const std::string& padCount);   // "2 ilhas"
std::string PinCaption(int pins);                      // "1 pino", "14 pinos"
// What a current symbol adds to its text in a catalog: "4 unidades",
// "De Morgan", both, or nothing.
std::string SymbolViewCaption(const figure::SymbolView& s);
// The library's file name with its extension replaced by ".dcm".
std::string DocFileName(const std::string& libraryFileName);
std::string FileNameOf(const std::string& path);
std::string FolderOf(const std::string& path);

// Module descriptions of a library, read once per file version:
// 1. the documentation file (a name line, then a "D" line);
// 2. failing that, the module's own "Cd" line;
// 3. failing that, the "Cd" line of its entry in the ".mdc" file beside it.
class DescriptionSource {
public:
    // docPath: the documentation file; mdcPath: the footprint doc file.
    void SetFiles(const std::string& docPath, const std::string& mdcPath);
    // name: the module name as listed; lines: its extracted command lines.
    std::string Describe(const std::string& name, const ModuleText& lines);
    std::string Describe(const std::string& name, const std::vector<std::string>& lines);

private:
    using ByName = std::unordered_map<std::string, std::string>;  // upper-cased name -> text
    struct File {
        std::string path;
        FileCache<ByName> cache;
    };
    // The file's descriptions, read again when it changed; null when absent.
    static const ByName* Refresh(File& f, bool mdc);
    File doc_, mdc_;
};

// Parsers, exposed for tests.
std::unordered_map<std::string, std::string> ParseDocDescriptions(std::string_view bytes);
std::unordered_map<std::string, std::string> ParseMdcDescriptions(std::string_view bytes);
std::string CdText(const std::vector<std::string>& moduleLines);
std::string CdText(const ModuleText& module);

} // namespace tarnel
