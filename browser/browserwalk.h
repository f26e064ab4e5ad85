#pragma once

#include <QDialog>
#include <QString>
#include <memory>

class QLabel;
class TPaintFrames;
class TXTclClient;
namespace Ui {
class Form_MibWalk;
}

// The walk window: lists every instance below the main window's object by a chain of
// Get Next requests in its own SNMP session, repeated for a number of cycles, and can
// log the rows to a file. It takes target, OID and name from the main window once, at
// creation, and stays hidden until the slave has created its session.
class TForm_MibWalk : public QDialog {
    Q_OBJECT
public:
    // owner: the main window; the walk window is a top-level window it destroys.
    explicit TForm_MibWalk(QWidget* owner);
    ~TForm_MibWalk() override;

    TForm_MibWalk(const TForm_MibWalk&) = delete;
    TForm_MibWalk& operator=(const TForm_MibWalk&) = delete;

    [[nodiscard]] QString StatusText() const;
    // The name of this window's session command in the slave; empty until created.
    [[nodiscard]] QString Session() const { return FSession; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // Escape closes the window like the Close button.
    void reject() override;

private:
    void FormCreate();
    void FormDestroy();
    void XTclClient_SessionResult(QObject* Sender, const QString& result);
    void XTclClient_ReqResult(QObject* Sender, const QString& result);
    void XTclClient_ReqError(QObject* Sender, const QString& error);
    void Button_StartClick();
    void CheckBox_LogToFileClick();
    void Button_BrowseClick();
    void Button_CloseClick();
    void EndCycle();
    void LogLastRow();
    void CloseLog();
    void SendGetNext(const QString& oid);
    // Progress texts follow the list's frames; a final text (done, an error) shows at once.
    void SetStatusText(const QString& text, bool now = false);
    void AddRow(const QStringList& texts);

    std::unique_ptr<Ui::Form_MibWalk> ui;
    QLabel* StatusLabel = nullptr;
    TXTclClient* XTclClient_Session = nullptr;
    TXTclClient* XTclClient_Req = nullptr;
    TPaintFrames* FFrames = nullptr;

    QString FSession;
    QString FTarget;
    QString FRootOid;
    qint32 FCycle = 0;
    qint32 FEntry = 0;
    QString FStatusText;
    QString FLogChannel;
};
