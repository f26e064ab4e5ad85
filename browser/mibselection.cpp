#include "mibselection.h"

#include "ui_mibselection.h"

#include "exception.h"
#include "mainwindowfields.h"
#include "txtcl.h"

#include <QIcon>
#include <QListWidget>

TForm_MibCompiler* Form_MibCompiler = nullptr;

namespace {

// Fills a list box with the elements of a Tcl list; a result that is not a list
// leaves the box as it was.
void fillFromList(TXTcl& tcl, const QString& script, QListWidget& box)
{
    QStringList items;
    for (int row = 0; row < box.count(); ++row)
        items.append(box.item(row)->text());
    tcl.EvalList(script, items);
    box.clear();
    box.addItems(items);
}

} // namespace

TForm_MibCompiler::TForm_MibCompiler(QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::Form_MibCompiler>())
{
    Form_MibCompiler = this;
    ui->setupUi(this);
    setObjectName(QStringLiteral("Form_MibCompiler"));
    ui->SpeedButton1->setIcon(QIcon::fromTheme(QStringLiteral("list-add")));
    ui->SpeedButton2->setIcon(QIcon::fromTheme(QStringLiteral("list-remove")));
    connect(ui->SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(ui->Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    // OK and the minus button are laid out but have nothing to do.

    try {
        FormCreate();
    } catch (const Exception& e) {
        Dialogs::defaultErrorDisplay(e.Message());
    } catch (const std::exception& e) {
        Dialogs::defaultErrorDisplay(QString::fromLocal8Bit(e.what()));
    }
}

TForm_MibCompiler::~TForm_MibCompiler()
{
    if (Form_MibCompiler == this)
        Form_MibCompiler = nullptr;
}

void TForm_MibCompiler::FormCreate()
{
    OpenDialog = Dialogs::FileRequest();
    OpenDialog.title = QStringLiteral("Select User MIBs");
    OpenDialog.filter = QStringLiteral("MIB files (*.mib; *.tc; *.smi)");
    OpenDialog.defaultSuffix = QStringLiteral("mib");
    OpenDialog.multiSelect = true;

    TXTcl* tcl = MainWindowFields::xtcl(MainWindowFields::mainWindow());
    fillFromList(*tcl, QStringLiteral("set tnm(mibs:core)"), *ui->ListBox_Core);
    fillFromList(*tcl, QStringLiteral("set tnm(mibs)"), *ui->ListBox_User);
}

void TForm_MibCompiler::SpeedButton1Click()
{
    // The chosen files are not used: what the dialog should do with them is open.
    (void)Dialogs::OpenFile(OpenDialog);
}

void TForm_MibCompiler::Button2Click()
{
    // Released: closed now, destroyed once the current message has been handled. A
    // close by the window frame only hides the dialog.
    close();
    deleteLater();
}

void TForm_MibCompiler::reject()
{
    Button2Click();
}
