#include "preview/Demopre.h"

#include "preview/dialogs.h"
#include "preview/messages.h"

#include <QCloseEvent>
#include <cmath>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPageRanges>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QStyle>
#include <QVBoxLayout>

namespace tarnel {

TPrevForm::TPrevForm(QWidget* owner, PreviewRecorder* recorder, PicturePainter painter)
    : QWidget(owner, Qt::Window), recorder_(recorder) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QStringLiteral("Visão Prévia da Impressão"));
    resize(716, 612);
    setFont(QFont(QStringLiteral("System")));

    // The tool panel is laid out, not placed: the page count label grows with
    // the count without running into "Zoom", and the window cannot be made
    // narrower than the panel, so every button stays reachable.
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFixedHeight(42);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(8, 0, 8, 0);
    row->setSpacing(0);
    auto place = [&](QWidget* w, int gapBefore, int width = -1, int height = -1) {
        if (gapBefore > 0) row->addSpacing(gapBefore);
        row->addWidget(w, 0, Qt::AlignVCenter);
        if (width > 0) w->setFixedSize(width, height);
    };
    Label1 = new QLabel(QStringLiteral("Página"));
    place(Label1, 0);
    SpinEdit1 = new QSpinBox;
    SpinEdit1->setRange(1, 1);
    place(SpinEdit1, 6, 57, 26);
    Label2 = new QLabel(QStringLiteral("de "));
    Label2->setMinimumWidth(40);
    place(Label2, 9);
    Label3 = new QLabel(QStringLiteral("Zoom"));
    place(Label3, 12);
    CB_zoom = new QComboBox;
    CB_zoom->setEditable(true);
    CB_zoom->setInsertPolicy(QComboBox::NoInsert);
    CB_zoom->addItems({QStringLiteral("  25  %"), QStringLiteral("  50  %"), QStringLiteral(" 100 %"), QStringLiteral(" 150 %"),
                       QStringLiteral(" 200 %"), QStringLiteral("Página inteira"), QStringLiteral("Largura da Página")});
    CB_zoom->setCurrentIndex(-1);
    place(CB_zoom, 8, 145, 24);
    SpeedButton1 = new QToolButton;
    SpeedButton1->setToolTip(QStringLiteral("Configurar impressora"));
    place(SpeedButton1, 14, 28, 25);
    SpeedButton1->setVisible(false);
    SpeedButton1->setEnabled(false);
    SB_imprimir = new QToolButton;
    SB_imprimir->setToolTip(QStringLiteral("Imprimir"));
    SB_imprimir->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    place(SB_imprimir, 30, 30, 25);
    bb_salvar = new QToolButton;
    bb_salvar->setToolTip(QStringLiteral("Gravar"));
    bb_salvar->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    place(bb_salvar, 2, 30, 25);
    BB_ler = new QToolButton;
    BB_ler->setToolTip(QStringLiteral("Ler"));
    BB_ler->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    place(BB_ler, 2, 30, 25);
    BitBtn1 = new QPushButton(QStringLiteral("&Sair"));
    place(BitBtn1, 18, 54, 25);
    BitBtn2 = new QPushButton(QStringLiteral("PDF"));
    place(BitBtn2, 13, 47, 25);
    LabelPausa = new QLabel(QStringLiteral("Em pausa"));
    LabelPausa->setObjectName(QStringLiteral("LabelPausa"));
    LabelPausa->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold"));
    LabelPausa->setVisible(false);
    place(LabelPausa, 18);
    row->addStretch(1);

    QRPreview1 = new PageView(this);
    QRPreview1->setObjectName(QStringLiteral("QRPreview1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel);
    layout->addWidget(QRPreview1, 1);

    // Bind the page display to the recorder.
    QRPreview1->PageCount = [this] { return recorder_ ? recorder_->PageCount() : 0; };
    QRPreview1->FetchPage = [this](int n) { return recorder_ ? recorder_->Page(n) : std::nullopt; };
    QRPreview1->PaintPicture = std::move(painter);
    QRPreview1->SetPaper(recorder_->PaperWidth(), recorder_->PaperLength(), recorder_->Factor());
    QRPreview1->Bind();
    recorder_->OnPageAvailable = [this](int n) { QRPreview1->PageAvailable(n); };
    connect(QRPreview1, &PageView::OnPageAvailable, this, &TPrevForm::QRPreview1PageAvailable);
    if (!recorder_->Title().empty()) setWindowTitle(QString::fromStdString(recorder_->Title()));

    connect(SpinEdit1, &QSpinBox::valueChanged, this, [this] { SpinEdit1Change(); });
    connect(CB_zoom, &QComboBox::activated, this, &TPrevForm::CB_zoomChange);
    // An editable combo box hands keys to its line edit itself, past any
    // filter on the line edit: Enter is caught where the keyboard sends it.
    CB_zoom->installEventFilter(this);
    CB_zoom->lineEdit()->installEventFilter(this);
    connect(SB_imprimir, &QToolButton::clicked, this, &TPrevForm::SB_imprimirClick);
    connect(bb_salvar, &QToolButton::clicked, this, &TPrevForm::bb_salvarClick);
    connect(BB_ler, &QToolButton::clicked, this, &TPrevForm::BB_lerClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TPrevForm::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TPrevForm::BitBtn2Click);
}

TPrevForm::~TPrevForm() {
    if (recorder_) recorder_->OnPageAvailable = nullptr;
}

void TPrevForm::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    FormShow();
    FormActivate();
}

void TPrevForm::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TPrevForm::FormShow() {
    SpinEdit1->setValue(1);
    QRPreview1->SetZoom(100);
    CB_zoom->setEditText(QStringLiteral("100 %"));
}

void TPrevForm::FormActivate() {
    Label2->setText(QStringLiteral("de ") + QString::number(recorder_ ? recorder_->PageCount() : 0));
}

void TPrevForm::UpdateSpinEnabled() { SpinEdit1->setEnabled(SpinEdit1->minimum() != SpinEdit1->maximum()); }

void TPrevForm::QRPreview1PageAvailable(int) {
    const int count = recorder_ ? recorder_->PageCount() : 0;
    const QSignalBlocker block(SpinEdit1);
    SpinEdit1->setMaximum(std::max(count, 1));
    Label2->setText(QStringLiteral("de ") + QString::number(count));
    SpinEdit1->setMinimum(1);
    UpdateSpinEnabled();
}

void TPrevForm::SpinEdit1Change() { QRPreview1->SetPageNumber(SpinEdit1->value()); }

void TPrevForm::CB_zoomChange(int index) {
    static const int zooms[] = {25, 50, 100, 150, 200};
    if (index >= 0 && index <= 4) {
        QRPreview1->ZoomToFit();
        QRPreview1->SetZoom(zooms[index]);
    } else if (index == 5) {
        QRPreview1->ZoomToFit();
    } else if (index == 6) {
        QRPreview1->ZoomToWidth();
    }
}

void TPrevForm::CB_zoomKeyPress() {
    QRPreview1->SetZoom(ParseZoomText(CB_zoom->currentText()));
    if (QRPreview1->Zoom() > 500) QRPreview1->SetZoom(500);
    CB_zoom->setEditText(QString::number(QRPreview1->Zoom()) + QStringLiteral(" %"));
}

bool TPrevForm::eventFilter(QObject* o, QEvent* e) {
    if ((o == CB_zoom || o == CB_zoom->lineEdit()) && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            CB_zoomKeyPress();
            return true;  // the combo box would otherwise re-select an item
        }
    }
    return QWidget::eventFilter(o, e);
}

void TPrevForm::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    const int z = QRPreview1->Zoom();
    QRPreview1->ZoomToFit();
    QRPreview1->SetZoom(z);
}

bool TPrevForm::event(QEvent* e) {
    // A modal dialog holds up the run, which makes its pages between events
    // of this loop: say so while the pages stand still.
    if (e->type() == QEvent::WindowBlocked) LabelPausa->setVisible(recorder_ && recorder_->Running());
    else if (e->type() == QEvent::WindowUnblocked) LabelPausa->setVisible(false);
    return QWidget::event(e);
}

bool TPrevForm::RefuseWhileRunning(const char* message, bool unfinished) {
    if (!recorder_ || !(unfinished ? !recorder_->Finished() : recorder_->Running())) return false;
    Dialogs().Message(this, UiDialogs::Icon::Information, message);
    return true;
}

void TPrevForm::SB_imprimirClick() {
    if (exporting_) return;
    // Only the pages made so far could be printed.
    if (RefuseWhileRunning("O catálogo ainda está sendo gerado; imprima-o quando terminar.")) return;
    const int count = recorder_ ? recorder_->PageCount() : 0;
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dlg(&printer, this);
    dlg.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dlg.setMinMax(1, std::max(count, 1));
    if (dlg.exec() != QDialog::Accepted || count == 0) return;
    // Prints the recorded pages chosen in the dialog, each stretched over the
    // printable page.
    int from = 1, to = count;
    if (printer.printRange() == QPrinter::PageRange && !printer.pageRanges().isEmpty()) {
        from = std::max(1, printer.pageRanges().firstPage());
        to = std::min(count, printer.pageRanges().lastPage());
    }
    QPainter p;
    if (!p.begin(&printer)) {
        Dialogs().Message(this, UiDialogs::Icon::Error, "Não foi possível abrir a impressora.");
        return;
    }
    bool first = true;
    for (int n = from; n <= to; ++n) {
        if (printer.printRange() == QPrinter::PageRange && !printer.pageRanges().contains(n)) continue;
        auto page = recorder_->Page(n);
        if (!page) continue;
        if (!first) printer.newPage();
        first = false;
        if (QRPreview1->PaintPicture) QRPreview1->PaintPicture(p, QRect(QPoint(0, 0), printer.pageRect(QPrinter::DevicePixel).size().toSize()), *page);
    }
    p.end();
}

void TPrevForm::bb_salvarClick() {
    if (exporting_) return;
    // Said before a file is asked for, which could not be written yet.
    if (RefuseWhileRunning("O catálogo ainda está sendo gerado; grave-o quando terminar.")) return;
    auto path = Dialogs().SaveFile(this, "Arquivos QRP(*.qrp)|*.qrp", "QRP");
    if (!path) return;
    try {
        if (!recorder_->Save(*path))
            Dialogs().Message(this, UiDialogs::Icon::Information,
                              "O catálogo ainda está sendo gerado; grave-o quando terminar.");
    } catch (const std::exception& e) {
        Dialogs().Message(this, UiDialogs::Icon::Error, PortugueseReportError(e.what()));
    }
}

void TPrevForm::BB_lerClick() {
    if (exporting_) return;
    // Another report would end the run half-way, unseen.
    if (RefuseWhileRunning("O catálogo ainda está sendo gerado; leia outro relatório quando terminar.")) return;
    auto path = Dialogs().OpenFile(this, "Relatórios (*.QRP)|*.QRP", "QRP");
    bool loaded = false;
    if (path) {
        try {
            recorder_->Load(*path);
            loaded = true;
        } catch (const std::exception& e) {
            Dialogs().Message(this, UiDialogs::Icon::Error, PortugueseReportError(e.what()));
        }
    }
    if (loaded) {
        // Another report: its own page range, from its first page, or its
        // later pages could not be reached and a page past its end would
        // show nothing.
        QRPreview1PageAvailable(recorder_->PageCount());
        QRPreview1->SetPaper(recorder_->PaperWidth(), recorder_->PaperLength(), recorder_->Factor());
        {
            const QSignalBlocker block(SpinEdit1);
            SpinEdit1->setValue(1);
        }
        QRPreview1->SetPageNumber(1);
    }
    QRPreview1->Redraw();
}

void TPrevForm::BitBtn1Click() { close(); }

void TPrevForm::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        BitBtn1->click();  // the cancel button of the window
        return;
    }
    QWidget::keyPressEvent(e);
}

void TPrevForm::BitBtn2Click() {
    if (exporting_) return;
    // The pages of a run still in progress are not all there yet: an export
    // now would be a partial catalog.
    if (RefuseWhileRunning("O catálogo ainda está sendo gerado; exporte-o para PDF quando terminar.", true)) return;
    ExQR1.Report = CurrentReport ? CurrentReport() : recorder_->Pages();
    auto path = Dialogs().SaveFile(this, "Arquivos PDF(*.pdf)|*.pdf", "QRP");
    if (!path) return;
    // The pages were laid out at the recorder's density.
    ExQR1.Rx = ExQR1.Ry = std::lround(recorder_->Factor() * 254.0);
    if (!ExQR1.ShowError) ExQR1.ShowError = [this](const std::string& m) { Dialogs().Message(this, UiDialogs::Icon::Error, m); };
    // The export lets events through between pages; the pages it reads stay
    // in place until it ends.
    exporting_ = true;
    ExQR1.ExportPDF(PdfFileBase(*path), true);
    exporting_ = false;
}

void TPrevForm::closeEvent(QCloseEvent* e) {
    if (exporting_) {
        e->ignore();
        return;
    }
    if (!closed_) {
        closed_ = true;
        if (recorder_) {
            recorder_->OnPageAvailable = nullptr;
            recorder_->ClosePreview();
        }
        emit Closed();
    }
    QWidget::closeEvent(e);
}

} // namespace tarnel
