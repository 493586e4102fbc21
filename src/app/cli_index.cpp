// tarnel-cli index: the component index of a folder's libraries.
#include "app/cli.h"
#include "index/indexrun.h"
#include "util/lineescape.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

using namespace tarnel;
using namespace tarnel::cli;

namespace {

int Index(const Args& a) {
    if (a.size() != 1) throw UsageError{"expects FOLDER"};
    std::error_code ec;
    if (!std::filesystem::is_directory(a[0], ec)) throw std::runtime_error("no folder \"" + a[0] + "\"");
    FolderFileList files(a[0]);
    IndexTables t;
    const IndexRunResult r = BuildIndex(t, files);
    std::printf("Modelos: %d\nComponentes: %d\n", r.modules, r.names);
    const TMemTable& n = t.RxMD_principal;
    const int fAlias = n.FieldIndex("alias"), fLib = n.FieldIndex("lib"), fPrincipal = n.FieldIndex("principal"),
              fNr = n.FieldIndex("nr_principal");
    for (int i = 0; i < n.RowCount(); ++i)
        std::printf("%s\t%s\t%s\t%lld\n", EscapeForLine(n.Text(i, fAlias)).c_str(),
                    EscapeForLine(n.Text(i, fLib)).c_str(), EscapeForLine(n.Text(i, fPrincipal)).c_str(),
                    static_cast<long long>(n.Int(i, fNr)));
    if (!r.ok()) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", r.error.c_str());
        return 1;
    }
    return 0;
}

Verb indexVerb("index", "FOLDER", Index);

} // namespace
