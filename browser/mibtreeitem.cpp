#include "mibtreeitem.h"

MibTreeItem::MibTreeItem(const QString& name, int number)
    : QTreeWidgetItem(ItemType)
    , FName(name)
    , FNumber(number)
{
}

MibTreeItem::MibTreeItem(QTreeWidgetItem* parent, const QString& name, int number)
    : QTreeWidgetItem(ItemType)
    , FName(name)
    , FNumber(number)
{
    // Added once complete, so that a tree it joins sees its text at once.
    if (parent != nullptr)
        parent->addChild(this);
}

QVariant MibTreeItem::data(int column, int role) const
{
    if (column == 0) {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return FName;
        if (role == NumberRole)
            return FNumber;
    }
    return QTreeWidgetItem::data(column, role);
}

void MibTreeItem::setData(int column, int role, const QVariant& value)
{
    // Nothing sets a node's name or number after the build; should anything do,
    // the general store takes it too, and it is what tells the tree of the change.
    if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole))
        FName = value.toString();
    else if (column == 0 && role == NumberRole)
        FNumber = value.toInt();
    QTreeWidgetItem::setData(column, role, value);
}

QTreeWidgetItem* MibTreeItem::clone() const
{
    // The node itself and, like QTreeWidgetItem::clone, its whole subtree.
    auto* copy = new MibTreeItem(FName, FNumber);
    copy->setFlags(flags());
    for (int i = 0; i < childCount(); ++i)
        copy->addChild(child(i)->clone());
    return copy;
}
