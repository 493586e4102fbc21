#pragma once
// The main window: drive, folder and file lists to pick a footprint library,
// the library's modules, the module's command lines, the drawing, zoom, text
// and arc choices, colours and the catalog commands. A thin view that owns a
// TForm1Core, which holds all of the browsing and drawing state, and listens
// to it.
#include "index/indexrun.h"
#include "tables/librarytables.h"
#include "viewer/tarnel.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QLineEdit>
#include <QSpinBox>

#include <exception>
#include <functional>
#include <string>
#include <unordered_map>

class QAction;
class QButtonGroup;
class QCheckBox;
class QColor;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTabWidget;
class QWindow;
class TForm2;

namespace tarnel {

// Shows the text of an exception that escaped an event handler in an error
// box; the program carries on.
void ShowHandlerError(QWidget* parent, const std::exception& e);
void ShowHandlerError(QWidget* parent);  // for anything not a std::exception

// Runs fn, handing anything it throws to ShowHandlerError.
template <typename Fn>
void Guarded(QWidget* parent, Fn&& fn) {
    try {
        fn();
    } catch (const std::exception& e) {
        ShowHandlerError(parent, e);
    } catch (...) {
        ShowHandlerError(parent);
    }
}

// The program's application object: whatever escapes an event handler of
// any window ends in ShowHandlerError instead of ending the program.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// "MS Sans Serif" and "System" to a Debian sans-serif, Arial to Liberation
// Sans.
void InstallFontSubstitutes();

// A list whose Click follows the user: a mouse click on an item (also the
// selected one) or a keyboard move of the selection. Setting the selection
// from code does not click.
class TClickList : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
signals:
    void Click();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

// The folder list: its items are indented with blanks to show the path, and
// typing a name jumps to the first folder that starts with it, the blanks
// aside.
class TFolderList : public QListWidget {
public:
    using QListWidget::QListWidget;
    void keyboardSearch(const QString& search) override;

private:
    QString typed_;
    qint64 lastKey_ = 0;
};

// A choice among numbered things shown by name (a symbol's units by their
// letters, its body styles by theirs): steps with its arrows, the wheel or
// the arrow keys, whatever the count.
class TNamedSpin : public QSpinBox {
public:
    // Its names are chosen, not typed.
    explicit TNamedSpin(QWidget* parent = nullptr) : QSpinBox(parent) { lineEdit()->setReadOnly(true); }
    std::function<QString(int)> Name;

protected:
    QString textFromValue(int v) const override { return Name ? Name(v) : QSpinBox::textFromValue(v); }
    int valueFromText(const QString&) const override { return value(); }
    QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }
};

// A one-line text of the "Detalhes" panel: too long for its room, it ends
// in "…" and shows whole in its tool tip; it never widens the panel.
class TDetailText : public QLabel {
public:
    explicit TDetailText(QWidget* parent = nullptr);
    void SetFullText(const QString& text);
    const QString& FullText() const { return full_; }
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void Elide();
    QString full_;
};

// Image2: shows the top-left of ViewImage at the displayed size, white
// beyond the 2000 x 2000 picture.
class TViewImage : public QWidget {
public:
    TViewImage(const Canvas& picture, QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const Canvas& picture_;
};

} // namespace tarnel

class TForm1;

// The component index's view of the main window's file list: its "*.mod"
// files, ".pretty" folders and current symbol libraries, without the legacy
// symbol libraries ("*.lib"); with the KiCad libraries shown, the rows of
// those kinds that open, by their paths.
class TFileListAdapter : public tarnel::IndexFileList {
public:
    explicit TFileListAdapter(TForm1& form) : form_(form) {}
    std::string Folder() const override;
    int Count() const override;
    std::string Entry(int i) const override;
    int ItemIndex() const override;
    void SetItemIndex(int i) override;
    // The run walked the selection: the library that is open is
    // highlighted again.
    void RunEnded() override;

private:
    int Row(int i) const;  // the list row of entry i, -1 for none
    TForm1& form_;
};

class TForm1 : public QMainWindow, public tarnel::ViewerListener {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The browsing and drawing state this window shows.
    tarnel::TForm1Core& Core() { return core_; }
    const tarnel::TForm1Core& Core() const { return core_; }

    // Seams filled at start-up by the catalogs; called once the module list
    // is known not to be empty.
    std::function<void()> RunDrawingCatalog;
    std::function<void()> RunListCatalog;
    // The component index window, created hidden at start-up.
    TForm2* Form2 = nullptr;
    // ColorDialog1: runs the dialog on colour; false when cancelled.
    std::function<bool(QColor& colour)> ExecuteColorDialog;
    // The last colour chosen in ColorDialog1 (it opens on the colour being
    // changed).
    tarnel::Color ColorDialog1Color = tarnel::kBlack;
    // Opened at the first activation when it exists.
    std::string DefaultFolder = "/kicad/modules";

    // The library whose modules are listed (the catalogs print it; the file
    // list's selection may have moved since, as an index run moves it).
    std::string ListedLibraryPath() const { return core_.LibraryPath(); }
    // The file list's selected library (file-system bytes): a "*.mod" file
    // or a ".pretty" folder; with the KiCad libraries shown, the row's
    // resolved path. Empty when nothing is selected.
    std::string SelectedLibraryFileName() const;
    // The folder list's folder, which is also the process's current folder.
    QString Folder() const { return folder_; }
    void SetFolder(const QString& path);
    tarnel::IndexFileList& FileList() { return fileList_; }

    // "Bibliotecas do KiCad": the file list shows the rows of KiCad's library
    // tables (the newest settings folder found, or the one chosen, and the
    // project chosen), the folder list the settings folders and projects to
    // choose from. Leaves with the next folder chosen.
    void ShowKicadLibraries();
    bool ShowingKicadLibraries() const { return kicadMode_; }
    // Another settings folder (empty: the newest found) or project folder or
    // file (empty: none); the rows are read again when they are shown.
    void ChooseKicadSettings(const QString& folder);
    void ChooseKicadProject(const QString& project);
    // The tables as the choices stand, read now (for the component index).
    tarnel::tables::LibraryTables ReadKicadTables() const;
    const tarnel::tables::LibraryTables& KicadTables() const { return tables_; }
    // The item of the drive list that shows the KiCad libraries.
    static constexpr int kKicadDriveRole = Qt::UserRole + 1;

    // Controls, named as the window definition names them.
    QComboBox* DriveComboBox1;
    tarnel::TFolderList* DLB1;
    tarnel::TClickList* FileListBox1;
    QPushButton* b_report;
    QPushButton* B_carregar;
    QWidget* FilenameEdit1;
    QLineEdit* FilenameEdit1Text;
    QTabWidget* TabControl1;
    QWidget* TabSheet1;
    tarnel::TClickList* ListBox1;
    QWidget* TabSheet2;
    QPlainTextEdit* TextListBox1;
    QWidget* TabSheet3;
    QScrollArea* ScrollBox1;
    tarnel::TViewImage* Image2;
    QLabel* image1;
    QPushButton* B_linha;
    QPushButton* B_apagar;
    QPushButton* B_converter;
    QLabel* Label2;
    QGroupBox* RG_textos;
    QButtonGroup* RG_textosItems;
    QCheckBox* CB_arcos;
    // "Números das ilhas": a footprint's pads carry their numbers (the
    // catalogs' pictures never do).
    QCheckBox* CB_numeros;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    // "Ajustar": the divisor, from 1 up, at which the whole drawing fills
    // the view.
    QPushButton* B_ajustar;
    // A current symbol's unit and body style, shown when it has more than one.
    QLabel* L_unidade;
    tarnel::TNamedSpin* SE_unidade;
    QLabel* L_estilo;
    tarnel::TNamedSpin* SE_estilo;
    QLabel* Label1;
    QPushButton* Button1;
    // "Detalhes": what the item drawn is, from its figure.
    QGroupBox* GB_detalhes;
    QLabel* L_contagem;  // "Ilhas" or "Pinos"
    tarnel::TDetailText* D_nome;
    tarnel::TDetailText* D_biblioteca;
    tarnel::TDetailText* D_descricao;
    tarnel::TDetailText* D_palavras;
    tarnel::TDetailText* D_contagem;
    tarnel::TDetailText* D_montagem;
    tarnel::TDetailText* D_tamanho;

    QAction* Sair1;
    QMenu* Catlogos1;
    QAction* Desenhos1;
    QAction* Lista1;
    QAction* Indice1;
    QMenu* pag21;
    QAction* CorPad1;
    QAction* CorComp1;
    QAction* CorCorpo1;
    QAction* CorFuro1;
    QAction* pag22;

    void FormCreate();
    void FormActivate();
    void FileListBox1Click();
    // The memo's text goes to Lines first.
    void B_converterClick();
    void B_linhaClick();
    void B_carregarClick();
    void Button1Click() {}
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void B_ajustarClick();
    // One wheel notch over the drawing at viewport point (x, y): zooms in or
    // out, keeping the drawing's point under the pointer.
    void WheelZoom(int x, int y, bool zoomIn);
    void CorPad1Click();
    void CorComp1Click();
    void CorCorpo1Click();
    void CorFuro1Click();
    void RG_textosClick();
    void Sair1Click();
    void pag22Click();
    void Desenhos1Click();
    void Lista1Click();
    void b_reportClick();

    // Copies the memo into Lines: unedited lines keep their bytes; edited
    // ones are encoded as UTF-8, or as Windows-1252 when a line shown was
    // not valid UTF-8. The caret's line becomes CaretLine.
    void MemoToLines();

    void ModuleListChanged() override;
    void LinesChanged() override;
    void ViewChanged() override;
    void StatusChanged() override;

signals:
    void Closed();

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void BuildControls();
    void BuildMenu();
    void FillDrives();
    void FillFolders();
    void FillFiles();
    void FillKicadChoices();
    void FillKicadRows();
    void KicadChoiceActivated(const QListWidgetItem* item);
    // Opens row i of the tables, a disabled one only when asked.
    void OpenKicadRow(int i, bool evenDisabled);
    void ChooseColor(tarnel::Color& target);
    // Runs a catalog with the commands and lists that would disturb it off.
    void RunCatalog(const std::function<void()>& run);
    // Draws the module again after a change of zoom, texts, arcs or colour.
    void Redraw();
    // Fills "Detalhes" from the drawing; empty when no item is shown or
    // the drawing is not (yet) of the item listed.
    void ShowDetails(bool drawn = true);
    // Shows the unit and style choices the drawing has, set to it.
    void ShowSymbolChoices();
    void SymbolChoiceChanged();
    void FocusWindowChanged(QWindow* w);
    // Connects a signal to a handler behind the default error handler.
    template <typename Sender, typename Signal, typename Fn>
    void On(Sender* sender, Signal signal, Fn fn);

    tarnel::TForm1Core core_;
    TFileListAdapter fileList_;
    QString folder_;
    bool kicadMode_ = false;
    QString kicadSettings_, kicadProject_;
    tarnel::tables::LibraryTables tables_;
    bool keepCount_ = false;
    bool catalogRunning_ = false;
    bool activated_ = false;
    bool cameFromOwnWindow_ = false;
    // The divisor the view was drawn at (an activation resets the divisor
    // without drawing again).
    int32_t viewDivisor_ = 100;
    // Memo lines as shown -> the bytes they stand for.
    std::unordered_map<std::u16string, std::string> shown_;
    bool shownAllUtf8_ = true;
};
