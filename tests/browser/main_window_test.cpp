// The main window on the real slave: start-up, the tree, the tabs, the object panel
// and Find.
#include "main_fixture.h"
#include "mibtext.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QToolButton>

using maintest::MainWindowTest;
using maintest::waitUntil;

namespace {

void preOrder(QTreeWidgetItem* item, QList<QTreeWidgetItem*>& out)
{
    out.append(item);
    for (int i = 0; i < item->childCount(); ++i)
        preOrder(item->child(i), out);
}

QList<QTreeWidgetItem*> allNodes(QTreeWidget* tree)
{
    QList<QTreeWidgetItem*> nodes;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        preOrder(tree->topLevelItem(i), nodes);
    return nodes;
}

void typeInto(QWidget* w, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(w, &press);
    }
}

void pressEnter(QWidget* w)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(w, &press);
}

} // namespace

using MainStartup = MainWindowTest;

TEST_F(MainStartup, FillsTheParametersFromTheSessionItCreates)
{
    open({});
    EXPECT_EQ(Main->Edit_Target->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(Main->Edit_Community->text(), QStringLiteral("public")); // not the form's "gandor"
    EXPECT_EQ(Main->Edit_Timeout->text(), QStringLiteral("5"));
    EXPECT_EQ(Main->Edit_Retry->text(), QStringLiteral("3"));
    Main.reset();

    // Arguments are the session's options; one with a blank stays one word.
    open({QStringLiteral("-address"), agentAddress(), QStringLiteral("-community"), QStringLiteral("my community"),
          QStringLiteral("-timeout"), QStringLiteral("2")});
    EXPECT_EQ(Main->Edit_Target->text(), agentAddress());
    EXPECT_EQ(Main->Edit_Community->text(), QStringLiteral("my community"));
    EXPECT_EQ(Main->Edit_Timeout->text(), QStringLiteral("2"));
    EXPECT_TRUE(Dialogs::history().empty());
    EXPECT_TRUE(Main->isVisible());
}

TEST_F(MainStartup, BuildsTheWholeTreeShowsTheRootAndFillsTheTabs)
{
    openOnAgent();
    QTreeWidget* tree = Main->TreeView;
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0), QStringLiteral("iso"));
    EXPECT_EQ(Main->statusText(), QString()); // "MIB's loaded." cleared by the start-up replies

    // Every object of the MIB, each once, children in the successor order.
    int objects = 0;
    std::function<void(const QString&)> count = [&](const QString& oid) {
        ++objects;
        QStringList children;
        Main->XTcl->EvalList(QStringLiteral("mib successor ") + oid, children);
        for (const QString& c : children)
            count(c);
    };
    count(QStringLiteral("1"));
    const QList<QTreeWidgetItem*> nodes = allNodes(tree);
    EXPECT_EQ(nodes.size(), objects);
    for (QTreeWidgetItem* n : nodes) {
        const QString oid = TForm_Olvarin::NodeToOid(n);
        EXPECT_EQ(n->text(0), Main->XTcl->Eval(QStringLiteral("mib name ") + oid));
        EXPECT_EQ(QString::number(TForm_Olvarin::NodeNumber(n)), MibText::LastArc(oid));
        EXPECT_FALSE(n->flags() & Qt::ItemIsEditable);
    }

    // The first-child path four deep is expanded, nothing else.
    QStringList expanded;
    for (QTreeWidgetItem* n : nodes) {
        if (n->isExpanded())
            expanded.append(n->text(0));
    }
    EXPECT_EQ(expanded, (QStringList{"iso", "org", "dod", "internet"}));

    // The panel shows the root object, selected in the tree.
    EXPECT_EQ(tree->currentItem(), root);
    EXPECT_EQ(Main->Edit_OID->text(), QStringLiteral("1"));
    EXPECT_EQ(Main->Edit_Name->text(), QStringLiteral("iso"));

    // The tabs are the display roots; a tab selects, expands and shows its node.
    QStringList roots;
    Main->XTcl->EvalList(QStringLiteral("set DisplayRoots"), roots);
    ASSERT_GE(roots.size(), 2);
    QStringList tabs;
    for (int i = 0; i < Main->TabControl->count(); ++i)
        tabs.append(Main->TabControl->tabText(i));
    EXPECT_EQ(tabs, roots);
    const int systemTab = int(roots.indexOf(QStringLiteral("system")));
    ASSERT_GE(systemTab, 1);
    Main->TabControl->setCurrentIndex(systemTab);
    QTreeWidgetItem* system = node(QStringLiteral("1.3.6.1.2.1.1"));
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(tree->currentItem(), system);
    EXPECT_TRUE(system->isExpanded());
    EXPECT_EQ(Main->Edit_OID->text(), QStringLiteral("1.3.6.1.2.1.1"));
    EXPECT_EQ(Main->Edit_Name->text(), QStringLiteral("system"));
}

TEST_F(MainStartup, FindsNodesByOidAndOidsOfNodes)
{
    openOnAgent();
    QTreeWidgetItem* root = Main->TreeView->topLevelItem(0);
    QTreeWidgetItem* internet = node(QStringLiteral("1.3.6.1"));
    QTreeWidgetItem* sysUpTime = node(QStringLiteral("1.3.6.1.2.1.1.3"));
    ASSERT_NE(internet, nullptr);
    ASSERT_NE(sysUpTime, nullptr);
    EXPECT_EQ(sysUpTime->text(0), QStringLiteral("sysUpTime"));
    const std::pair<const char*, QTreeWidgetItem*> cases[] = {
        {"1", root},
        {"1.3.6.1.", internet},
        {"1.3.6.1.2.1.1.3.0", sysUpTime},
        {"1.3.6.1.2.1.1.3.99.4", sysUpTime}, // below a leaf: the leaf
        {"1.3.6.1.2.1.4242", nullptr},       // below a node with children: none
        {"2.1", nullptr},
        {"", nullptr},
        {"1..3", nullptr},
        {"1.3.x", nullptr},
        {"1.3.6.1\" [exec false] \"", nullptr},
    };
    for (const auto& [oid, expected] : cases)
        EXPECT_EQ(Main->FindNodeByOid(QString::fromLatin1(oid)), expected) << oid;
    EXPECT_EQ(TForm_Olvarin::NodeToOid(nullptr), QStringLiteral("0.0"));
    EXPECT_EQ(TForm_Olvarin::NodeToOid(root), QStringLiteral("1"));
    EXPECT_EQ(TForm_Olvarin::NodeToOid(sysUpTime), QStringLiteral("1.3.6.1.2.1.1.3"));
    bool allow = true;
    TForm_Olvarin::TreeViewEditing(sysUpTime, allow);
    EXPECT_FALSE(allow);
}

using MainPanel = MainWindowTest;

TEST_F(MainPanel, ShowsTheObjectAndSetsTheButtons)
{
    openOnAgent();
    struct Case {
        const char* oid;
        const char* name;
        bool get, set, tabulate;
    };
    const Case cases[] = {
        {"1.3.6.1.2.1.1.1", "sysDescr", true, false, false},   // read-only
        {"1.3.6.1.2.1.1.4", "sysContact", true, true, false},  // read-write
        {"1.3.6.1.2.1.2.2", "ifTable", false, false, true},    // SEQUENCE OF
        {"1.3.6.1.2.1.2.2.1", "ifEntry", false, false, true},  // SEQUENCE
        {"1.3.6.1.2.1.1.3.0", "sysUpTime.0", true, false, false},
    };
    for (const Case& c : cases) {
        Main->Edit_OID->setText(QString::fromLatin1(c.oid));
        EXPECT_EQ(Main->Edit_Name->text(), QString::fromLatin1(c.name)) << c.oid;
        EXPECT_EQ(Main->Edit_OID->text(), QString::fromLatin1(c.oid)); // the source keeps its text
        EXPECT_EQ(Main->Button_Get->isEnabled(), c.get) << c.oid;
        EXPECT_EQ(Main->Button_Set->isEnabled(), c.set) << c.oid;
        EXPECT_EQ(Main->Button_Tabulate->isEnabled(), c.tabulate) << c.oid;
        EXPECT_TRUE(Main->Button_GetNext->isEnabled());
        EXPECT_TRUE(Main->Button_Walk->isEnabled());
        EXPECT_EQ(Main->TreeView->currentItem(), node(QString::fromLatin1(c.oid))) << c.oid;
        EXPECT_FALSE(Main->Edit_module->text().isEmpty());
        EXPECT_FALSE(Main->Edit_Syntax->text().isEmpty());
    }
    EXPECT_FALSE(Main->Memo_Description->toPlainText().isEmpty());
    EXPECT_FALSE(Main->Memo_Description->toPlainText().contains(QLatin1Char('\r')));

    // An unknown object: the fallback values, the typed OID kept, no selection.
    Main->Edit_OID->setText(QStringLiteral("no.such.object"));
    EXPECT_EQ(Main->Edit_OID->text(), QStringLiteral("no.such.object"));
    EXPECT_EQ(Main->Edit_Name->text(), QString());
    EXPECT_EQ(Main->Edit_Syntax->text(), QString());
    EXPECT_FALSE(Main->Button_Get->isEnabled());
    EXPECT_FALSE(Main->Button_Set->isEnabled());
    EXPECT_EQ(Main->TreeView->selectedItems().size(), 0);

    // Choosing a node writes its fields; a typed name in another module is found.
    Main->TreeView->setCurrentItem(node(QStringLiteral("1.3.6.1.2.1.2.2.1.7")));
    EXPECT_EQ(Main->Edit_OID->text(), QStringLiteral("1.3.6.1.2.1.2.2.1.7"));
    EXPECT_EQ(Main->Edit_Name->text(), QStringLiteral("ifAdminStatus"));
    QStringList choices;
    for (int i = 0; i < Main->ComboBox_Value->count(); ++i)
        choices.append(Main->ComboBox_Value->itemText(i));
    EXPECT_EQ(choices.mid(0, 3), (QStringList{"up (1)", "down (2)", "testing (3)"}));
    EXPECT_EQ(Main->ComboBox_Value->currentText(), QString());
    Main->Edit_Name->setText(QStringLiteral("sysName"));
    EXPECT_EQ(Main->Edit_OID->text(), QStringLiteral("1.3.6.1.2.1.1.5"));
    EXPECT_EQ(Main->Edit_Name->text(), QStringLiteral("sysName"));
    EXPECT_EQ(Main->TreeView->currentItem(), node(QStringLiteral("1.3.6.1.2.1.1.5")));
    EXPECT_TRUE(Dialogs::history().empty());
}

TEST_F(MainPanel, TypedTextNeverRunsAsCode)
{
    openOnAgent();
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/ran");
    const QString attack = QStringLiteral("[exec touch ") + file + QLatin1Char(']');
    Main->Edit_Name->setText(attack);
    Main->Edit_Name->setText(QStringLiteral("sys") + attack);
    Main->Edit_OID->setText(attack);
    Main->Edit_OID->setText(QStringLiteral("1.3.6.1\"") + attack);
    Main->TabControl->addTab(attack);
    Main->TabControl->setCurrentIndex(Main->TabControl->count() - 1);
    EXPECT_EQ(Main->Edit_OID->text(), QStringLiteral("1.3.6.1\"") + attack);

    // The Set value and the parameters go to the slave as words, not as code.
    (void)slaveEval(QStringLiteral("proc SnmpGlobalRequest args {set ::lastRequest $args; error recorded}"));
    Main->Edit_OID->setText(QStringLiteral("1.3.6.1.2.1.1.4.0"));
    Main->Edit_Community->setText(attack);
    Main->ComboBox_Value->setEditText(attack);
    Main->Button_Set->click();
    ASSERT_TRUE(waitForReplies());
    EXPECT_EQ(slaveEval(QStringLiteral("lindex $::lastRequest 1")), attack);
    EXPECT_EQ(slaveEval(QStringLiteral("lindex $::lastRequest 5 0 1")), attack);
    Main->ComboBox_Value->setEditText(attack + QStringLiteral(" (1)"));
    Main->Edit_OID->setText(QStringLiteral("1.3.6.1.2.1.2.2.1.7.1"));
    Main->ComboBox_Value->setEditText(attack + QStringLiteral(" (1)"));
    Main->Button_Set->click();
    ASSERT_TRUE(waitForReplies());
    EXPECT_EQ(slaveEval(QStringLiteral("lindex $::lastRequest 5 0 1")), attack);

    EXPECT_FALSE(QFile::exists(file));
}

using MainFind = MainWindowTest;

TEST_F(MainFind, GoesThroughEveryMatchInTreeOrderAndWraps)
{
    openOnAgent();
    // From the root, the pattern typed in the name field.
    Main->Edit_Name->selectAll();
    typeInto(Main->Edit_Name, QStringLiteral("sysor"));
    EXPECT_EQ(Main->searchText(), QStringLiteral("sysor"));
    QStringList hits;
    for (QTreeWidgetItem* n : allNodes(Main->TreeView)) {
        if (n->text(0).toUpper().contains(QStringLiteral("SYSOR")))
            hits.append(TForm_Olvarin::NodeToOid(n));
    }
    ASSERT_GE(hits.size(), 2);
    // Each step finds the next hit, expanded or not; past the last one it wraps.
    pressEnter(Main->Edit_Name);
    QStringList found{Main->Edit_OID->text()};
    for (int i = 0; i < hits.size(); ++i) {
        Main->SpeedButton_FindNext->click();
        found.append(Main->Edit_OID->text());
        EXPECT_EQ(Main->statusText(), QStringLiteral("'sysor' found"));
    }
    EXPECT_EQ(found.mid(0, hits.size()), hits);
    EXPECT_EQ(found.last(), hits.first());
    EXPECT_EQ(Main->TreeView->currentItem(), node(hits.first()));
    EXPECT_EQ(Main->searchText(), QStringLiteral("sysor")); // names written by hits leave it

    // Nothing found: the text as typed, selection and panel unchanged.
    Main->Edit_Name->selectAll();
    typeInto(Main->Edit_Name, QStringLiteral("zzQq"));
    QTreeWidgetItem* before = Main->TreeView->currentItem();
    const QString oidBefore = Main->Edit_OID->text();
    Main->SpeedButton_FindNext->click();
    EXPECT_EQ(Main->statusText(), QStringLiteral("'zzQq'not found in MIB"));
    EXPECT_EQ(Main->TreeView->currentItem(), before);
    EXPECT_EQ(Main->Edit_OID->text(), oidBefore);

    // Choosing a node with an empty pattern makes its name the pattern.
    typeInto(Main->Edit_Name, QStringLiteral("\b"));
    Main->Edit_Name->clear();
    Main->TreeView->setCurrentItem(node(QStringLiteral("1.3.6.1.2.1.1.5")));
    EXPECT_EQ(Main->searchText(), QStringLiteral("sysName"));
}
