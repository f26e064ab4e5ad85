#include "browsertabulate.h"

#include "ui_browsertabulate.h"

#include "dialogs.h"
#include "exception.h"
#include "handlerguard.h"
#include "mainwindowfields.h"
#include "paintframes.h"
#include "snmptext.h"
#include "tclquote.h"
#include "txtcl.h"
#include "txtclclient.h"


#include <QCloseEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <limits>

namespace {

int wholeNumber(const QString& text)
{
    bool isNumber = false;
    const int value = text.trimmed().toInt(&isNumber);
    if (!isNumber)
        throw Exception(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

const QString PollRateTooSmall = QStringLiteral("Poll rate is too small.");

} // namespace

TForm_MibTabulate::TForm_MibTabulate(QWidget* owner)
    : QWidget(owner, Qt::Window)
    , ui(std::make_unique<Ui::Form_MibTabulate>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("Form_MibTabulate"));
    StatusLabel = new QLabel(ui->StatusBar);
    StatusLabel->setObjectName(QStringLiteral("StatusText"));
    ui->StatusBar->addWidget(StatusLabel, 1);
    // The grid changes with every reply of a pass: its painting, and the status text
    // with it, is paced to frames.
    FFrames = new TPaintFrames(ui->StringGrid);
    connect(FFrames, &TPaintFrames::FrameEnded, this, [this] { StatusLabel->setText(FStatusText); });

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(15000);
    connect(Timer, &QTimer::timeout, this, [this] { HandlerGuard::run([this] { TimerTimer(); }); });

    XTclClient_Session = new TXTclClient(this);
    XTclClient_Session->setObjectName(QStringLiteral("XTclClient_Session"));
    XTclClient_Session->OnResult = [this](QObject* s, const QString& r) { XTclClient_SessionResult(s, r); };
    XTclClient_Session->OnError = [this](QObject* s, const QString& e) { XTclClient_SessionError(s, e); };
    XTclClient_Req = new TXTclClient(this);
    XTclClient_Req->setObjectName(QStringLiteral("XTclClient_Req"));
    XTclClient_Req->OnResult = [this](QObject* s, const QString& r) { XTclClient_ReqResult(s, r); };
    XTclClient_Req->OnError = [this](QObject* s, const QString& e) { XTclClient_SessionError(s, e); };

    connect(ui->Button_Refresh, &QPushButton::clicked, this, [this] { HandlerGuard::run([this] { Button_RefreshClick(); }); });
    connect(ui->Button_Close, &QPushButton::clicked, this, [this] { HandlerGuard::run([this] { Button_CloseClick(); }); });
    connect(ui->CheckBox_Poll, &QCheckBox::toggled, this, [this] { HandlerGuard::run([this] { CheckBox_PollClick(); }); });
    ui->Edit_Pollrate->installEventFilter(this);

    HandlerGuard::run([this] { FormCreate(); });
    show();
}

TForm_MibTabulate::~TForm_MibTabulate()
{
    Timer->stop();
    HandlerGuard::run([this] { FormDestroy(); });
}

QString TForm_MibTabulate::StatusText() const
{
    return StatusLabel->text();
}

void TForm_MibTabulate::FormCreate()
{
    QObject* main = MainWindowFields::mainWindow(parent());
    FTarget = MainWindowFields::text(main, "Edit_Target");
    FEntryOid = MainWindowFields::text(main, "Edit_OID");
    const QString timeout = MainWindowFields::text(main, "Edit_Timeout");
    const QString retries = MainWindowFields::text(main, "Edit_Retry");
    const QString syntax = MainWindowFields::text(main, "Edit_Syntax");
    const QString name = MainWindowFields::text(main, "Edit_Name");
    const QString community = MainWindowFields::text(main, "Edit_Community");

    setWindowTitle(windowTitle() + QStringLiteral(" - ") + FTarget + QStringLiteral(" - ") + name);

    TXTcl* link = MainWindowFields::xtcl(main);
    XTclClient_Session->setServer(link);
    XTclClient_Req->setServer(link);

    // The session carries the user's community, as Get in the main window does. Its
    // reply comes through the message loop, after this creation step has finished.
    XTclClient_Session->Send(SnmpText::sessionCommand(FTarget, community, timeout, retries));

    TStringGrid* grid = ui->StringGrid;
    grid->setShowGrid(true);
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setTabKeyNavigation(true);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);

    // A table object has exactly one child, its entry; the columns hang below that.
    if (syntax == QLatin1String("SEQUENCE OF"))
        FEntryOid = XTclClient_Req->Eval(QStringLiteral("mib successor ") + TclQuote::word(FEntryOid));

    SetupColumns();
}

void TForm_MibTabulate::SetupColumns()
{
    FColumns = XTclClient_Req->Eval(QStringLiteral("mib successor ") + TclQuote::word(FEntryOid));
    QStringList& elements = XTclClient_Req->Elements;
    (void)XTclClient_Req->SplitList(FColumns, elements);
    const QStringList columns = elements;
    // The column OIDs come from the MIB, never from the agent or the user; in double
    // quotes the whole list is one word of the Get Next text.
    FColumns = QLatin1Char('"') + FColumns + QLatin1Char('"');

    TStringGrid* grid = ui->StringGrid;
    grid->SetColCount(static_cast<int>(columns.size()));
    for (int i = 0; i < columns.size(); ++i)
        grid->SetCell(i, 0, XTclClient_Req->Eval(QStringLiteral("mib name ") + TclQuote::word(columns.at(i))));

    const QString indexCount
        = XTclClient_Req->Eval(QStringLiteral("llength [mib index ") + TclQuote::word(FEntryOid) + QLatin1Char(']'));
    grid->SetFixedCols(wholeNumber(indexCount));
}

void TForm_MibTabulate::FormDestroy()
{
    // When the slave link went first (the main window is being destroyed), the
    // session dies with the slave and there is nothing to send it through.
    if (XTclClient_Session->Server() != nullptr)
        XTclClient_Session->Send(FSession + QStringLiteral(" destroy"));
}

void TForm_MibTabulate::closeEvent(QCloseEvent* event)
{
    // Released, not destroyed at once: a reply handler or a dialog of this window may
    // still be on the stack.
    event->accept();
    deleteLater();
}

bool TForm_MibTabulate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->Edit_Pollrate) {
        if (event->type() == QEvent::FocusOut) {
            // Leaving the field for another control of this window; focus lost to a
            // message box or another window is no exit (the box would re-enter here).
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                HandlerGuard::run([this] { Edit_PollrateExit(); });
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                HandlerGuard::run([this] { Edit_PollrateKeyPress(); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm_MibTabulate::XTclClient_SessionResult(QObject* /*Sender*/, const QString& result)
{
    FSession = result;
    StartPass();
}

void TForm_MibTabulate::StartPass()
{
    if (!ui->Button_Refresh->isEnabled())
        return;
    ui->Button_Refresh->setEnabled(false);
    FRowCount = 0;
    FRequest = FColumns;
    XTclClient_Req->Send(FSession + QStringLiteral(" getnext ") + FRequest);
}

void TForm_MibTabulate::XTclClient_ReqResult(QObject* /*Sender*/, const QString& result)
{
    // The reply is split, never evaluated: every text in it is the agent's.
    const QStringList bindings = SnmpText::splitList(*XTclClient_Req, result);
    XTclClient_Req->Elements = bindings;
    if (bindings.isEmpty()) {
        EndPass();
        return;
    }
    // Columns move on in step; once the last one has left the entry (or met the end
    // of the agent's MIB) every row has been seen.
    if (SnmpText::endsSubtree(SnmpText::binding(*XTclClient_Req, bindings.last()), FEntryOid)) {
        EndPass();
        return;
    }

    ++FRowCount;
    SetStatusText(QStringLiteral("Retrieving entry %1").arg(FRowCount));
    TStringGrid* grid = ui->StringGrid;
    (void)FFrames->Defer();
    if (grid->RowCount() <= FRowCount)
        grid->SetRowCount(grid->RowCount() + 1);
    for (int i = 0; i < bindings.size(); ++i)
        grid->SetCell(i, FRowCount, SnmpText::binding(*XTclClient_Req, bindings.at(i)).value);

    XTclClient_Req->Send(FSession + QStringLiteral(" getnext ") + TclQuote::word(result));
}

void TForm_MibTabulate::EndPass()
{
    SetStatusText(QStringLiteral("Done"), true);
    // Rows are overwritten in place; a shorter pass drops what is left below it.
    if (FRowCount > 0)
        ui->StringGrid->SetRowCount(FRowCount + 1);
    ui->Button_Refresh->setEnabled(true);
}

void TForm_MibTabulate::XTclClient_SessionError(QObject* /*Sender*/, const QString& error)
{
    SetStatusText(error, true);
    Dialogs::ShowInformation(error);
}

void TForm_MibTabulate::Button_RefreshClick()
{
    StartPass();
}

void TForm_MibTabulate::TimerTimer()
{
    StartPass();
}

void TForm_MibTabulate::Button_CloseClick()
{
    close();
}

void TForm_MibTabulate::CheckBox_PollClick()
{
    const bool on = ui->CheckBox_Poll->isChecked();
    ui->Label_PollRate->setEnabled(on);
    ui->Edit_Pollrate->setEnabled(on);
    Edit_PollrateExit();
    if (on)
        Timer->start();
    else
        Timer->stop();
}

void TForm_MibTabulate::Edit_PollrateExit()
{
    const qint64 milliseconds = static_cast<qint64>(wholeNumber(ui->Edit_Pollrate->text())) * 1000;
    if (milliseconds >= 1000) {
        Timer->setInterval(static_cast<int>(qMin<qint64>(milliseconds, std::numeric_limits<int>::max())));
        return;
    }
    SetStatusText(PollRateTooSmall, true);
    (void)Dialogs::MessageDlg(PollRateTooSmall, Dialogs::Kind::Error, Dialogs::Ok);
    ui->Edit_Pollrate->setText(QStringLiteral("15"));
}

void TForm_MibTabulate::Edit_PollrateKeyPress()
{
    Edit_PollrateExit();
}

void TForm_MibTabulate::SetStatusText(const QString& text, bool now)
{
    FStatusText = text;
    if (now)
        FFrames->Flush();
    else if (FFrames->Defer())
        return; // shown at the frame's end
    StatusLabel->setText(text);
}
