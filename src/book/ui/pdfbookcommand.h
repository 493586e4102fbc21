#pragma once
// Catálogos → "Catálogo PDF…": the choices, the file's name, the run with
// its progress, and a last message with the file and a button that opens it.
#include "output/rasterdevice.h"

#include <QString>

#include <functional>
#include <string>

class QWidget;

namespace tarnel {

struct BookHooks {
    // Opens the finished file in the desktop's PDF viewer.
    std::function<void(const QString& file)> OpenPdf;
};
// The program's hooks; tests replace them.
BookHooks& BookUiHooks();

// currentLibrary: the library whose modules are listed (file-system bytes),
// empty for none; folder: the folder list's folder.
void RunPdfBookCommand(QWidget* parent, const std::string& currentLibrary, const std::string& folder,
                       const Palette& colours);

} // namespace tarnel
