#pragma once
// The small window that shows which page the PDF export is writing.
#include "pdf/ExportPack.h"

#include <QDialog>

#include <memory>
#include <string>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

namespace tarnel {

class TFPrgrs : public QDialog, public ExportProgress {
    Q_OBJECT
public:
    explicit TFPrgrs(QWidget* owner = nullptr);

    QFrame* Panel1;
    QLabel* Accion;
    QProgressBar* PB;
    QPushButton* Cancelar;  // stops the export; Escape does the same

    void SetCaption(const std::string& text) override;
    void SetRange(int min, int max) override;
    void SetPosition(int pos) override;
    void StepIt() override;
    void SetLabel(const std::string& text) override;
    void Show() override;
    void Close() override;
    bool KeepGoing() override;
    bool StopRequested() const { return stop_; }

protected:
    void reject() override;  // Escape: a stop request, not a close

private:
    bool stop_ = false;
};

// Wires an export driver to the windows: a TFPrgrs per export and an error
// message box over parent.
void UseExportWindows(TExportQR& exporter, QWidget* parent);

// The "PDF" button: asks for a file name with "Arquivos PDF(*.pdf)", drops
// its extension and exports with indexed images. Does nothing on cancel.
void ExportWithSaveDialog(TExportQR& exporter, QWidget* parent);

} // namespace tarnel
