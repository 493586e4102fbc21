#pragma once
// The data side of both catalogs: the cursor over the main window's module
// list, and what each data request fills in a cell or a row.
#include "catalogs/catalogdata.h"
#include "viewer/tarnel.h"

#include <functional>
#include <string>

namespace tarnel {

// What a drawing catalog cell shows.
struct FigCell {
    std::string Name;         // QRLabel2
    std::string Pads;         // QRLabel3, "2 ilhas"
    std::string Alias;        // QRLabel4
    std::string Scale;        // QRLabel8, "Escala: 50 %"
    std::string Description;  // QRLabel9
};

// What a list catalog row shows.
struct ListRow {
    std::string Name;         // QRLabel2
    std::string Alias;        // QRLabel4
    std::string Description;  // QRLabel9
};

class CatalogCursor {
public:
    explicit CatalogCursor(TForm1Core& core) : core_(core) {}

    int RecordsLeft = 0;
    std::string DocFilePath;  // the documentation file beside the library
    std::string MdcFilePath;  // the footprint documentation file beside it
    // Shows "Catálogo gerado!" at the end of a drawing catalog run.
    std::function<void(const std::string&)> ShowInfo;

    // Resets the cursor for a catalog report named name.
    void zerarparaimprimir(const std::string& reportName);
    // Sets the documentation files from the library's path.
    void SetLibrary(const std::string& libraryPath);

    // One data request of the drawing catalog; picture is the cell's 179 x
    // 179 bitmap. Returns MoreData.
    bool QR_FIGNeedData(FigCell& cell, Canvas& picture);
    // One data request of the list catalog. Returns MoreData.
    bool QuickRepNeedData(ListRow& row);

private:
    std::string SelectedName() const;
    // The selected module's description: a footprint's own, or why it could
    // not be read; a legacy module's from the documentation files.
    std::string Description(const std::string& name);
    bool Selected() const;
    bool Advance();
    TForm1Core& core_;
    DescriptionSource descriptions_;
};

} // namespace tarnel
