#pragma once
// The preview window: pages through a report's recorded pages while the run
// produces them, zooms, saves and loads report files, exports PDF, prints.
#include "pdf/ExportPack.h"
#include "preview/pageview.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tarnel {

// What the window needs of the recorder it shows.
class PreviewRecorder {
public:
    virtual ~PreviewRecorder() = default;
    virtual int PageCount() const = 0;                          // pages opened so far
    virtual std::optional<std::string> Page(int n) const = 0;   // picture of page n, when available
    virtual std::string Title() const = 0;
    virtual double PaperWidth() const { return 2100; }          // tenths of a millimetre
    virtual double PaperLength() const { return 2970; }
    virtual double Factor() const { return 96.0 / 254.0; }      // page pixels per tenth of a millimetre
    virtual bool Finished() const = 0;
    // A run is making pages.
    virtual bool Running() const { return false; }
    // Cancels a run in progress, or releases the pages.
    virtual void ClosePreview() = 0;
    // Returns false, writing nothing, while the run has not finished;
    // throws std::exception on a write error.
    virtual bool Save(const std::string& path) = 0;
    // Replaces the pages; throws std::exception naming the file and the
    // fault, keeping the previous pages.
    virtual void Load(const std::string& path) = 0;
    // The pages as the PDF export reads them.
    virtual const PageSource* Pages() const = 0;
    // Set by the window: called (queued) when a page becomes available.
    std::function<void(int)> OnPageAvailable;
};

// Paints a page picture stretched into a rectangle.
using PicturePainter = std::function<void(QPainter&, const QRect&, const std::string&)>;

class TPrevForm : public QWidget {
    Q_OBJECT
public:
    TPrevForm(QWidget* owner, PreviewRecorder* recorder, PicturePainter painter);
    ~TPrevForm() override;

    PageView* QRPreview1;
    QLabel* Label1;
    QSpinBox* SpinEdit1;
    QLabel* Label2;
    QLabel* Label3;
    QComboBox* CB_zoom;
    QToolButton* SpeedButton1;
    QToolButton* SB_imprimir;
    QToolButton* bb_salvar;
    QToolButton* BB_ler;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    // "Em pausa": shown while a dialog holds up the run (the run goes on
    // between its pages only when the program's event loop does).
    QLabel* LabelPausa;
    TExportQR ExQR1;

    // The report the "PDF" button exports (the catalog started last).
    std::function<const PageSource*()> CurrentReport;

    void FormShow();
    void FormActivate();
    void QRPreview1PageAvailable(int n);
    void SpinEdit1Change();
    void CB_zoomChange(int index);
    void CB_zoomKeyPress();  // Enter in the zoom box
    void SB_imprimirClick();
    void bb_salvarClick();
    void BB_lerClick();
    void BitBtn1Click();
    void BitBtn2Click();

signals:
    void Closed();

protected:
    void showEvent(QShowEvent*) override;
    void changeEvent(QEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void closeEvent(QCloseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    bool eventFilter(QObject* o, QEvent* e) override;
    bool event(QEvent* e) override;

private:
    void UpdateSpinEnabled();
    // Refuses a command while the run goes on (or, with unfinished, until
    // it has finished), saying what to do instead; true when it refused.
    bool RefuseWhileRunning(const char* message, bool unfinished = false);
    PreviewRecorder* recorder_;
    bool closed_ = false;
    bool exporting_ = false;
};

} // namespace tarnel
