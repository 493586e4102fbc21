#pragma once
// "Catálogo PDF…": which libraries, which paper, which scale, pad numbers.
#include "book/bookoptions.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace tarnel {

class TBookDialog : public QDialog {
    Q_OBJECT
public:
    // currentLibrary: the library shown, empty for none; libraries: how
    // many the folder holds.
    TBookDialog(const QString& currentLibrary, int libraries, QWidget* parent = nullptr);

    QRadioButton* RB_atual;   // the current library
    QRadioButton* RB_todas;   // every library of the folder
    QComboBox* CB_papel;      // "A4", "Carta"
    QRadioButton* RB_ajustar; // "Ajustar à célula"
    QRadioButton* RB_escala;  // "Escala 1:1"
    QCheckBox* CB_numeros;    // pad numbers
    QPushButton* B_ok;
    QPushButton* B_cancelar;

    bool AllLibraries() const;
    // The choices, with the window's colours.
    book::BookOptions Options(const Palette& colours) const;
};

} // namespace tarnel
