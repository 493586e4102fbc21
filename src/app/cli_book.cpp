// tarnel-cli book: the vector PDF catalog of one or more libraries.
#include "app/cli.h"
#include "book/bookrun.h"

#include <cstdio>

using namespace tarnel;
using namespace tarnel::cli;

namespace {

int Book(const Args& in) {
    Args a = in;
    book::BookOptions options;
    std::string out, paper;
    if (!TakeOption(a, "--out", out) || out.empty()) throw UsageError{"--out FILE.pdf is required"};
    if (TakeOption(a, "--paper", paper)) {
        if (paper == "a4" || paper == "A4") options.paper = book::Paper::A4;
        else if (paper == "letter" || paper == "Letter") options.paper = book::Paper::Letter;
        else throw UsageError{"--paper takes a4 or letter"};
    }
    options.trueScale = TakeFlag(a, "--true-scale");
    options.padNumbers = !TakeFlag(a, "--no-pad-numbers");
    for (const std::string& s : a)
        if (s.size() > 1 && s[0] == '-' && s[1] == '-') throw UsageError{"unknown option " + s};
    if (a.empty()) throw UsageError{"expects at least one LIBRARY"};
    const book::BookSummary s = book::WriteBook(a, out, options);
    // A library or footprint that cannot be read has its cell saying why;
    // the catalog is made all the same.
    for (const std::string& f : s.faults) std::fprintf(stderr, "tarnel-cli book: %s\n", f.c_str());
    std::printf("{\"file\":%s,\"libraries\":%zu,\"footprints\":%zu,\"pages\":%d,\"bytes\":%llu,\"faults\":%zu}\n",
                JsonString(out).c_str(), s.libraries, s.footprints, s.pages,
                static_cast<unsigned long long>(s.bytes), s.faults.size());
    return 0;
}

Verb bookVerb("book", "LIBRARY...  --out FILE.pdf [--paper a4|letter] [--true-scale] [--no-pad-numbers]", Book, false);

} // namespace
