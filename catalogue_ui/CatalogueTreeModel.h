// The catalogue browser's tree as an item model over the groups and discs the catalogue gives: group
// nodes at the top with their discs below, or (in name order) the discs alone. Large catalogues show at
// once because nothing is copied into items.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <array>
#include <vector>

#include "catalogue/CatalogueOrder.h"

class TCatalogueTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit TCatalogueTreeModel(QObject* Parent = nullptr);

    // Grouped: every group is a node; otherwise the discs of all groups are top-level nodes.
    void SetTree(std::vector<TCatalogueGroup> Tree, bool Grouped);
    void Clear() { SetTree({}, false); }
    const std::vector<TCatalogueGroup>& Tree() const { return FTree; }
    int DiscCount() const;

    // The disc of a node; nullptr for a group node or no node.
    const TCatalogueEntry* Disc(const QModelIndex& Index) const;
    void SetDiscName(const QModelIndex& Index, const std::string& Name);
    // Removes a disc node; a group left empty stays.
    void RemoveDisc(const QModelIndex& Index);

    QModelIndex index(int Row, int Column, const QModelIndex& Parent = {}) const override;
    QModelIndex parent(const QModelIndex& Child) const override;
    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role) const override;

private:
    TCatalogueEntry* DiscAt(const QModelIndex& Index);

    std::vector<TCatalogueGroup> FTree;
    bool FGrouped = false;
    std::array<QIcon, 4> FImages;
};
