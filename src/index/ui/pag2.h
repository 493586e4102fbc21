#pragma once
// The component index window. Its "Nomes" page indexes every library of
// the main window's file list, lists the names in a sortable grid, searches
// them and shows the chosen module's lines. Its "Procurar" page searches a
// folder's libraries or the KiCad libraries by words (name, NICK:NAME, tags,
// description) as the user types, and shows the chosen item's lines and
// drawing. The main window creates it hidden at start-up, with an
// IndexFileList over its file list, and shows it with exec().
#include "index/indexrun.h"
#include "index/tablemodel.h"
#include "search/describecache.h"
#include "search/indexbuilder.h"
#include "search/resultsmodel.h"
#include "tables/librarytables.h"

#include <QDialog>

#include <functional>
#include <memory>

class QComboBox;
class QDataWidgetMapper;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;

namespace tarnel {
class TForm1Core;
}

class TForm2 : public QDialog {
    Q_OBJECT
public:
    // files: the main window's file list; it must outlive the window.
    explicit TForm2(tarnel::IndexFileList& files, QWidget* parent = nullptr);
    ~TForm2() override;

    tarnel::IndexTables& Tables() { return tables_; }

    QPushButton* BitBtn1 = nullptr;
    QLabel* Label3 = nullptr;  // "Modelos:"
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;  // "Componentes:"
    QLabel* Label4 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QTableView* DBGrid2 = nullptr;
    QLineEdit* DBEdit2 = nullptr;
    QLineEdit* DBEdit3 = nullptr;
    QLabel* DBEdit1 = nullptr;
    QPlainTextEdit* DBMemo1 = nullptr;
    QLabel* LocateStatus = nullptr;  // "não encontrado" after a search that found nothing

    // The search across libraries.
    QTabWidget* Pages = nullptr;          // "Nomes", "Procurar"
    QComboBox* SearchScope = nullptr;     // 0: the main window's folder, 1: the KiCad libraries
    QPushButton* SearchIndexButton = nullptr;
    QLineEdit* SearchEdit = nullptr;
    QSpinBox* PadsFilter = nullptr;       // -1: any
    QSpinBox* PinsFilter = nullptr;
    QTableView* SearchResults = nullptr;
    QLabel* SearchStatus = nullptr;
    QLabel* Drawing = nullptr;            // the chosen result, drawn

    // Where the search looks: the folder (default: the file list's) and
    // the KiCad tables (default: the newest settings folder's).
    std::function<std::string()> FolderSource;
    std::function<tarnel::tables::LibraryTables()> TablesSource;
    // The cache file (default: in the user's cache folder).
    std::string CacheFile;

    const tarnel::search::SearchIndex& SearchIndex() const { return index_; }
    tarnel::search::SearchResultsModel* Results() const { return results_; }

public slots:
    void BitBtn1Click();
    void BitBtn2Click();
    void DBGrid2CellClick(const QModelIndex& index);
    void DBGrid2TitleClick(int section);
    // Indexes the chosen scope again (reusing what the cache holds).
    void IndexForSearch();
    // Searches the index (made first when there is none) for the box's words.
    void RunSearch();
    // Shows result row's details, lines and drawing.
    void ShowResult(int row);

protected:
    void showEvent(QShowEvent* e) override;

private:
    void GridFollowsTable(int row);
    void TableFollowsGrid(const QModelIndex& current);
    void FieldsFollowTable(int row);
    void FitNameColumn();

    tarnel::IndexFileList& files_;
    tarnel::IndexTables tables_;
    tarnel::TMemTableModel* names_ = nullptr;   // RxMD_principal: alias, lib
    tarnel::TMemTableModel* modules_ = nullptr; // RxMD_comp: every field
    QDataWidgetMapper* mapper_ = nullptr;
    bool syncing_ = false;

    tarnel::search::DescribeCache cache_;
    bool cacheLoaded_ = false;
    tarnel::search::SearchIndex index_;
    bool indexed_ = false;
    tarnel::search::SearchResultsModel* results_ = nullptr;
    std::unique_ptr<tarnel::TForm1Core> viewer_;  // draws the chosen result
};
