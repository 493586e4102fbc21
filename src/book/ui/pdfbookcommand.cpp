#include "book/ui/pdfbookcommand.h"

#include "book/libraryplan.h"
#include "book/ui/bookdialog.h"
#include "book/ui/bookprogress.h"
#include "preview/dialogs.h"
#include "preview/messages.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace tarnel {

BookHooks& BookUiHooks() {
    static BookHooks h{[](const QString& file) { QDesktopServices::openUrl(QUrl::fromLocalFile(file)); }};
    return h;
}

void RunPdfBookCommand(QWidget* parent, const std::string& currentLibrary, const std::string& folder,
                       const Palette& colours) {
    const std::vector<std::string> all = book::FolderLibraries(folder);
    if (currentLibrary.empty() && all.empty()) {
        Dialogs().Message(parent, UiDialogs::Icon::Error, "Nenhuma biblioteca selecionada");
        return;
    }
    const QString current =
        currentLibrary.empty() ? QString() : QFileInfo(QFile::decodeName(QByteArray::fromStdString(currentLibrary))).fileName();
    TBookDialog choices(current, static_cast<int>(all.size()), parent);
    if (choices.exec() != QDialog::Accepted) return;
    const std::vector<std::string> libraries =
        choices.AllLibraries() || currentLibrary.empty() ? all : std::vector<std::string>{currentLibrary};
    const book::BookOptions options = choices.Options(colours);

    const auto chosen = Dialogs().SaveFile(parent, "Arquivos PDF (*.pdf)|*.pdf", "pdf");
    if (!chosen || chosen->empty()) return;
    std::string path = *chosen;
    if (!QString::fromStdString(path).endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path += ".pdf";

    book::BookSummary summary;
    try {
        TBookProgress progress(parent);
        summary = progress.Run(libraries, path, options);
    } catch (const book::Cancelled&) {
        return;  // nothing was written
    } catch (const std::exception& e) {
        // Saving the file words its faults as the report files do.
        Dialogs().Message(parent, UiDialogs::Icon::Error, PortugueseReportError(e.what()));
        return;
    }

    const QString file = QString::fromStdString(path);
    QMessageBox done(parent);
    done.setObjectName("BookDone");
    done.setWindowTitle(QStringLiteral("Catálogo PDF"));
    done.setIcon(QMessageBox::Information);
    done.setText(QStringLiteral("Catálogo gravado em:\n") + file);
    QString details = QStringLiteral("%1 páginas, %2 módulos").arg(summary.pages).arg(summary.footprints);
    if (!summary.faults.empty())
        details += QStringLiteral("; %1 não puderam ser lidos (as células dizem por quê)").arg(summary.faults.size());
    done.setInformativeText(details);
    QPushButton* open = done.addButton(QStringLiteral("Abrir"), QMessageBox::AcceptRole);
    open->setObjectName("B_abrir");
    done.addButton(QStringLiteral("Fechar"), QMessageBox::RejectRole);
    done.setDefaultButton(open);
    done.exec();
    if (done.clickedButton() == open && BookUiHooks().OpenPdf) BookUiHooks().OpenPdf(file);
}

} // namespace tarnel
