#include "index/ui/pag2.h"
#include "util/displaytext.h"

#include "preview/dialogs.h"
#include "viewer/tarnel.h"

#include <QApplication>
#include <QComboBox>
#include <QDataWidgetMapper>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

using namespace tarnel;

namespace {
// The drawing of a chosen result fits this box.
constexpr int kDrawingWidth = 320, kDrawingHeight = 220;

QSpinBox* CountFilter(QWidget* parent, const char* name) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(-1, 9999);
    box->setValue(-1);
    box->setSpecialValueText(QStringLiteral("qualquer"));
    return box;
}
} // namespace

TForm2::TForm2(IndexFileList& files, QWidget* parent) : QDialog(parent), files_(files) {
    setObjectName("Form2");
    // Reached from the menu, so named for users.
    setWindowTitle(QStringLiteral("Índice de componentes"));
    resize(980, 600);

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
    // The order the grid shows, on the title clicked last.
    DBGrid2->horizontalHeader()->setSortIndicatorShown(true);
    DBGrid2->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    DBGrid2->setColumnWidth(0, 170);
    DBGrid2->setColumnWidth(1, 150);
    LocateStatus = new QLabel(this);
    LocateStatus->setObjectName("LocateStatus");

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

    // The page of names: the index of names over the file list.
    auto* namesPage = new QWidget;
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
    search->addWidget(LocateStatus);
    auto* left = new QVBoxLayout(namesPage);
    left->addLayout(top);
    left->addLayout(search);
    left->addWidget(DBGrid2, 1);

    // The page of the search across libraries.
    auto* searchPage = new QWidget;
    SearchScope = new QComboBox(searchPage);
    SearchScope->setObjectName("SearchScope");
    SearchScope->addItem(QStringLiteral("Pasta atual"));
    SearchScope->addItem(QStringLiteral("Bibliotecas do KiCad"));
    SearchIndexButton = new QPushButton(QStringLiteral("Indexar"), searchPage);
    SearchIndexButton->setObjectName("SearchIndexButton");
    SearchIndexButton->setAutoDefault(false);
    SearchEdit = new QLineEdit(searchPage);
    SearchEdit->setObjectName("SearchEdit");
    SearchEdit->setPlaceholderText(QStringLiteral("palavras do nome, das etiquetas ou da descrição"));
    SearchEdit->setClearButtonEnabled(true);
    PadsFilter = CountFilter(searchPage, "PadsFilter");
    PinsFilter = CountFilter(searchPage, "PinsFilter");
    results_ = new search::SearchResultsModel(this);
    SearchResults = new QTableView(searchPage);
    SearchResults->setObjectName("SearchResults");
    SearchResults->setModel(results_);
    SearchResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SearchResults->setSelectionBehavior(QAbstractItemView::SelectRows);
    SearchResults->setSelectionMode(QAbstractItemView::SingleSelection);
    SearchResults->verticalHeader()->hide();
    SearchResults->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SearchResults->verticalHeader()->setDefaultSectionSize(SearchResults->fontMetrics().height() + 4);
    SearchResults->horizontalHeader()->setStretchLastSection(true);
    SearchStatus = new QLabel(searchPage);
    SearchStatus->setObjectName("SearchStatus");
    SearchStatus->setWordWrap(true);
    auto* scopeLabel = new QLabel(QStringLiteral("&Em:"), searchPage);
    scopeLabel->setBuddy(SearchScope);
    auto* wordsLabel = new QLabel(QStringLiteral("&Procurar:"), searchPage);
    wordsLabel->setBuddy(SearchEdit);
    auto* padsLabel = new QLabel(QStringLiteral("I&lhas:"), searchPage);
    padsLabel->setBuddy(PadsFilter);
    auto* pinsLabel = new QLabel(QStringLiteral("Pi&nos:"), searchPage);
    pinsLabel->setBuddy(PinsFilter);
    auto* scopeRow = new QHBoxLayout;
    scopeRow->addWidget(scopeLabel);
    scopeRow->addWidget(SearchScope, 1);
    scopeRow->addWidget(SearchIndexButton);
    auto* wordsRow = new QHBoxLayout;
    wordsRow->addWidget(wordsLabel);
    wordsRow->addWidget(SearchEdit, 1);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(padsLabel);
    filterRow->addWidget(PadsFilter);
    filterRow->addSpacing(12);
    filterRow->addWidget(pinsLabel);
    filterRow->addWidget(PinsFilter);
    filterRow->addStretch(1);
    auto* searchLayout = new QVBoxLayout(searchPage);
    searchLayout->addLayout(scopeRow);
    searchLayout->addLayout(wordsRow);
    searchLayout->addLayout(filterRow);
    searchLayout->addWidget(SearchResults, 1);
    searchLayout->addWidget(SearchStatus);

    Pages = new QTabWidget(this);
    Pages->setObjectName("Pages");
    Pages->addTab(namesPage, QStringLiteral("Nomes"));
    Pages->addTab(searchPage, QStringLiteral("Procurar"));

    // The chosen module or item: its name and count, labelled, its
    // description, its lines and (for a search result) its drawing.
    Drawing = new QLabel(this);
    Drawing->setObjectName("Drawing");
    Drawing->setFixedSize(kDrawingWidth, kDrawingHeight);
    Drawing->setAlignment(Qt::AlignCenter);
    Drawing->setAutoFillBackground(true);
    QPalette white = Drawing->palette();
    white.setColor(QPalette::Window, Qt::white);
    Drawing->setPalette(white);
    auto* nameLabel = new QLabel(QStringLiteral("Nome:"), this);
    nameLabel->setObjectName("NameLabel");
    nameLabel->setBuddy(DBEdit2);
    auto* countLabel = new QLabel(QStringLiteral("Elementos:"), this);
    countLabel->setObjectName("CountLabel");
    countLabel->setBuddy(DBEdit3);
    auto* right = new QGridLayout;
    right->addWidget(nameLabel, 0, 0);
    right->addWidget(DBEdit2, 0, 1);
    right->addWidget(countLabel, 0, 2);
    right->addWidget(DBEdit3, 0, 3);
    right->setColumnStretch(1, 3);
    right->setColumnStretch(3, 1);
    right->addWidget(DBEdit1, 1, 0, 1, 4);
    right->addWidget(DBMemo1, 2, 0, 1, 4);
    right->addWidget(Drawing, 3, 0, 1, 4, Qt::AlignHCenter);
    right->setRowStretch(2, 1);
    auto* all = new QHBoxLayout(this);
    all->addWidget(Pages, 1);
    all->addLayout(right, 1);

    FolderSource = [this] { return files_.Folder(); };
    TablesSource = [] { return tables::LoadLibraryTables({}); };
    CacheFile = search::DefaultCacheFile();

    connect(Edit1, &QLineEdit::returnPressed, this, &TForm2::BitBtn2Click);
    connect(Edit1, &QLineEdit::textEdited, LocateStatus, &QLabel::clear);
    connect(SearchIndexButton, &QPushButton::clicked, this, &TForm2::IndexForSearch);
    connect(SearchEdit, &QLineEdit::textChanged, this, &TForm2::RunSearch);
    connect(PadsFilter, &QSpinBox::valueChanged, this, &TForm2::RunSearch);
    connect(PinsFilter, &QSpinBox::valueChanged, this, &TForm2::RunSearch);
    connect(SearchScope, &QComboBox::currentIndexChanged, this, [this] {
        indexed_ = false;  // the next search indexes the other scope
        results_->SetHits(nullptr, {});
    });
    // The drawing belongs to the search's results.
    Drawing->setVisible(false);
    connect(Pages, &QTabWidget::currentChanged, Drawing, [this](int page) { Drawing->setVisible(page == 1); });
    connect(SearchResults->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { if (current.isValid()) ShowResult(current.row()); });
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
    SearchResults->setModel(nullptr);
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
    // The run walked the file list's selection; the library open is
    // highlighted again.
    files_.RunEnded();
    BitBtn1->setEnabled(true);
    Label1->setText(QString::number(r.modules));
    Label4->setText(QString::number(r.names));
    DBGrid2->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    FitNameColumn();
    // The lines shown are those of the name highlighted.
    DBGrid2CellClick(DBGrid2->currentIndex());
    if (!r.ok()) Dialogs().Message(this, UiDialogs::Icon::Error, r.error);
}

void TForm2::FitNameColumn() {
    // Measured over every name, not the rows in view: current footprint
    // names run to 60 characters and more.
    const TMemTable& names = tables_.RxMD_principal;
    const int alias = names.FieldIndex("alias");
    const QFontMetrics fm = DBGrid2->fontMetrics();
    int widest = 170;
    for (int row = 0; row < names.RowCount(); ++row)
        widest = std::max(widest, fm.horizontalAdvance(DisplayQString(names.Text(row, alias))) + 16);
    DBGrid2->setColumnWidth(0, std::min(widest, 640));
}

void TForm2::BitBtn2Click() {
    const QByteArray text = Edit1->text().toUtf8();
    if (tables_.RxMD_principal.Locate("alias", std::string_view(text.constData(), static_cast<size_t>(text.size())),
                                      LocateOptions{true, true})) {
        LocateStatus->clear();
        DBGrid2CellClick(DBGrid2->currentIndex());
    } else {
        LocateStatus->setText(QStringLiteral("não encontrado"));
    }
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
    DBGrid2->horizontalHeader()->setSortIndicator(section == 0 ? 0 : 1, Qt::AscendingOrder);
}

// ---------------------------------------------------------------- search across libraries

void TForm2::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Libraries may have changed while the window was away: the next search
    // indexes again, reading only what changed.
    indexed_ = false;
}

void TForm2::IndexForSearch() {
    if (!cacheLoaded_) {
        cacheLoaded_ = true;
        std::string why;
        if (!CacheFile.empty() && !cache_.Load(CacheFile, why)) SearchStatus->setText(DisplayQString(why));
    }
    std::vector<search::SearchLibrary> libraries;
    std::vector<std::string> problems;
    if (SearchScope->currentIndex() == 1) {
        const tables::LibraryTables t = TablesSource ? TablesSource() : tables::LibraryTables();
        if (!t.Found()) problems.push_back("Nenhuma tabela de bibliotecas do KiCad encontrada.");
        problems.insert(problems.end(), t.messages.begin(), t.messages.end());
        std::vector<std::string> notRead;
        libraries = search::LibrariesOfTables(t, &notRead);
        if (!notRead.empty()) problems.push_back(search::NotReadMessage(notRead));
    } else {
        std::string error;
        libraries = search::LibrariesOfFolder(FolderSource ? FolderSource() : std::string(), error);
        if (!error.empty()) problems.push_back(error);
    }
    results_->SetHits(nullptr, {});
    SearchIndexButton->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const search::IndexReport r = search::BuildSearchIndex(libraries, cache_, index_, [this](int i, int n) {
        SearchStatus->setText(QStringLiteral("Indexando: biblioteca %1 de %2…").arg(i + 1).arg(n));
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
    });
    QApplication::restoreOverrideCursor();
    SearchIndexButton->setEnabled(true);
    indexed_ = true;
    problems.insert(problems.end(), r.stats.problems.begin(), r.stats.problems.end());
    if (cache_.Changed() && !CacheFile.empty()) {
        try {
            cache_.Save(CacheFile);
        } catch (const std::exception& e) {
            problems.push_back(std::string("O cache não foi gravado: ") + e.what());
        }
    }
    QString status = QStringLiteral("%1 itens em %2 bibliotecas").arg(r.items).arg(r.libraries);
    if (!problems.empty()) {
        status += QStringLiteral("; ") + DisplayQString(problems.front());
        if (problems.size() > 1) status += QStringLiteral(" (e mais %1 avisos)").arg(problems.size() - 1);
    }
    SearchStatus->setText(status);
    std::string all;
    for (const std::string& p : problems) all += p + "\n";
    SearchStatus->setToolTip(DisplayQString(all));
    RunSearch();
}

void TForm2::RunSearch() {
    if (!indexed_) {
        IndexForSearch();  // searches when done
        return;
    }
    const QByteArray words = SearchEdit->text().toUtf8();
    search::SearchFilters filters;
    filters.pads = PadsFilter->value();
    filters.pins = PinsFilter->value();
    std::vector<search::SearchHit> hits =
        index_.Search(std::string_view(words.constData(), static_cast<size_t>(words.size())), filters);
    const size_t found = hits.size();
    results_->SetHits(&index_, std::move(hits));
    SearchResults->resizeColumnToContents(0);
    SearchResults->resizeColumnToContents(1);
    if (!SearchStatus->toolTip().isEmpty() && found == 0) return;  // keep the warnings in view
    SearchStatus->setText(found == 0 ? QStringLiteral("não encontrado")
                                     : QStringLiteral("%1 encontrados em %2 itens").arg(found).arg(index_.Size()));
}

void TForm2::ShowResult(int row) {
    const search::SearchItem* item = results_->ItemAt(row);
    if (!item) return;
    const search::IndexedLibrary& lib = index_.Library(item->library);
    const search::ItemFacts& f = item->facts;
    DBEdit2->setText(DisplayQString(index_.FullName(results_->ItemIndexAt(row))));
    DBEdit3->setText(search::CountText(f));
    DBEdit1->setText(DisplayQString(f.keywords.empty() ? f.description : f.description + "\nEtiquetas: " + f.keywords));
    if (!viewer_) {
        viewer_ = std::make_unique<TForm1Core>();
        viewer_->Options().ScaleDivisor = 100;
        viewer_->Options().TextMode = 1;
        viewer_->Options().KeepAll = true;
    }
    if (viewer_->LibraryPath() != lib.path || !viewer_->CurrentLibrary()) viewer_->OpenLibrary(lib.path);
    const int i = viewer_->FindModule(f.opens.empty() ? f.name : f.opens);
    QString lines;
    if (i < 0) {
        lines = QStringLiteral("%1 não está mais na biblioteca %2.").arg(DisplayQString(f.name), DisplayQString(lib.path));
        Drawing->clear();
    } else {
        try {
            viewer_->SelectModule(i);
        } catch (const std::exception& e) {
            lines = DisplayQString(e.what()) + '\n';
        }
        viewer_->Lines().ForEachLine([&](std::string_view l) {
            lines += DisplayQString(std::string(l)) + '\n';
            return true;
        });
        const int w = std::min(viewer_->View().ViewWidth, viewer_->ViewImage().Width());
        const int h = std::min(viewer_->View().ViewHeight, viewer_->ViewImage().Height());
        if (w > 0 && h > 0) {
            QPixmap pic = QPixmap::fromImage(viewer_->ViewImage().Image().copy(0, 0, w, h));
            if (w > kDrawingWidth || h > kDrawingHeight)
                pic = pic.scaled(kDrawingWidth, kDrawingHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            Drawing->setPixmap(pic);
        } else {
            Drawing->clear();
        }
        if (!viewer_->Status().empty()) lines = DisplayQString(viewer_->Status()) + '\n' + lines;
    }
    DBMemo1->setPlainText(lines);
}
