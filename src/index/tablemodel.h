#pragma once
// A Qt item model over an in-memory table: one row per record, one column per
// chosen field. It follows the table through its observer notifications, so
// a frozen table leaves its views as they were until it is thawed. Appended
// rows reach the views together, when control returns to the event loop or
// at Flush: a view told of every single append costs more than the run.
#include "index/memtable.h"

#include <QAbstractTableModel>

#include <vector>

namespace tarnel {

class TMemTableModel : public QAbstractTableModel, private TableObserver {
    Q_OBJECT
public:
    // columns: field indexes shown, in order; empty means every field.
    TMemTableModel(TMemTable& table, std::vector<int> columns = {}, QObject* parent = nullptr);
    ~TMemTableModel() override;

    static constexpr int RawBytesRole = Qt::UserRole + 1;  // the stored 8-bit text

    TMemTable& Table() const { return table_; }
    int FieldOfColumn(int column) const;
    int ColumnOfField(int field) const;  // -1 when not shown

    // Tells the views of the rows appended since they last heard.
    void Flush();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The table's current record, as the views last heard of it (-1: none).
    void currentRowChanged(int row);

private:
    void BeforeReset() override;
    void AfterReset() override;
    void BeforeAppend(int row) override;
    void AfterAppend(int row) override;
    void RecordChanged(int row) override;
    void CurrentChanged(int row) override;

    TMemTable& table_;
    std::vector<int> columns_;
    int rows_ = 0;  // rows the views know of
    bool flushQueued_ = false;
    bool currentPending_ = false;  // a current row not yet shown to the views
};

} // namespace tarnel
