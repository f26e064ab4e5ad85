#pragma once

#include <QString>
#include <QWidget>
#include <memory>

class QLabel;
class QTimer;
class TPaintFrames;
class TXTclClient;
namespace Ui {
class Form_MibTabulate;
}

// The tabulate window: shows one conceptual table of the agent as a grid, one column
// per columnar object of the entry, one row per table row, index columns fixed at the
// left. A pass is one chain of Get Next requests naming all columns at once; passes
// run when the session is ready, on Refresh and, with polling on, on every tick.
// Button_Refresh is disabled exactly while a pass runs.
class TForm_MibTabulate : public QWidget {
    Q_OBJECT
public:
    // owner: the main window; the tabulate window is a top-level window it destroys.
    explicit TForm_MibTabulate(QWidget* owner);
    ~TForm_MibTabulate() override;

    TForm_MibTabulate(const TForm_MibTabulate&) = delete;
    TForm_MibTabulate& operator=(const TForm_MibTabulate&) = delete;

    [[nodiscard]] QString StatusText() const;
    // The name of this window's session command in the slave; empty until created.
    [[nodiscard]] QString Session() const { return FSession; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void SetupColumns();
    void StartPass();
    void EndPass();
    void XTclClient_SessionResult(QObject* Sender, const QString& result);
    void XTclClient_ReqResult(QObject* Sender, const QString& result);
    void XTclClient_SessionError(QObject* Sender, const QString& error);
    void Button_RefreshClick();
    void Button_CloseClick();
    void TimerTimer();
    void CheckBox_PollClick();
    void Edit_PollrateExit();
    void Edit_PollrateKeyPress();
    // Progress texts follow the grid's frames; a final text (done, an error) shows at once.
    void SetStatusText(const QString& text, bool now = false);

    std::unique_ptr<Ui::Form_MibTabulate> ui;
    QLabel* StatusLabel = nullptr;
    TPaintFrames* FFrames = nullptr;
    QString FStatusText;
    TXTclClient* XTclClient_Session = nullptr;
    TXTclClient* XTclClient_Req = nullptr;
    QTimer* Timer = nullptr;

    QString FSession;
    QString FTarget;
    QString FEntryOid;
    QString FColumns;
    QString FRequest;
    qint32 FRowCount = 0;
};
