#pragma once
// The window that watches a vector catalog being written on a thread of its
// own: a bar of the footprints done and "Cancelar".
#include "book/bookrun.h"

#include <QDialog>

#include <atomic>
#include <exception>
#include <string>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tarnel {

class TBookProgress : public QDialog {
    Q_OBJECT
public:
    explicit TBookProgress(QWidget* parent = nullptr);

    QLabel* Label;
    QProgressBar* PB;
    QPushButton* Cancelar;  // asks the run to stop; Escape does the same

    // Writes the catalog while the window shows, modal; returns when the
    // run ends. Rethrows what the run threw (book::Cancelled when stopped).
    book::BookSummary Run(const std::vector<std::string>& libraries, const std::string& path,
                          const book::BookOptions& options);

protected:
    void reject() override;  // Escape: a stop request

private:
    void Tick();
    book::BookProgress progress_;
    QTimer* timer_;
    std::atomic<bool> over_{false};  // the run has ended
    bool finished_ = false;          // and the window knows
};

} // namespace tarnel
