#include "catalogs/catalogdata.h"

#include "tokenizer/libtext.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>

namespace tarnel {

int FitDrawing(const TForm1Core& v, Canvas& pic) { return FitDrawing(v.ViewImage(), v.View().ViewWidth, v.View().ViewHeight, pic); }

int FitDrawing(const Canvas& view, int64_t W, int64_t H, Canvas& pic) {
    const int64_t PW = pic.Width(), PH = pic.Height();
    const double rx = static_cast<double>(W - 50) / static_cast<double>(PW);
    const double ry = static_cast<double>(H - 50) / static_cast<double>(PH);
    double r = 1;
    int scale = 100;
    if (rx > 1 || ry > 1) {
        r = rx > ry ? rx : ry;
        scale = static_cast<int>(std::trunc(100.0 / r));
    }
    pic.Brush = BrushStyle::Solid;
    pic.BrushColor = kWhite;
    pic.FillRect(0, 0, pic.Width(), pic.Height());
    const int64_t tw = static_cast<int64_t>(std::trunc(static_cast<double>(W - 50) / r));
    const int64_t th = static_cast<int64_t>(std::trunc(static_cast<double>(H - 50) / r));
    pic.CopyRect(0, 0, tw, th, view, 50, 50, W - 50, H - 50);
    return scale;
}

std::string ScaleCaption(int scale) { return "Escala: " + std::to_string(scale) + " %"; }

std::string PadCaption(const std::string& n) {
    std::string s = n + " ilha";
    if (n != "1" && n != "0") s += "s";
    return s;
}

std::string PinCaption(int pins) { return std::to_string(pins) + (pins == 1 ? " pino" : " pinos"); }

std::string SymbolViewCaption(const figure::SymbolView& s) {
    std::string out;
    if (s.unitCount > 1) out = std::to_string(s.unitCount) + " unidades";
    const bool demorgan = s.styleCount == 2 && s.styleNames.size() >= 2 && s.styleNames[1] == "De Morgan";
    if (s.styleCount > 1) {
        if (!out.empty()) out += ", ";
        out += demorgan ? std::string("De Morgan") : std::to_string(s.styleCount) + " estilos";
    }
    return out;
}

std::string FileNameOf(const std::string& path) {
    const size_t p = path.find_last_of('/');
    return p == std::string::npos ? path : path.substr(p + 1);
}

std::string FolderOf(const std::string& path) {
    const size_t p = path.find_last_of('/');
    return p == std::string::npos ? std::string(".") : (p == 0 ? std::string("/") : path.substr(0, p));
}

std::string DocFileName(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    return (dot == std::string::npos ? name : name.substr(0, dot)) + ".dcm";
}

std::unordered_map<std::string, std::string> ParseDocDescriptions(std::string_view bytes) {
    // A name line is followed by the line that may hold "D text"; the line
    // read after a name line is not itself tested as a name line for that
    // name. The first description found for a name wins.
    std::vector<std::string_view> lines;
    ForEachLine(bytes, [&](std::string_view l) { lines.push_back(l); return true; });
    std::unordered_map<std::string, std::string> found;
    std::unordered_map<std::string, size_t> consumed;  // name -> index of the line read after its match
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string key = UpperAscii(Trim(Word(lines[i], 2)));
        if (found.count(key)) continue;
        auto c = consumed.find(key);
        if (c != consumed.end() && c->second == i) continue;
        if (i + 1 < lines.size() && UpperAscii(Word(lines[i + 1], 1)) == "D") {
            std::string_view d = lines[i + 1];
            found.emplace(std::move(key), std::string(d.size() > 2 ? d.substr(2) : std::string_view()));
        } else {
            consumed[key] = i + 1;
        }
    }
    return found;
}

namespace {

// The text after "Cd" when line is a "Cd" line.
bool CdOf(std::string_view t, std::string& out) {
    if (Word(t, 1) != "Cd") return false;
    const size_t p = t.find("Cd");
    std::string_view rest = t.substr(p + 2);
    if (!rest.empty() && rest[0] == ' ') rest.remove_prefix(1);
    out = std::string(rest);
    return true;
}

} // namespace

std::string CdText(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines)
        if (CdOf(l, out)) return out;
    return {};
}

std::string CdText(const ModuleText& module) {
    std::string out;
    module.ForEachLine([&](std::string_view l) { return !CdOf(l, out); });
    return out;
}

std::unordered_map<std::string, std::string> ParseMdcDescriptions(std::string_view bytes) {
    std::unordered_map<std::string, std::string> out;
    std::string current;
    bool in = false;
    ForEachLine(bytes, [&](std::string_view l) {
        std::string_view w1 = Trim(Word(l, 1));
        if (EqualsUpper(w1, "$MODULE")) {
            current = UpperAscii(Trim(Word(l, 2)));
            in = true;
        } else if (EqualsUpper(w1, "$ENDMODULE")) {
            in = false;
        } else if (in && Word(l, 1) == "Cd" && !out.count(current)) {
            out.emplace(current, CdText(std::vector<std::string>{std::string(l)}));
        }
        return true;
    });
    return out;
}

void DescriptionSource::SetFiles(const std::string& docPath, const std::string& mdcPath) {
    if (doc_.path != docPath) {
        doc_ = File();
        doc_.path = docPath;
    }
    if (mdc_.path != mdcPath) {
        mdc_ = File();
        mdc_.path = mdcPath;
    }
}

const DescriptionSource::ByName* DescriptionSource::Refresh(File& f, bool mdc) {
    struct stat st {};
    if (f.path.empty() || stat(f.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        f.cache.Clear();
        return nullptr;
    }
    return &f.cache.Get(StampOf(st), [&] {
        const std::string bytes = ReadFileBytes(f.path);  // a read error ends the run
        return mdc ? ParseMdcDescriptions(bytes) : ParseDocDescriptions(bytes);
    });
}

std::string DescriptionSource::Describe(const std::string& name, const std::vector<std::string>& lines) {
    return Describe(name, ModuleText::FromLines(lines));
}

std::string DescriptionSource::Describe(const std::string& name, const ModuleText& lines) {
    const std::string key = UpperAscii(name);
    if (const ByName* doc = Refresh(doc_, false)) {
        auto it = doc->find(key);
        if (it != doc->end()) return it->second;
    }
    std::string cd = CdText(lines);
    if (!cd.empty()) return cd;
    if (const ByName* mdc = Refresh(mdc_, true)) {
        auto it = mdc->find(key);
        if (it != mdc->end()) return it->second;
    }
    return {};
}

} // namespace tarnel
