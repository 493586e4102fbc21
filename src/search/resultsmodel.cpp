#include "search/resultsmodel.h"

#include "util/displaytext.h"

namespace tarnel::search {

QString CountText(const ItemFacts& f) {
    if (f.pads >= 0) return QString::number(f.pads) + (f.pads == 1 ? QStringLiteral(" ilha") : QStringLiteral(" ilhas"));
    if (f.pins >= 0) return QString::number(f.pins) + (f.pins == 1 ? QStringLiteral(" pino") : QStringLiteral(" pinos"));
    return {};
}

void SearchResultsModel::SetHits(const SearchIndex* index, std::vector<SearchHit> hits) {
    beginResetModel();
    index_ = index;
    hits_ = std::move(hits);
    endResetModel();
}

const SearchItem* SearchResultsModel::ItemAt(int row) const {
    if (!index_ || row < 0 || static_cast<size_t>(row) >= hits_.size()) return nullptr;
    return &index_->Item(hits_[static_cast<size_t>(row)].item);
}

int SearchResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(hits_.size());
}

int SearchResultsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant SearchResultsModel::data(const QModelIndex& index, int role) const {
    const SearchItem* item = index.isValid() ? ItemAt(index.row()) : nullptr;
    if (!item || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
    switch (index.column()) {
        case 0: return DisplayQString(index_->FullName(hits_[static_cast<size_t>(index.row())].item));
        case 1: return CountText(item->facts);
        default:
            if (role == Qt::ToolTipRole && !item->facts.keywords.empty())
                return DisplayQString(item->facts.description + "\n" + item->facts.keywords);
            return DisplayQString(item->facts.description);
    }
}

QVariant SearchResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case 0: return QStringLiteral("Nome");
        case 1: return QStringLiteral("Ilhas/pinos");
        default: return QStringLiteral("Descrição");
    }
}

} // namespace tarnel::search
