// A MIB tree node keeps its name and number itself: a view over it sees both
// through the model, and a later change still reaches the view.
#include "mibtreeitem.h"

#include <QTreeWidget>
#include <memory>
#include <gtest/gtest.h>

TEST(MibTreeItem, NameAndNumberReadThroughTheTreeAndChangesReachIt)
{
    QTreeWidget tree;
    auto* root = new MibTreeItem(QStringLiteral("iso"), 1);
    auto* child = new MibTreeItem(root, QStringLiteral("org"), 3);
    tree.addTopLevelItem(root);

    ASSERT_EQ(root->childCount(), 1);
    EXPECT_EQ(root->child(0), child);
    const QModelIndex index = tree.model()->index(0, 0, tree.model()->index(0, 0));
    EXPECT_EQ(index.data(Qt::DisplayRole).toString(), QStringLiteral("org"));
    EXPECT_EQ(index.data(MibTreeItem::NumberRole).toInt(), 3);
    EXPECT_EQ(child->number(), 3);

    int changes = 0;
    QObject::connect(tree.model(), &QAbstractItemModel::dataChanged, [&changes] { ++changes; });
    child->setText(0, QStringLiteral("renamed"));
    child->setData(0, MibTreeItem::NumberRole, -7);
    EXPECT_EQ(index.data(Qt::DisplayRole).toString(), QStringLiteral("renamed"));
    EXPECT_EQ(child->number(), -7);
    EXPECT_EQ(changes, 2);

    // Other roles are QTreeWidgetItem's own.
    child->setToolTip(0, QStringLiteral("tip"));
    EXPECT_EQ(index.data(Qt::ToolTipRole).toString(), QStringLiteral("tip"));
    EXPECT_EQ(index.data(Qt::DisplayRole).toString(), QStringLiteral("renamed"));

    std::unique_ptr<QTreeWidgetItem> copy(root->clone());
    ASSERT_EQ(copy->childCount(), 1);
    EXPECT_EQ(copy->child(0)->text(0), QStringLiteral("renamed"));
    EXPECT_EQ(copy->child(0)->data(0, MibTreeItem::NumberRole).toInt(), -7);
}
