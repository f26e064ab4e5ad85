#include "browsermain.h"

#include "ui_browsermain.h"

#include "browsertabulate.h"
#include "browserwalk.h"

#include "dialogs.h"
#include "etclevalexception.h"
#include "exception.h"
#include "handlerguard.h"
#include "helpviewer.h"
#include "mibtext.h"
#include "mibtreeitem.h"
#include "snmprequesttext.h"
#include "tclquote.h"
#include "tcltext.h"
#include "terminationrequest.h"
#include "txtcl.h"
#include "txtclclient.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTreeWidget>
#include <QTreeWidgetItem>

TForm_Olvarin* Form_Olvarin = nullptr;

namespace {

constexpr int HelpContextMain = 18000;

// Restores a flag however the scope is left, so a failing update never leaves the
// panel locked.
class FlagReset {
public:
    explicit FlagReset(bool& flag)
        : FFlag(flag)
    {
    }
    ~FlagReset() { FFlag = false; }
    FlagReset(const FlagReset&) = delete;
    FlagReset& operator=(const FlagReset&) = delete;

private:
    bool& FFlag;
};

int levelOf(const QTreeWidgetItem* node)
{
    int level = 0;
    for (const QTreeWidgetItem* p = node->parent(); p != nullptr; p = p->parent())
        ++level;
    return level;
}

// Joins a tree built off screen to the view. Joining gives every item of the
// subtree one slot per column of the view, an allocation per item that nodes
// holding their own name and number never use (a hundred thousand of them in a
// large MIB); with no columns at that moment there is nothing to give, and the
// column comes back, with its header text, right after.
void attachBuiltTree(QTreeWidget* tree, QTreeWidgetItem* root)
{
    const int columns = tree->columnCount();
    QStringList labels;
    for (int column = 0; column < columns; ++column)
        labels.append(tree->headerItem()->text(column));
    tree->setColumnCount(0);
    tree->addTopLevelItem(root);
    tree->setColumnCount(columns);
    tree->setHeaderLabels(labels);
}

QIcon magnifyingGlass()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 128), 1.6));
    painter.setBrush(QColor(200, 230, 255));
    painter.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    painter.setPen(QPen(QColor(96, 64, 0), 3.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
    painter.end();
    return QIcon(pixmap);
}

QIcon browserIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 64, 128), 2));
    painter.drawLine(8, 6, 8, 26);
    painter.drawLine(8, 14, 20, 14);
    painter.drawLine(8, 26, 20, 26);
    painter.setBrush(QColor(0, 128, 192));
    painter.drawRect(QRectF(3, 2, 10, 7));
    painter.setBrush(QColor(0, 160, 96));
    painter.drawRect(QRectF(18, 10, 11, 8));
    painter.drawRect(QRectF(18, 22, 11, 8));
    painter.end();
    return QIcon(pixmap);
}

} // namespace

TForm_Olvarin::TForm_Olvarin(const QStringList& commandLine, QWidget* parent)
    : QMainWindow(parent)
    , FForm(std::make_unique<Ui::TForm_Olvarin>())
    , FCommandLine(commandLine)
{
    Form_Olvarin = this;
    FForm->setupUi(this);
    TabControl = FForm->TabControl;
    Panel_TreeViewHolder = FForm->Panel_TreeViewHolder;
    TreeView = FForm->TreeView;
    Panel2 = FForm->Panel2;
    Panel_Parameters = FForm->Panel_Parameters;
    Label5 = FForm->Label5;
    Label6 = FForm->Label6;
    Label7 = FForm->Label7;
    Label8 = FForm->Label8;
    Edit_Target = FForm->Edit_Target;
    Edit_Community = FForm->Edit_Community;
    Edit_Timeout = FForm->Edit_Timeout;
    Edit_Retry = FForm->Edit_Retry;
    Panel3 = FForm->Panel3;
    Label9 = FForm->Label9;
    Label1 = FForm->Label1;
    Label2 = FForm->Label2;
    Label3 = FForm->Label3;
    Label4 = FForm->Label4;
    Edit_module = FForm->Edit_module;
    Edit_Name = FForm->Edit_Name;
    SpeedButton_FindNext = FForm->SpeedButton_FindNext;
    Edit_OID = FForm->Edit_OID;
    Edit_Syntax = FForm->Edit_Syntax;
    ComboBox_Value = FForm->ComboBox_Value;
    Button_Get = FForm->Button_Get;
    Button_GetNext = FForm->Button_GetNext;
    Button_Set = FForm->Button_Set;
    Button_Walk = FForm->Button_Walk;
    Button_Tabulate = FForm->Button_Tabulate;
    Memo_Description = FForm->Memo_Description;
    StatusBar = FForm->StatusBar;
    setupComponents();

    // The non-visual components, in the order the form declares them.
    XTcl = new TXTcl(this);
    XTcl->setObjectName(QStringLiteral("XTcl"));
    XTclClient_Req = new TXTclClient(this);
    XTclClient_Req->setObjectName(QStringLiteral("XTclClient_Req"));
    XTclClient_Req->setServer(XTcl);
    bindEvents();

    // Loaded: XTcl starts the slave; what it is sent from now on waits in its queue
    // until the slave connects.
    HandlerGuard::run([this] { XTcl->Loaded(); });
    // A failure that escapes the start-up sequence is shown and creation goes on;
    // the window then opens with whatever the completed steps produced.
    HandlerGuard::run([this] { FormCreate(); });
}

TForm_Olvarin::~TForm_Olvarin()
{
    // Walk and tabulate windows bind their clients to XTcl: they go first, then the
    // request client, then the link itself.
    const QList<QWidget*> windows = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* w : windows) {
        if (w->isWindow())
            delete w;
    }
    delete XTclClient_Req;
    XTclClient_Req = nullptr;
    delete XTcl;
    XTcl = nullptr;
    if (Form_Olvarin == this)
        Form_Olvarin = nullptr;
}

void TForm_Olvarin::setupComponents()
{
    StatusText = new QLabel(StatusBar);
    StatusText->setObjectName(QStringLiteral("StatusText"));
    StatusBar->addWidget(StatusText, 1);

    QPalette silver = Edit_module->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        silver.setColor(group, QPalette::Base, QColor(192, 192, 192));
    Edit_module->setPalette(silver);
    Edit_Syntax->setPalette(silver);

    // The selection stays visible when the tree has no focus.
    QPalette tree = TreeView->palette();
    tree.setColor(QPalette::Inactive, QPalette::Highlight, tree.color(QPalette::Active, QPalette::Highlight));
    tree.setColor(QPalette::Inactive, QPalette::HighlightedText,
                  tree.color(QPalette::Active, QPalette::HighlightedText));
    TreeView->setPalette(tree);

    SpeedButton_FindNext->setIcon(magnifyingGlass());
    setWindowIcon(browserIcon());

    // 699 x 524, centred on the screen.
    resize(699, 524);
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));

    Edit_Name->installEventFilter(this);
}

void TForm_Olvarin::bindEvents()
{
    XTcl->OnResult = [this](QObject* sender, const QString& result) { XTclResult(sender, result); };
    XTcl->OnError = [this](QObject* sender, const QString& error) { XTclError(sender, error); };
    XTclClient_Req->OnResult = [this](QObject* sender, const QString& result) { XTclClient_ReqResult(sender, result); };
    XTclClient_Req->OnError = [this](QObject* sender, const QString& error) { XTclError(sender, error); };

    const auto guarded = [this](void (TForm_Olvarin::*handler)()) {
        return [this, handler] { HandlerGuard::run([this, handler] { (this->*handler)(); }); };
    };
    connect(Button_Get, &QPushButton::clicked, this, guarded(&TForm_Olvarin::Button_GetClick));
    connect(Button_GetNext, &QPushButton::clicked, this, guarded(&TForm_Olvarin::Button_GetNextClick));
    connect(Button_Set, &QPushButton::clicked, this, guarded(&TForm_Olvarin::Button_SetClick));
    connect(Button_Walk, &QPushButton::clicked, this, guarded(&TForm_Olvarin::Button_WalkClick));
    connect(Button_Tabulate, &QPushButton::clicked, this, guarded(&TForm_Olvarin::Button_TabulateClick));
    connect(SpeedButton_FindNext, &QToolButton::clicked, this, guarded(&TForm_Olvarin::SpeedButton_FindNextClick));
    connect(Edit_Name, &QLineEdit::textChanged, this, guarded(&TForm_Olvarin::Edit_NameChange));
    connect(Edit_OID, &QLineEdit::textChanged, this, guarded(&TForm_Olvarin::Edit_OIDChange));
    connect(TreeView, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
        HandlerGuard::run([this, current] { TreeViewChange(current); });
    });
    connect(TabControl, &QTabBar::currentChanged, this,
            [this](int index) { HandlerGuard::run([this, index] { TabControlChange(index); }); });
}

QString TForm_Olvarin::statusText() const
{
    return StatusText->text();
}

void TForm_Olvarin::setStatusText(const QString& text)
{
    StatusText->setText(text);
}

void TForm_Olvarin::keyPressEvent(QKeyEvent* event)
{
    // F1 anywhere in the window: the controls pass it on to the window.
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        HandlerGuard::run([] { HelpViewer::ShowContext(HelpContextMain); });
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TForm_Olvarin::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit closed();
}

bool TForm_Olvarin::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit_Name && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        Edit_NameKeyPress(key->key(), key->text());
    }
    return QMainWindow::eventFilter(watched, event); // the key is passed on
}

// ---------------------------------------------------------------------------
// Start-up

void TForm_Olvarin::FormCreate()
{
    XTcl->Send(QStringLiteral("KrSource Olvarin.tcl"));
    LoadResources();
    CreateSession();
    // Visible before the long tree build, with its waiting text painted at once.
    show();
    raise();
    activateWindow();
    repaint();
    LoadMibTree();
    FillDisplayRoots();
    ShowObjectDetails(this, QStringLiteral("1"));
}

void TForm_Olvarin::LoadResources()
{
    try {
        (void)XTcl->Eval(QStringLiteral("source $KrPath_rc/Olvarin.rc"));
        XTcl->Send(QStringLiteral("source $KrPath_rc/Olvarin.rc"));
        (void)XTcl->Eval(QStringLiteral("mib oid system"));
    } catch (const std::exception& failure) {
        RecoverResourceFile(HandlerGuard::messageOf(failure));
    }
}

void TForm_Olvarin::RecoverResourceFile(const QString& failure)
{
    // The default copy replaces the resource file before the user is asked; the
    // user's own file is kept beside it first, as the failure may have had another
    // cause (the slave down, a MIB missing) than the file itself.
    (void)XTcl->Eval(QStringLiteral("if {[file exists $KrPath_rc/Olvarin.rc]} "
                                    "{file copy -force $KrPath_rc/Olvarin.rc $KrPath_rc/Olvarin.rc.bak}"));
    (void)XTcl->Eval(QStringLiteral("file copy -force $KrPath_rc/Olvarin.rc.default $KrPath_rc/Olvarin.rc"));
    hide();
    const int answer = Dialogs::MessageDlg(failure + QStringLiteral(". Reload with default?"), Dialogs::Kind::Warning,
                                           Dialogs::Ok | Dialogs::Cancel, 0);
    if (answer == Dialogs::Ok)
        (void)XTcl->Eval(QStringLiteral("exec Olvarin.exe &"));
    TerminationRequest::Post();
}

void TForm_Olvarin::CreateSession()
{
    // The arguments come split; as a Tcl list they stay one word each (an option
    // value with blanks included), and the first element, the program, is dropped.
    const QString commandLine = TclQuote::list(FCommandLine);
    const QString args = XTcl->Eval(QStringLiteral("lreplace ") + TclText::braced(commandLine) + QStringLiteral(" 0 0"));
    (void)XTcl->Eval(QStringLiteral("set Session [snmp session ") + args + QStringLiteral("]"));
    Edit_Target->setText(XTcl->Eval(QStringLiteral("$Session cget -address")));
    Edit_Community->setText(XTcl->Eval(QStringLiteral("$Session cget -community")));
    Edit_Timeout->setText(XTcl->Eval(QStringLiteral("$Session cget -timeout")));
    Edit_Retry->setText(XTcl->Eval(QStringLiteral("$Session cget -retries")));
}

void TForm_Olvarin::FillDisplayRoots()
{
    QStringList roots;
    XTcl->EvalList(QStringLiteral("set DisplayRoots"), roots);
    const QSignalBlocker quiet(TabControl);
    while (TabControl->count() > 0)
        TabControl->removeTab(TabControl->count() - 1);
    for (const QString& root : roots)
        TabControl->addTab(root);
}

void TForm_Olvarin::TabControlChange(int index)
{
    if (index < 0)
        return;
    const QString name = TabControl->tabText(index);
    const QString oid = XTcl->Eval(QStringLiteral("mib oid ") + TclQuote::word(name));
    QTreeWidgetItem* node = FindNodeByOid(oid);
    if (node == nullptr)
        return;
    node->setExpanded(true);
    TreeView->setCurrentItem(node); // shows the object through TreeViewChange
    TreeView->scrollToItem(node, QAbstractItemView::PositionAtTop);
    repaint();
}

// ---------------------------------------------------------------------------
// MIB tree

void TForm_Olvarin::LoadMibTree()
{
    setStatusText(QStringLiteral("Loading MIB's.  Please wait..."));
    repaint();
    const QString root = XTcl->Eval(QStringLiteral("mib oid iso"));
    AddMibNode(nullptr, root);

    QTreeWidgetItem* node = TreeView->topLevelItem(0);
    for (int expanded = 0; node != nullptr && expanded < 4; ++expanded) {
        node->setExpanded(true);
        node = node->childCount() > 0 ? node->child(0) : nullptr;
    }
    setStatusText(QStringLiteral("MIB's loaded."));
}

void TForm_Olvarin::AddMibNode(QTreeWidgetItem* parent, const QString& oid)
{
    const QString arc = MibText::LastArc(oid);
    int number = 0;
    if (!MibText::ArcNumber(arc, number))
        throw Exception(QStringLiteral("'%1' is not a valid integer value").arg(arc));
    const QString name = XTcl->Eval(QStringLiteral("mib name ") + TclQuote::word(oid));

    if (parent == nullptr) {
        // The whole tree is built off screen and shown at once (also when the
        // build fails part way: what was added stays).
        auto* root = new MibTreeItem(name, number);
        struct Attach {
            QTreeWidget* tree;
            QTreeWidgetItem* item;
            ~Attach() { attachBuiltTree(tree, item); }
        } attach{TreeView, root};
        QStringList children;
        XTcl->EvalList(QStringLiteral("mib successor ") + TclQuote::word(oid), children);
        for (const QString& child : children)
            AddMibNode(root, child);
        return;
    }

    auto* node = new MibTreeItem(parent, name, number);
    QStringList children;
    XTcl->EvalList(QStringLiteral("mib successor ") + TclQuote::word(oid), children);
    for (const QString& child : children)
        AddMibNode(node, child);
}

int TForm_Olvarin::NodeNumber(const QTreeWidgetItem* node)
{
    if (node->type() == MibTreeItem::ItemType)
        return static_cast<const MibTreeItem*>(node)->number();
    return node->data(0, MibTreeItem::NumberRole).toInt();
}

QString TForm_Olvarin::NodeToOid(const QTreeWidgetItem* node)
{
    if (node == nullptr)
        return QStringLiteral("0.0");
    if (node->parent() == nullptr)
        return QStringLiteral("1");
    return NodeToOid(node->parent()) + QLatin1Char('.') + QString::number(NodeNumber(node));
}

QTreeWidgetItem* TForm_Olvarin::FindNodeByOid(const QString& oid)
{
    QStringList parts;
    XTcl->EvalList(QStringLiteral("split ") + TclText::quoted(oid) + QStringLiteral(" ."), parts);
    if (parts.isEmpty())
        return nullptr;
    if (parts.first().trimmed() != QLatin1String("1"))
        return nullptr;
    QTreeWidgetItem* node = TreeView->topLevelItem(0);
    if (node == nullptr || parts.size() == 1)
        return node;
    if (parts.last().trimmed().isEmpty())
        parts.removeLast();
    for (;;) {
        if (node->childCount() == 0)
            return node; // an instance suffix below a leaf finds the leaf
        const int index = levelOf(node) + 1;
        int number = 0;
        if (index >= parts.size() || !MibText::ArcNumber(parts.at(index), number))
            return nullptr;
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < node->childCount(); ++i) {
            if (NodeNumber(node->child(i)) == number) {
                next = node->child(i);
                break;
            }
        }
        if (next == nullptr)
            return nullptr;
        node = next;
        if (levelOf(node) == parts.size() - 1)
            return node;
    }
}

void TForm_Olvarin::TreeViewEditing(QTreeWidgetItem*, bool& allowEdit)
{
    allowEdit = false;
}

QTreeWidgetItem* TForm_Olvarin::selectedNode() const
{
    QTreeWidgetItem* current = TreeView->currentItem();
    return (current != nullptr && current->isSelected()) ? current : nullptr;
}

void TForm_Olvarin::selectNode(QTreeWidgetItem* node)
{
    TreeView->setCurrentItem(node);
    if (node == nullptr)
        TreeView->clearSelection();
}

// ---------------------------------------------------------------------------
// Object panel

void TForm_Olvarin::ShowObjectDetails(const QObject* source, const QString& oidText)
{
    if (FUpdatingDetails)
        return;
    FUpdatingDetails = true;
    const FlagReset release(FUpdatingDetails);

    ComboBox_Value->clear();
    ComboBox_Value->clearEditText();

    QString oid = oidText;
    QString name;
    QString syntax;
    QString module;
    QString description;
    QString access;
    try {
        const QString word = TclQuote::word(oid);
        name = XTcl->Eval(QStringLiteral("mib name ") + word);
        syntax = XTcl->Eval(QStringLiteral("mib syntax ") + word);
        module = XTcl->Eval(QStringLiteral("mib module ") + word);
        description = MibText::NormaliseLineBreaks(XTcl->Eval(QStringLiteral("mib description ") + word));
        if (IsEnumeratedInteger(oid))
            FillValueChoices(oid);
        access = XTcl->Eval(QStringLiteral("mib access ") + word);
    } catch (const std::exception&) {
        oid = QStringLiteral("0");
        name.clear();
        syntax.clear();
        module.clear();
        description.clear();
        access = QStringLiteral("not-accessible");
    }

    if (source != TreeView) {
        QTreeWidgetItem* node = FindNodeByOid(oid);
        if (node != nullptr) {
            TreeView->setCurrentItem(node);
            node->setExpanded(true);
            TreeView->scrollToItem(node, QAbstractItemView::PositionAtTop);
        } else if (selectedNode() != nullptr) {
            selectNode(nullptr);
        }
        repaint();
    }

    if (source != Edit_module)
        Edit_module->setText(module);
    if (source != Edit_Name)
        Edit_Name->setText(name);
    if (source != Edit_OID)
        Edit_OID->setText(oid);
    if (source != Edit_Syntax)
        Edit_Syntax->setText(syntax);
    if (source != Memo_Description)
        Memo_Description->setPlainText(description);
    SetOperationButtons(access, syntax);
}

bool TForm_Olvarin::IsEnumeratedInteger(const QString& oid)
{
    const QString word = TclQuote::word(oid);
    const QString base = XTcl->Eval(QStringLiteral("lindex [mib tc ") + word + QStringLiteral("] 1"));
    if (base != QLatin1String("INTEGER"))
        return false;
    const QString count = XTcl->Eval(QStringLiteral("llength [lindex [mib tc ") + word + QStringLiteral("] 3]"));
    return count != QLatin1String("0");
}

void TForm_Olvarin::FillValueChoices(const QString& oid)
{
    QStringList entries;
    XTcl->EvalList(QStringLiteral("lindex [mib tc ") + TclQuote::word(oid) + QStringLiteral("] 3"), entries);
    QStringList choices;
    for (const QString& entry : entries) {
        const QString label = XTcl->Eval(QStringLiteral("lindex ") + TclText::braced(entry) + QStringLiteral(" 0"));
        const QString number = XTcl->Eval(QStringLiteral("lindex ") + TclText::braced(entry) + QStringLiteral(" 1"));
        choices.append(label + QStringLiteral(" (") + number + QLatin1Char(')'));
    }
    ComboBox_Value->addItems(choices);
    // Offering the choices does not choose one: the value text stays empty.
    ComboBox_Value->setCurrentIndex(-1);
    ComboBox_Value->clearEditText();
}

void TForm_Olvarin::SetOperationButtons(const QString& access, const QString& syntax)
{
    const bool readable = access == QLatin1String("read-only") || access == QLatin1String("read-write")
        || access == QLatin1String("read-create");
    const bool writable = access == QLatin1String("read-write") || access == QLatin1String("read-create")
        || access == QLatin1String("write-only");
    Button_Get->setEnabled(readable);
    Button_GetNext->setEnabled(true);
    Button_Set->setEnabled(writable);
    Button_Walk->setEnabled(true);
    Button_Tabulate->setEnabled(syntax == QLatin1String("SEQUENCE") || syntax == QLatin1String("SEQUENCE OF"));
}

void TForm_Olvarin::Button_GetClick()
{
    if (const QTreeWidgetItem* node = selectedNode()) {
        const QString oid = Edit_OID->text().trimmed();
        if (oid == NodeToOid(node))
            Edit_OID->setText(oid + QStringLiteral(".0")); // the scalar's instance
    }
    SendSnmpRequest(QStringLiteral("get"));
}

void TForm_Olvarin::Button_GetNextClick()
{
    SendSnmpRequest(QStringLiteral("getnext"));
}

void TForm_Olvarin::Button_SetClick()
{
    SendSnmpRequest(QStringLiteral("set"));
}

void TForm_Olvarin::Button_WalkClick()
{
    // A new, independent walk window, owned by this window; it shows itself once
    // the slave has created its session.
    new TForm_MibWalk(this);
}

void TForm_Olvarin::Button_TabulateClick()
{
    // A new, independent tabulate window, owned by this window and shown at once.
    new TForm_MibTabulate(this);
}

void TForm_Olvarin::SendSnmpRequest(const QString& operation)
{
    const QString oid = Edit_OID->text();
    QString valuePart;
    if (operation == QLatin1String("set")) {
        const QString value = ComboBox_Value->currentText();
        if (IsEnumeratedInteger(oid))
            valuePart = SnmpRequestText::EnumSetValue(XTcl->Eval(SnmpRequestText::EnumLabelScript(value)));
        else
            valuePart = SnmpRequestText::PlainSetValue(value);
    }
    const SnmpRequestText::Parameters parameters{Edit_Target->text(), Edit_Community->text(), Edit_Timeout->text(),
                                                 Edit_Retry->text()};
    XTclClient_Req->Send(SnmpRequestText::Build(parameters, operation, oid, valuePart));
}

// ---------------------------------------------------------------------------
// Replies

void TForm_Olvarin::XTclResult(QObject*, const QString&)
{
    setStatusText(QString());
}

void TForm_Olvarin::XTclError(QObject*, const QString& error)
{
    setStatusText(error);
    Dialogs::ShowInformation(error);
}

void TForm_Olvarin::XTclClient_ReqResult(QObject*, const QString& result)
{
    setStatusText(QString());
    // The reply is one braced binding list holding one binding; it goes into the
    // lookups as that one word, so an agent's text can never run as code.
    QStringList elements;
    const bool oneWord = XTcl->SplitList(result, elements) == 0 && elements.size() == 1;
    const QString binding = oneWord ? TclQuote::word(elements.first()) : TclQuote::word(result);
    const QString oid = XTcl->Eval(QStringLiteral("lindex ") + binding + QStringLiteral(" 0"));
    QString value = XTcl->Eval(QStringLiteral("lindex ") + binding + QStringLiteral(" 2"));
    ShowObjectDetails(this, oid);
    if (IsEnumeratedInteger(oid)) {
        const QString number = XTcl->Eval(QStringLiteral("mib scan ") + TclQuote::word(oid) + QLatin1Char(' ')
                                          + TclQuote::word(value));
        value += QStringLiteral(" (") + number + QLatin1Char(')');
    }
    ComboBox_Value->setEditText(value);
}

// ---------------------------------------------------------------------------
// Change events

void TForm_Olvarin::TreeViewChange(QTreeWidgetItem* node)
{
    if (node == nullptr)
        return;
    ShowObjectDetails(TreeView, NodeToOid(node));
}

void TForm_Olvarin::Edit_NameChange()
{
    QString oid;
    try {
        // A name qualified by the module now shown, then the name as typed.
        const QString qualified = Edit_module->text().trimmed() + QLatin1Char('!') + Edit_Name->text().trimmed();
        oid = XTcl->Eval(QStringLiteral("mib oid ") + TclQuote::word(qualified));
    } catch (const std::exception&) {
        try {
            oid = XTcl->Eval(QStringLiteral("mib oid ") + TclQuote::word(Edit_Name->text()));
        } catch (const std::exception&) {
            oid = QStringLiteral("0");
        }
    }
    ShowObjectDetails(Edit_Name, oid);
    if (FSearchText.isEmpty())
        FSearchText = Edit_Name->text().trimmed();
}

void TForm_Olvarin::Edit_OIDChange()
{
    ShowObjectDetails(Edit_OID, Edit_OID->text());
}

// ---------------------------------------------------------------------------
// Find

void TForm_Olvarin::Edit_NameKeyPress(int key, const QString& text)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        HandlerGuard::run([this] { SearchStep(); });
        return;
    }
    // A typed character (Backspace and control characters too) starts a new
    // pattern: the text the field is about to hold.
    if (!text.isEmpty())
        FSearchText.clear();
}

void TForm_Olvarin::SpeedButton_FindNextClick()
{
    SearchStep();
}

namespace {

// Depth-first pre-order over every node, expanded or not.
QTreeWidgetItem* nextInTreeOrder(QTreeWidget* tree, QTreeWidgetItem* node)
{
    if (node->childCount() > 0)
        return node->child(0);
    while (node != nullptr) {
        QTreeWidgetItem* parent = node->parent();
        const int index = parent ? parent->indexOfChild(node) : tree->indexOfTopLevelItem(node);
        const int count = parent ? parent->childCount() : tree->topLevelItemCount();
        if (index + 1 < count)
            return parent ? parent->child(index + 1) : tree->topLevelItem(index + 1);
        node = parent;
    }
    return nullptr;
}

QString numbersPath(const QTreeWidgetItem* node)
{
    QStringList numbers;
    for (; node != nullptr; node = node->parent())
        numbers.prepend(QString::number(TForm_Olvarin::NodeNumber(node)));
    return numbers.join(QLatin1Char('.'));
}

} // namespace

void TForm_Olvarin::SearchStep()
{
    if (FSearchText.isEmpty())
        FSearchText = Edit_Name->text().trimmed();
    const QString pattern = MibText::UpperAscii(FSearchText);
    if (pattern.isEmpty())
        return;
    setStatusText(QStringLiteral("Searching MIB Objects for '") + FSearchText + QStringLiteral("'..."));
    repaint();

    QTreeWidgetItem* start = selectedNode();
    if (start == nullptr)
        start = TreeView->topLevelItem(0);
    if (start == nullptr)
        throw Exception(QStringLiteral("List index out of bounds (0)"));

    QTreeWidgetItem* candidate = nextInTreeOrder(TreeView, start);
    for (;;) {
        if (candidate == nullptr)
            candidate = TreeView->topLevelItem(0);
        if (MibText::UpperAscii(candidate->text(0)).contains(pattern)) {
            ShowObjectDetails(nullptr, numbersPath(candidate));
            setStatusText(QLatin1Char('\'') + FSearchText + QStringLiteral("' found"));
            return;
        }
        if (candidate == start) {
            setStatusText(QLatin1Char('\'') + FSearchText + QStringLiteral("'not found in MIB"));
            return;
        }
        candidate = nextInTreeOrder(TreeView, candidate);
    }
}
