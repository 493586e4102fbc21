#include "index/tablemodel.h"
#include "util/displaytext.h"

namespace tarnel {

TMemTableModel::TMemTableModel(TMemTable& table, std::vector<int> columns, QObject* parent)
    : QAbstractTableModel(parent), table_(table), columns_(std::move(columns)) {
    if (columns_.empty())
        for (int i = 0; i < table_.FieldCount(); ++i) columns_.push_back(i);
    rows_ = table_.RowCount();
    table_.AddObserver(this);
}

TMemTableModel::~TMemTableModel() { table_.RemoveObserver(this); }

int TMemTableModel::FieldOfColumn(int column) const {
    return column >= 0 && column < static_cast<int>(columns_.size()) ? columns_[static_cast<size_t>(column)] : -1;
}

int TMemTableModel::ColumnOfField(int field) const {
    for (size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i] == field) return static_cast<int>(i);
    return -1;
}

int TMemTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TMemTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TMemTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int row = index.row();
    const int field = FieldOfColumn(index.column());
    // While the table is frozen the views may still ask for rows that it no
    // longer has.
    if (field < 0 || row < 0 || row >= rows_ || row >= table_.RowCount()) return {};
    const FieldDef& def = table_.Fields()[static_cast<size_t>(field)];
    if (role == RawBytesRole) {
        const std::string& t = table_.Text(row, field);
        return QByteArray(t.data(), static_cast<qsizetype>(t.size()));
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    if (def.kind == FieldKind::Integer) {
        if (table_.IsNull(row, field)) return QString();
        return QString::number(table_.Int(row, field));
    }
    QString s = DisplayQString(table_.Text(row, field));
    s.replace(QChar('\r'), QChar('\n'));
    return s;
}

QVariant TMemTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    const int field = FieldOfColumn(section);
    if (field < 0) return {};
    return QString::fromStdString(table_.Fields()[static_cast<size_t>(field)].name);
}

Qt::ItemFlags TMemTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

void TMemTableModel::Flush() {
    flushQueued_ = false;
    // A frozen table keeps its views as they were; thawing resets them.
    if (table_.ControlsDisabled()) return;
    const int n = table_.RowCount();
    if (n > rows_) {
        beginInsertRows(QModelIndex(), rows_, n - 1);
        rows_ = n;
        endInsertRows();
    }
    if (currentPending_) {
        currentPending_ = false;
        emit currentRowChanged(table_.RecNo());
    }
}

void TMemTableModel::BeforeReset() { beginResetModel(); }

void TMemTableModel::AfterReset() {
    rows_ = table_.RowCount();
    currentPending_ = false;
    endResetModel();
}

void TMemTableModel::BeforeAppend(int /*row*/) {}

void TMemTableModel::AfterAppend(int /*row*/) {
    if (flushQueued_) return;
    flushQueued_ = true;
    QMetaObject::invokeMethod(this, &TMemTableModel::Flush, Qt::QueuedConnection);
}

void TMemTableModel::RecordChanged(int row) {
    if (row < 0 || row >= rows_) return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void TMemTableModel::CurrentChanged(int row) {
    if (row >= rows_) {
        currentPending_ = true;
        return;
    }
    currentPending_ = false;
    emit currentRowChanged(row);
}

} // namespace tarnel
