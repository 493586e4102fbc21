#include "pdf/ui/Prgrs.h"

#include "preview/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <stdexcept>

namespace tarnel {

TFPrgrs::TFPrgrs(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(QStringLiteral("Exportando..."));
    // Room below the bar for the stop button.
    setFixedSize(265, 118);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSize(8);
    setFont(f);
    Panel1 = new QFrame(this);
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setGeometry(0, 0, 265, 118);
    Accion = new QLabel(QStringLiteral("Página..."), Panel1);
    Accion->move(87, 21);
    Accion->setMinimumWidth(170);
    PB = new QProgressBar(Panel1);
    PB->setGeometry(15, 42, 235, 16);
    PB->setRange(0, 100);
    PB->setValue(0);
    PB->setTextVisible(false);
    Cancelar = new QPushButton(QStringLiteral("Cancelar"), Panel1);
    Cancelar->setGeometry(95, 78, 75, 25);
    Cancelar->setDefault(true);
    connect(Cancelar, &QPushButton::clicked, this, [this] {
        stop_ = true;
        Cancelar->setEnabled(false);
    });
    if (QScreen* s = owner ? owner->screen() : QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TFPrgrs::SetCaption(const std::string& text) { setWindowTitle(QString::fromStdString(text)); }

void TFPrgrs::SetRange(int min, int max) {
    if (max < min) throw std::runtime_error("progress range maximum below its minimum");
    PB->setRange(min, max);
}

void TFPrgrs::SetPosition(int pos) {
    PB->setValue(pos);
    PB->repaint();
}

void TFPrgrs::StepIt() {
    PB->setValue(std::min(PB->value() + 1, PB->maximum()));
    PB->repaint();
}

void TFPrgrs::SetLabel(const std::string& text) {
    Accion->setText(QString::fromStdString(text));
    Accion->adjustSize();
    Accion->repaint();
}

void TFPrgrs::Show() {
    // Modal while the export runs: the pages it reads must not be closed or
    // replaced under it, nor a second export started.
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
}

// Hidden rather than closed: a dialog's close goes through reject(), which
// here only asks the export to stop.
void TFPrgrs::Close() { done(QDialog::Rejected); }

bool TFPrgrs::KeepGoing() {
    // The window paints, the windows under a closed dialog repaint, and the
    // stop button answers.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return !stop_;
}

void TFPrgrs::reject() {
    stop_ = true;
    Cancelar->setEnabled(false);
}

void UseExportWindows(TExportQR& exporter, QWidget* parent) {
    exporter.MakeProgress = [parent] { return std::make_unique<TFPrgrs>(parent); };
    exporter.ShowError = [parent](const std::string& message) {
        Dialogs().Message(parent, UiDialogs::Icon::Error, message);
    };
}

void ExportWithSaveDialog(TExportQR& exporter, QWidget* parent) {
    QFileDialog dlg(parent);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setNameFilter(QStringLiteral("Arquivos PDF(*.pdf)"));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return;
    const std::string chosen = QFile::encodeName(dlg.selectedFiles().constFirst()).toStdString();
    exporter.ExportPDF(PdfFileBase(chosen), true);
}

} // namespace tarnel
