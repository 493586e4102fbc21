#include "index/ui/pag2.h"
#include "util/displaytext.h"

#include "preview/dialogs.h"

#include <QDataWidgetMapper>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using namespace tarnel;

TForm2::TForm2(IndexFileList& files, QWidget* parent) : QDialog(parent), files_(files) {
    setObjectName("Form2");
    // Reached from the menu, so named for users.
    setWindowTitle(QStringLiteral("Índice de componentes"));
    resize(760, 520);

    TMemTable& names = tables_.RxMD_principal;
    TMemTable& comp = tables_.RxMD_comp;
    names_ = new TMemTableModel(names, {names.FieldIndex("alias"), names.FieldIndex("lib")}, this);
    modules_ = new TMemTableModel(comp, {}, this);

    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(name);
        return w;
    };
    BitBtn1 = new QPushButton("Indexar", this);
    BitBtn2 = new QPushButton("Localizar", this);
    // Enter in the search box must not start a run.
    BitBtn1->setAutoDefault(false);
    BitBtn2->setAutoDefault(false);
    Label3 = new QLabel("Modelos:", this);
    Label1 = new QLabel("0", this);
    Label2 = new QLabel("Componentes:", this);
    Label4 = new QLabel("0", this);
    Edit1 = new QLineEdit(this);
    DBGrid2 = new QTableView(this);
    DBEdit2 = new QLineEdit(this);
    DBEdit3 = new QLineEdit(this);
    DBEdit1 = new QLabel(this);
    DBMemo1 = new QPlainTextEdit(this);
    named(BitBtn1, "BitBtn1");
    named(BitBtn2, "BitBtn2");
    named(Label3, "Label3");
    named(Label1, "Label1");
    named(Label2, "Label2");
    named(Label4, "Label4");
    named(Edit1, "Edit1");
    named(DBGrid2, "DBGrid2");
    named(DBEdit2, "DBEdit2");
    named(DBEdit3, "DBEdit3");
    named(DBEdit1, "DBEdit1");
    named(DBMemo1, "DBMemo1");

    DBGrid2->setModel(names_);
    DBGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid2->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid2->setSortingEnabled(false);
    DBGrid2->verticalHeader()->hide();
    DBGrid2->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DBGrid2->verticalHeader()->setDefaultSectionSize(DBGrid2->fontMetrics().height() + 4);
    DBGrid2->horizontalHeader()->setSectionsClickable(true);
    DBGrid2->horizontalHeader()->setHighlightSections(false);
    DBGrid2->setColumnWidth(0, 170);
    DBGrid2->setColumnWidth(1, 150);

    DBEdit2->setReadOnly(true);
    DBEdit3->setReadOnly(true);
    DBEdit1->setWordWrap(true);
    DBEdit1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    DBEdit1->setTextFormat(Qt::PlainText);
    DBEdit1->setMinimumHeight(2 * DBEdit1->fontMetrics().height());
    DBMemo1->setReadOnly(true);
    DBMemo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    DBMemo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DBMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    mapper_ = new QDataWidgetMapper(this);
    mapper_->setModel(modules_);
    mapper_->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
    mapper_->addMapping(DBEdit2, modules_->ColumnOfField(comp.FieldIndex("Principal")));
    mapper_->addMapping(DBEdit3, modules_->ColumnOfField(comp.FieldIndex("Elementos")));
    mapper_->addMapping(DBEdit1, modules_->ColumnOfField(comp.FieldIndex("Alias")), "text");
    mapper_->addMapping(DBMemo1, modules_->ColumnOfField(comp.FieldIndex("Comandos")), "plainText");

    auto* top = new QHBoxLayout;
    top->addWidget(BitBtn1);
    top->addSpacing(16);
    top->addWidget(Label3);
    top->addWidget(Label1);
    top->addSpacing(16);
    top->addWidget(Label2);
    top->addWidget(Label4);
    top->addStretch(1);
    auto* search = new QHBoxLayout;
    search->addWidget(Edit1, 1);
    search->addWidget(BitBtn2);
    auto* left = new QVBoxLayout;
    left->addLayout(search);
    left->addWidget(DBGrid2, 1);
    auto* right = new QGridLayout;
    right->addWidget(DBEdit2, 0, 0);
    right->addWidget(DBEdit3, 0, 1);
    right->setColumnStretch(0, 3);
    right->setColumnStretch(1, 1);
    right->addWidget(DBEdit1, 1, 0, 1, 2);
    right->addWidget(DBMemo1, 2, 0, 1, 2);
    right->setRowStretch(2, 1);
    auto* body = new QHBoxLayout;
    body->addLayout(left, 2);
    body->addLayout(right, 3);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addLayout(body, 1);

    connect(BitBtn1, &QPushButton::clicked, this, &TForm2::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm2::BitBtn2Click);
    connect(DBGrid2, &QTableView::clicked, this, &TForm2::DBGrid2CellClick);
    connect(DBGrid2->horizontalHeader(), &QHeaderView::sectionClicked, this, &TForm2::DBGrid2TitleClick);
    connect(DBGrid2->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { TableFollowsGrid(current); });
    connect(names_, &TMemTableModel::currentRowChanged, this, &TForm2::GridFollowsTable);
    connect(modules_, &TMemTableModel::currentRowChanged, this, &TForm2::FieldsFollowTable);
    FieldsFollowTable(comp.RecNo());
}

// The tables go before the base class tears the widgets down: let go of
// everything that reads them first.
TForm2::~TForm2() {
    delete mapper_;
    DBGrid2->setModel(nullptr);
    delete names_;
    delete modules_;
}

void TForm2::GridFollowsTable(int row) {
    if (syncing_) return;
    syncing_ = true;
    if (row < 0 || row >= names_->rowCount()) {
        DBGrid2->selectionModel()->clearCurrentIndex();
    } else {
        const int column = DBGrid2->currentIndex().isValid() ? DBGrid2->currentIndex().column() : 0;
        DBGrid2->setCurrentIndex(names_->index(row, column));
    }
    syncing_ = false;
}

void TForm2::TableFollowsGrid(const QModelIndex& current) {
    // A reset of the model clears the view's current index; the table keeps its own.
    if (syncing_ || !current.isValid()) return;
    syncing_ = true;
    tables_.RxMD_principal.MoveTo(current.row());
    syncing_ = false;
}

void TForm2::FieldsFollowTable(int row) {
    if (row < 0 || row >= modules_->rowCount()) {
        mapper_->setCurrentIndex(-1);
        DBEdit2->clear();
        DBEdit3->clear();
        DBEdit1->clear();
        DBMemo1->clear();
        return;
    }
    mapper_->setCurrentIndex(row);
    // Footprint rows carry no lines: they are read from the file now.
    const TMemTable& comp = tables_.RxMD_comp;
    if (!comp.Text(row, comp.FieldIndex("Arquivo")).empty())
        DBMemo1->setPlainText(DisplayQString(IndexedModuleLines(tables_, row)).replace(QChar('\r'), QChar('\n')));
}

void TForm2::BitBtn1Click() {
    BitBtn1->setEnabled(false);
    const IndexRunResult r = BuildIndex(tables_, files_);
    BitBtn1->setEnabled(true);
    Label1->setText(QString::number(r.modules));
    Label4->setText(QString::number(r.names));
    if (!r.ok()) Dialogs().Message(this, UiDialogs::Icon::Error, r.error);
}

void TForm2::BitBtn2Click() {
    const QByteArray text = Edit1->text().toUtf8();
    if (tables_.RxMD_principal.Locate("alias", std::string_view(text.constData(), static_cast<size_t>(text.size())),
                                      LocateOptions{true, true}))
        DBGrid2CellClick(DBGrid2->currentIndex());
}

void TForm2::DBGrid2CellClick(const QModelIndex& /*index*/) {
    const TMemTable& names = tables_.RxMD_principal;
    const int row = names.RecNo();
    if (row < 0) return;
    const int64_t nr = names.Int(row, names.FieldIndex("nr_principal"));
    tables_.RxMD_comp.Locate("nr_principal", nr, LocateOptions{true, false});
}

void TForm2::DBGrid2TitleClick(int section) {
    tables_.RxMD_principal.SortOnFields(section == 0 ? "alias;lib" : "lib;alias", true, false);
}
