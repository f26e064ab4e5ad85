#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <memory>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTabBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TXTcl;
class TXTclClient;

namespace Ui {
class TForm_Olvarin;
}

// The main window: the MIB tree on the left, the session parameters, the object
// panel and the description on the right, the display-root tabs above them.
//
// Its components are public, as other windows (walk, tabulate, MIB Load) read them
// when they are created: the form's widgets by their names (Edit_Target, Edit_OID,
// TreeView, ...; also findable as children by these names), XTcl and XTclClient_Req.
class TForm_Olvarin : public QMainWindow {
    Q_OBJECT
public:
    // commandLine: the program's arguments, its own path first; they become the
    // options of the SNMP session created at start-up.
    explicit TForm_Olvarin(const QStringList& commandLine, QWidget* parent = nullptr);
    ~TForm_Olvarin() override;

    // The components of the form (owned by the window).
    QTabBar* TabControl = nullptr;
    QFrame* Panel_TreeViewHolder = nullptr;
    QTreeWidget* TreeView = nullptr;
    QFrame* Panel2 = nullptr;
    QFrame* Panel_Parameters = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* Edit_Target = nullptr;
    QLineEdit* Edit_Community = nullptr;
    QLineEdit* Edit_Timeout = nullptr;
    QLineEdit* Edit_Retry = nullptr;
    QFrame* Panel3 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit_module = nullptr;
    QLineEdit* Edit_Name = nullptr;
    QToolButton* SpeedButton_FindNext = nullptr;
    QLineEdit* Edit_OID = nullptr;
    QLineEdit* Edit_Syntax = nullptr;
    QComboBox* ComboBox_Value = nullptr;
    QPushButton* Button_Get = nullptr;
    QPushButton* Button_GetNext = nullptr;
    QPushButton* Button_Set = nullptr;
    QPushButton* Button_Walk = nullptr;
    QPushButton* Button_Tabulate = nullptr;
    QPlainTextEdit* Memo_Description = nullptr;
    QStatusBar* StatusBar = nullptr;

    // The system's one slave link and the main window's request client (owned by
    // the window through Qt's parent ownership).
    TXTcl* XTcl = nullptr;
    TXTclClient* XTclClient_Req = nullptr;

    // The single text of the status bar.
    [[nodiscard]] QString statusText() const;
    void setStatusText(const QString& text);

    // --- tree (window-side helpers, public for the other windows and tests) ----
    [[nodiscard]] QTreeWidgetItem* FindNodeByOid(const QString& oid);
    [[nodiscard]] static QString NodeToOid(const QTreeWidgetItem* node);
    [[nodiscard]] static int NodeNumber(const QTreeWidgetItem* node);
    // Refuses every in-place label edit.
    static void TreeViewEditing(QTreeWidgetItem* node, bool& allowEdit);

    [[nodiscard]] const QString& searchText() const { return FSearchText; }

signals:
    // The window was closed by the user or the program: the application ends.
    void closed();

public slots:
    void Button_GetClick();
    void Button_GetNextClick();
    void Button_SetClick();
    // Filled in by the walk window's module.
    void Button_WalkClick();
    // Filled in by the tabulate window's module.
    void Button_TabulateClick();
    void SpeedButton_FindNextClick();
    void TabControlChange(int index);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // start-up
    void FormCreate();
    void LoadResources();
    void RecoverResourceFile(const QString& failure);
    void CreateSession();
    void LoadMibTree();
    void AddMibNode(QTreeWidgetItem* parent, const QString& oid);
    void FillDisplayRoots();

    // object panel
    void ShowObjectDetails(const QObject* source, const QString& oid);
    [[nodiscard]] bool IsEnumeratedInteger(const QString& oid);
    void FillValueChoices(const QString& oid);
    void SetOperationButtons(const QString& access, const QString& syntax);
    void SendSnmpRequest(const QString& operation);
    [[nodiscard]] QTreeWidgetItem* selectedNode() const;
    void selectNode(QTreeWidgetItem* node);

    // reply events
    void XTclResult(QObject* sender, const QString& result);
    void XTclError(QObject* sender, const QString& error);
    void XTclClient_ReqResult(QObject* sender, const QString& result);

    // change events
    void TreeViewChange(QTreeWidgetItem* node);
    void Edit_NameChange();
    void Edit_OIDChange();
    void Edit_NameKeyPress(int key, const QString& text);

    // Find
    void SearchStep();

    void setupComponents();
    void bindEvents();

    std::unique_ptr<Ui::TForm_Olvarin> FForm;
    QLabel* StatusText = nullptr;
    QStringList FCommandLine;
    bool FUpdatingDetails = false;
    QString FSearchText;
};

// The application's main window, set while it exists (other windows read it).
extern TForm_Olvarin* Form_Olvarin;
