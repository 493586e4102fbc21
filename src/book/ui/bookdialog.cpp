#include "book/ui/bookdialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tarnel {

TBookDialog::TBookDialog(const QString& currentLibrary, int libraries, QWidget* parent) : QDialog(parent) {
    setObjectName("TBookDialog");
    setWindowTitle(QStringLiteral("Catálogo PDF"));
    auto* top = new QVBoxLayout(this);

    auto* which = new QGroupBox(QStringLiteral("Bibliotecas"), this);
    auto* whichLayout = new QVBoxLayout(which);
    RB_atual = new QRadioButton(currentLibrary.isEmpty() ? QStringLiteral("A biblioteca atual (nenhuma)")
                                                         : QStringLiteral("A biblioteca atual: ") + currentLibrary,
                                which);
    RB_atual->setObjectName("RB_atual");
    RB_todas = new QRadioButton(QStringLiteral("Todas as bibliotecas da pasta (%1)").arg(libraries), which);
    RB_todas->setObjectName("RB_todas");
    RB_atual->setEnabled(!currentLibrary.isEmpty());
    RB_todas->setEnabled(libraries > 0);
    (currentLibrary.isEmpty() ? RB_todas : RB_atual)->setChecked(true);
    whichLayout->addWidget(RB_atual);
    whichLayout->addWidget(RB_todas);
    top->addWidget(which);

    auto* layout = new QGroupBox(QStringLiteral("Páginas"), this);
    auto* form = new QFormLayout(layout);
    CB_papel = new QComboBox(layout);
    CB_papel->setObjectName("CB_papel");
    CB_papel->addItems({QStringLiteral("A4"), QStringLiteral("Carta")});
    form->addRow(QStringLiteral("Papel:"), CB_papel);
    RB_ajustar = new QRadioButton(QStringLiteral("Ajustar à célula"), layout);
    RB_ajustar->setObjectName("RB_ajustar");
    RB_escala = new QRadioButton(QStringLiteral("Escala 1:1"), layout);
    RB_escala->setObjectName("RB_escala");
    RB_ajustar->setChecked(true);
    auto* scale = new QButtonGroup(this);
    scale->addButton(RB_ajustar);
    scale->addButton(RB_escala);
    form->addRow(QStringLiteral("Desenhos:"), RB_ajustar);
    form->addRow(QString(), RB_escala);
    CB_numeros = new QCheckBox(QStringLiteral("Números das ilhas"), layout);
    CB_numeros->setObjectName("CB_numeros");
    CB_numeros->setChecked(true);
    form->addRow(QString(), CB_numeros);
    top->addWidget(layout);

    auto* buttons = new QDialogButtonBox(this);
    B_ok = buttons->addButton(QStringLiteral("Gerar…"), QDialogButtonBox::AcceptRole);
    B_ok->setObjectName("B_ok");
    B_cancelar = buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    B_cancelar->setObjectName("B_cancelar");
    B_ok->setEnabled(!currentLibrary.isEmpty() || libraries > 0);
    B_ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    top->addWidget(buttons);
}

bool TBookDialog::AllLibraries() const { return RB_todas->isChecked(); }

book::BookOptions TBookDialog::Options(const Palette& colours) const {
    book::BookOptions o;
    o.paper = CB_papel->currentIndex() == 1 ? book::Paper::Letter : book::Paper::A4;
    o.trueScale = RB_escala->isChecked();
    o.padNumbers = CB_numeros->isChecked();
    o.colours = colours;
    return o;
}

} // namespace tarnel
