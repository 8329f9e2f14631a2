#include "catalogue_ui/CatalogueTreeModel.h"

#include "catalogue_ui/CatalogueImages.h"

namespace {

// A node's internal id: 0 for a top-level node, otherwise the row of its group plus 1.
constexpr quintptr TopLevel = 0;

QString Q(const std::string& S) {
    return QString::fromUtf8(S.data(), static_cast<qsizetype>(S.size()));
}

} // namespace

TCatalogueTreeModel::TCatalogueTreeModel(QObject* Parent)
    : QAbstractItemModel(Parent), FImages{CatalogueImage(ciList), CatalogueImage(ciDisc),
                                          CatalogueImage(ciSound), CatalogueImage(ciOrphan)} {}

void TCatalogueTreeModel::SetTree(std::vector<TCatalogueGroup> Tree, bool Grouped) {
    beginResetModel();
    FTree = std::move(Tree);
    FGrouped = Grouped;
    if (!FGrouped && FTree.size() > 1) {
        // Name order has a single list of discs.
        for (std::size_t G = 1; G < FTree.size(); ++G)
            for (TCatalogueEntry& E : FTree[G].Discs)
                FTree[0].Discs.push_back(std::move(E));
        FTree.resize(1);
    }
    endResetModel();
}

int TCatalogueTreeModel::DiscCount() const {
    int Count = 0;
    for (const TCatalogueGroup& G : FTree)
        Count += static_cast<int>(G.Discs.size());
    return Count;
}

const TCatalogueEntry* TCatalogueTreeModel::Disc(const QModelIndex& Index) const {
    return const_cast<TCatalogueTreeModel*>(this)->DiscAt(Index);
}

TCatalogueEntry* TCatalogueTreeModel::DiscAt(const QModelIndex& Index) {
    if (!Index.isValid() || Index.model() != this) return nullptr;
    const auto Row = static_cast<std::size_t>(Index.row());
    if (!FGrouped) {
        if (FTree.empty() || Row >= FTree[0].Discs.size()) return nullptr;
        return &FTree[0].Discs[Row];
    }
    if (Index.internalId() == TopLevel) return nullptr;
    const std::size_t Group = Index.internalId() - 1;
    if (Group >= FTree.size() || Row >= FTree[Group].Discs.size()) return nullptr;
    return &FTree[Group].Discs[Row];
}

void TCatalogueTreeModel::SetDiscName(const QModelIndex& Index, const std::string& Name) {
    if (TCatalogueEntry* E = DiscAt(Index)) {
        E->Name = Name;
        emit dataChanged(Index, Index, {Qt::DisplayRole});
    }
}

void TCatalogueTreeModel::RemoveDisc(const QModelIndex& Index) {
    if (!DiscAt(Index)) return;
    const std::size_t Group = FGrouped ? Index.internalId() - 1 : 0;
    beginRemoveRows(Index.parent(), Index.row(), Index.row());
    auto& Discs = FTree[Group].Discs;
    Discs.erase(Discs.begin() + Index.row());
    endRemoveRows();
}

QModelIndex TCatalogueTreeModel::index(int Row, int Column, const QModelIndex& Parent) const {
    if (Row < 0 || Column != 0 || Row >= rowCount(Parent)) return {};
    if (!Parent.isValid()) return createIndex(Row, 0, TopLevel);
    return createIndex(Row, 0, static_cast<quintptr>(Parent.row()) + 1);
}

QModelIndex TCatalogueTreeModel::parent(const QModelIndex& Child) const {
    if (!Child.isValid() || !FGrouped || Child.internalId() == TopLevel) return {};
    return createIndex(static_cast<int>(Child.internalId() - 1), 0, TopLevel);
}

int TCatalogueTreeModel::rowCount(const QModelIndex& Parent) const {
    if (!Parent.isValid()) {
        if (FGrouped) return static_cast<int>(FTree.size());
        return FTree.empty() ? 0 : static_cast<int>(FTree[0].Discs.size());
    }
    if (!FGrouped || Parent.internalId() != TopLevel || Parent.column() != 0) return 0;
    const auto Group = static_cast<std::size_t>(Parent.row());
    return Group < FTree.size() ? static_cast<int>(FTree[Group].Discs.size()) : 0;
}

int TCatalogueTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant TCatalogueTreeModel::data(const QModelIndex& Index, int Role) const {
    if (!Index.isValid()) return {};
    const TCatalogueEntry* E = Disc(Index);
    if (Role == Qt::DisplayRole) {
        if (E) return Q(E->Name);
        const auto Group = static_cast<std::size_t>(Index.row());
        return Group < FTree.size() ? Q(FTree[Group].Text) : QVariant();
    }
    if (Role == Qt::DecorationRole) {
        if (!E) return FImages[ciList];
        return FImages[E->TocPending ? ciOrphan : E->HasSample ? ciSound : ciDisc];
    }
    return {};
}
