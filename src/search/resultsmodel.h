#pragma once
// The hits of a search as a Qt table: "NICK:NAME", the pad or pin count and
// the description, best first.
#include "search/searchindex.h"

#include <QAbstractTableModel>

#include <vector>

namespace tarnel::search {

class SearchResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit SearchResultsModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    // Shows hits of index; index must outlive them (or the next SetHits).
    void SetHits(const SearchIndex* index, std::vector<SearchHit> hits);
    const SearchItem* ItemAt(int row) const;
    uint32_t ItemIndexAt(int row) const { return hits_[static_cast<size_t>(row)].item; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const SearchIndex* index_ = nullptr;
    std::vector<SearchHit> hits_;
};

// The count shown beside an item: its pads, or its pins; empty when unknown.
QString CountText(const ItemFacts& facts);

} // namespace tarnel::search
