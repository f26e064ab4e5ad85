#pragma once

#include <QString>
#include <QTreeWidgetItem>

// A node of the main window's MIB tree: the object's name (its text in the one
// column) and the last arc of its OID (its number, in the item's data under
// Qt::UserRole). Both are held in the item itself instead of in the general
// per-role lists of QTreeWidgetItem, which cost several allocations per node; a
// tree of a hundred thousand objects is built at every start.
//
// Every other role and column is left to QTreeWidgetItem, so the node reads and
// writes through text()/data()/setData() like any other item.
class MibTreeItem : public QTreeWidgetItem {
public:
    static constexpr int NumberRole = Qt::UserRole;
    static constexpr int ItemType = QTreeWidgetItem::UserType + 1;

    // A node not yet in a tree (the root of a tree built off screen).
    MibTreeItem(const QString& name, int number);
    // A node added as the last child of parent.
    MibTreeItem(QTreeWidgetItem* parent, const QString& name, int number);

    [[nodiscard]] QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant& value) override;
    [[nodiscard]] QTreeWidgetItem* clone() const override;

    [[nodiscard]] int number() const { return FNumber; }

private:
    QString FName;
    int FNumber = 0;
};
