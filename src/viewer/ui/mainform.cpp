#include "viewer/ui/mainform.h"
#include "util/displaytext.h"

#include "book/ui/pdfbookcommand.h"
#include "index/ui/pag2.h"
#include "library/footprintfolder.h"
#include "library/kicadsymbollibrary.h"
#include "symbol/pintext.h"
#include "library/library.h"
#include "library/libraryfolder.h"
#include "preview/dialogs.h"
#include "tokenizer/libtext.h"
#include "viewer/itemdetails.h"
#include "viewer/zoom.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStorageInfo>
#include <QStyle>
#include <QTabWidget>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <tuple>

using namespace tarnel;

namespace tarnel {

void ShowHandlerError(QWidget* parent, const std::exception& e) {
    Dialogs().Message(parent, UiDialogs::Icon::Error, e.what());
}

void ShowHandlerError(QWidget* parent) {
    Dialogs().Message(parent, UiDialogs::Icon::Error, "Erro desconhecido");
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    Guarded(activeWindow(), [&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

void InstallFontSubstitutes() {
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("System"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
}

void TClickList::mouseReleaseEvent(QMouseEvent* e) {
    QListWidget::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && itemAt(e->position().toPoint()) != nullptr) emit Click();
}

void TClickList::keyPressEvent(QKeyEvent* e) {
    const int before = currentRow();
    QListWidget::keyPressEvent(e);
    if (currentRow() != before) emit Click();
}

void TFolderList::keyboardSearch(const QString& search) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    // Keys typed in quick succession make one name, as elsewhere in Qt.
    typed_ = now - lastKey_ > QApplication::keyboardInputInterval() ? search : typed_ + search;
    lastKey_ = now;
    const int n = count(), from = std::max(currentRow(), 0);
    // A single key moves on from the current folder; a longer name may match it.
    for (int k = typed_.size() == 1 ? 1 : 0; k <= n; ++k) {
        const int row = (from + k) % std::max(n, 1);
        QListWidgetItem* it = item(row);
        if (it && it->text().trimmed().startsWith(typed_, Qt::CaseInsensitive)) {
            setCurrentRow(row);
            scrollToItem(it);
            return;
        }
    }
}

TDetailText::TDetailText(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void TDetailText::SetFullText(const QString& text) {
    full_ = text;
    Elide();
}

QSize TDetailText::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }
QSize TDetailText::sizeHint() const { return {0, QLabel::sizeHint().height()}; }

void TDetailText::resizeEvent(QResizeEvent* e) {
    QLabel::resizeEvent(e);
    Elide();
}

void TDetailText::Elide() {
    // One line: a description's line breaks become blanks.
    QString line = full_;
    line.replace(QChar('\n'), QChar(' ')).replace(QChar('\r'), QChar(' ')).replace(QChar('\t'), QChar(' '));
    const QString shown = fontMetrics().elidedText(line, Qt::ElideRight, std::max(width(), 0));
    setText(shown);
    setToolTip(shown == line ? QString() : full_);
}

TViewImage::TViewImage(const Canvas& picture, QWidget* parent) : QWidget(parent), picture_(picture) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TViewImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QImage& img = picture_.Image();
    const QRect shown(0, 0, std::min(width(), img.width()), std::min(height(), img.height()));
    p.drawImage(shown.topLeft(), img, shown);
}

} // namespace tarnel

namespace {

QString FromBytes(std::string_view bytes) {
    return DisplayQString(bytes).replace(QChar('\n'), QChar(0x240A));
}

// Windows-1252 character -> byte, the inverse of the display decoding.
const std::unordered_map<char16_t, char>& Cp1252Bytes() {
    static const std::unordered_map<char16_t, char> map = [] {
        std::unordered_map<char16_t, char> m;
        for (int b = 0x80; b < 0x100; ++b) {
            const std::u16string u = DisplayText16(std::string(1, static_cast<char>(b)));
            if (u.size() == 1) m.emplace(u[0], static_cast<char>(b));
        }
        return m;
    }();
    return map;
}

std::string ToBytes(QString text, bool utf8) {
    text.replace(QChar(0x240A), QChar('\n'));
    if (utf8) return text.toStdString();
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    const auto& map = Cp1252Bytes();
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            out += static_cast<char>(c.unicode());
        } else {
            auto it = map.find(c.unicode());
            out += it != map.end() ? it->second : '?';
        }
    }
    return out;
}

QPushButton* Button(const QString& caption, const char* name, QWidget* parent, int w, int h) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setFixedSize(w, h);
    b->setAutoDefault(false);
    return b;
}

} // namespace

// ---------------------------------------------------------------- file list adapter

namespace {
// Each file list item: its file-system name (or, for a table row, its
// resolved path), whether the component index takes it, and the row of the
// KiCad tables it shows.
constexpr int kNameRole = Qt::UserRole;
constexpr int kIndexedRole = Qt::UserRole + 1;
constexpr int kRowRole = Qt::UserRole + 2;
// Each folder list item of the KiCad libraries: what activating it does.
constexpr int kChoiceRole = Qt::UserRole + 1;

bool IsFootprintRow(const QListWidget& list, int row) { return list.item(row)->data(kIndexedRole).toBool(); }
} // namespace

std::string TFileListAdapter::Folder() const {
    // Table rows are whole paths.
    return form_.ShowingKicadLibraries() ? std::string() : QFile::encodeName(form_.Folder()).toStdString();
}

int TFileListAdapter::Row(int i) const {
    const QListWidget& list = *form_.FileListBox1;
    if (i < 0) return -1;
    for (int row = 0; row < list.count(); ++row)
        if (IsFootprintRow(list, row) && i-- == 0) return row;
    return -1;
}

int TFileListAdapter::Count() const {
    int n = 0;
    for (int row = 0; row < form_.FileListBox1->count(); ++row) n += IsFootprintRow(*form_.FileListBox1, row);
    return n;
}

std::string TFileListAdapter::Entry(int i) const {
    const QListWidgetItem* item = form_.FileListBox1->item(Row(i));
    return item ? item->data(kNameRole).toByteArray().toStdString() : std::string();
}

int TFileListAdapter::ItemIndex() const {
    const int current = form_.FileListBox1->currentRow();
    if (current < 0 || !IsFootprintRow(*form_.FileListBox1, current)) return -1;
    int i = 0;
    for (int row = 0; row < current; ++row) i += IsFootprintRow(*form_.FileListBox1, row);
    return i;
}

void TFileListAdapter::SetItemIndex(int i) { form_.FileListBox1->setCurrentRow(Row(i)); }

void TFileListAdapter::RunEnded() {
    QListWidget& list = *form_.FileListBox1;
    const std::string open = form_.ListedLibraryPath();
    const std::string folder = Folder();
    for (int row = 0; row < list.count(); ++row) {
        const std::string name = list.item(row)->data(kNameRole).toByteArray().toStdString();
        if (!open.empty() && (folder.empty() ? name : folder + "/" + name) == open) {
            list.setCurrentRow(row);
            return;
        }
    }
    list.setCurrentRow(-1);
}

// ---------------------------------------------------------------- window

template <typename Sender, typename Signal, typename Fn>
void TForm1::On(Sender* sender, Signal signal, Fn fn) {
    connect(sender, signal, this, [this, fn] { Guarded(this, [&] { fn(); }); });
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), fileList_(*this) {
    core_.SetListener(this);
    // The window shows the whole drawing at every zoom, and scrolls.
    core_.Options().KeepAll = true;
    // A footprint's pads show their numbers unless the user turns them off.
    core_.Options().PadNumbers = true;
    InstallFontSubstitutes();
    setObjectName("Form1");
    move(113, 109);
    resize(862, 607);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    ExecuteColorDialog = [this](QColor& colour) {
        // Qt's own dialog speaks the program's language; a desktop's
        // would speak the desktop's.
        const QColor c = QColorDialog::getColor(colour, this, QString(), QColorDialog::DontUseNativeDialog);
        if (!c.isValid()) return false;
        colour = c;
        return true;
    };
    BuildControls();
    BuildMenu();
    statusBar()->setObjectName("StatusBar1");
    SetFolder(QDir::currentPath());
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &TForm1::FocusWindowChanged);
    FormCreate();
}

TForm1::~TForm1() {
    // The widgets show the core's images and drive its handlers: they go
    // before the core does.
    disconnect(qApp, nullptr, this, nullptr);
    core_.SetListener(nullptr);
    delete takeCentralWidget();
}

void TForm1::BuildControls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);

    DriveComboBox1 = new QComboBox(central);
    DriveComboBox1->setObjectName("DriveComboBox1");
    DLB1 = new TFolderList(central);
    DLB1->setObjectName("DLB1");
    DLB1->setFixedSize(145, 119);
    FileListBox1 = new TClickList(central);
    FileListBox1->setObjectName("FileListBox1");
    FileListBox1->setFixedSize(145, 120);
    b_report = Button(QStringLiteral("Catálogo"), "b_report", central, 77, 25);

    TabControl1 = new QTabWidget(central);
    TabControl1->setObjectName("TabControl1");
    TabControl1->setFixedWidth(297);
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName("TabSheet1");
    ListBox1 = new TClickList(TabSheet1);
    ListBox1->setObjectName("ListBox1");
    auto* l1 = new QVBoxLayout(TabSheet1);
    l1->setContentsMargins(9, 2, 9, 4);
    l1->addWidget(ListBox1);
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName("TabSheet2");
    TextListBox1 = new QPlainTextEdit(TabSheet2);
    TextListBox1->setObjectName("TextListBox1");
    TextListBox1->setLineWrapMode(QPlainTextEdit::NoWrap);
    TextListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TextListBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* l2 = new QVBoxLayout(TabSheet2);
    l2->setContentsMargins(2, 8, 2, 4);
    l2->addWidget(TextListBox1);
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName("TabSheet3");
    TabControl1->addTab(TabSheet1, QStringLiteral("Conteúdo"));
    TabControl1->addTab(TabSheet2, QStringLiteral("Comandos"));
    TabControl1->addTab(TabSheet3, QStringLiteral("testes"));
    TabControl1->setTabVisible(2, false);
    TabControl1->setCurrentIndex(0);

    ScrollBox1 = new QScrollArea(central);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setMinimumSize(200, 200);
    ScrollBox1->setBackgroundRole(QPalette::Button);
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image2 = new TViewImage(core_.ViewImage(), nullptr);
    Image2->setObjectName("Image2");
    Image2->resize(0, 0);
    ScrollBox1->setWidget(Image2);
    ScrollBox1->setWidgetResizable(false);

    B_linha = Button(QStringLiteral("linha"), "B_linha", central, 75, 25);
    B_apagar = Button(QStringLiteral("apagar"), "B_apagar", central, 75, 25);
    B_converter = Button(QStringLiteral("Converter"), "B_converter", central, 75, 25);
    Label2 = new QLabel(QStringLiteral("0"), central);
    Label2->setObjectName("Label2");
    Label2->setMinimumWidth(50);

    RG_textos = new QGroupBox(QStringLiteral("Mostrar textos"), central);
    RG_textos->setObjectName("RG_textos");
    // Wide enough for its three choices whatever the window's width.
    RG_textos->setFixedHeight(41);
    RG_textosItems = new QButtonGroup(RG_textos);
    auto* rl = new QHBoxLayout(RG_textos);
    rl->setContentsMargins(6, 0, 6, 2);
    const QString items[] = {QStringLiteral("Nenhum"), QStringLiteral("Só nome"), QStringLiteral("Todos")};
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(items[i], RG_textos);
        r->setObjectName(QStringLiteral("RG_textos%1").arg(i));
        RG_textosItems->addButton(r, i);
        rl->addWidget(r);
    }
    RG_textosItems->button(0)->setChecked(true);

    CB_arcos = new QCheckBox(QStringLiteral("Desenhar arcos"), central);
    CB_arcos->setObjectName("CB_arcos");
    CB_arcos->setChecked(true);
    CB_numeros = new QCheckBox(QStringLiteral("Números das ilhas"), central);
    CB_numeros->setObjectName("CB_numeros");
    CB_numeros->setChecked(core_.Options().PadNumbers);
    Button2 = Button(QStringLiteral("- Zoom"), "Button2", central, 52, 25);
    Button3 = Button(QStringLiteral("+ Zoom"), "Button3", central, 52, 25);
    Button4 = Button(QStringLiteral("Normal"), "Button4", central, 52, 25);
    B_ajustar = Button(QStringLiteral("Ajustar"), "B_ajustar", central, 52, 25);
    B_ajustar->setToolTip(QStringLiteral("Mostra o desenho inteiro, do maior tamanho que cabe na vista"));
    L_unidade = new QLabel(QStringLiteral("Unidade"), central);
    L_unidade->setObjectName("L_unidade");
    SE_unidade = new TNamedSpin(central);
    SE_unidade->setObjectName("SE_unidade");
    SE_unidade->Name = [](int u) { return QString::fromStdString(symbol::UnitLetters(u)); };
    L_estilo = new QLabel(QStringLiteral("Estilo"), central);
    L_estilo->setObjectName("L_estilo");
    SE_estilo = new TNamedSpin(central);
    SE_estilo->setObjectName("SE_estilo");
    SE_estilo->Name = [this](int s) {
        const auto& names = core_.LastFigure().symbol.styleNames;
        return s >= 1 && static_cast<size_t>(s) <= names.size() ? QString::fromStdString(DisplayTextUtf8(names[s - 1]))
                                                                 : QString::number(s);
    };
    for (TNamedSpin* spin : {SE_unidade, SE_estilo}) {
        spin->setMinimumWidth(90);
        spin->setKeyboardTracking(false);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{L_unidade, SE_unidade, L_estilo, SE_estilo}) w->hide();

    // Components kept hidden.
    B_carregar = Button(QStringLiteral("Carregar"), "B_carregar", central, 75, 25);
    B_carregar->move(233, 159);
    B_carregar->hide();
    FilenameEdit1 = new QWidget(central);
    FilenameEdit1->setObjectName("FilenameEdit1");
    FilenameEdit1Text = new QLineEdit(FilenameEdit1);
    auto* browse = new QToolButton(FilenameEdit1);
    browse->setText(QStringLiteral("..."));
    auto* fl = new QHBoxLayout(FilenameEdit1);
    fl->setContentsMargins(0, 0, 0, 0);
    fl->addWidget(FilenameEdit1Text);
    fl->addWidget(browse);
    FilenameEdit1->setGeometry(140, 222, 201, 21);
    FilenameEdit1->hide();
    image1 = new QLabel(central);
    image1->setObjectName("image1");
    image1->setGeometry(311, 23, 2000, 2000);
    image1->hide();
    Label1 = new QLabel(QStringLiteral("Label1"), central);
    Label1->setObjectName("Label1");
    Label1->move(175, 15);
    Label1->hide();
    Button1 = Button(QStringLiteral("Tokens"), "Button1", central, 86, 25);
    Button1->move(173, 23);
    Button1->hide();

    GB_detalhes = new QGroupBox(QStringLiteral("Detalhes"), central);
    GB_detalhes->setObjectName("GB_detalhes");
    GB_detalhes->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* details = new QFormLayout(GB_detalhes);
    details->setContentsMargins(6, 2, 6, 4);
    details->setVerticalSpacing(0);
    details->setHorizontalSpacing(8);
    details->setRowWrapPolicy(QFormLayout::DontWrapRows);
    details->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    auto row = [&](const QString& caption, const char* name, QLabel** label = nullptr) {
        auto* text = new TDetailText(GB_detalhes);
        text->setObjectName(name);
        auto* l = new QLabel(caption, GB_detalhes);
        details->addRow(l, text);
        if (label) *label = l;
        return text;
    };
    D_nome = row(QStringLiteral("Nome"), "D_nome");
    D_biblioteca = row(QStringLiteral("Biblioteca"), "D_biblioteca");
    D_descricao = row(QStringLiteral("Descrição"), "D_descricao");
    D_palavras = row(QStringLiteral("Palavras-chave"), "D_palavras");
    D_contagem = row(QStringLiteral("Ilhas"), "D_contagem", &L_contagem);
    D_montagem = row(QStringLiteral("Montagem"), "D_montagem");
    D_tamanho = row(QStringLiteral("Tamanho"), "D_tamanho");

    // Lists and tabs on the left, the drawing on the right taking what the
    // window grows by, the button row at the bottom.
    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    auto* top = new QHBoxLayout;
    top->addWidget(DriveComboBox1, 1);
    top->addWidget(b_report);
    left->addLayout(top);
    auto* lists = new QHBoxLayout;
    lists->addWidget(DLB1);
    lists->addWidget(FileListBox1);
    lists->addStretch();
    left->addLayout(lists);
    left->addWidget(TabControl1, 1);
    left->addWidget(GB_detalhes);
    auto* leftBox = new QWidget(central);
    leftBox->setLayout(left);
    leftBox->setFixedWidth(305);
    left->setContentsMargins(0, 0, 0, 0);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(B_linha);
    bottom->addWidget(B_apagar);
    bottom->addWidget(B_converter);
    // Gaps kept small: at the design width the row holds "Ajustar" and
    // the two drawing choices.
    bottom->addSpacing(4);
    bottom->addWidget(Label2);
    bottom->addWidget(RG_textos);
    // The two drawing choices one above the other: the row has no room
    // for another beside them.
    auto* choices = new QVBoxLayout;
    choices->setSpacing(0);
    choices->addWidget(CB_arcos);
    choices->addWidget(CB_numeros);
    bottom->addLayout(choices);
    bottom->addWidget(L_unidade);
    bottom->addWidget(SE_unidade);
    bottom->addWidget(L_estilo);
    bottom->addWidget(SE_estilo);
    bottom->addStretch(1);
    bottom->addWidget(Button2);
    bottom->addWidget(Button3);
    bottom->addWidget(Button4);
    bottom->addWidget(B_ajustar);

    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(8, 8, 8, 4);
    grid->setHorizontalSpacing(24);
    grid->addWidget(leftBox, 0, 0);
    grid->addWidget(ScrollBox1, 0, 1);
    grid->addLayout(bottom, 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);

    connect(DriveComboBox1, &QComboBox::activated, this, [this](int i) {
        Guarded(this, [&] {
            if (DriveComboBox1->itemData(i, kKicadDriveRole).toBool()) ShowKicadLibraries();
            else SetFolder(DriveComboBox1->itemData(i).toString());
        });
    });
    connect(DLB1, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        Guarded(this, [&] {
            if (kicadMode_) KicadChoiceActivated(item);
            else SetFolder(item->data(Qt::UserRole).toString());
        });
    });
    On(FileListBox1, &TClickList::Click, [this] { FileListBox1Click(); });
    // A disabled table row opens when the user insists.
    connect(FileListBox1, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        Guarded(this, [&] {
            if (kicadMode_ && item) OpenKicadRow(item->data(kRowRole).toInt(), true);
        });
    });
    On(ListBox1, &TClickList::Click, [this] {
        core_.SelectModule(ListBox1->currentRow());
    });
    On(b_report, &QPushButton::clicked, [this] { b_reportClick(); });
    On(B_carregar, &QPushButton::clicked, [this] { B_carregarClick(); });
    On(browse, &QToolButton::clicked, [this] {
        if (auto f = Dialogs().OpenFile(this, "Libs|*.lib|All files (*.*)|*.*", ""))
            FilenameEdit1Text->setText(QString::fromStdString(*f));
    });
    On(B_linha, &QPushButton::clicked, [this] { B_linhaClick(); });
    On(B_apagar, &QPushButton::clicked, [this] { core_.B_apagarClick(); });
    On(B_converter, &QPushButton::clicked, [this] { B_converterClick(); });
    On(Button1, &QPushButton::clicked, [this] { Button1Click(); });
    On(Button2, &QPushButton::clicked, [this] { Button2Click(); });
    On(Button3, &QPushButton::clicked, [this] { Button3Click(); });
    On(Button4, &QPushButton::clicked, [this] { Button4Click(); });
    On(B_ajustar, &QPushButton::clicked, [this] { B_ajustarClick(); });
    // The wheel over the drawing zooms instead of scrolling.
    ScrollBox1->viewport()->installEventFilter(this);
    On(RG_textosItems, &QButtonGroup::idClicked, [this] { RG_textosClick(); });
    // A unit or style chosen is drawn at once.
    On(SE_unidade, &QSpinBox::valueChanged, [this] { SymbolChoiceChanged(); });
    On(SE_estilo, &QSpinBox::valueChanged, [this] { SymbolChoiceChanged(); });
    // The drawing follows the arcs choice at once.
    On(CB_arcos, &QCheckBox::toggled, [this] {
        core_.Options().DrawArcs = CB_arcos->isChecked();
        Redraw();
    });
    On(CB_numeros, &QCheckBox::toggled, [this] {
        core_.Options().PadNumbers = CB_numeros->isChecked();
        Redraw();
    });
}

void TForm1::BuildMenu() {
    // Every menu and entry opens from the keyboard: Alt+C "Catálogos",
    // Alt+O "Cores", then the underlined letter.
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    Sair1 = bar->addAction(QStringLiteral("&Sair"));
    Sair1->setObjectName("Sair1");
    Catlogos1 = bar->addMenu(QStringLiteral("&Catálogos"));
    Catlogos1->setObjectName("Catlogos1");
    Desenhos1 = Catlogos1->addAction(QStringLiteral("&Desenhos"));
    Desenhos1->setObjectName("Desenhos1");
    Lista1 = Catlogos1->addAction(QStringLiteral("&Lista"));
    Lista1->setObjectName("Lista1");
    // The vector catalog of the current library or of every library of the
    // folder.
    QAction* pdfBook = Catlogos1->addAction(QStringLiteral("Catálogo &PDF…"));
    pdfBook->setObjectName("CatalogoPdf1");
    On(pdfBook, &QAction::triggered, [this] {
        const tarnel::ViewOptions& o = core_.Options();
        tarnel::RunPdfBookCommand(this, core_.LibraryPath(), QFile::encodeName(folder_).toStdString(),
                                  tarnel::Palette{o.CorPad, o.CorComp, o.CorCorpo, o.CorFuro});
    });
    // The component index, also reachable through the hidden "pag2".
    Indice1 = Catlogos1->addAction(QStringLiteral("Índice de &componentes…"));
    Indice1->setObjectName("Indice1");
    pag21 = bar->addMenu(QStringLiteral("C&ores"));
    pag21->setObjectName("pag21");
    CorPad1 = pag21->addAction(QStringLiteral("Cor Co&bre"));
    CorPad1->setObjectName("CorPad1");
    CorComp1 = pag21->addAction(QStringLiteral("Cor Co&mp"));
    CorComp1->setObjectName("CorComp1");
    CorCorpo1 = pag21->addAction(QStringLiteral("Cor Co&rpo"));
    CorCorpo1->setObjectName("CorCorpo1");
    CorFuro1 = pag21->addAction(QStringLiteral("Cor &Furo"));
    CorFuro1->setObjectName("CorFuro1");
    pag22 = pag21->addAction(QStringLiteral("pag2"));
    pag22->setObjectName("pag22");
    pag22->setVisible(false);

    On(Sair1, &QAction::triggered, [this] { Sair1Click(); });
    On(Desenhos1, &QAction::triggered, [this] { Desenhos1Click(); });
    On(Lista1, &QAction::triggered, [this] { Lista1Click(); });
    On(CorPad1, &QAction::triggered, [this] { CorPad1Click(); });
    On(CorComp1, &QAction::triggered, [this] { CorComp1Click(); });
    On(CorCorpo1, &QAction::triggered, [this] { CorCorpo1Click(); });
    On(CorFuro1, &QAction::triggered, [this] { CorFuro1Click(); });
    On(pag22, &QAction::triggered, [this] { pag22Click(); });
    On(Indice1, &QAction::triggered, [this] { pag22Click(); });
}

// ---------------------------------------------------------------- folders and files

void TForm1::SetFolder(const QString& path) {
    kicadMode_ = false;
    QString dir = QDir(path).absolutePath();
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    if (!canonical.isEmpty()) dir = canonical;
    folder_ = dir;
    QDir::setCurrent(folder_);
    FillDrives();
    FillFolders();
    FillFiles();
}

void TForm1::FillDrives() {
    QStringList roots{QStringLiteral("/"), QDir::homePath()};
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady() || !v.device().startsWith("/dev/")) continue;
        if (QFileInfo(v.rootPath()).isDir() && !roots.contains(v.rootPath())) roots << v.rootPath();
    }
    DriveComboBox1->clear();
    int best = 0, bestLength = 0;
    for (int i = 0; i < roots.size(); ++i) {
        const QString& r = roots[i];
        DriveComboBox1->addItem(style()->standardIcon(i == 1 ? QStyle::SP_DirHomeIcon : QStyle::SP_DriveHDIcon), r, r);
        const QString prefix = r.endsWith('/') ? r : r + '/';
        if ((folder_ == r || folder_.startsWith(prefix)) && r.size() > bestLength) {
            best = i;
            bestLength = static_cast<int>(r.size());
        }
    }
    DriveComboBox1->setCurrentIndex(best);
    // Beside the folders, the libraries KiCad lists in its tables.
    DriveComboBox1->addItem(style()->standardIcon(QStyle::SP_DirLinkIcon), QStringLiteral("Bibliotecas do KiCad"));
    DriveComboBox1->setItemData(DriveComboBox1->count() - 1, true, kKicadDriveRole);
    if (kicadMode_) DriveComboBox1->setCurrentIndex(DriveComboBox1->count() - 1);
}

void TForm1::FillFolders() {
    DLB1->clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    // The path from the root down to the folder, then its sub-folders.
    QStringList chain;
    for (QDir d(folder_);; ) {
        chain.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp()) break;
    }
    int level = 0;
    for (const QString& p : chain) {
        const QString name = p == "/" ? p : QFileInfo(p).fileName();
        auto* item = new QListWidgetItem(open, QString(level * 2, ' ') + name, DLB1);
        item->setData(Qt::UserRole, p);
        ++level;
    }
    DLB1->setCurrentRow(DLB1->count() - 1);
    QDir d(folder_);
    const QStringList subs = d.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& s : subs) {
        // A footprint folder is a library: the file list shows it.
        const LibraryKind* kind = LibraryKindOfName(QFile::encodeName(s).toStdString());
        if (kind && kind->folder) continue;
        auto* item = new QListWidgetItem(closed, QString(level * 2, ' ') + s, DLB1);
        item->setData(Qt::UserRole, d.absoluteFilePath(s));
    }
}

void TForm1::FillFiles() {
    FileListBox1->clear();
    const std::string folder = QFile::encodeName(folder_).toStdString();
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon symbolIcon = style()->standardIcon(QStyle::SP_FileDialogDetailedView);
    // In the listing's order: footprint files, legacy symbol files, current
    // symbol files, footprint folders, symbol folders. Folders end in "/";
    // current symbol libraries have the symbol icon.
    for (const FolderLibrary& lib : ListFolderLibraries(folder).libraries) {
        QString text = QFile::decodeName(QByteArray::fromStdString(lib.name));
        auto* item = new QListWidgetItem(FileListBox1);
        item->setData(kNameRole, QByteArray::fromStdString(lib.name));
        item->setData(kIndexedRole, lib.kind->format != LibraryFormat::Symbol);
        if (lib.kind->folder) text += '/';
        switch (lib.kind->format) {
            case LibraryFormat::Symbol: item->setToolTip(QStringLiteral("Biblioteca de símbolos")); break;
            case LibraryFormat::KicadSym:
                item->setIcon(symbolIcon);
                item->setToolTip(lib.kind->folder ? QStringLiteral("Biblioteca de símbolos (pasta .kicad_symdir)")
                                                  : QStringLiteral("Biblioteca de símbolos (KiCad 6 ou mais recente)"));
                break;
            case LibraryFormat::KicadMod:
                item->setIcon(folderIcon);
                item->setToolTip(QStringLiteral("Biblioteca de footprints (pasta .pretty)"));
                break;
            case LibraryFormat::Legacy: break;
        }
        item->setText(text);
    }
}

// ---------------------------------------------------------------- the KiCad libraries

tables::LibraryTables TForm1::ReadKicadTables() const {
    return tables::LoadLibraryTables(
        {QFile::encodeName(kicadSettings_).toStdString(), QFile::encodeName(kicadProject_).toStdString()});
}

void TForm1::ShowKicadLibraries() {
    kicadMode_ = true;
    tables_ = ReadKicadTables();
    FillDrives();
    FillKicadChoices();
    FillKicadRows();
    if (!tables_.Found()) {
        statusBar()->showMessage(QStringLiteral("Nenhuma tabela de bibliotecas do KiCad encontrada: escolha uma em "
                                                "\"Outra tabela…\"."));
    } else if (!tables_.messages.empty()) {
        statusBar()->showMessage(DisplayQString(tables_.messages.front()));
    }
}

void TForm1::ChooseKicadSettings(const QString& folder) {
    kicadSettings_ = folder;
    if (kicadMode_) ShowKicadLibraries();
}

void TForm1::ChooseKicadProject(const QString& project) {
    kicadProject_ = project;
    if (kicadMode_) ShowKicadLibraries();
}

void TForm1::FillKicadChoices() {
    DLB1->clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    auto add = [&](const QIcon& icon, const QString& text, const QString& choice, const QString& tip) {
        auto* item = new QListWidgetItem(icon, text, DLB1);
        item->setData(kChoiceRole, choice);
        item->setToolTip(tip);
        return item;
    };
    // The settings folders found, newest first; the one read is open.
    std::vector<tables::SettingsFolder> found = tables::FindSettingsFolders(tables::ProcessEnvironment());
    const std::string current = tables_.settings.path;
    if (!current.empty() && std::none_of(found.begin(), found.end(), [&](const auto& f) { return f.path == current; }))
        found.insert(found.begin(), tables_.settings);
    for (const tables::SettingsFolder& f : found) {
        QString text = QStringLiteral("KiCad ") +
                       (f.version.empty() ? (f.major == 5 ? QStringLiteral("5") : QFileInfo(QFile::decodeName(f.path.c_str())).fileName())
                                          : QString::fromStdString(f.version));
        if (f.flatpak) text += QStringLiteral(" (Flatpak)");
        if (!f.HasTable()) text += QStringLiteral(" (sem tabelas)");
        const QString path = QFile::decodeName(QByteArray::fromStdString(f.path));
        QListWidgetItem* item = add(f.path == current ? open : closed, text, QStringLiteral("settings:") + path, path);
        if (f.path == current) DLB1->setCurrentItem(item);
    }
    add(closed, QStringLiteral("Outra tabela…"), QStringLiteral("other"),
        QStringLiteral("Escolher o arquivo fp-lib-table ou sym-lib-table de uma pasta de configuração"));
    const QString project = QFile::decodeName(QByteArray::fromStdString(tables_.projectFolder));
    add(open, QStringLiteral("Projeto: ") + (project.isEmpty() ? QStringLiteral("nenhum") : QFileInfo(project).fileName()),
        QString(), project);
    add(closed, QStringLiteral("Escolher projeto…"), QStringLiteral("project"),
        QStringLiteral("As tabelas de um projeto encobrem as globais de mesmo apelido"));
    if (!project.isEmpty()) add(closed, QStringLiteral("Sem projeto"), QStringLiteral("no-project"), QString());
}

void TForm1::FillKicadRows() {
    FileListBox1->clear();
    const QIcon footprints = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon symbols = style()->standardIcon(QStyle::SP_FileIcon);
    for (size_t i = 0; i < tables_.rows.size(); ++i) {
        const tables::LibraryRow& r = tables_.rows[i];
        QString text = QString(r.depth * 2, ' ') + DisplayQString(r.nickname);
        if (r.state != tables::RowState::Ok) text += QStringLiteral(" (") + DisplayQString(r.stateText) + ')';
        auto* item = new QListWidgetItem(r.kind == tables::TableKind::Symbols ? symbols : footprints, text, FileListBox1);
        item->setData(kNameRole, QByteArray::fromStdString(r.path));
        item->setData(kRowRole, static_cast<int>(i));
        const bool opens = r.CanOpen();
        item->setData(kIndexedRole, opens && r.library->format != LibraryFormat::Symbol);
        if (!opens) item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
        item->setToolTip(DisplayQString(r.nickname + " — " +
                                        (r.kind == tables::TableKind::Symbols ? "símbolos" : "footprints") + ", tipo " +
                                        r.type + ", " + r.stateText + "\n" + r.path +
                                        (r.description.empty() ? std::string() : "\n" + r.description)));
        // The library open stays highlighted.
        if (!core_.LibraryPath().empty() && r.path == core_.LibraryPath()) FileListBox1->setCurrentItem(item);
    }
}

void TForm1::KicadChoiceActivated(const QListWidgetItem* item) {
    const QString choice = item ? item->data(kChoiceRole).toString() : QString();
    if (choice.startsWith(QStringLiteral("settings:"))) {
        ChooseKicadSettings(choice.mid(9));
    } else if (choice == QStringLiteral("other")) {
        if (auto f = Dialogs().OpenFile(this, "Tabelas de bibliotecas (fp-lib-table sym-lib-table)|fp-lib-table sym-lib-table", ""))
            ChooseKicadSettings(QFileInfo(QString::fromStdString(*f)).absolutePath());
    } else if (choice == QStringLiteral("project")) {
        if (auto f = Dialogs().OpenFile(this, "Projetos do KiCad (*.kicad_pro *.pro)|*.kicad_pro *.pro", ""))
            ChooseKicadProject(QString::fromStdString(*f));
    } else if (choice == QStringLiteral("no-project")) {
        ChooseKicadProject(QString());
    }
}

void TForm1::OpenKicadRow(int i, bool evenDisabled) {
    if (i < 0 || static_cast<size_t>(i) >= tables_.rows.size()) return;
    const tables::LibraryRow& r = tables_.rows[static_cast<size_t>(i)];
    const std::string why = r.WhyNot(evenDisabled);
    if (why.empty()) {
        core_.FileListBox1Click(r.path);
        return;
    }
    // Nothing opens: the list empties, as for no file, and the status says why.
    keepCount_ = true;
    core_.FileListBox1Click(std::string());
    keepCount_ = false;
    statusBar()->showMessage(DisplayQString(why));
}

std::string TForm1::SelectedLibraryFileName() const {
    const QListWidgetItem* item = FileListBox1->currentItem();
    if (!item || !item->isSelected()) return {};
    return item->data(kNameRole).toByteArray().toStdString();
}

// ---------------------------------------------------------------- mirrors of the core

void TForm1::ModuleListChanged() {
    ListBox1->clear();
    for (const std::string& name : core_.ModuleList()) ListBox1->addItem(FromBytes(name));
    if (core_.ItemIndex() >= 0 && core_.ItemIndex() < ListBox1->count()) ListBox1->setCurrentRow(core_.ItemIndex());
    if (!keepCount_) Label2->setText(QString::number(core_.ModuleList().size()));
    // The figure is still the last library's until the new item is drawn.
    ShowDetails(false);
}

void TForm1::LinesChanged() {
    shown_.clear();
    shownAllUtf8_ = true;
    QStringList text;
    core_.Lines().ForEachLine([&](std::string_view line) {
        const QString s = FromBytes(line);
        shown_.emplace(s.toStdU16String(), std::string(line));
        if (DisplayTextUtf8(line) != line) shownAllUtf8_ = false;
        text << s;
        return true;
    });
    TextListBox1->setPlainText(text.join('\n'));
    TextListBox1->document()->setModified(false);
    // The catalogs move the selection through ItemIndex.
    const int i = core_.ItemIndex();
    if (i != ListBox1->currentRow() && i < ListBox1->count()) ListBox1->setCurrentRow(i);
}

void TForm1::StatusChanged() {
    // A fault first; else what the drawing says of itself.
    const std::string& line = core_.Status().empty() ? core_.Info() : core_.Status();
    if (line.empty()) statusBar()->clearMessage();
    else statusBar()->showMessage(FromBytes(line));
}

void TForm1::ViewChanged() {
    viewDivisor_ = core_.Options().ScaleDivisor;
    Image2->resize(std::min(core_.View().ViewWidth, QWIDGETSIZE_MAX), std::min(core_.View().ViewHeight, QWIDGETSIZE_MAX));
    Image2->update();
    ShowSymbolChoices();
    ShowDetails();
}

void TForm1::ShowDetails(bool drawn) {
    // No item listed or chosen: nothing to tell of, whatever stays drawn.
    const bool shown = drawn && !core_.ModuleList().empty() && core_.ItemIndex() >= 0 && !core_.LastFigure().items.empty();
    const ItemDetails d = shown ? DescribeItem(core_.LastFigure(), core_.LibraryPath()) : ItemDetails{};
    L_contagem->setText(d.countLabel == "Pinos" ? QStringLiteral("Pinos") : QStringLiteral("Ilhas"));
    for (auto [label, text] : {std::pair{D_nome, &d.name}, std::pair{D_biblioteca, &d.library},
                               std::pair{D_descricao, &d.description}, std::pair{D_palavras, &d.keywords},
                               std::pair{D_contagem, &d.count}, std::pair{D_montagem, &d.mounting},
                               std::pair{D_tamanho, &d.size}})
        label->SetFullText(DisplayQString(*text));
}

void TForm1::ShowSymbolChoices() {
    const bool symbol = core_.LinesAreKicadSym() && core_.Status().empty();
    const figure::SymbolView& s = core_.LastFigure().symbol;
    const bool units = symbol && s.unitCount > 1, styles = symbol && s.styleCount > 1;
    for (auto [spin, count, value] : {std::tuple{SE_unidade, s.unitCount, s.unit}, std::tuple{SE_estilo, s.styleCount, s.style}}) {
        const QSignalBlocker quiet(spin);
        spin->setRange(1, std::max(count, 1));
        spin->setValue(value);
    }
    L_unidade->setVisible(units);
    SE_unidade->setVisible(units);
    L_estilo->setVisible(styles);
    SE_estilo->setVisible(styles);
}

void TForm1::SymbolChoiceChanged() {
    if (!core_.LinesAreKicadSym()) return;
    core_.SetSymbolView(SE_unidade->value(), SE_estilo->value());
    core_.ListBox1Click();
}

void TForm1::MemoToLines() {
    std::vector<std::string> lines;
    const QTextDocument* doc = TextListBox1->document();
    if (!doc->isEmpty()) {
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
            const QString text = b.text();
            auto it = shown_.find(text.toStdU16String());
            lines.push_back(it != shown_.end() ? it->second : ToBytes(text, shownAllUtf8_));
        }
    }
    core_.SetLines(ModuleText::FromLines(lines), TextListBox1->textCursor().blockNumber());
}

// ---------------------------------------------------------------- handlers

void TForm1::FormCreate() {
    setWindowTitle(QStringLiteral("Tarnel 0.80 (20070705i) - Visualizador/Catálogo de Módulos p/KiCad"));
    // The preview provider is registered at start-up, beside the preview
    // window it opens.
    core_.Options().ScaleDivisor = 10;
    core_.Options().CorPad = kGreen;
    core_.Options().CorCorpo = kBlue;
    core_.Options().CorComp = kRed;
    core_.Options().CorFuro = kOlive;
}

void TForm1::FormActivate() {
    if (!activated_) {
        activated_ = true;
        if (!DefaultFolder.empty() && QFileInfo(QString::fromStdString(DefaultFolder)).isDir())
            SetFolder(QString::fromStdString(DefaultFolder));
    }
    core_.Options().ScaleDivisor = 100;
}

void TForm1::FocusWindowChanged(QWindow* w) {
    if (!w) return;  // another program took the focus
    if (w->type() == Qt::Popup || w->type() == Qt::ToolTip) return;
    if (w == windowHandle()) {
        if (!activated_ || cameFromOwnWindow_) Guarded(this, [&] { FormActivate(); });
        cameFromOwnWindow_ = false;
        return;
    }
    // Message boxes and standard dialogs are not windows of the program's own.
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->windowHandle() != w) continue;
        if (qobject_cast<QMessageBox*>(top) || qobject_cast<QColorDialog*>(top) || qobject_cast<QFileDialog*>(top))
            return;
    }
    cameFromOwnWindow_ = true;
}

void TForm1::FileListBox1Click() {
    if (kicadMode_) {
        const QListWidgetItem* item = FileListBox1->currentItem();
        if (item && item->isSelected()) OpenKicadRow(item->data(kRowRole).toInt(), false);
        return;
    }
    const std::string name = SelectedLibraryFileName();
    if (name.empty()) {
        // No file: the list empties, the count and the drawing stay.
        keepCount_ = true;
        core_.FileListBox1Click(std::string());
        keepCount_ = false;
        return;
    }
    core_.FileListBox1Click(QFile::encodeName(folder_).toStdString() + "/" + name);
}

void TForm1::B_converterClick() {
    MemoToLines();
    core_.B_converterClick();
}

void TForm1::B_linhaClick() {
    MemoToLines();
    core_.B_linhaClick();
}

void TForm1::B_carregarClick() {
    core_.B_carregarClick(QFile::encodeName(FilenameEdit1Text->text()).toStdString());
}

void TForm1::Redraw() {
    // Lines edited in "Comandos" since the module was chosen are drawn as
    // they stand; reading the module again would throw the edits away.
    if (TextListBox1->document()->isModified() && !core_.Lines().empty()) {
        MemoToLines();
        core_.RestartPadCount();
        core_.B_converterClick();
        return;
    }
    core_.ListBox1Click();
}

void TForm1::Button2Click() {
    if (core_.Options().ScaleDivisor <= 140) {
        core_.Options().ScaleDivisor += 10;
        Redraw();
    }
}

void TForm1::Button3Click() {
    if (core_.Options().ScaleDivisor >= 30) {
        core_.Options().ScaleDivisor -= 10;
        Redraw();
    }
}

void TForm1::Button4Click() {
    core_.Options().ScaleDivisor = 100;
    Redraw();
}

void TForm1::B_ajustarClick() {
    if (core_.View().ViewWidth <= 0 || core_.View().ViewHeight <= 0) return;  // nothing drawn yet
    const QSize room = ScrollBox1->maximumViewportSize().boundedTo(QSize(2000, 2000));
    auto extent = [this] {
        const bool drawn = core_.View().ExtentMaxX >= core_.View().ExtentMinX;
        return ViewExtent{core_.View().ViewWidth, core_.View().ViewHeight, drawn ? core_.View().ExtentMaxX : -1, drawn ? core_.View().ExtentMaxY : -1};
    };
    const ViewExtent now = extent();
    FitDivisor(
        [&](int32_t d) {
            core_.Options().ScaleDivisor = d;
            Redraw();
            return extent();
        },
        core_.Options().ScaleDivisor, now, room.width(), room.height());
}

void TForm1::WheelZoom(int x, int y, bool zoomIn) {
    if (core_.View().ViewWidth <= 0 || core_.View().ViewHeight <= 0 || catalogRunning_) return;
    // From the divisor the view shows, which an activation may have left
    // behind the divisor's reset.
    const int32_t before = viewDivisor_, after = WheelDivisor(before, zoomIn);
    if (after == before) return;
    QScrollBar* h = ScrollBox1->horizontalScrollBar();
    QScrollBar* v = ScrollBox1->verticalScrollBar();
    // The drawing's point under the pointer, in decimils.
    const double px = ViewPixelToDecimil(h->value() + x, before, core_.View().ExtentMinX, core_.View().ShiftX);
    const double py = ViewPixelToDecimil(v->value() + y, before, core_.View().ExtentMinY, core_.View().ShiftY);
    core_.Options().ScaleDivisor = after;
    Redraw();
    const int64_t nx = DecimilToViewPixel(px, after, core_.View().ExtentMinX, core_.View().ShiftX);
    const int64_t ny = DecimilToViewPixel(py, after, core_.View().ExtentMinY, core_.View().ShiftY);
    h->setValue(static_cast<int>(std::clamp<int64_t>(nx - x, h->minimum(), h->maximum())));
    v->setValue(static_cast<int>(std::clamp<int64_t>(ny - y, v->minimum(), v->maximum())));
}

bool TForm1::eventFilter(QObject* o, QEvent* e) {
    if (o == ScrollBox1->viewport() && e->type() == QEvent::Wheel) {
        auto* w = static_cast<QWheelEvent*>(e);
        const int dy = w->angleDelta().y();
        if (dy != 0) {
            const QPoint at = w->position().toPoint();
            Guarded(this, [&] { WheelZoom(at.x(), at.y(), dy > 0); });
        }
        return true;
    }
    return QMainWindow::eventFilter(o, e);
}

void TForm1::ChooseColor(Color& target) {
    // The dialog opens on the colour being changed: OK at once keeps it.
    QColor c = QColor::fromRgb(ToRgb(target));
    if (!ExecuteColorDialog || !ExecuteColorDialog(c)) return;
    ColorDialog1Color = FromRgb(c.rgb());
    target = ColorDialog1Color;
    Redraw();
}

void TForm1::CorPad1Click() { ChooseColor(core_.Options().CorPad); }
void TForm1::CorComp1Click() { ChooseColor(core_.Options().CorComp); }
void TForm1::CorCorpo1Click() { ChooseColor(core_.Options().CorCorpo); }
void TForm1::CorFuro1Click() { ChooseColor(core_.Options().CorFuro); }

void TForm1::RG_textosClick() {
    core_.Options().TextMode = std::max(0, RG_textosItems->checkedId());
    Redraw();
}

void TForm1::Sair1Click() { close(); }

void TForm1::pag22Click() {
    if (!Form2) return;
    // The search looks where the file list does.
    Form2->SearchScope->setCurrentIndex(kicadMode_ ? 1 : 0);
    Form2->exec();
    // Back in this window: an activation, whether or not a window manager
    // hands the focus back (the repeat when it does changes nothing).
    activateWindow();
    FormActivate();
}

void TForm1::Desenhos1Click() { b_reportClick(); }

void TForm1::b_reportClick() {
    core_.Options().ScaleDivisor = 100;
    if (core_.ModuleList().empty()) {
        Dialogs().Message(this, UiDialogs::Icon::Error, "Nenhuma biblioteca selecionada");
        return;
    }
    RunCatalog(RunDrawingCatalog);
}

void TForm1::Lista1Click() {
    if (core_.ModuleList().empty()) {
        Dialogs().Message(this, UiDialogs::Icon::Error, "Nenhuma biblioteca selecionada");
        return;
    }
    RunCatalog(RunListCatalog);
}

void TForm1::RunCatalog(const std::function<void()>& run) {
    // A run reads the module list through the one cursor: while it goes on
    // (its preview open), nothing may move that cursor or start another run.
    if (!run || catalogRunning_) return;
    catalogRunning_ = true;
    // The colours too: a run keeps the ones it started with.
    const std::vector<QWidget*> widgets{b_report, ListBox1, FileListBox1, DLB1, DriveComboBox1, B_ajustar, CB_numeros};
    const std::vector<QAction*> actions{Desenhos1, Lista1, pag21->menuAction(), CorPad1, CorComp1, CorCorpo1, CorFuro1};
    for (QWidget* w : widgets) w->setEnabled(false);
    for (QAction* a : actions) a->setEnabled(false);
    core_.Options().KeepAll = false;  // catalog pictures keep the plain mapping
    // and their pads no numbers, whatever the window shows.
    const bool padNumbers = core_.Options().PadNumbers;
    core_.Options().PadNumbers = false;
    struct Restore {
        TForm1& f;
        const std::vector<QWidget*>& widgets;
        const std::vector<QAction*>& actions;
        bool padNumbers;
        ~Restore() {
            for (QWidget* w : widgets) w->setEnabled(true);
            for (QAction* a : actions) a->setEnabled(true);
            f.catalogRunning_ = false;
            f.core_.Options().KeepAll = true;
            f.core_.Options().PadNumbers = padNumbers;
        }
    } restore{*this, widgets, actions, padNumbers};
    run();
}

void TForm1::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    // Without a window manager nothing would make the first activation.
    if (!activated_) activateWindow();
}

void TForm1::closeEvent(QCloseEvent* e) {
    QMainWindow::closeEvent(e);
    if (e->isAccepted()) emit Closed();
}
