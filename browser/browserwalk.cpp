#include "browserwalk.h"

#include "ui_browserwalk.h"

#include "dialogs.h"
#include "exception.h"
#include "handlerguard.h"
#include "mainwindowfields.h"
#include "paintframes.h"
#include "snmptext.h"
#include "tclquote.h"
#include "txtcl.h"
#include "txtclclient.h"
#include "walklog.h"


#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>

namespace {

constexpr int MaxRowsBeforePurge = 1000;

} // namespace

TForm_MibWalk::TForm_MibWalk(QWidget* owner)
    : QDialog(owner, Qt::Window)
    , ui(std::make_unique<Ui::Form_MibWalk>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("Form_MibWalk"));
    setModal(false);
    ui->ListView->header()->setSectionsClickable(false);
    ui->ListView->setColumnWidth(0, 100);
    ui->ListView->setColumnWidth(1, 100);
    ui->ListView->setColumnWidth(2, 500);
    StatusLabel = new QLabel(ui->StatusBar);
    StatusLabel->setObjectName(QStringLiteral("StatusText"));
    ui->StatusBar->addWidget(StatusLabel, 1);
    // The list changes with every reply: its painting, and the status text with it,
    // is paced to frames.
    FFrames = ui->ListView->Frames();
    connect(FFrames, &TPaintFrames::FrameEnded, this, [this] { StatusLabel->setText(FStatusText); });

    XTclClient_Session = new TXTclClient(this);
    XTclClient_Session->setObjectName(QStringLiteral("XTclClient_Session"));
    XTclClient_Session->OnResult = [this](QObject* s, const QString& r) { XTclClient_SessionResult(s, r); };
    XTclClient_Session->OnError = [this](QObject* s, const QString& e) { XTclClient_ReqError(s, e); };
    XTclClient_Req = new TXTclClient(this);
    XTclClient_Req->setObjectName(QStringLiteral("XTclClient_Req"));
    XTclClient_Req->OnResult = [this](QObject* s, const QString& r) { XTclClient_ReqResult(s, r); };
    XTclClient_Req->OnError = [this](QObject* s, const QString& e) { XTclClient_ReqError(s, e); };

    connect(ui->Button_Start, &QPushButton::clicked, this, [this] { HandlerGuard::run([this] { Button_StartClick(); }); });
    connect(ui->Button_Close, &QPushButton::clicked, this, [this] { HandlerGuard::run([this] { Button_CloseClick(); }); });
    connect(ui->CheckBox_LogToFile, &QCheckBox::toggled, this,
            [this] { HandlerGuard::run([this] { CheckBox_LogToFileClick(); }); });
    connect(ui->Button_Browse, &QPushButton::clicked, this, [this] { HandlerGuard::run([this] { Button_BrowseClick(); }); });

    // The window is not shown here: it appears when the slave has answered with the
    // session, so a walk window never exists on screen without one.
    HandlerGuard::run([this] { FormCreate(); });
}

TForm_MibWalk::~TForm_MibWalk()
{
    HandlerGuard::run([this] { FormDestroy(); });
}

QString TForm_MibWalk::StatusText() const
{
    return StatusLabel->text();
}

void TForm_MibWalk::FormCreate()
{
    QObject* main = MainWindowFields::mainWindow(parent());
    FTarget = MainWindowFields::text(main, "Edit_Target");
    FRootOid = MainWindowFields::text(main, "Edit_OID");
    const QString timeout = MainWindowFields::text(main, "Edit_Timeout");
    const QString retries = MainWindowFields::text(main, "Edit_Retry");
    const QString name = MainWindowFields::text(main, "Edit_Name");
    const QString community = MainWindowFields::text(main, "Edit_Community");

    setWindowTitle(windowTitle() + QStringLiteral(" - ") + FTarget + QStringLiteral(" - ") + name);

    TXTcl* link = MainWindowFields::xtcl(main);
    XTclClient_Session->setServer(link);
    XTclClient_Req->setServer(link);

    // The session carries the user's community: without it every walk would use the
    // slave's default community while Get in the main window uses the user's.
    XTclClient_Session->Send(SnmpText::sessionCommand(FTarget, community, timeout, retries));
}

void TForm_MibWalk::FormDestroy()
{
    HandlerGuard::run([this] { CloseLog(); });
    // When the slave link went first (the main window is being destroyed), the
    // session dies with the slave and there is nothing to send it through.
    if (XTclClient_Session->Server() != nullptr)
        XTclClient_Session->Send(FSession + QStringLiteral(" destroy"));
}

void TForm_MibWalk::closeEvent(QCloseEvent* event)
{
    // Released, not destroyed at once: a reply handler or a dialog of this window may
    // still be on the stack.
    event->accept();
    deleteLater();
}

void TForm_MibWalk::reject()
{
    close();
}

void TForm_MibWalk::XTclClient_SessionResult(QObject* /*Sender*/, const QString& result)
{
    FSession = result;
    show();
    raise();
    activateWindow();
}

void TForm_MibWalk::Button_StartClick()
{
    ui->Button_Start->setEnabled(false);
    // A walk that ended in an error leaves its log open; it is closed before the file
    // is opened again, so no two channels ever write the same file. A failure to
    // close it is shown but does not keep the new walk from starting.
    HandlerGuard::run([this] { CloseLog(); });
    if (ui->CheckBox_LogToFile->isChecked())
        FLogChannel = WalkLog::open(*XTclClient_Req, ui->Edit_Filename->text());
    else
        FLogChannel.clear();
    FCycle = 1;
    FEntry = 0;
    SendGetNext(FRootOid);
}

void TForm_MibWalk::XTclClient_ReqResult(QObject* /*Sender*/, const QString& result)
{
    ++FEntry;
    // The reply is split, never evaluated: its OID, syntax and value are the agent's.
    const SnmpText::Binding binding = SnmpText::firstBinding(*XTclClient_Req, result);
    SetStatusText(QStringLiteral("Cycle %1, Entry %2").arg(FCycle).arg(FEntry));

    if (SnmpText::endsSubtree(binding, FRootOid)) {
        EndCycle();
        return;
    }

    if (ui->ListView->topLevelItemCount() > MaxRowsBeforePurge) {
        (void)FFrames->Defer();
        ui->ListView->clear();
        AddRow({QStringLiteral("... old entries purged")});
    }
    const QString name = XTclClient_Req->Eval(QStringLiteral("mib name ") + TclQuote::word(binding.oid));
    AddRow({name, binding.syntax, binding.value});
    LogLastRow();
    SendGetNext(binding.oid);
}

void TForm_MibWalk::XTclClient_ReqError(QObject* /*Sender*/, const QString& error)
{
    SetStatusText(error, true);
    Dialogs::ShowInformation(error);
    ui->Button_Start->setEnabled(true);
}

void TForm_MibWalk::EndCycle()
{
    AddRow({QStringLiteral("Cycle %1 done.").arg(FCycle)});
    LogLastRow();

    // Read at every cycle end, so a change during the walk counts from here on.
    bool isNumber = false;
    int repetitions = ui->SpinEdit_Repetitions->cleanText().trimmed().toInt(&isNumber);
    if (!isNumber)
        repetitions = 0;

    if (repetitions != 0 && FCycle >= repetitions) {
        SetStatusText(QStringLiteral("All cycles done"), true);
        CloseLog();
        ui->Button_Start->setEnabled(true);
        return;
    }
    ++FCycle;
    FEntry = 0;
    SendGetNext(FRootOid);
}

void TForm_MibWalk::LogLastRow()
{
    if (FLogChannel.isEmpty())
        return;
    const int count = ui->ListView->topLevelItemCount();
    if (count == 0)
        return;
    const QTreeWidgetItem* row = ui->ListView->topLevelItem(count - 1);
    QString line = row->text(0);
    for (int column = 1; column < row->columnCount(); ++column)
        line += QLatin1Char('\t') + row->text(column);
    WalkLog::writeLine(*XTclClient_Req, FLogChannel, line);
}

void TForm_MibWalk::CloseLog()
{
    if (FLogChannel.isEmpty())
        return;
    const QString channel = FLogChannel;
    FLogChannel.clear();
    WalkLog::close(*XTclClient_Req, channel);
}

void TForm_MibWalk::SendGetNext(const QString& oid)
{
    XTclClient_Req->Send(QStringLiteral("SnmpSessionRequest ") + FSession + QStringLiteral(" getnext ")
                         + TclQuote::word(oid));
}

void TForm_MibWalk::SetStatusText(const QString& text, bool now)
{
    FStatusText = text;
    if (now)
        FFrames->Flush();
    else if (FFrames->Defer())
        return; // shown at the frame's end
    StatusLabel->setText(text);
}

void TForm_MibWalk::AddRow(const QStringList& texts)
{
    (void)FFrames->Defer();
    auto* row = new QTreeWidgetItem(ui->ListView, texts);
    Q_UNUSED(row);
}

void TForm_MibWalk::CheckBox_LogToFileClick()
{
    const bool on = ui->CheckBox_LogToFile->isChecked();
    ui->Edit_Filename->setEnabled(on);
    ui->Button_Browse->setEnabled(on);
}

void TForm_MibWalk::Button_BrowseClick()
{
    Dialogs::FileRequest request;
    request.filter = QStringLiteral("Log file (*.log)");
    request.mustExist = true;
    const QStringList chosen = Dialogs::OpenFile(request);
    if (!chosen.isEmpty())
        ui->Edit_Filename->setText(chosen.first());
}

void TForm_MibWalk::Button_CloseClick()
{
    close();
}
