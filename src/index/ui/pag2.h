#pragma once
// The component index window: indexes every library of the main window's
// file list, lists the names in a sortable grid, searches them and shows the
// chosen module's lines. The main window creates it hidden at start-up, with
// an IndexFileList over its file list, and shows it with exec().
#include "index/indexrun.h"
#include "index/tablemodel.h"

#include <QDialog>

class QDataWidgetMapper;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPlainTextEdit;
class QPushButton;
class QTableView;

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

public slots:
    void BitBtn1Click();
    void BitBtn2Click();
    void DBGrid2CellClick(const QModelIndex& index);
    void DBGrid2TitleClick(int section);

private:
    void GridFollowsTable(int row);
    void TableFollowsGrid(const QModelIndex& current);
    void FieldsFollowTable(int row);

    tarnel::IndexFileList& files_;
    tarnel::IndexTables tables_;
    tarnel::TMemTableModel* names_ = nullptr;   // RxMD_principal: alias, lib
    tarnel::TMemTableModel* modules_ = nullptr; // RxMD_comp: every field
    QDataWidgetMapper* mapper_ = nullptr;
    bool syncing_ = false;
};
