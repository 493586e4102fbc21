#include "book/ui/bookprogress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <thread>

namespace tarnel {

TBookProgress::TBookProgress(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("TBookProgress");
    setWindowTitle(QStringLiteral("Catálogo PDF"));
    setWindowModality(Qt::ApplicationModal);
    auto* top = new QVBoxLayout(this);
    Label = new QLabel(QStringLiteral("Lendo as bibliotecas…"), this);
    Label->setMinimumWidth(280);
    PB = new QProgressBar(this);
    PB->setRange(0, 0);
    Cancelar = new QPushButton(QStringLiteral("Cancelar"), this);
    Cancelar->setObjectName("Cancelar");
    top->addWidget(Label);
    top->addWidget(PB);
    top->addWidget(Cancelar, 0, Qt::AlignHCenter);
    connect(Cancelar, &QPushButton::clicked, this, &TBookProgress::reject);
    timer_ = new QTimer(this);
    timer_->setInterval(50);
    connect(timer_, &QTimer::timeout, this, &TBookProgress::Tick);
}

void TBookProgress::reject() {
    if (finished_) {
        QDialog::reject();
        return;
    }
    progress_.cancel = true;
    Cancelar->setEnabled(false);
    Label->setText(QStringLiteral("Cancelando…"));
}

void TBookProgress::Tick() {
    const int64_t total = progress_.total.load(), done = progress_.done.load();
    if (total > 0 && !progress_.cancel.load()) {
        // The bar counts in thousandths: totals may pass what an int holds.
        PB->setRange(0, 1000);
        PB->setValue(static_cast<int>(done * 1000 / total));
        // At true size every footprint is measured before any is drawn.
        const int64_t n = progress_.footprints.load();
        if (total > n && done < n) Label->setText(QStringLiteral("Medindo: %1 de %2 módulos").arg(done).arg(n));
        else Label->setText(QStringLiteral("%1 de %2 módulos").arg(done - (total - n)).arg(n));
    }
    if (over_.load()) {
        finished_ = true;
        accept();
    }
}

book::BookSummary TBookProgress::Run(const std::vector<std::string>& libraries, const std::string& path,
                                     const book::BookOptions& options) {
    book::BookSummary summary;
    std::exception_ptr failure;
    finished_ = false;
    over_ = false;
    progress_.cancel = false;
    // The window ends with the run, not before: closing it only asks.
    std::thread worker([&] {
        try {
            summary = book::WriteBook(libraries, path, options, &progress_);
        } catch (...) {
            failure = std::current_exception();
        }
        over_ = true;
    });
    timer_->start();
    exec();
    timer_->stop();
    worker.join();
    finished_ = true;
    if (failure) std::rethrow_exception(failure);
    return summary;
}

} // namespace tarnel
